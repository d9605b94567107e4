#include "jet_test_util.h"

#include <algorithm>
#include <cstdio>

namespace tabulon::jet::testing {

namespace fs = std::filesystem;

std::string Utf8Path(const fs::path& path) {
  std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

fs::path FixtureDir(const fs::path& shared) { return shared / "fixtures" / "jet4"; }

std::vector<fs::path> AllFixtures(const fs::path& shared) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(FixtureDir(shared), ec)) {
    if (entry.path().extension() == ".mdb") out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string FixturePassword(const fs::path& fixture) {
  return fixture.filename() == "passwordV2000.mdb" ? "password" : "";
}

Result<std::unique_ptr<Database>> OpenFixture(const fs::path& shared, const std::string& name) {
  fs::path path = FixtureDir(shared) / name;
  OpenOptions options;
  options.password = FixturePassword(path);
  return Database::Open(Utf8Path(path), options);
}

Result<std::vector<std::vector<Value>>> ReadAllRows(const Table& table, ScanOrder order) {
  std::vector<std::vector<Value>> rows;
  TableScan scan(table, order);
  while (true) {
    Result<bool> more = scan.Next();
    if (!more.ok()) return more.status();
    if (!*more) break;
    Result<std::vector<Value>> values = scan.row().GetAll();
    if (!values.ok()) return values.status();
    rows.push_back(std::move(*values));
  }
  return rows;
}

std::string Show(const Value& v) {
  char buf[64];
  switch (v.kind()) {
    case Value::Kind::kNull: return "Null";
    case Value::Kind::kBoolean: return v.boolean() ? "True" : "False";
    case Value::Kind::kByte: return std::to_string(v.byte());
    case Value::Kind::kInteger: return std::to_string(v.integer());
    case Value::Kind::kLong: return std::to_string(v.long_value());
    case Value::Kind::kCurrency: return std::to_string(v.currency().units) + "/10000";
    case Value::Kind::kSingle: std::snprintf(buf, sizeof buf, "%.9gf", double{v.single()}); return buf;
    case Value::Kind::kDouble: std::snprintf(buf, sizeof buf, "%.17g", v.double_value()); return buf;
    case Value::Kind::kDateTime: std::snprintf(buf, sizeof buf, "#%.10g#", v.datetime().days); return buf;
    case Value::Kind::kText: return "'" + v.text() + "'";
    case Value::Kind::kBinary:
    case Value::Kind::kGuid:
    case Value::Kind::kDecimal: {
      std::string bytes;
      if (v.kind() == Value::Kind::kBinary) {
        bytes = v.bytes();
      } else if (v.kind() == Value::Kind::kGuid) {
        bytes.assign(v.guid().bytes.begin(), v.guid().bytes.end());
      } else {
        const Decimal& d = v.decimal();
        std::snprintf(buf, sizeof buf, "dec(%s%llx:%016llx e-%u)", d.negative ? "-" : "",
                      static_cast<unsigned long long>(d.hi), static_cast<unsigned long long>(d.lo), d.scale);
        return buf;
      }
      std::string out = "0x";
      for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
      }
      return out;
    }
  }
  return "?";
}

std::string Show(const std::vector<Value>& row) {
  std::string out;
  for (size_t i = 0; i < row.size(); ++i) {
    if (i) out += ", ";
    out += Show(row[i]);
  }
  return out;
}

}  // namespace tabulon::jet::testing
