// The engine's entry point: an open Jet 4 database. Text in this API is UTF-8.
//
//   auto db = jet::Database::Open(path, {.password = "secret"});
//   if (!db.ok()) ... db.status().message() ...
//   auto rs = (*db)->Query("select SysVal from SysConfig where Class='SYSTEM'");
//
// A Database object is used from one thread at a time.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "jet/catalog.h"
#include "jet/pager.h"
#include "jet/result_set.h"
#include "jet/table.h"

namespace tabulon::jet {

struct OpenOptions {
  std::string password;     // the database password; ignored when the database has none
  size_t cache_pages = 512; // pages kept in memory
};

class Database {
 public:
  // Opens the database file at `path`. Errors: NotFound (no file), Busy (locked by another
  // process), NotSupported (not a Jet 4 database; the message says what it is),
  // PermissionDenied ("not a valid password"), Corruption, IOError.
  static Result<std::unique_ptr<Database>> Open(const std::string& path, const OpenOptions& options = {});
  // Opens a database image held in memory; `name` labels it in messages.
  static Result<std::unique_ptr<Database>> OpenImage(std::string bytes, const OpenOptions& options = {},
                                                     std::string name = "database image");
  static Result<std::unique_ptr<Database>> OpenFile(std::unique_ptr<File> file, const OpenOptions& options);

  // Names of the local tables in catalog order; system tables (MSys*) only when asked.
  std::vector<std::string> TableNames(bool include_system = false) const;
  // The table called `name` (case-insensitively). NotFound when there is none.
  Result<const Table*> GetTable(std::string_view name);
  const Catalog& catalog() const { return catalog_; }

  // Runs one SELECT statement (Jet SQL, UTF-8). Errors: InvalidArgument for syntax errors
  // (the message gives the character position) and unknown columns, NotFound for an
  // unknown table, NotSupported for statements this engine does not run, and whatever
  // reading the table meets (Corruption).
  Result<ResultSet> Query(std::string_view sql);
  // How Query would read the table: "scan" or "index NAME (...)".
  Result<std::string> Explain(std::string_view sql);

  Pager& pager() { return *pager_; }
  const DatabaseHeader& header() const { return pager_->header(); }

 private:
  Database(std::unique_ptr<Pager> pager, Catalog catalog) : pager_(std::move(pager)), catalog_(std::move(catalog)) {}

  std::unique_ptr<Pager> pager_;
  Catalog catalog_;
  // Opened tables by tdef page.
  std::map<uint32_t, std::unique_ptr<Table>> tables_;
};

}  // namespace tabulon::jet
