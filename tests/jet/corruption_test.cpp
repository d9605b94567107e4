// Damaged database files: truncated, with bytes changed at random, and with specific
// structures broken. Every read ends with a Status (Corruption for damage) and never with
// a crash or a read outside a buffer (the native build runs with AddressSanitizer).
#include <gtest/gtest.h>

#include <cstring>

#include "jet/check.h"
#include "jet/data_page.h"
#include "jet/format.h"
#include "jet/long_value.h"
#include "jet_test_util.h"
#include "support/test_env.h"

namespace tabulon::jet {
namespace {

using testing::FixtureDir;
using ::tabulon::testing::ReadFileBytes;

// Opens the image and reads all of it; the first problem, or Ok.
Status ReadImage(const std::string& image) {
  auto db = Database::OpenImage(image);
  if (!db.ok()) return db.status();
  return CheckDatabase(**db);
}

bool Acceptable(const Status& st) {
  return st.ok() || st.code() == Status::Code::kCorruption || st.code() == Status::Code::kNotSupported ||
         st.code() == Status::Code::kPermissionDenied;
}

TEST(Corruption, TruncatedFiles) {
  TABULON_REQUIRE_SHARED(shared);
  const std::string image = ReadFileBytes(FixtureDir(shared) / "indexTestV2000.mdb");
  ASSERT_FALSE(image.empty());
  ASSERT_TRUE(ReadImage(image).ok());
  const size_t size = image.size();
  for (size_t cut : {size_t{0}, size_t{1}, size_t{100}, size_t{4095}, size_t{4096}, size_t{4097}, size_t{8192},
                     size_t{3 * 4096 + 17}, size / 2, size - 4096, size - 1}) {
    Status st = ReadImage(image.substr(0, cut));
    EXPECT_TRUE(Acceptable(st)) << cut << ": " << st.ToString();
    if (cut >= 4096 && cut < size) {
      EXPECT_FALSE(st.ok()) << "a file cut at " << cut << " bytes reads as whole";
    }
  }
  Status st = ReadImage(image.substr(0, size - 1));
  EXPECT_NE(st.message().find("truncated"), std::string::npos) << st.ToString();
}

// Changes a few bytes of one page at a time, at random (fixed seed), and reads everything.
TEST(Corruption, RandomDamage) {
  TABULON_REQUIRE_SHARED(shared);
  const std::string clean = ReadFileBytes(FixtureDir(shared) / "indexTestV2000.mdb");
  ASSERT_FALSE(clean.empty());
  const size_t pages = clean.size() / format::kPageSize;
  uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&]() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  int failures = 0;
  for (int round = 0; round < 400; ++round) {
    std::string image = clean;
    const size_t page = 1 + next() % (pages - 1);
    const int changes = 1 + static_cast<int>(next() % 8);
    for (int i = 0; i < changes; ++i) {
      size_t at = page * format::kPageSize + next() % format::kPageSize;
      image[at] = static_cast<char>(next() & 0xFF);
    }
    Status st = ReadImage(image);
    EXPECT_TRUE(Acceptable(st)) << "round " << round << ": " << st.ToString();
    if (!st.ok()) ++failures;
  }
  // Most single-page damage lands in unused bytes; some of it must have been noticed.
  EXPECT_GT(failures, 0);
}

class DamagedTable : public ::testing::Test {
 protected:
  void SetUp() override {
    auto shared = ::tabulon::testing::SharedDir();
    if (!shared) GTEST_SKIP() << "shared fixtures folder absent (TABULON_SHARED_DIR); skipped";
    image_ = ReadFileBytes(FixtureDir(*shared) / "test2V2000.mdb");
    ASSERT_FALSE(image_.empty());
    auto db = Database::OpenImage(image_);
    ASSERT_TRUE(db.ok());
    auto table = (*db)->GetTable("MSP_PROJECTS");
    ASSERT_TRUE(table.ok());
    tdef_page_ = (*table)->def().tdef_page;
    usage_map_ = (*table)->def().used_pages;
    TableScan scan(**table);
    ASSERT_TRUE(*scan.Next());
    row_ = scan.row().id();
    const TableDef& def = (*table)->def();
    PageRef page;
    RowSlot slot;
    ASSERT_TRUE(ReadRowAt((*db)->pager(), row_, "row", &page, &slot).ok());
    row_start_ = size_t{row_.page} * format::kPageSize + slot.start;
    const int memo = def.FindColumn("RESERVED_BINARY_DATA");
    auto field = scan.row().layout().ColumnBytes(def.columns[static_cast<size_t>(memo)]);
    ASSERT_TRUE(field.ok());
    lv_field_ = size_t{row_.page} * format::kPageSize + static_cast<size_t>(field->data() - page->bytes().data());
  }

