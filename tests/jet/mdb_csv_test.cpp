// The CSV rendering of jetdb export (the format of mdb-export -b hex).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mdb_csv.h"

namespace tabulon::jetdb {
namespace {

TEST(MdbCsv, DateTime) {
  struct Case {
    double days;
    const char* text;
  } cases[] = {
      {0, "1899-12-30 00:00:00"},
      {1, "1899-12-31 00:00:00"},
      {2, "1900-01-01 00:00:00"},
      {27293, "1974-09-21 00:00:00"},
      {40122.98713, "2009-11-05 23:41:28"},
      {36526.5, "2000-01-01 12:00:00"},
      {59, "1900-02-27 00:00:00"},
      {61, "1900-03-01 00:00:00"},  // 1900 is no leap year
      // A time that rounds up to midnight is the next day, not "24:00:00".
      {36526.99999999, "2000-01-02 00:00:00"},
      // Before 1899-12-30 the fraction still counts forward from midnight.
      {-1.25, "1899-12-29 06:00:00"},
      {-0.5, "1899-12-30 12:00:00"},
      {-657434, "100-01-01 00:00:00"},
      {2958465.99998843, "9999-12-31 23:59:59"},
      {1e300, "1e+300"},  // no date at all
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.days), c.text) << c.days;
}

TEST(MdbCsv, Numbers) {
  EXPECT_EQ(FormatCurrency(35000), "3.5000");
  EXPECT_EQ(FormatCurrency(0), "0.0000");
  EXPECT_EQ(FormatCurrency(-1), "-0.0001");
  EXPECT_EQ(FormatCurrency(std::numeric_limits<int64_t>::min()), "-922337203685477.5808");
  EXPECT_EQ(FormatSingle(444.555f), "444.55499");
  EXPECT_EQ(FormatSingle(0.1f), "0.1");
  EXPECT_EQ(FormatSingle(16777217.0f), "16777216");
  EXPECT_EQ(FormatSingle(1e20f), "1e+20");
  EXPECT_EQ(FormatDouble(444.555), "444.555");
  EXPECT_EQ(FormatDouble(0.1), "0.1");
  EXPECT_EQ(FormatDouble(1e-7), "1e-07");
  EXPECT_EQ(FormatDouble(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(FormatDouble(123456789012345678.0), "1.234567890123457e+17");
  EXPECT_EQ(FormatDouble(-0.0), "-0");

  jet::Decimal d;
  d.scale = 2;
  d.lo = 5;
  EXPECT_EQ(FormatDecimal(d), "0.05");
  d.negative = true;
  d.lo = 12345;
  EXPECT_EQ(FormatDecimal(d), "-123.45");
  d = jet::Decimal{};
  EXPECT_EQ(FormatDecimal(d), "0");
  d.hi = 0x204FCE5E;  // 10^28 - 1
  d.lo = 0x3E2502610FFFFFFF;
  d.scale = 0;
  EXPECT_EQ(FormatDecimal(d), "9999999999999999999999999999");
}

TEST(MdbCsv, Fields) {
  jet::ColumnDef text;
  text.type = jet::ColumnType::kText;
  text.raw_type = static_cast<uint8_t>(jet::ColumnType::kText);
  std::string out;
  AppendCsvField(text, jet::Value::Text("say \"hi\", ok"), &out);
  out += ',';
  AppendCsvField(text, jet::Value::Null(), &out);
  out += ',';
  AppendCsvValue(jet::Value::Bytes(std::string("\x00\xAB\x10", 3)), &out);
  out += ',';
  AppendCsvValue(jet::Value::Boolean(true), &out);
  out += ',';
  AppendCsvValue(jet::Value::Boolean(false), &out);
  out += ',';
  jet::Guid g;
  for (int i = 0; i < 16; ++i) g.bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  EXPECT_EQ(FormatGuid(g), "{03020100-0504-0706-08090A0B0C0D0E0F}");
  AppendCsvValue(jet::Value::Uuid(g), &out);
  EXPECT_EQ(out, "\"say \"\"hi\"\", ok\",,\"00AB10\",1,0,\"7B30333032303130302D303530342D303730362D30383039304130423043304430453046"
                 "7D\"");
  // Columns of types mdb-export does not know stay empty.
  jet::ColumnDef unknown;
  unknown.raw_type = 0x11;
  unknown.type = jet::ColumnType::kBinary;
  std::string empty;
  AppendCsvField(unknown, jet::Value::Bytes("abc"), &empty);
  EXPECT_EQ(empty, "");
}

}  // namespace
}  // namespace tabulon::jetdb
