// Index b-trees on the fixtures: every entry against the row it points to (this is also
// the check of the General sort-order key encoder of collation.h against the keys Access
// wrote), and seeks against filtering a full scan.
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "jet/index.h"
#include "jet/index_key.h"
#include "jet_test_util.h"
#include "support/test_env.h"

namespace tabulon::jet {
namespace {

using testing::AllFixtures;
using testing::OpenFixture;
using testing::Show;

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    out += buf;
  }
  return out;
}

// The key that `row` should have in `index`, or nothing when a key column's type is one
// the encoder does not handle.
std::optional<std::string> ExpectedKey(const TableDef& def, const PhysicalIndex& index, const Row& row) {
  std::string key;
  for (const IndexColumn& ic : index.columns) {
    const ColumnDef& col = def.columns[ic.column];
    if (!IndexKeySupported(col)) return std::nullopt;
    Result<Value> v = row.Get(ic.column);
    if (!v.ok()) return std::nullopt;
    if (!AppendIndexKey(col, ic.ascending, *v, &key).ok()) return std::nullopt;
  }
  return key;
}

bool HasTextColumn(const TableDef& def, const PhysicalIndex& index) {
  for (const IndexColumn& ic : index.columns) {
    ColumnType t = def.columns[ic.column].type;
    if (t == ColumnType::kText || t == ColumnType::kMemo) return true;
  }
  return false;
}

// For every index of every table (system tables included) of every fixture: entries come
// in strictly increasing order, point to live rows of the table, cover every row (unless
// the index ignores Nulls), and hold exactly the key encoding of the row's values.
TEST(IndexEntries, EncodeTheRowsTheyPointTo) {
  TABULON_REQUIRE_SHARED(shared);
  size_t indexes = 0, entries = 0, text_entries = 0, checked = 0;
  for (const auto& path : AllFixtures(shared)) {
    auto db = OpenFixture(shared, path.filename().string());
    ASSERT_TRUE(db.ok()) << path << ": " << db.status().ToString();
    for (const std::string& name : (*db)->TableNames(true)) {
      auto table = (*db)->GetTable(name);
      ASSERT_TRUE(table.ok()) << table.status().ToString();
      const TableDef& def = (*table)->def();
      auto rows = testing::ReadAllRows(**table);
      ASSERT_TRUE(rows.ok()) << rows.status().ToString();
      for (size_t i = 0; i < def.physical_indexes.size(); ++i) {
        const PhysicalIndex& phys = def.physical_indexes[i];
        const std::string where = path.filename().string() + " " + name + " index " + std::to_string(i);
        ++indexes;
        IndexCursor cursor((*db)->pager(), def, phys);
        std::optional<IndexEntry> prev;
        size_t count = 0;
        while (true) {
          auto more = cursor.Next();
          ASSERT_TRUE(more.ok()) << where << ": " << more.status().ToString();
          if (!*more) break;
          const IndexEntry& e = cursor.entry();
          if (prev) {
            EXPECT_LT(std::tie(prev->key, prev->row), std::tie(e.key, e.row)) << where << " entry " << count;
          }
          auto row = (*table)->Fetch(e.row);
          ASSERT_TRUE(row.ok()) << where << " entry " << count << ": " << row.status().ToString();
          auto expected = ExpectedKey(def, phys, *row);
          if (expected) {
            auto values = row->GetAll();
            EXPECT_EQ(Hex(e.key), Hex(*expected)) << where << " row " << Show(*values);
            ++checked;
            if (HasTextColumn(def, phys)) ++text_entries;
          }
          prev = e;
          ++count;
        }
        if (!phys.ignore_nulls()) {
          EXPECT_EQ(count, rows->size()) << where;
        }
        entries += count;
      }
    }
  }
  std::printf("%zu indexes, %zu entries, %zu keys compared (%zu with text columns)\n", indexes, entries, checked,
              text_entries);
  EXPECT_GT(text_entries, 500u);
}