  void Put32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) image_[at + i] = static_cast<char>(v >> (8 * i));
  }
  void Put16(size_t at, uint16_t v) {
    image_[at] = static_cast<char>(v);
    image_[at + 1] = static_cast<char>(v >> 8);
  }

  // Reads the table; returns the status of the first failure.
  Status ReadTable() {
    auto db = Database::OpenImage(image_);
    if (!db.ok()) return db.status();
    auto table = (*db)->GetTable("MSP_PROJECTS");
    if (!table.ok()) return table.status();
    auto rows = testing::ReadAllRows(**table);
    return rows.ok() ? Status::Ok() : rows.status();
  }

  void ExpectCorruption(const char* fragment) {
    Status st = ReadTable();
    EXPECT_EQ(st.code(), Status::Code::kCorruption) << st.ToString();
    EXPECT_NE(st.message().find(fragment), std::string::npos) << st.ToString();
  }

  std::string image_;
  uint32_t tdef_page_ = 0;
  uint32_t usage_map_ = 0;
  RowId row_;
  size_t row_start_ = 0;
  size_t lv_field_ = 0;
};

TEST_F(DamagedTable, DefinitionPageOfAnotherType) {
  image_[size_t{tdef_page_} * format::kPageSize] = 0x01;
  ExpectCorruption("table definition page");
}

TEST_F(DamagedTable, DefinitionWithImpossibleColumnCount) {
  Put16(size_t{tdef_page_} * format::kPageSize + format::kTdefColumnCountOffset, 0xFFFF);
  ExpectCorruption("table definition on page");
}

TEST_F(DamagedTable, DefinitionChainThatLoops) {
  Put32(size_t{tdef_page_} * format::kPageSize + format::kTdefNextPageOffset, tdef_page_);
  ExpectCorruption("cycle");
}

TEST_F(DamagedTable, RowCountBeyondThePage) {
  Put16(size_t{row_.page} * format::kPageSize + format::kDataRowCountOffset, 0x7FFF);
  ExpectCorruption("claims 32767 rows");
}

TEST_F(DamagedTable, RowOffsetInsideTheRowTable) {
  Put16(size_t{row_.page} * format::kPageSize + format::kDataRowTableOffset + 2u * row_.row, 3);
  ExpectCorruption("invalid bounds");
}

TEST_F(DamagedTable, RowColumnCountBeyondTheRow) {
  Put16(row_start_, 0xFFFF);
  ExpectCorruption("null mask");
}

TEST_F(DamagedTable, OverflowRowPointingToItself) {
  const size_t slot = size_t{row_.page} * format::kPageSize + format::kDataRowTableOffset + 2u * row_.row;
  uint16_t raw = static_cast<uint8_t>(image_[slot]) | (static_cast<uint8_t>(image_[slot + 1]) << 8);
  Put16(slot, static_cast<uint16_t>(raw | format::kRowOverflowFlag));
  Put32(row_start_, row_.pointer());
  ExpectCorruption("does not end");
}

TEST_F(DamagedTable, UsageMapBeyondTheFile) {
  Put32(size_t{tdef_page_} * format::kPageSize + format::kTdefUsedPagesOffset, 0x00FFFF00);
  ExpectCorruption("beyond the end");
}

TEST_F(DamagedTable, LongValueLongerThanItsChain) {
  Put32(lv_field_, 0x00FFFFFF);  // a multi-page value of 16 MiB
  ExpectCorruption("long value chain ends");
}

TEST_F(DamagedTable, LongValuePointingToAnIndexPage) {
  Put32(lv_field_ + 4, (1u << 8) | 0);  // page 1 is the global usage map
  ExpectCorruption("long value");
}

}  // namespace
}  // namespace tabulon::jet
