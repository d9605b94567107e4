// The storage layers on the fixtures and on images changed in the tests: text decoding,
// rows (deleted and added columns, overflow rows, fixed text, decimals), long values and
// usage maps.
#include <gtest/gtest.h>

#include <cstring>

#include "base/encoding.h"
#include "jet/collation.h"
#include "jet/data_page.h"
#include "jet/format.h"
#include "jet/long_value.h"
#include "jet/text.h"
#include "jet_test_util.h"
#include "support/test_env.h"

namespace tabulon::jet {
namespace {

using testing::FixtureDir;
using testing::OpenFixture;
using testing::ReadAllRows;
using testing::Show;
using ::tabulon::testing::ReadFileBytes;

std::string Rows(const std::vector<std::vector<Value>>& rows) {
  std::string out;
  for (const auto& r : rows) {
    out += '(';
    out += Show(r);
    out += ')';
  }
  return out;
}

TEST(StoredText, DecodesPlainAndCompressedUnicode) {
  struct Case {
    const char* what;
    std::vector<uint8_t> stored;
    std::u16string text;
  } cases[] = {
      {"empty", {}, u""},
      {"UTF-16LE", {'a', 0, 0x2D, 0x4E, 'b', 0}, u"a\u4E2Db"},
      {"odd trailing byte ignored", {'a', 0, 'b'}, u"a"},
      {"U+FEFF alone is not a compression marker", {0xFF, 0xFE}, u"\uFEFF"},
      {"compressed", {0xFF, 0xFE, 'a', 'b', 'c'}, u"abc"},
      {"compressed, switching to two-byte characters and back",
       {0xFF, 0xFE, 'a', 0x00, 0x2D, 0x4E, 0x87, 0x65, 0x00, 'b'}, u"a\u4E2D\u6587b"},
      {"ends in two-byte mode", {0xFF, 0xFE, 0x00, 0x2D, 0x4E}, u"\u4E2D"},
      {"dangling half character", {0xFF, 0xFE, 'x', 0x00, 0x2D}, u"x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeStoredText(ByteSpan(c.stored.data(), c.stored.size())), c.text) << c.what;
  }
  struct Utf8Case {
    std::vector<uint8_t> stored;
    std::string utf8;
  } utf8_cases[] = {
      {{0xFF, 0xFE, 'A', 0x00, 0x2D, 0x4E}, "A\xE4\xB8\xAD"},
      {{0xE9, 0x00, 0xAC, 0x20}, "\xC3\xA9\xE2\x82\xAC"},
      {{0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},        // a surrogate pair
      {{0x3D, 0xD8, 'x', 0x00}, "\xEF\xBF\xBDx"},             // an unpaired high surrogate
      {{0x00, 0xDE}, "\xEF\xBF\xBD"},                         // a lone low surrogate
  };
  for (const Utf8Case& c : utf8_cases) {
    EXPECT_EQ(DecodeStoredTextUtf8(ByteSpan(c.stored.data(), c.stored.size())), c.utf8);
  }
}

// Names compare as the General sort order compares them, also on the fast path for plain
// ASCII names.
TEST(TableDefinitions, NamesCompareInTheGeneralSortOrder) {
  for (char a = 0x20; a < 0x7F; ++a) {
    for (char b = 0x20; b < 0x7F; ++b) {
      std::string x = std::string("n") + a + "m", y = std::string("n") + b + "m";
      EXPECT_EQ(NamesEqual(x, y), CompareText(std::string_view(x), std::string_view(y)) == 0) << x << " " << y;
    }
  }
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"SysConfig", "SYSCONFIG", true},  {"moudleBase", "MoudleBase", true}, {"Name ", "name", true},
      {"Name", "Names", false},          {"co-op", "coop", false},
      {"\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89", true},  // Été, éTÉ
      {"\xE6\xA8\xA1\xE5\x9D\x97", "\xE6\xA8\xA1\xE5\x9D\x97", true},  // 模块
      {"a", "\xC3\xA1", false},  // a, á
  };
  for (const Case& c : cases) EXPECT_EQ(NamesEqual(c.a, c.b), c.equal) << c.a << " " << c.b;
}

// Definitions of wide tables continue on a second page; columns and indexes after the
// page boundary read correctly.
TEST(TableDefinitions, SpanningTwoPages) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "testV2000.mdb");
  ASSERT_TRUE(db.ok());
  auto table = (*db)->GetTable("Table2");
  ASSERT_TRUE(table.ok()) << table.status().ToString();
  const TableDef& def = (*table)->def();
  ASSERT_EQ(def.columns.size(), 89u);
  for (size_t i = 0; i < def.columns.size(); ++i) {
    EXPECT_EQ(def.columns[i].name, "column" + std::to_string(i + 1));
    EXPECT_EQ(def.columns[i].type, ColumnType::kText);
    EXPECT_EQ(def.columns[i].length, 100);
  }
  std::vector<std::string> names;
  for (const IndexDef& idx : def.indexes) names.push_back(idx.name);
  EXPECT_EQ(names, (std::vector<std::string>{"column10", "column14", "column75", "id", "PrimaryKey"}));
  for (size_t i = 0; i < 3; ++i) {
    const PhysicalIndex& index = def.physical_indexes[def.indexes[i].physical];
    ASSERT_EQ(index.columns.size(), 1u);
    EXPECT_EQ(def.columns[index.columns[0].column].name, def.indexes[i].name);
  }
}

