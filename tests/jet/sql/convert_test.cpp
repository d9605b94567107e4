// Conversions for INSERT and UPDATE, text forms of values, and the date and GUID readers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "jet/sql/convert.h"
#include "jet/sql/evaluator.h"
#include "jet/sql/parser.h"
#include "jet/sql/value_util.h"

namespace tabulon::jet::sql {
namespace {

std::string Show(const Value& v) {
  if (v.is_null()) return "NULL";
  if (v.kind() == Value::Kind::kBinary) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : v.bytes()) hex += std::string{kHex[c >> 4], kHex[c & 15]};
    return "Binary:" + hex;
  }
  return std::string(KindName(v.kind())) + ":" + ValueToText(v);
}

// The value of a literal expression ("'abc'", "1.5", "#2024-01-01#").
Value Literal(const std::string& text) {
  Result<ExprPtr> e = ParseExpression(text);
  EXPECT_TRUE(e.ok()) << text;
  Result<Value> v = Evaluate(**e, NoColumns());
  EXPECT_TRUE(v.ok()) << text;
  return *v;
}

struct Case {
  const char* literal;
  ColumnType type;
  uint32_t size;  // Text / Binary size; Decimal: precision * 100 + scale
  const char* expected;  // "<type>:<text>", or "mismatch" / "overflow" / "too small"
  friend void PrintTo(const Case& c, std::ostream* os) { *os << c.literal << " -> " << ColumnTypeName(c.type); }
};

class Converts : public ::testing::TestWithParam<Case> {};

TEST_P(Converts, ForColumn) {
  const Case& c = GetParam();
  TargetColumn column;
  column.name = "Field1";
  column.type = c.type;
  if (c.type == ColumnType::kNumeric) {
    column.precision = static_cast<uint8_t>(c.size / 100);
    column.scale = static_cast<uint8_t>(c.size % 100);
  } else {
    column.size = c.size;
  }
  Result<Value> v = ConvertForColumn(Literal(c.literal), column);
  std::string expected = c.expected;
  if (expected == "mismatch") {
    ASSERT_FALSE(v.ok()) << c.literal << " gave " << Show(*v);
    EXPECT_EQ(v.status().code(), Status::Code::kInvalidArgument);
    EXPECT_EQ(v.status().message().rfind("type mismatch: cannot store ", 0), 0u) << v.status().message();
    EXPECT_NE(v.status().message().find("column 'Field1'"), std::string::npos) << v.status().message();
  } else if (expected == "overflow" || expected == "too small") {
    ASSERT_FALSE(v.ok()) << c.literal << " gave " << Show(*v);
    EXPECT_EQ(v.status().code(), Status::Code::kConstraint);
    EXPECT_NE(v.status().message().find(expected == "overflow" ? "overflow: " : "is too small"), std::string::npos)
        << v.status().message();
    EXPECT_NE(v.status().message().find("Field1"), std::string::npos) << v.status().message();
  } else {
    ASSERT_TRUE(v.ok()) << c.literal << ": " << v.status().ToString();
    EXPECT_EQ(Show(*v), expected) << c.literal;
  }
}

using T = ColumnType;

