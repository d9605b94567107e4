// jetdb: reads Jet 4 (Access 2000-2003) databases from the command line.
//
//   jetdb tables DB [--system]        names of the tables, one per line
//   jetdb schema DB [TABLE]           table definitions as Jet SQL DDL
//   jetdb export DB TABLE             the rows as CSV (the format of mdb-export -b hex)
//   jetdb sql DB "SELECT ..." [--plan] the result of a query as CSV
//   jetdb check DB                    reads everything; index entries against rows
//
// Each command takes --password PW. Output is UTF-8; on Windows the arguments arrive in
// the ANSI code page and are converted at entry.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "base/encoding.h"
#include "jet/check.h"
#include "jet/database.h"
#include "mdb_csv.h"
#include "schema.h"

namespace {

using tabulon::Result;
using tabulon::Status;
namespace jet = tabulon::jet;

constexpr const char* kUsage =
    "usage: jetdb [--password PW] COMMAND DB [ARGS]\n"
    "  tables DB [--system]     list the tables (--system: also the MSys* tables)\n"
    "  schema DB [TABLE]        show table definitions as Jet SQL\n"
    "  export DB TABLE          write the rows of TABLE as CSV\n"
    "  check DB                 read everything and check indexes against rows\n"
    "  sql DB \"SELECT ...\"      run a query and write its result as CSV (--plan: show how\n"
    "                           the table is read; the record count goes to stderr)\n";

// Collects output and writes it in large blocks.
class Output {
 public:
  ~Output() { Flush(); }
  std::string& buffer() { return buf_; }
  void MaybeFlush() {
    if (buf_.size() >= (1u << 16)) Flush();
  }
  void Flush() {
    if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), stdout);
    buf_.clear();
  }

 private:
  std::string buf_;
};

int Fail(const Status& status) {
  std::fflush(stdout);
  std::fprintf(stderr, "jetdb: %s\n", status.message().c_str());
  return 1;
}

int Tables(jet::Database& db, bool system) {
  Output out;
  for (const std::string& name : db.TableNames(system)) {
    out.buffer() += name;
    out.buffer() += '\n';
  }
  return 0;
}

int Schema(jet::Database& db, const std::string* table_name) {
  Output out;
  std::vector<std::string> names;
  if (table_name) {
    names.push_back(*table_name);
  } else {
    names = db.TableNames(false);
  }
  for (const std::string& name : names) {
    Result<const jet::Table*> table = db.GetTable(name);
    if (!table.ok()) return Fail(table.status());
    out.buffer() += tabulon::jetdb::TableDdl(**table);
    out.buffer() += '\n';
  }
  return 0;
}

int Export(jet::Database& db, const std::string& table_name) {
  Result<const jet::Table*> table = db.GetTable(table_name);
  if (!table.ok()) return Fail(table.status());
  const jet::TableDef& def = (*table)->def();
  Output out;
  std::string& buf = out.buffer();
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (i) buf += ',';
    buf += def.columns[i].name;
  }
  buf += '\n';
  // Rows in the order their data lies in the file, as mdb-export lists them.
  jet::TableScan scan(**table, jet::ScanOrder::kStorage);
  while (true) {
    Result<bool> more = scan.Next();
    if (!more.ok()) return Fail(more.status());
    if (!*more) break;
    for (size_t i = 0; i < def.columns.size(); ++i) {
      if (i) buf += ',';
      Result<jet::Value> v = scan.row().Get(i);
      if (!v.ok()) return Fail(v.status());
      tabulon::jetdb::AppendCsvField(def.columns[i], *v, &buf);
    }
    buf += '\n';
    out.MaybeFlush();
  }
  return 0;
}

int Sql(jet::Database& db, const std::string& sql, bool plan);

int Check(jet::Database& db) {
  jet::CheckStats stats;
  Status st = jet::CheckDatabase(db, &stats);
  if (!st.ok()) return Fail(st);
  std::printf("ok: %llu tables, %llu rows, %llu indexes, %llu index entries (%llu keys compared with their rows)\n",
              static_cast<unsigned long long>(stats.tables), static_cast<unsigned long long>(stats.rows),
              static_cast<unsigned long long>(stats.indexes), static_cast<unsigned long long>(stats.index_entries),
              static_cast<unsigned long long>(stats.keys_compared));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Output is UTF-8 bytes exactly as on Linux: no "\r\n" translation.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::vector<std::string> args;
  std::string password;
  bool system = false;
  bool plan = false;
  for (int i = 1; i < argc; ++i) {
#ifdef _WIN32
    std::string arg = tabulon::AnsiToUtf8(argv[i]);
#else
    std::string arg = argv[i];
#endif
    if (arg == "--password" || arg == "-p") {
      if (i + 1 >= argc) {
        std::fputs(kUsage, stderr);
        return 2;
      }
#ifdef _WIN32
      password = tabulon::AnsiToUtf8(argv[++i]);
#else
      password = argv[++i];
#endif
    } else if (arg.rfind("--password=", 0) == 0) {
      password = arg.substr(11);
    } else if (arg == "--system") {
      system = true;
    } else if (arg == "--plan") {
      plan = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      args.push_back(std::move(arg));
    }
  }
  if (args.size() < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& command = args[0];
  const size_t extra = args.size() - 2;
  bool known = (command == "tables" && extra == 0) || (command == "schema" && extra <= 1) ||
               (command == "export" && extra == 1) || (command == "sql" && extra == 1) || (command == "check" && extra == 0);
  if (!known) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  jet::OpenOptions options;
  options.password = password;
  Result<std::unique_ptr<jet::Database>> db = jet::Database::Open(args[1], options);
  if (!db.ok()) return Fail(db.status());
  if (command == "tables") return Tables(**db, system);
  if (command == "schema") return Schema(**db, extra ? &args[2] : nullptr);
  if (command == "export") return Export(**db, args[2]);
  if (command == "check") return Check(**db);
  return Sql(**db, args[2], plan);
}

namespace {

int Sql(jet::Database& db, const std::string& sql, bool plan) {
  if (plan) {
    Result<std::string> how = db.Explain(sql);
    if (!how.ok()) return Fail(how.status());
    std::fprintf(stderr, "plan: %s\n", how->c_str());
  }
  Result<jet::ResultSet> rs = db.Query(sql);
  if (!rs.ok()) return Fail(rs.status());
  Output out;
  std::string& buf = out.buffer();
  for (size_t i = 0; i < rs->columns().size(); ++i) {
    if (i) buf += ',';
    buf += rs->columns()[i].name;
  }
  buf += '\n';
  for (const auto& row : rs->rows()) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) buf += ',';
      tabulon::jetdb::AppendCsvValue(row[i], &buf);
    }
    buf += '\n';
    out.MaybeFlush();
  }
  out.Flush();
  std::fprintf(stderr, "%zu record%s\n", rs->record_count(), rs->record_count() == 1 ? "" : "s");
  return 0;
}

}  // namespace