// Deleted columns keep their places in old rows; the remaining ones read correctly.
TEST(Rows, DeletedColumns) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "delColTestV2000.mdb");
  ASSERT_TRUE(db.ok());
  auto table = (*db)->GetTable("Table1");
  ASSERT_TRUE(table.ok());
  const TableDef& def = (*table)->def();
  ASSERT_EQ(def.columns.size(), 4u);
  EXPECT_EQ(def.max_columns, 6);
  EXPECT_EQ(def.columns[1].number, 2);  // numbers 1 and 4 were deleted
  EXPECT_EQ(def.columns[3].number, 5);
  auto rows = ReadAllRows(**table);
  ASSERT_TRUE(rows.ok()) << rows.status().ToString();
  EXPECT_EQ(Rows(*rows), "(0, 2, 'foo', 'foo2')(3, 5, 'bar', 'bar2')");
}

// Rows written before columns were added hold fewer columns: the missing ones are Null.
// Rows 3 and 5 moved to other pages (overflow): Jet returns them at their original slots,
// mdb-export where their data now lies.
TEST(Rows, AddedColumnsAndOverflowRows) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "overflowTestV2000.mdb");
  ASSERT_TRUE(db.ok());
  auto table = (*db)->GetTable("Table1");
  ASSERT_TRUE(table.ok());
  auto logical = ReadAllRows(**table, ScanOrder::kLogical);
  ASSERT_TRUE(logical.ok()) << logical.status().ToString();
  ASSERT_EQ(logical->size(), 7u);
  EXPECT_EQ(Show((*logical)[0]), "'row1col1', Null, Null, Null, Null, Null, Null, Null, Null");
  EXPECT_EQ(Show((*logical)[2]), "Null, 'row3col3', Null, Null, Null, Null, Null, 'row3col9', Null");
  EXPECT_EQ(Show((*logical)[4]), "Null, 'row5col2', Null, Null, Null, Null, Null, Null, Null");
  auto storage = ReadAllRows(**table, ScanOrder::kStorage);
  ASSERT_TRUE(storage.ok()) << storage.status().ToString();
  ASSERT_EQ(storage->size(), 7u);
  EXPECT_EQ((*storage)[5], (*logical)[2]);
  EXPECT_EQ((*storage)[6], (*logical)[4]);
  EXPECT_EQ((*storage)[2], (*logical)[3]);
  // Fetching by row id follows the overflow pointer too.
  TableScan scan(**table);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(*scan.Next());
  auto fetched = (*table)->Fetch(scan.row().id());
  ASSERT_TRUE(fetched.ok());
  EXPECT_EQ(Show(*fetched->GetAll()), Show((*logical)[2]));
}