INSTANTIATE_TEST_SUITE_P(
    Numbers, Converts,
    ::testing::Values(
        Case{"'123'", T::kLong, 0, "Long Integer:123"}, Case{"' 42 '", T::kInteger, 0, "Integer:42"},
        Case{"'-7'", T::kInteger, 0, "Integer:-7"}, Case{"'1.5'", T::kInteger, 0, "Integer:2"},
        Case{"'2.5'", T::kInteger, 0, "Integer:2"}, Case{"-2.5", T::kLong, 0, "Long Integer:-2"},
        Case{"'1e3'", T::kLong, 0, "Long Integer:1000"}, Case{"'abc'", T::kLong, 0, "mismatch"},
        Case{"''", T::kLong, 0, "mismatch"}, Case{"'12abc'", T::kDouble, 0, "mismatch"},
        Case{"255", T::kByte, 0, "Byte:255"}, Case{"256", T::kByte, 0, "overflow"}, Case{"-1", T::kByte, 0, "overflow"},
        Case{"True", T::kByte, 0, "overflow"}, Case{"True", T::kInteger, 0, "Integer:-1"},
        Case{"32767", T::kInteger, 0, "Integer:32767"}, Case{"32768", T::kInteger, 0, "overflow"},
        Case{"-32768.4", T::kInteger, 0, "Integer:-32768"}, Case{"2147483648", T::kLong, 0, "overflow"},
        Case{"1E40", T::kLong, 0, "overflow"}, Case{"1.5", T::kSingle, 0, "Single:1.5"},
        Case{"1E40", T::kSingle, 0, "overflow"}, Case{"'0.1'", T::kDouble, 0, "Double:0.1"},
        Case{"#2024-01-01#", T::kDouble, 0, "Double:45292"},
        // Currency and Decimal keep the digits of the text or literal exactly
        Case{"'1.23456'", T::kCurrency, 0, "Currency:1.2346"}, Case{"0.1", T::kCurrency, 0, "Currency:0.1"},
        Case{"1.00005", T::kCurrency, 0, "Currency:1"}, Case{"1.00015", T::kCurrency, 0, "Currency:1.0002"},
        Case{"922337203685477.5807", T::kCurrency, 0, "Currency:922337203685477.5807"},
        Case{"922337203685477.5808", T::kCurrency, 0, "overflow"}, Case{"'x'", T::kCurrency, 0, "mismatch"},
        Case{"'123.456'", T::kNumeric, 502, "Decimal:123.46"}, Case{"1234.5", T::kNumeric, 502, "overflow"},
        Case{"999.995", T::kNumeric, 502, "overflow"}, Case{"100", T::kNumeric, 502, "Decimal:100"},
        Case{"'-0.005'", T::kNumeric, 502, "Decimal:0"}, Case{"12345678901234567890.12", T::kNumeric, 2802,
                                                                 "Decimal:12345678901234567890.12"},
        Case{"'abc'", T::kNumeric, 1800, "mismatch"}, Case{"'{01020304-0506-0708-090A-0B0C0D0E0F10}'", T::kLong, 0,
                                                          "mismatch"}));

INSTANTIATE_TEST_SUITE_P(
    TextAndOthers, Converts,
    ::testing::Values(
        Case{"'abcde'", T::kText, 5, "Text:abcde"}, Case{"'abcdef'", T::kText, 5, "too small"},
        Case{"'中文中文中'", T::kText, 5, "Text:中文中文中"}, Case{"'中文中文中文'", T::kText, 5, "too small"},
        Case{"12345.5", T::kText, 5, "too small"}, Case{"12345", T::kText, 5, "Text:12345"},
        Case{"1.5", T::kText, 255, "Text:1.5"}, Case{"True", T::kText, 255, "Text:-1"},
        Case{"#2024-01-05 13:45#", T::kText, 255, "Text:2024-01-05 13:45:00"}, Case{"'any length'", T::kMemo, 0,
                                                                                      "Text:any length"},
        Case{"'yes'", T::kBoolean, 0, "Yes/No:-1"}, Case{"'Off'", T::kBoolean, 0, "Yes/No:0"},
        Case{"'1'", T::kBoolean, 0, "Yes/No:-1"}, Case{"0", T::kBoolean, 0, "Yes/No:0"},
        Case{"5", T::kBoolean, 0, "Yes/No:-1"}, Case{"'maybe'", T::kBoolean, 0, "mismatch"},
        Case{"'2024-02-29'", T::kDateTime, 0, "Date/Time:2024-02-29"}, Case{"'02/29/2024 1:05 PM'", T::kDateTime, 0,
                                                                           "Date/Time:2024-02-29 13:05:00"},
        Case{"'2023-02-29'", T::kDateTime, 0, "mismatch"}, Case{"45000", T::kDateTime, 0, "Date/Time:2023-03-15"},
        Case{"1E7", T::kDateTime, 0, "overflow"}, Case{"True", T::kDateTime, 0, "mismatch"},
        Case{"'{01020304-0506-0708-090a-0b0c0d0e0f10}'", T::kGuid, 0, "Replication ID:{01020304-0506-0708-090A-0B0C0D0E0F10}"},
        Case{"'01020304-0506-0708-090A-0B0C0D0E0F10'", T::kGuid, 0, "Replication ID:{01020304-0506-0708-090A-0B0C0D0E0F10}"},
        Case{"'{0102}'", T::kGuid, 0, "mismatch"}, Case{"1", T::kGuid, 0, "mismatch"},
        Case{"'ab'", T::kBinary, 4, "Binary:61006200"}, Case{"'abc'", T::kBinary, 4, "too small"},
        Case{"'中'", T::kOle, 0, "Binary:2D4E"}, Case{"1", T::kBinary, 10, "mismatch"},
        Case{"Null", T::kLong, 0, "NULL"}, Case{"Null", T::kText, 1, "NULL"}, Case{"Null", T::kGuid, 0, "NULL"}));

