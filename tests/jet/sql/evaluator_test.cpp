// The evaluator: three-valued logic, comparisons across types, LIKE, arithmetic with Jet's
// result types, functions and aggregates. Expressions are parsed from text and evaluated
// over a small row; results are shown as "<type>:<text>" so that a case states both.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "jet/collation.h"
#include "jet/sql/convert.h"
#include "jet/sql/evaluator.h"
#include "jet/sql/parser.h"
#include "jet/sql/value_util.h"

namespace tabulon::jet::sql {
namespace {

// A row of named values; names match case-insensitively as Jet's do.
class TestRow : public RowAccessor {
 public:
  TestRow(std::vector<std::pair<std::string, Value>> columns) : columns_(std::move(columns)) {}  // NOLINT
  Result<Value> GetColumn(const ColumnRef& column) const override {
    for (const auto& [name, value] : columns_) {
      if (CompareText(std::string_view(name), std::string_view(column.name)) == 0) return value;
    }
    return Status::InvalidArgument("unknown column '" + column.name + "'");
  }

 private:
  std::vector<std::pair<std::string, Value>> columns_;
};

Guid SampleGuid() { return *ParseGuidText("{01020304-0506-0708-090A-0B0C0D0E0F10}"); }

const TestRow& Row() {
  static const TestRow row({
      {"T", Value::Boolean(true)},
      {"F", Value::Boolean(false)},
      {"N", Value::Null()},
      {"b", Value::Byte(200)},
      {"i", Value::Integer(-5)},
      {"l", Value::Long(100000)},
      {"c", Value::Money(Currency{15000})},  // 1.5
      {"s", Value::Single(0.5f)},
      {"d", Value::Double(2.25)},
      {"dt", Value::Date(*MakeDateTime(2024, 3, 5, 14, 30))},
      {"name", Value::Text("Smith")},
      {"code", Value::Text("20")},
      {"g", Value::Uuid(SampleGuid())},
      {"bin", Value::Bytes(std::string("\x01\x02", 2))},
      {"名称", Value::Text("中文")},
  });
  return row;
}

std::string Show(const Value& v) {
  if (v.is_null()) return "NULL";
  return std::string(KindName(v.kind())) + ":" + ValueToText(v);
}

// "<type>:<text>", "NULL", or "error: <message>".
std::string Eval(const std::string& text) {
  Result<ExprPtr> e = ParseExpression(text);
  if (!e.ok()) return "parse error: " + e.status().message();
  Result<Value> v = Evaluate(**e, Row());
  if (!v.ok()) return "error: " + v.status().message();
  return Show(*v);
}

struct Case {
  const char* expr;
  const char* expected;  // a result, or the start of "error: ..."
  friend void PrintTo(const Case& c, std::ostream* os) { *os << c.expr; }
};

class Evaluates : public ::testing::TestWithParam<Case> {};

TEST_P(Evaluates, Result) {
  std::string got = Eval(GetParam().expr);
  std::string expected = GetParam().expected;
  if (expected.rfind("error:", 0) == 0) {
    EXPECT_EQ(got.rfind(expected, 0), 0u) << GetParam().expr << " gave " << got;
  } else {
    EXPECT_EQ(got, expected) << GetParam().expr;
  }
}

constexpr const char* kTrue = "Yes/No:-1";
constexpr const char* kFalse = "Yes/No:0";
constexpr const char* kNull = "NULL";

// AND, OR, XOR, EQV, IMP and NOT over True, False and Null (columns T, F, N).
INSTANTIATE_TEST_SUITE_P(
    ThreeValuedLogic, Evaluates,
    ::testing::Values(
        Case{"T and T", kTrue}, Case{"T and F", kFalse}, Case{"T and N", kNull}, Case{"F and N", kFalse},
        Case{"N and F", kFalse}, Case{"N and N", kNull}, Case{"F and F", kFalse}, Case{"N and T", kNull},
        Case{"T or F", kTrue}, Case{"T or N", kTrue}, Case{"N or T", kTrue}, Case{"F or N", kNull},
        Case{"N or F", kNull}, Case{"F or F", kFalse}, Case{"N or N", kNull},
        Case{"not T", kFalse}, Case{"not F", kTrue}, Case{"not N", kNull},
        Case{"T xor F", kTrue}, Case{"T xor T", kFalse}, Case{"T xor N", kNull},
        Case{"T eqv T", kTrue}, Case{"F eqv T", kFalse}, Case{"N eqv T", kNull},
        Case{"F imp N", kTrue}, Case{"T imp N", kNull}, Case{"N imp T", kTrue}, Case{"N imp F", kNull},
        Case{"T imp F", kFalse},
        // numbers count as truth values (not zero is True); texts do not
        Case{"1 and 2", kTrue}, Case{"0 or 0", kFalse}, Case{"not 0", kTrue},
        Case{"name and T", "error: data type mismatch in criteria expression at character 6"},
        // AND / OR decide on their left side, so the right side is not evaluated
        Case{"F and 1/0 = 1", kFalse}, Case{"T or 1/0 = 1", kTrue}, Case{"T and 1/0 = 1", "error: division by zero"},
        // IS NULL
        Case{"N is null", kTrue}, Case{"N is not null", kFalse}, Case{"name is null", kFalse},
        Case{"(N = 1) is null", kTrue}));

INSTANTIATE_TEST_SUITE_P(
    Comparisons, Evaluates,
    ::testing::Values(
        // text in the General sort order: case-insensitive, accent-sensitive, trailing blanks ignored
        Case{"'a' = 'A'", kTrue}, Case{"name = 'SMITH'", kTrue}, Case{"'abc ' = 'abc'", kTrue},
        Case{"'abc' < 'ABD'", kTrue}, Case{"'a' = 'á'", kFalse}, Case{"'a' < 'á'", kTrue}, Case{"'á' < 'b'", kTrue},
        Case{"'co-op' = 'coop'", kFalse}, Case{"'Z' > 'a'", kTrue}, Case{"'10' < '9'", kTrue},
        Case{"'' < 'a'", kTrue}, Case{"名称 = '中文'", kTrue}, Case{"'ａ' = 'A'", kTrue},
        // numbers across types compare by value
        Case{"1 = 1.0", kTrue}, Case{"b = 200", kTrue}, Case{"b > i", kTrue}, Case{"l = 100000.0", kTrue},
        Case{"c = 1.5", kTrue}, Case{"c > 1", kTrue}, Case{"c = 15000", kFalse}, Case{"s = 0.5", kTrue},
        Case{"d >= 2.25", kTrue}, Case{"12345678901234567890 > 12345678901234567889", kTrue},
        Case{"0.1000000000000000001 > 0.1", kTrue}, Case{"c = 1.50000000000000000", kTrue},
        // True is -1
        Case{"T = -1", kTrue}, Case{"F = 0", kTrue}, Case{"T < F", kTrue},
        // dates compare as their day numbers, also with numbers
        Case{"dt = #2024-03-05 14:30#", kTrue}, Case{"dt > #2024-03-05#", kTrue}, Case{"dt < #3/6/2024#", kTrue},
        Case{"#1899-12-31# = 1", kTrue},
        // Null makes any comparison Null
        Case{"N = N", kNull}, Case{"N <> 1", kNull}, Case{"name < N", kNull},
        // Jet refuses text against numbers or dates
        Case{"code = 20", "error: data type mismatch in criteria expression at character 6: Text compared with Integer"},
        Case{"l = '100000'", "error: data type mismatch in criteria expression"},
        Case{"dt = '2024-03-05'", "error: data type mismatch in criteria expression"},
        Case{"bin = 'x'", "error: data type mismatch in criteria expression"},
        // GUIDs against GUIDs or their text
        Case{"g = '{01020304-0506-0708-090a-0b0c0d0e0f10}'", kTrue}, Case{"g = '{01020304-0506-0708-090A-0B0C0D0E0F11}'", kFalse},
        Case{"g = 'nonsense'", "error: data type mismatch"},
        // IN and BETWEEN
        Case{"1 in (1, 2)", kTrue}, Case{"3 in (1, 2)", kFalse}, Case{"3 in (1, N)", kNull}, Case{"1 in (N, 1)", kTrue},
        Case{"3 not in (1, 2)", kTrue}, Case{"3 not in (1, N)", kNull}, Case{"N in (1)", kNull},
        Case{"name in ('jones', 'SMITH')", kTrue}, Case{"code in (20)", "error: data type mismatch"},
        Case{"5 between 1 and 10", kTrue}, Case{"5 between 10 and 1", kFalse}, Case{"5 not between 1 and 4", kTrue},
        Case{"5 between N and 10", kNull}, Case{"11 between N and 10", kFalse}, Case{"N between 1 and 2", kNull},
        Case{"'b' between 'A' and 'C'", kTrue},
        Case{"dt between #2024-01-01# and #2024-12-31#", kTrue}));

INSTANTIATE_TEST_SUITE_P(
    Like, Evaluates,
    ::testing::Values(
        Case{"'abc' like 'a*'", kTrue}, Case{"'ABC' like 'a*'", kTrue}, Case{"'abc' like 'A?C'", kTrue},
        Case{"'abc' like 'ab'", kFalse}, Case{"'abc' like '*c'", kTrue}, Case{"'aXbXc' like '*x*x*'", kTrue},
        Case{"'aXbXc' like '*x*x'", kFalse}, Case{"'' like '*'", kTrue}, Case{"'' like '?'", kFalse},
        Case{"'a1c' like 'a#c'", kTrue}, Case{"'abc' like 'a#c'", kFalse},
        Case{"'b' like '[a-c]'", kTrue}, Case{"'B' like '[a-c]'", kTrue}, Case{"'d' like '[a-c]'", kFalse},
        Case{"'d' like '[!a-c]'", kTrue}, Case{"'a' like '[!a-c]'", kFalse}, Case{"'x' like '[xyz]'", kTrue},
        Case{"'*' like '[*]'", kTrue}, Case{"'a?' like 'a[?]'", kTrue}, Case{"'ab' like 'a[?]'", kFalse},
        Case{"'#' like '[#]'", kTrue}, Case{"'-' like '[-a]'", kTrue}, Case{"'-' like '[a-]'", kTrue},
        Case{"'!' like '!'", kTrue}, Case{"'x' like '[]x'", kTrue}, Case{"']' like ']'", kTrue},
        // case- and width-insensitive, accent-sensitive; trailing blanks count
        Case{"'Ａbc' like 'a*'", kTrue}, Case{"'ábc' like 'a*'", kFalse}, Case{"'abc ' like 'abc'", kFalse},
        Case{"'中文报表' like '中*'", kTrue}, Case{"'中文' like '?" "?'", kTrue}, Case{"名称 like '*文'", kTrue},
        // numbers are matched as their text; Null gives Null
        Case{"l like '1*'", kTrue}, Case{"N like '*'", kNull}, Case{"name like N", kNull},
        Case{"name not like 's*'", kFalse},
        Case{"'a' like '[a'", "error: invalid pattern string '[a' in LIKE at character 5"},
        Case{"'a' like '[c-a]'", "error: invalid pattern string"}));

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, Evaluates,
    ::testing::Values(
        // whole numbers widen instead of overflowing: Byte, Integer, Long, Double
        Case{"1 + 1", "Integer:2"}, Case{"b + 100", "Integer:300"}, Case{"b - 1", "Integer:199"},
        Case{"32767 + 1", "Long Integer:32768"}, Case{"-32768 - 1", "Long Integer:-32769"},
        Case{"2147483647 + 1", "Double:2147483648"}, Case{"l * l", "Double:10000000000"},
        Case{"-(-32768)", "Long Integer:32768"}, Case{"-T", "Integer:1"}, Case{"T + T", "Integer:-2"},
        // fractions, Currency, Single, Decimal
        Case{"1.5 * 2", "Double:3"}, Case{"0.1 + 0.2", "Double:0.3"}, Case{"c * 2", "Currency:3"},
        Case{"c + 0.25", "Double:1.75"}, Case{"c * c", "Currency:2.25"}, Case{"s + 1", "Single:1.5"},
        Case{"s + l", "Double:100000.5"}, Case{"s * c", "Currency:0.75"},
        Case{"12345678901234567890 + 1", "Decimal:12345678901234567891"},
        Case{"0.1000000000000000001 * 10", "Decimal:1.000000000000000001"},
        Case{"7 / 2", "Double:3.5"}, Case{"1 / 0", "error: division by zero at character 3"},
        Case{"7 \\ 2", "Integer:3"}, Case{"-7 \\ 2", "Integer:-3"}, Case{"7.5 \\ 2", "Long Integer:4"},
        Case{"6.5 \\ 1", "Long Integer:6"}, Case{"l \\ 3", "Long Integer:33333"}, Case{"1 \\ 0", "error: division by zero"},
        Case{"7 mod 3", "Integer:1"}, Case{"-7 mod 3", "Integer:-1"}, Case{"7 mod -3", "Integer:1"},
        Case{"5.5 mod 2", "Long Integer:0"}, Case{"1 mod 0", "error: division by zero"},
        Case{"2 ^ 10", "Double:1024"}, Case{"2 ^ -1", "Double:0.5"}, Case{"-2 ^ 2", "Double:-4"},
        Case{"(-8) ^ 0.5", "error: invalid argument"}, Case{"0 ^ -1", "error: division by zero"},
        Case{"1E308 * 10", "error: overflow at character 7"},
        // Null propagates; & treats it as empty text
        Case{"N + 1", kNull}, Case{"1 - N", kNull}, Case{"-N", kNull},
        Case{"'a' & N", "Text:a"}, Case{"N & N", kNull}, Case{"1 & 2", "Text:12"}, Case{"name & '-' & l", "Text:Smith-100000"},
        Case{"T & ''", "Text:-1"}, Case{"dt & ''", "Text:2024-03-05 14:30:00"},
        // + joins texts, reads numeric text as a number, refuses other text
        Case{"'a' + 'b'", "Text:ab"}, Case{"'2' + 1", "Double:3"}, Case{"code * 2", "Double:40"},
        Case{"'a' + 1", "error: data type mismatch in criteria expression at character 5: text 'a' used as a number"},
        Case{"bin + 1", "error: data type mismatch"}, Case{"g - 1", "error: data type mismatch"},
        // dates
        Case{"#2024-01-31# + 1", "Date/Time:2024-02-01"}, Case{"dt - 0.5", "Date/Time:2024-03-05 02:30:00"},
        Case{"#2024-03-01# - #2024-02-01#", "Double:29"}, Case{"1 + #2024-01-01#", "Date/Time:2024-01-02"}));

INSTANTIATE_TEST_SUITE_P(
    Functions, Evaluates,
    ::testing::Values(
        Case{"UCase('abc中é')", "Text:ABC中É"}, Case{"lcase(name)", "Text:smith"}, Case{"Len('中文ab')", "Long Integer:4"},
        Case{"Len(l)", "Long Integer:6"}, Case{"Len(N)", kNull}, Case{"Left('abcdef', 2)", "Text:ab"},
        Case{"Right('abcdef', 10)", "Text:abcdef"}, Case{"Mid('abcdef', 2, 3)", "Text:bcd"}, Case{"Mid('abc', 5)", "Text:"},
        Case{"Mid('abc', 0)", "error: invalid procedure call"}, Case{"Left('abc', -1)", "error: invalid procedure call"},
        Case{"Trim('  a b  ') & '|'", "Text:a b|"}, Case{"LTrim('  a ') & '|'", "Text:a |"},
        Case{"InStr('abcABC', 'C')", "Long Integer:3"}, Case{"InStr(4, 'abcABC', 'c')", "Long Integer:6"},
        Case{"InStr('abc', 'x')", "Long Integer:0"}, Case{"Space(3) & '|'", "Text:   |"},
        Case{"Nz(N, 5)", "Integer:5"}, Case{"Nz(N)", "Text:"}, Case{"Nz(name, 'x')", "Text:Smith"},
        Case{"IsNull(N)", kTrue}, Case{"IIf(1 > 2, 'a', 'b')", "Text:b"}, Case{"IIf(T, 1, 1 / 0)", "Integer:1"},
        Case{"IIf(N, 1, 2)", "Integer:2"},
        Case{"CStr(1.5)", "Text:1.5"}, Case{"CStr(N)", "error: invalid use of Null"}, Case{"CLng('12')", "Long Integer:12"},
        Case{"CInt(2.5)", "Integer:2"}, Case{"CInt(3.5)", "Integer:4"}, Case{"CInt(-2.5)", "Integer:-2"},
        Case{"CInt(40000)", "error: overflow: CInt cannot convert 40000 to Integer"},
        Case{"CByte('x')", "error: type mismatch: CByte cannot convert Text 'x'"},
        Case{"CCur(1.23456)", "Currency:1.2346"}, Case{"CDbl('1e3')", "Double:1000"},
        Case{"CDate('2024-02-29 10:00')", "Date/Time:2024-02-29 10:00:00"}, Case{"CBool('yes')", kTrue},
        Case{"Val('  12.5abc')", "Double:12.5"}, Case{"Val('abc')", "Double:0"}, Case{"Str(5)", "Text: 5"},
        Case{"Abs(i)", "Integer:5"}, Case{"Abs(-1.5)", "Double:1.5"}, Case{"Sgn(i)", "Integer:-1"},
        Case{"Int(-1.5)", "Double:-2"}, Case{"Fix(-1.5)", "Double:-1"}, Case{"Int(c)", "Currency:1"},
        Case{"Round(2.5)", "Double:2"}, Case{"Round(3.5)", "Double:4"}, Case{"Round(2.675, 2)", "Double:2.68"},
        Case{"Round(c, 0)", "Currency:2"}, Case{"Sqr(16)", "Double:4"}, Case{"Sqr(-1)", "error: invalid procedure call"},
        Case{"Year(dt)", "Integer:2024"}, Case{"Month(dt)", "Integer:3"}, Case{"Day(dt)", "Integer:5"},
        Case{"Hour(dt)", "Integer:14"}, Case{"Minute(dt)", "Integer:30"}, Case{"Second(dt)", "Integer:0"},
        Case{"Weekday(dt)", "Integer:3"}, Case{"Weekday(#1899-12-30#)", "Integer:7"}, Case{"Year('2020-01-01')", "Integer:2020"},
        Case{"DateSerial(2024, 13, 1)", "Date/Time:2025-01-01"}, Case{"DateSerial(2024, 3, 0)", "Date/Time:2024-02-29"},
        Case{"DateSerial(99, 1, 1)", "Date/Time:1999-01-01"},
        Case{"Year(Now()) >= 2024", kTrue}, Case{"Date() <= Now()", kTrue},
        Case{"Count(l)", "error: aggregate function Count at character 1 cannot be used here"}));

// Decimals as a damaged file may hold them (scale beyond 28) compare without overrunning.
TEST(Evaluator, DecimalWithImpossibleScale) {
  Decimal odd;
  odd.scale = 200;
  odd.lo = 12345;
  Decimal one;
  one.lo = 1;
  Result<Value> c = CompareSql(BinaryOp::kLess, Value::Number(odd), Value::Number(one));
  ASSERT_TRUE(c.ok());
  EXPECT_TRUE(c->boolean());
  EXPECT_FALSE(ValueToText(Value::Number(odd)).empty());
}

TEST(Evaluator, UnknownColumnIsNamed) {
  EXPECT_EQ(Eval("nmae = 'x'"), "error: unknown column 'nmae'");
  EXPECT_EQ(Eval("NAME"), "Text:Smith");  // names match case-insensitively
}

TEST(Evaluator, Conditions) {
  struct C {
    const char* expr;
    bool keep;
  };
  for (C c : {C{"T", true}, C{"F", false}, C{"N", false}, C{"1", true}, C{"0", false}, C{"N = 1", false},
              C{"not (N = 1)", false}, C{"name = 'smith' and l > 5", true}, C{"'True'", true}, C{"'0'", false}}) {
    Result<ExprPtr> e = ParseExpression(c.expr);
    ASSERT_TRUE(e.ok()) << c.expr;
    Result<bool> keep = EvaluateCondition(**e, Row());
    ASSERT_TRUE(keep.ok()) << c.expr << ": " << keep.status().ToString();
    EXPECT_EQ(*keep, c.keep) << c.expr;
  }
  Result<ExprPtr> text = ParseExpression("name");
  ASSERT_TRUE(text.ok());
  Result<bool> keep = EvaluateCondition(**text, Row());
  ASSERT_FALSE(keep.ok());
  EXPECT_NE(keep.status().message().find("Text used as a condition"), std::string::npos);
  // Constant expressions (INSERT values) refuse column references, naming them.
  Result<ExprPtr> column = ParseExpression("price * 2");
  ASSERT_TRUE(column.ok());
  Result<Value> v = Evaluate(**column, NoColumns());
  ASSERT_FALSE(v.ok());
  EXPECT_NE(v.status().message().find("'price'"), std::string::npos);
}

TEST(Evaluator, BindColumnsAndVisit) {
  Result<ExprPtr> e = ParseExpression("a + t.b > c and a < 5");
  ASSERT_TRUE(e.ok());
  std::vector<std::string> seen;
  ForEachColumn(**e, [&](const ColumnRef& c) { seen.push_back(c.table.empty() ? c.name : c.table + "." + c.name); });
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "t.b", "c", "a"}));
  Status st = BindColumns(**e, [](const ColumnRef& c) -> Result<int> {
    if (c.name == "c") return Status::InvalidArgument("unknown column 'c'");
    return c.name == "a" ? 0 : 1;
  });
  EXPECT_FALSE(st.ok());
  EXPECT_EQ(st.message(), "unknown column 'c'");
  ASSERT_TRUE(BindColumns(**e, [](const ColumnRef& c) -> Result<int> { return c.name == "a" ? 0 : 7; }).ok());
  std::vector<int> slots;
  ForEachColumn(**e, [&](const ColumnRef& c) { slots.push_back(c.index); });
  EXPECT_EQ(slots, (std::vector<int>{0, 7, 7, 0}));
}