// Rows whose `column` satisfies `keep`, from a full scan.
std::vector<RowId> ScanFilter(const Table& table, size_t column, const std::function<bool(const Value&)>& keep) {
  std::vector<RowId> out;
  TableScan scan(table);
  while (true) {
    auto more = scan.Next();
    EXPECT_TRUE(more.ok());
    if (!more.ok() || !*more) break;
    auto v = scan.row().Get(column);
    EXPECT_TRUE(v.ok());
    if (v.ok() && keep(*v)) out.push_back(scan.row().id());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Rows from an index seek: entries from `lower` while they start with `prefix`.
std::vector<RowId> Seek(Pager& pager, const TableDef& def, const PhysicalIndex& index, const std::string& lower,
                        const std::string& prefix, size_t* visited = nullptr) {
  IndexCursor cursor(pager, def, index);
  EXPECT_TRUE(cursor.Seek(lower).ok());
  std::vector<RowId> out;
  size_t n = 0;
  while (true) {
    auto more = cursor.Next();
    EXPECT_TRUE(more.ok());
    if (!more.ok() || !*more) break;
    ++n;
    if (cursor.entry().key.compare(0, prefix.size(), prefix) != 0) break;
    out.push_back(cursor.entry().row);
  }
  if (visited) *visited = n;
  std::sort(out.begin(), out.end());
  return out;
}

// A descending Long index over several leaf pages: equality seeks find exactly the rows a
// scan finds, reading only them (plus the one entry that ends the range).
TEST(IndexSeek, EqualityOnDescendingLongIndex) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "compIndexTestV2000.mdb");
  ASSERT_TRUE(db.ok()) << db.status().ToString();
  auto table = (*db)->GetTable("Table1");
  ASSERT_TRUE(table.ok());
  const TableDef& def = (*table)->def();
  ASSERT_EQ(def.indexes.size(), 1u);
  const PhysicalIndex& phys = def.physical_indexes[def.indexes[0].physical];
  ASSERT_FALSE(phys.columns[0].ascending);
  const size_t column = phys.columns[0].column;
  for (int32_t v : {19, 27, 4099, 4091, 20, -5, 100000}) {
    std::string key;
    ASSERT_TRUE(AppendIndexKey(def.columns[column], false, Value::Long(v), &key).ok());
    size_t visited = 0;
    auto found = Seek((*db)->pager(), def, phys, key, key, &visited);
    auto expected = ScanFilter(**table, column, [&](const Value& x) { return !x.is_null() && x.long_value() == v; });
    EXPECT_EQ(found, expected) << "value " << v;
    EXPECT_LE(visited, found.size() + 1) << "value " << v;
  }
}

// Text keys ignore case: a seek for "ADMIN" finds the row holding "admin".
TEST(IndexSeek, TextEqualityIgnoresCase) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "fixedTextTestV2000.mdb");
  ASSERT_TRUE(db.ok()) << db.status().ToString();
  auto table = (*db)->GetTable("users");
  ASSERT_TRUE(table.ok());
  const TableDef& def = (*table)->def();
  const int column = def.FindColumn("c_user_login");
  ASSERT_GE(column, 0);
  const PhysicalIndex* phys = nullptr;
  for (const IndexDef& idx : def.indexes) {
    if (idx.name == "Users2_1_idx") phys = &def.physical_indexes[idx.physical];
  }
  ASSERT_NE(phys, nullptr);
  struct Case {
    const char* text;
    size_t rows;
  } cases[] = {{"admin", 1}, {"ADMIN", 1}, {"Core User", 1}, {"core user  ", 1}, {"adm", 0}, {"zzz", 0}};
  for (const Case& c : cases) {
    std::string key;
    ASSERT_TRUE(AppendIndexKey(def.columns[static_cast<size_t>(column)], true, Value::Text(c.text), &key).ok());
    EXPECT_EQ(Seek((*db)->pager(), def, *phys, key, key).size(), c.rows) << c.text;
  }
}

}  // namespace
}  // namespace tabulon::jet