TEST(Convert, BinarySizeAndKinds) {
  TargetColumn bin{"Data", ColumnType::kBinary, 2};
  EXPECT_TRUE(ConvertForColumn(Value::Bytes("ab"), bin).ok());
  Result<Value> big = ConvertForColumn(Value::Bytes("abc"), bin);
  ASSERT_FALSE(big.ok());
  EXPECT_EQ(big.status().message(), "the field 'Data' is too small for the value: 3 bytes, the field holds 2");
  TargetColumn text{"Name", ColumnType::kText, 10};
  Result<Value> from_binary = ConvertForColumn(Value::Bytes("ab"), text);
  EXPECT_FALSE(from_binary.ok());
  Result<Value> long_text = ConvertForColumn(Value::Text("12345678901"), text);
  ASSERT_FALSE(long_text.ok());
  EXPECT_EQ(long_text.status().message(), "the field 'Name' is too small for the value: 11 characters, the field holds 10");
}

TEST(Convert, ValueToText) {
  struct C {
    Value value;
    const char* text;
  };
  for (const C& c : {C{Value::Null(), ""}, C{Value::Boolean(true), "-1"}, C{Value::Boolean(false), "0"},
                     C{Value::Byte(7), "7"}, C{Value::Integer(-3), "-3"}, C{Value::Long(2000000), "2000000"},
                     C{Value::Money(Currency{-5}), "-0.0005"}, C{Value::Money(Currency{1234500}), "123.45"},
                     C{Value::Money(Currency{0}), "0"}, C{Value::Single(0.1f), "0.1"}, C{Value::Double(1.0 / 3), "0.333333333333333"},
                     C{Value::Double(1e20), "1E+20"}, C{Value::Double(1.5e-7), "1.5E-07"}, C{Value::Double(-0.25), "-0.25"},
                     C{Value::Date(DateTime{0}), "1899-12-30"}, C{Value::Date(DateTime{0.75}), "18:00:00"},
                     C{Value::Date(DateTime{-1.25}), "1899-12-29 06:00:00"}, C{Value::Text("x"), "x"},
                     C{Value::Bytes(std::string("a\0b\0", 4)), "ab"}}) {
    EXPECT_EQ(ValueToText(c.value), c.text) << Show(c.value);
  }
}