TEST(Evaluator, SortOrder) {
  std::vector<Value> values = {Value::Text("b"), Value::Null(), Value::Text("A"), Value::Text("á"), Value::Text("a")};
  std::stable_sort(values.begin(), values.end(), [](const Value& x, const Value& y) { return *CompareForSort(x, y) < 0; });
  std::vector<std::string> shown;
  for (const Value& v : values) shown.push_back(Show(v));
  EXPECT_EQ(shown, (std::vector<std::string>{"NULL", "Text:A", "Text:a", "Text:á", "Text:b"}));
  EXPECT_EQ(*CompareForSort(Value::Integer(2), Value::Double(1.5)), 1);
  EXPECT_FALSE(CompareForSort(Value::Text("1"), Value::Integer(1)).ok());
  Result<Value> c = CompareSql(BinaryOp::kLess, Value::Long(1), Value::Money(Currency{20000}));
  ASSERT_TRUE(c.ok());
  EXPECT_TRUE(c->boolean());
  EXPECT_TRUE(CompareSql(BinaryOp::kEqual, Value::Null(), Value::Long(1))->is_null());
}

// Aggregates over rows: Count(*) counts rows, the others skip Nulls.
TEST(Evaluator, Aggregates) {
  std::vector<TestRow> rows = {
      TestRow({{"x", Value::Long(3)}, {"t", Value::Text("b")}}),
      TestRow({{"x", Value::Null()}, {"t", Value::Text("A")}}),
      TestRow({{"x", Value::Long(5)}, {"t", Value::Null()}}),
  };
  struct C {
    const char* item;
    const char* expected;
  };
  for (C c : {C{"Count(*)", "Long Integer:3"}, C{"count(x)", "Long Integer:2"}, C{"Sum(x)", "Long Integer:8"},
              C{"Avg(x)", "Double:4"}, C{"Min(x)", "Long Integer:3"}, C{"Max(t)", "Text:b"}, C{"Min(t)", "Text:A"},
              C{"Count(*) * 10 + Max(x)", "Long Integer:35"}, C{"Sum(x * 2) & ' total'", "Text:16 total"}}) {
    Result<ExprPtr> e = ParseExpression(c.item);
    ASSERT_TRUE(e.ok()) << c.item;
    ASSERT_TRUE(ContainsAggregate(**e)) << c.item;
    Aggregator agg(**e);
    for (const TestRow& r : rows) ASSERT_TRUE(agg.Add(r).ok()) << c.item;
    Result<Value> v = agg.Finish();
    ASSERT_TRUE(v.ok()) << c.item << ": " << v.status().ToString();
    EXPECT_EQ(Show(*v), c.expected) << c.item;
  }
  // Over no rows: Count is 0, the others Null.
  Result<ExprPtr> sum = ParseExpression("Sum(x)");
  ASSERT_TRUE(sum.ok());
  EXPECT_TRUE(Aggregator(**sum).Finish()->is_null());
  // A column outside an aggregate has no single value.
  Result<ExprPtr> mixed = ParseExpression("x + Count(*)");
  ASSERT_TRUE(mixed.ok());
  Aggregator agg(**mixed);
  ASSERT_TRUE(agg.Add(rows[0]).ok());
  EXPECT_FALSE(agg.Finish().ok());
  EXPECT_FALSE(ContainsAggregate(**ParseExpression("x + 1")));
}

}  // namespace
}  // namespace tabulon::jet::sql