TEST(Rows, DeletedRowsAreSkipped) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "delTestV2000.mdb");
  ASSERT_TRUE(db.ok());
  auto table = (*db)->GetTable("Table");
  ASSERT_TRUE(table.ok());
  auto rows = ReadAllRows(**table);
  ASSERT_TRUE(rows.ok());
  EXPECT_EQ(Rows(*rows), "('z', 'y')('v', 'u')");
}

TEST(Rows, FixedLengthTextDecimalAndAllNumericTypes) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "fixedTextTestV2000.mdb");
  ASSERT_TRUE(db.ok());
  auto users = (*db)->GetTable("users");
  ASSERT_TRUE(users.ok());
  const int flag = (*users)->def().FindColumn("c_flag_");
  ASSERT_TRUE((*users)->def().columns[static_cast<size_t>(flag)].fixed());
  auto rows = ReadAllRows(**users);
  ASSERT_TRUE(rows.ok());
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ(Show((*rows)[0]), "1, 'CORE USER', ' ', '-1', 'Core User', 1, 16408, -1, 'N', #40122.98713#");

  auto numeric = OpenFixture(shared, "fixedNumericTestV2000.mdb");
  ASSERT_TRUE(numeric.ok());
  auto test = (*numeric)->GetTable("test");
  ASSERT_TRUE(test.ok());
  rows = ReadAllRows(**test);
  ASSERT_TRUE(rows.ok());
  ASSERT_EQ(rows->size(), 1u);
  const std::vector<Value>& r = (*rows)[0];
  EXPECT_EQ(r[0].text(), "some data");
  int64_t expected[] = {1, 0, 0, 4, -1, 1};
  for (int i = 0; i < 6; ++i) {
    const Decimal& d = r[static_cast<size_t>(i + 1)].decimal();
    EXPECT_EQ(d.precision, 18);
    EXPECT_EQ(d.scale, 0);
    EXPECT_EQ(d.negative ? -static_cast<int64_t>(d.lo) : static_cast<int64_t>(d.lo), expected[i]) << i;
  }

  auto test_db = OpenFixture(shared, "testV2000.mdb");
  ASSERT_TRUE(test_db.ok());
  auto table1 = (*test_db)->GetTable("Table1");
  ASSERT_TRUE(table1.ok());
  rows = ReadAllRows(**table1);
  ASSERT_TRUE(rows.ok());
  EXPECT_EQ(Rows(*rows),
            "('abcdefg', 'hijklmnop', 2, 222, 333333333, 444.55500000000001, #27293#, 35000/10000, True)"
            "('a', 'b', 0, 0, 0, 0, #29932#, 0/10000, False)");
}