TEST(Convert, Dates) {
  struct C {
    const char* text;
    const char* shown;  // nullptr: invalid
  };
  for (C c : {C{"2024-01-05", "2024-01-05"}, C{"2024/1/5", "2024-01-05"}, C{"1/5/2024", "2024-01-05"},
              C{"01/05/24", "2024-01-05"}, C{"1/5/30", "1930-01-05"}, C{"12/31/1999 23:59:59", "1999-12-31 23:59:59"},
              C{" 2024-01-05  10:00 AM ", "2024-01-05 10:00:00"}, C{"2024-01-05 12:00 AM", "2024-01-05"},
              C{"2024-01-05 12:30 pm", "2024-01-05 12:30:00"}, C{"10:15", "10:15:00"}, C{"10:15:30 PM", "22:15:30"},
              C{"0100-01-01", "0100-01-01"}, C{"9999-12-31", "9999-12-31"}, C{"2000-02-29", "2000-02-29"},
              C{"1900-02-29", nullptr}, C{"2024-13-01", nullptr}, C{"2024-00-10", nullptr}, C{"0099-01-01", nullptr},
              C{"24:00", nullptr}, C{"13:00 PM", nullptr}, C{"10:60", nullptr}, C{"2024-01-05 10", nullptr},
              C{"2024-01-05x", nullptr}, C{"5", nullptr}, C{"", nullptr}, C{"Jan 5, 2024", nullptr},
              C{"2024-01/05", nullptr}}) {
    std::optional<DateTime> dt = ParseDateText(c.text);
    if (!c.shown) {
      EXPECT_FALSE(dt) << c.text;
      continue;
    }
    ASSERT_TRUE(dt) << c.text;
    std::string shown = ValueToText(Value::Date(*dt));
    EXPECT_EQ(shown, c.shown) << c.text;
  }
  // Day numbers: 1899-12-30 is 0; before it the time still counts forward from midnight.
  EXPECT_EQ(MakeDateTime(1899, 12, 30)->days, 0);
  EXPECT_EQ(MakeDateTime(1900, 1, 1)->days, 2);
  EXPECT_EQ(MakeDateTime(2024, 1, 1)->days, 45292);
  EXPECT_EQ(MakeDateTime(1899, 12, 29, 6)->days, -1.25);
  EXPECT_EQ(MakeDateTime(1899, 12, 30, 18)->days, 0.75);
  EXPECT_EQ(MakeDateTime(100, 1, 1)->days, -657434);
  EXPECT_EQ(MakeDateTime(9999, 12, 31)->days, 2958465);
  EXPECT_FALSE(MakeDateTime(2024, 2, 30));
}

TEST(Convert, GuidByteOrder) {
  std::optional<Guid> g = ParseGuidText("{00112233-4455-6677-8899-AABBCCDDEEFF}");
  ASSERT_TRUE(g);
  const uint8_t expected[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(g->bytes[i], expected[i]) << i;
  EXPECT_EQ(ValueToText(Value::Uuid(*g)), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
  for (const char* bad : {"", "{00112233-4455-6677-8899-AABBCCDDEEF}", "{00112233-4455-6677-8899-AABBCCDDEEFG}",
                          "{00112233445566778899AABBCCDDEEFF}", "00112233-4455-6677-8899-AABBCCDDEEFF}"}) {
    EXPECT_FALSE(ParseGuidText(bad)) << bad;
  }
}

// A quoted value reads back as exactly that value, however many quotes it holds.
TEST(Convert, SqlTextLiteral) {
  for (const char* text : {"", "plain", "O'Brien", "'", "''", "a' or '1'='1", "中文'"}) {
    std::string literal = SqlTextLiteral(text);
    Result<ExprPtr> e = ParseExpression(literal);
    ASSERT_TRUE(e.ok()) << literal;
    ASSERT_EQ((*e)->kind, ExprKind::kLiteral) << literal;
    EXPECT_EQ((*e)->value, Value::Text(text)) << literal;
  }
  EXPECT_EQ(SqlTextLiteral("O'Brien"), "'O''Brien'");
}

TEST(Convert, NumberText) {
  EXPECT_EQ(ParseNumberText(" -1.5e2 "), -150.0);
  EXPECT_EQ(ParseNumberText("+.5"), 0.5);
  EXPECT_EQ(ParseNumberText("5."), 5.0);
  for (const char* bad : {"", " ", "-", ".", "1e", "1e+", "1,000", "0x10", "1 2", "abc", "1e999"}) {
    EXPECT_FALSE(ParseNumberText(bad)) << bad;
  }
}

}  // namespace
}  // namespace tabulon::jet::sql