// Long values of all three kinds: inline, one LVAL row, and a chain of LVAL rows.
TEST(LongValues, InlineSinglePageAndMultiPage) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "test2V2000.mdb");
  ASSERT_TRUE(db.ok());
  auto table = (*db)->GetTable("MSP_PROJECTS");
  ASSERT_TRUE(table.ok());
  const TableDef& def = (*table)->def();
  TableScan scan(**table);
  ASSERT_TRUE(*scan.Next());
  struct Case {
    const char* column;
    LongValueKind kind;
    size_t size;
    const char* starts;
  } cases[] = {
      {"PROJ_PROP_TITLE", LongValueKind::kInline, 8, "Project1"},
      {"PROJ_PROP_AUTHOR", LongValueKind::kSinglePage, 348, "Jon Iles this is a a vawesrasoih aksdkl"},
      {"RESERVED_BINARY_DATA", LongValueKind::kMultiPage, 22970, nullptr},
  };
  for (const Case& c : cases) {
    const int col = def.FindColumn(c.column);
    ASSERT_GE(col, 0) << c.column;
    auto stored = scan.row().layout().ColumnBytes(def.columns[static_cast<size_t>(col)]);
    ASSERT_TRUE(stored.ok());
    auto field = ParseLongValueField(*stored);
    ASSERT_TRUE(field.ok());
    EXPECT_EQ(field->kind, c.kind) << c.column;
    auto v = scan.row().Get(static_cast<size_t>(col));
    ASSERT_TRUE(v.ok()) << c.column << ": " << v.status().ToString();
    const std::string& data = v->kind() == Value::Kind::kText ? v->text() : v->bytes();
    EXPECT_EQ(data.size(), c.size) << c.column;
    if (c.starts) {
      EXPECT_EQ(data.rfind(c.starts, 0), 0u) << c.column;
    }
  }
}

// Patches bytes of an image.
void Patch(std::string* image, size_t offset, const void* bytes, size_t n) {
  ASSERT_LE(offset + n, image->size());
  std::memcpy(image->data() + offset, bytes, n);
}

// The owned-pages map of a table rewritten as a reference map (a list of bitmap pages)
// finds the same pages; fixtures only hold inline maps.
TEST(UsageMaps, ReferenceMapFindsTheSamePages) {
  TABULON_REQUIRE_SHARED(shared);
  std::string image = ReadFileBytes(FixtureDir(shared) / "delColTestV2000.mdb");
  ASSERT_FALSE(image.empty());
  std::vector<std::vector<Value>> before;
  std::vector<uint32_t> pages;
  uint32_t map_pointer = 0;
  {
    auto db = Database::OpenImage(image);
    ASSERT_TRUE(db.ok());
    auto table = (*db)->GetTable("Table1");
    ASSERT_TRUE(table.ok());
    before = *ReadAllRows(**table);
    pages = **(*table)->DataPages();
    map_pointer = (*table)->def().used_pages;
  }
  ASSERT_FALSE(pages.empty());
  // A new bitmap page at the end of the file, marking the same pages.
  const uint32_t bitmap_page = static_cast<uint32_t>(image.size() / format::kPageSize);
  std::string bitmap(format::kPageSize, '\0');
  bitmap[0] = static_cast<char>(format::PageType::kUsageBitmap);
  bitmap[1] = 1;
  for (uint32_t p : pages) bitmap[format::kUsageBitmapHeader + p / 8] |= static_cast<char>(1 << (p % 8));
  image += bitmap;
  // The map row: type 1 and the bitmap page for pages 0..32735.
  {
    auto db = Database::OpenImage(image);
    ASSERT_TRUE(db.ok());
    PageRef page;
    RowSlot slot;
    auto row = ReadRowAt((*db)->pager(), RowId::FromPointer(map_pointer), "map", &page, &slot);
    ASSERT_TRUE(row.ok());
    ASSERT_GE(row->size(), 5u);
    size_t at = size_t{page->number()} * format::kPageSize + slot.start;
    std::string patch(slot.end - slot.start, '\0');
    patch[0] = format::kUsageMapReference;
    std::memcpy(patch.data() + 1, &bitmap_page, 4);  // little-endian hosts and targets
    Patch(&image, at, patch.data(), patch.size());
  }
  auto db = Database::OpenImage(image);
  ASSERT_TRUE(db.ok());
  auto table = (*db)->GetTable("Table1");
  ASSERT_TRUE(table.ok());
  EXPECT_EQ(**(*table)->DataPages(), pages);
  auto after = ReadAllRows(**table);
  ASSERT_TRUE(after.ok()) << after.status().ToString();
  EXPECT_EQ(*after, before);
}

}  // namespace
}  // namespace tabulon::jet
