#include "jet/sql/evaluator.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>
#include <unordered_map>

#include "base/encoding.h"
#include "jet/collation.h"
#include "jet/sql/convert.h"
#include "jet/sql/decimal.h"
#include "jet/sql/functions.h"
#include "jet/sql/value_util.h"

namespace tabulon::jet::sql {
namespace {

using Kind = Value::Kind;

// Values of the aggregate calls of an expression, while Aggregator::Finish evaluates it.
using AggregateValues = std::unordered_map<const Expr*, Value>;

struct Context {
  const RowAccessor& row;
  const AggregateValues* aggregates = nullptr;
};

Result<Value> Eval(const Expr& e, const Context& ctx);

std::string At(const Expr& e) { return " at character " + std::to_string(e.position); }

Status Mismatch(const Expr& e, const std::string& detail) {
  return Status::InvalidArgument("data type mismatch in criteria expression" + At(e) + ": " + detail);
}
Status OverflowError(const Expr& e) { return Status::InvalidArgument("overflow" + At(e)); }
Status DivisionByZero(const Expr& e) { return Status::InvalidArgument("division by zero" + At(e)); }

const char* OpName(BinaryOp op) {
  switch (op) {
    case BinaryOp::kAdd: return "+";
    case BinaryOp::kSubtract: return "-";
    case BinaryOp::kMultiply: return "*";
    case BinaryOp::kDivide: return "/";
    case BinaryOp::kIntDivide: return "\\";
    case BinaryOp::kModulo: return "Mod";
    case BinaryOp::kPower: return "^";
    case BinaryOp::kConcat: return "&";
    case BinaryOp::kEqual: return "=";
    case BinaryOp::kNotEqual: return "<>";
    case BinaryOp::kLess: return "<";
    case BinaryOp::kLessEqual: return "<=";
    case BinaryOp::kGreater: return ">";
    case BinaryOp::kGreaterEqual: return ">=";
    case BinaryOp::kAnd: return "AND";
    case BinaryOp::kOr: return "OR";
    case BinaryOp::kXor: return "XOR";
    case BinaryOp::kEqv: return "EQV";
    case BinaryOp::kImp: return "IMP";
  }
  return "?";
}

bool IsNumericKind(Kind k) {
  switch (k) {
    case Kind::kBoolean:
    case Kind::kByte:
    case Kind::kInteger:
    case Kind::kLong:
    case Kind::kCurrency:
    case Kind::kSingle:
    case Kind::kDouble:
    case Kind::kDateTime:
    case Kind::kDecimal:
      return true;
    default:
      return false;
  }
}

bool IsIntegerKind(Kind k) { return k == Kind::kBoolean || k == Kind::kByte || k == Kind::kInteger || k == Kind::kLong; }
bool IsFloatKind(Kind k) { return k == Kind::kSingle || k == Kind::kDouble || k == Kind::kDateTime; }

Decimal ExactDecimal(const Value& v) {
  if (v.kind() == Kind::kDecimal) return v.decimal();
  if (v.kind() == Kind::kCurrency) return DecimalFromCurrency(v.currency());
  return DecimalFromInt(*ToInt64Exact(v));
}

int Sign(double d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

// Compares two numbers of any numeric types by value: exactly for whole numbers, Currency
// and Decimal, through doubles when a floating type or a date takes part.
int CompareNumbers(const Value& a, const Value& b) {
  Kind ka = a.kind(), kb = b.kind();
  if (IsIntegerKind(ka) && IsIntegerKind(kb)) {
    int64_t x = *ToInt64Exact(a), y = *ToInt64Exact(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  // A Decimal against a floating number: the number's shortest decimal text (what was
  // written) against the Decimal, exactly.
  if ((ka == Kind::kDecimal && (kb == Kind::kSingle || kb == Kind::kDouble)) ||
      (kb == Kind::kDecimal && (ka == Kind::kSingle || ka == Kind::kDouble))) {
    std::optional<Decimal> x = ka == Kind::kDecimal ? std::optional<Decimal>(a.decimal()) : DecimalFromDouble(*ToDouble(a));
    std::optional<Decimal> y = kb == Kind::kDecimal ? std::optional<Decimal>(b.decimal()) : DecimalFromDouble(*ToDouble(b));
    if (x && y) return CompareDecimal(*x, *y);
  }
  if (IsFloatKind(ka) || IsFloatKind(kb)) {
    double x = *ToDouble(a), y = *ToDouble(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (ka == Kind::kDecimal || kb == Kind::kDecimal) return CompareDecimal(ExactDecimal(a), ExactDecimal(b));
  // Currency with Currency or whole numbers: compare counts of 1/10000.
  auto units = [](const Value& v) {
    return v.kind() == Kind::kCurrency ? v.currency().units : *ToInt64Exact(v) * 10000;
  };
  int64_t x = units(a), y = units(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

int CompareBytes(const std::string& a, const std::string& b) {
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// Compares two non-null values; a type mismatch where Jet refuses the comparison.
Result<int> CompareNonNull(const Value& a, const Value& b, const Expr* at) {
  Kind ka = a.kind(), kb = b.kind();
  if (IsNumericKind(ka) && IsNumericKind(kb)) return CompareNumbers(a, b);
  if (ka == Kind::kText && kb == Kind::kText) {
    int r = CompareText(std::string_view(a.text()), std::string_view(b.text()));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  if (ka == Kind::kBinary && kb == Kind::kBinary) return CompareBytes(a.bytes(), b.bytes());
  if ((ka == Kind::kGuid || ka == Kind::kText) && (kb == Kind::kGuid || kb == Kind::kText)) {
    std::optional<Guid> ga = ka == Kind::kGuid ? std::optional<Guid>(a.guid()) : ParseGuidText(a.text());
    std::optional<Guid> gb = kb == Kind::kGuid ? std::optional<Guid>(b.guid()) : ParseGuidText(b.text());
    if (ga && gb) {
      std::string x(ga->bytes.begin(), ga->bytes.end()), y(gb->bytes.begin(), gb->bytes.end());
      return CompareBytes(x, y);
    }
  }
  std::string detail = std::string(KindName(ka)) + " compared with " + KindName(kb);
  if (at) return Mismatch(*at, detail);
  return Status::InvalidArgument("data type mismatch in criteria expression: " + detail);
}

// Jet's truth of a value in AND, OR, NOT and WHERE: Booleans, numbers (not zero = True),
// and texts that read as True/False or as a number. Nothing for Null.
Result<std::optional<bool>> Truth(const Value& v, const Expr& at) {
  if (v.is_null()) return std::optional<bool>();
  if (v.kind() == Kind::kBoolean) return std::optional<bool>(v.boolean());
  if (std::optional<double> d = ToDouble(v)) return std::optional<bool>(*d != 0);
  if (v.kind() == Kind::kText) {
    Result<Value> b = ConvertForFunction(v, ColumnType::kBoolean, "a condition");
    if (b.ok()) return std::optional<bool>(b->boolean());
  }
  return Mismatch(at, std::string(KindName(v.kind())) + " used as a condition");
}

// --- Arithmetic -----------------------------------------------------------------------

// Precision order of the numeric types in arithmetic (the result takes the most precise
// operand's type).
enum Rank { kRankByte, kRankInteger, kRankLong, kRankSingle, kRankCurrency, kRankDouble, kRankDecimal };

Rank RankOf(Kind k) {
  switch (k) {
    case Kind::kByte: return kRankByte;
    case Kind::kBoolean:
    case Kind::kInteger: return kRankInteger;
    case Kind::kLong: return kRankLong;
    case Kind::kSingle: return kRankSingle;
    case Kind::kCurrency: return kRankCurrency;
    case Kind::kDecimal: return kRankDecimal;
    default: return kRankDouble;
  }
}

// A whole-number result in the narrowest type from `rank` up that holds it (Byte,
// Integer, Long), widening to Double past Long instead of overflowing.
Value FitWhole(int64_t r, Rank rank) {
  if (rank <= kRankByte && r >= 0 && r <= 255) return Value::Byte(static_cast<uint8_t>(r));
  if (rank <= kRankInteger && r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max()) {
    return Value::Integer(static_cast<int16_t>(r));
  }
  if (r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()) {
    return Value::Long(static_cast<int32_t>(r));
  }
  return Value::Double(static_cast<double>(r));
}

// Turns a text operand of arithmetic into a number (Jet reads "12" as 12); other
// operands stay as they are.
Result<Value> NumericOperand(const Value& v, const Expr& at, BinaryOp op) {
  if (IsNumericKind(v.kind())) return v;
  if (v.kind() == Kind::kText) {
    if (std::optional<double> d = ParseNumberText(v.text())) return Value::Double(*d);
    return Mismatch(at, "text '" + v.text() + "' used as a number with " + OpName(op));
  }
  return Mismatch(at, std::string(KindName(v.kind())) + " used with " + OpName(op));
}

std::optional<Currency> ToCurrency(const Value& v) {
  if (v.kind() == Kind::kCurrency) return v.currency();
  if (std::optional<int64_t> i = ToInt64Exact(v)) return Currency{*i * 10000};
  if (v.kind() == Kind::kDecimal) return DecimalToCurrency(v.decimal());
  double d = *ToDouble(v) * 10000.0;
  if (!(std::fabs(d) < 9.2e18)) return std::nullopt;
  return Currency{static_cast<int64_t>(RoundHalfEven(d))};
}

Result<Value> FloatResult(double r, Rank rank, const Expr& at) {
  if (!std::isfinite(r)) return OverflowError(at);
  if (rank == kRankSingle && std::fabs(r) <= std::numeric_limits<float>::max()) {
    return Value::Single(static_cast<float>(r));
  }
  return Value::Double(r);
}

Result<Value> AddSubMul(BinaryOp op, const Value& a, const Value& b, const Expr& at) {
  Rank ra = RankOf(a.kind()), rb = RankOf(b.kind());
  Rank rank = std::max(ra, rb);
  if (rank <= kRankLong) {
    int64_t x = *ToInt64Exact(a), y = *ToInt64Exact(b);
    int64_t r = op == BinaryOp::kAdd ? x + y : op == BinaryOp::kSubtract ? x - y : x * y;
    return FitWhole(r, rank);
  }
  // A Single with a Long needs a Double to keep the Long's digits.
  if (rank == kRankSingle && (ra == kRankLong || rb == kRankLong)) rank = kRankDouble;
  if (rank == kRankCurrency) {
    std::optional<Currency> x = ToCurrency(a), y = ToCurrency(b);
    if (!x || !y) return OverflowError(at);
    if (op == BinaryOp::kMultiply) {
      std::optional<Currency> r = CurrencyMultiply(*x, *y);
      if (!r) return OverflowError(at);
      return Value::Money(*r);
    }
    int64_t r = 0;
    bool overflow = op == BinaryOp::kAdd ? __builtin_add_overflow(x->units, y->units, &r)
                                         : __builtin_sub_overflow(x->units, y->units, &r);
    if (overflow) return OverflowError(at);
    return Value::Money(Currency{r});
  }
  if (rank == kRankDecimal) {
    std::optional<Decimal> x = IsFloatKind(a.kind()) ? DecimalFromDouble(*ToDouble(a)) : ExactDecimal(a);
    std::optional<Decimal> y = IsFloatKind(b.kind()) ? DecimalFromDouble(*ToDouble(b)) : ExactDecimal(b);
    if (x && y) {
      std::optional<Decimal> r = op == BinaryOp::kAdd        ? DecimalAdd(*x, *y)
                                 : op == BinaryOp::kSubtract ? DecimalAdd(*x, DecimalNegate(*y))
                                                             : DecimalMultiply(*x, *y);
      if (r) return Value::Number(*r);
    }
    rank = kRankDouble;  // beyond 28 digits: the nearest Double
  }
  double x = *ToDouble(a), y = *ToDouble(b);
  double r = op == BinaryOp::kAdd ? x + y : op == BinaryOp::kSubtract ? x - y : x * y;
  return FloatResult(r, rank, at);
}

// A whole number for \ and Mod: operands rounded half to even.
Result<int64_t> WholeOperand(const Value& v, const Expr& at) {
  if (std::optional<int64_t> i = ToInt64Exact(v)) return *i;
  if (v.kind() == Kind::kDecimal) {
    if (std::optional<int64_t> i = DecimalToInt64(v.decimal())) return *i;
    return OverflowError(at);
  }
  if (v.kind() == Kind::kCurrency) {
    if (std::optional<int64_t> i = DecimalToInt64(DecimalFromCurrency(v.currency()))) return *i;
    return OverflowError(at);
  }
  double d = RoundHalfEven(*ToDouble(v));
  if (!(std::fabs(d) < 9.2e18)) return OverflowError(at);
  return static_cast<int64_t>(d);
}

Result<Value> Arithmetic(BinaryOp op, const Value& left, const Value& right, const Expr& at) {
  if (left.is_null() || right.is_null()) return Value::Null();
  // + joins two texts.
  if (op == BinaryOp::kAdd && left.kind() == Kind::kText && right.kind() == Kind::kText) {
    return Value::Text(left.text() + right.text());
  }
  Result<Value> a = NumericOperand(left, at, op);
  if (!a.ok()) return a;
  Result<Value> b = NumericOperand(right, at, op);
  if (!b.ok()) return b;
  bool date_a = a->kind() == Kind::kDateTime, date_b = b->kind() == Kind::kDateTime;
  switch (op) {
    case BinaryOp::kAdd:
      if (date_a || date_b) {
        double r = *ToDouble(*a) + *ToDouble(*b);
        if (!std::isfinite(r)) return OverflowError(at);
        return Value::Date(DateTime{r});
      }
      return AddSubMul(op, *a, *b, at);
    case BinaryOp::kSubtract:
      if (date_a || date_b) {
        double r = *ToDouble(*a) - *ToDouble(*b);
        if (!std::isfinite(r)) return OverflowError(at);
        // A date minus a number is a date; a difference of two dates is a number of days.
        if (date_a && !date_b) return Value::Date(DateTime{r});
        return Value::Double(r);
      }
      return AddSubMul(op, *a, *b, at);
    case BinaryOp::kMultiply:
      if (date_a || date_b) return FloatResult(*ToDouble(*a) * *ToDouble(*b), kRankDouble, at);
      return AddSubMul(op, *a, *b, at);
    case BinaryOp::kDivide: {
      double y = *ToDouble(*b);
      if (y == 0) return DivisionByZero(at);
      return FloatResult(*ToDouble(*a) / y, kRankDouble, at);
    }
    case BinaryOp::kIntDivide:
    case BinaryOp::kModulo: {
      Result<int64_t> x = WholeOperand(*a, at);
      if (!x.ok()) return x.status();
      Result<int64_t> y = WholeOperand(*b, at);
      if (!y.ok()) return y.status();
      if (*y == 0) return DivisionByZero(at);
      if (*x == std::numeric_limits<int64_t>::min() && *y == -1) return OverflowError(at);
      int64_t r = op == BinaryOp::kIntDivide ? *x / *y : *x % *y;
      Rank rank = std::min(std::max(RankOf(a->kind()), RankOf(b->kind())), kRankLong);
      return FitWhole(r, rank);
    }
    case BinaryOp::kPower: {
      double x = *ToDouble(*a), y = *ToDouble(*b);
      if (x == 0 && y < 0) return DivisionByZero(at);
      if (x < 0 && y != std::trunc(y)) {
        return Status::InvalidArgument("invalid argument" + At(at) + ": a negative number to a fractional power");
      }
      return FloatResult(std::pow(x, y), kRankDouble, at);
    }
    default:
      break;
  }
  return Status::Internal("not an arithmetic operator");
}

Result<Value> Negate(const Value& v, const Expr& at) {
  switch (v.kind()) {
    case Kind::kNull:
      return v;
    case Kind::kBoolean:
    case Kind::kByte:
    case Kind::kInteger:
    case Kind::kLong:
      return FitWhole(-*ToInt64Exact(v), v.kind() == Kind::kLong ? kRankLong : kRankInteger);
    case Kind::kCurrency:
      if (v.currency().units == std::numeric_limits<int64_t>::min()) return OverflowError(at);
      return Value::Money(Currency{-v.currency().units});
    case Kind::kSingle:
      return Value::Single(-v.single());
    case Kind::kDouble:
      return Value::Double(-v.double_value());
    case Kind::kDateTime:
      return Value::Date(DateTime{-v.datetime().days});
    case Kind::kDecimal:
      return Value::Number(DecimalNegate(v.decimal()));
    case Kind::kText:
      if (std::optional<double> d = ParseNumberText(v.text())) return Value::Double(-*d);
      return Mismatch(at, "text '" + v.text() + "' negated");
    default:
      return Mismatch(at, std::string(KindName(v.kind())) + " negated");
  }
}

// --- Logic ----------------------------------------------------------------------------

Value FromTruth(std::optional<bool> t) { return t ? Value::Boolean(*t) : Value::Null(); }

Result<Value> Logic(const Expr& e, const Context& ctx) {
  BinaryOp op = e.binary_op;
  Result<Value> left = Eval(*e.operands[0], ctx);
  if (!left.ok()) return left;
  Result<std::optional<bool>> a = Truth(*left, e);
  if (!a.ok()) return a.status();
  // AND and OR decide on their left operand where they can, as Jet does, so that
  // "x <> 0 AND 1 / x > 2" never divides by zero.
  if (op == BinaryOp::kAnd && *a == std::optional<bool>(false)) return Value::Boolean(false);
  if (op == BinaryOp::kOr && *a == std::optional<bool>(true)) return Value::Boolean(true);
  if (op == BinaryOp::kImp && *a == std::optional<bool>(false)) return Value::Boolean(true);
  Result<Value> right = Eval(*e.operands[1], ctx);
  if (!right.ok()) return right;
  Result<std::optional<bool>> b = Truth(*right, e);
  if (!b.ok()) return b.status();
  std::optional<bool> x = *a, y = *b;
  switch (op) {
    case BinaryOp::kAnd:
      if (y == std::optional<bool>(false)) return Value::Boolean(false);
      if (!x || !y) return Value::Null();
      return Value::Boolean(true);
    case BinaryOp::kOr:
      if (y == std::optional<bool>(true)) return Value::Boolean(true);
      if (!x || !y) return Value::Null();
      return Value::Boolean(false);
    case BinaryOp::kXor:
      if (!x || !y) return Value::Null();
      return Value::Boolean(*x != *y);
    case BinaryOp::kEqv:
      if (!x || !y) return Value::Null();
      return Value::Boolean(*x == *y);
    case BinaryOp::kImp:
      // x is True or Null here.
      if (y == std::optional<bool>(true)) return Value::Boolean(true);
      if (!x || !y) return Value::Null();
      return Value::Boolean(false);
    default:
      return Status::Internal("not a logical operator");
  }
}

bool Holds(BinaryOp op, int c) {
  switch (op) {
    case BinaryOp::kEqual: return c == 0;
    case BinaryOp::kNotEqual: return c != 0;
    case BinaryOp::kLess: return c < 0;
    case BinaryOp::kLessEqual: return c <= 0;
    case BinaryOp::kGreater: return c > 0;
    case BinaryOp::kGreaterEqual: return c >= 0;
    default: return false;
  }
}

Result<Value> Compare(BinaryOp op, const Value& a, const Value& b, const Expr* at) {
  if (a.is_null() || b.is_null()) return Value::Null();
  Result<int> c = CompareNonNull(a, b, at);
  if (!c.ok()) return c.status();
  return Value::Boolean(Holds(op, *c));
}

// --- LIKE -----------------------------------------------------------------------------

struct PatternItem {
  enum Type { kChar, kAny, kDigit, kSet, kStar } type = kChar;
  char16_t c = 0;
  bool negated = false;
  std::vector<std::pair<char16_t, char16_t>> ranges;  // kSet: single characters as (c, c)
};

Status InvalidPattern(const std::u16string& pattern) {
  return Status::InvalidArgument("invalid pattern string '" + Utf16ToUtf8(pattern) + "' in LIKE");
}

Result<std::vector<PatternItem>> CompilePattern(const std::u16string& p) {
  std::vector<PatternItem> items;
  for (size_t i = 0; i < p.size(); ++i) {
    PatternItem item;
    char16_t c = p[i];
    if (c == u'*') {
      if (!items.empty() && items.back().type == PatternItem::kStar) continue;
      item.type = PatternItem::kStar;
    } else if (c == u'?') {
      item.type = PatternItem::kAny;
    } else if (c == u'#') {
      item.type = PatternItem::kDigit;
    } else if (c == u'[') {
      size_t close = p.find(u']', i + 1);
      if (close == std::u16string::npos) return InvalidPattern(p);
      std::u16string list = p.substr(i + 1, close - i - 1);
      i = close;
      if (list.empty()) continue;  // "[]" matches the empty string
      item.type = PatternItem::kSet;
      size_t j = 0;
      if (list[0] == u'!' && list.size() > 1) {
        item.negated = true;
        j = 1;
      }
      for (; j < list.size(); ++j) {
        char16_t lo = list[j];
        // A hyphen between two characters makes a range; at either end it is itself.
        if (j + 2 < list.size() && list[j + 1] == u'-') {
          char16_t hi = list[j + 2];
          if (CompareCharacters(lo, hi) > 0) return InvalidPattern(p);
          item.ranges.emplace_back(lo, hi);
          j += 2;
        } else {
          item.ranges.emplace_back(lo, lo);
        }
      }
    } else {
      item.c = c;
    }
    items.push_back(std::move(item));
  }
  return items;
}

bool MatchOne(const PatternItem& item, char16_t c) {
  switch (item.type) {
    case PatternItem::kChar:
      return CompareCharacters(item.c, c) == 0;
    case PatternItem::kAny:
      return true;
    case PatternItem::kDigit:
      return c >= u'0' && c <= u'9';
    case PatternItem::kSet: {
      bool in = false;
      for (const auto& [lo, hi] : item.ranges) {
        if (lo == hi ? CompareCharacters(lo, c) == 0
                     : CompareCharacters(lo, c) <= 0 && CompareCharacters(c, hi) <= 0) {
          in = true;
          break;
        }
      }
      return in != item.negated;
    }
    case PatternItem::kStar:
      return false;
  }
  return false;
}

// Wildcard matching with backtracking to the last "*" only: O(text * pattern).
bool MatchCompiled(const std::vector<PatternItem>& pattern, const std::u16string& text) {
  size_t t = 0, p = 0;
  size_t star_p = std::string::npos, star_t = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p].type == PatternItem::kStar) {
      star_p = p++;
      star_t = t;
    } else if (p < pattern.size() && MatchOne(pattern[p], text[t])) {
      ++p;
      ++t;
    } else if (star_p != std::string::npos) {
      p = star_p + 1;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p].type == PatternItem::kStar) ++p;
  return p == pattern.size();
}

// Text of a LIKE operand: texts as they are, numbers and dates as their text.
Result<std::string> LikeOperand(const Value& v, const Expr& at) {
  if (v.kind() == Kind::kText) return v.text();
  if (IsNumericKind(v.kind())) return ValueToText(v);
  return Mismatch(at, std::string(KindName(v.kind())) + " used with LIKE");
}

// --- Functions ------------------------------------------------------------------------

Status InvalidCall(const Expr& e, const std::string& why) {
  return Status::InvalidArgument("invalid procedure call" + At(e) + ": " + e.function + " " + why);
}

Result<std::u16string> TextArg(const Value& v, const Expr& e) {
  if (v.kind() == Kind::kBinary || v.kind() == Kind::kGuid) {
    return Mismatch(e, std::string(KindName(v.kind())) + " given to " + e.function);
  }
  return Utf8ToUtf16(ValueToText(v));
}

Result<int64_t> WholeArg(const Value& v, const Expr& e) {
  if (v.is_null()) return Status::InvalidArgument("invalid use of Null" + At(e) + " in " + e.function);
  Result<Value> n = ConvertForFunction(v, ColumnType::kLong, e.function);
  if (!n.ok()) return n.status();
  return n->long_value();
}

Result<double> NumberArg(const Value& v, const Expr& e) {
  Result<Value> n = NumericOperand(v, e, BinaryOp::kAdd);
  if (!n.ok()) return Mismatch(e, std::string(KindName(v.kind())) + " given to " + e.function);
  return *ToDouble(*n);
}

Result<DateTime> DateArg(const Value& v, const Expr& e) {
  Result<Value> d = ConvertForFunction(v, ColumnType::kDateTime, e.function);
  if (!d.ok()) return d.status();
  return d->datetime();
}

char16_t CaseMap(char16_t c, bool upper) {
  auto in = [c](char16_t lo, char16_t hi) { return c >= lo && c <= hi; };
  if (upper) {
    if (in(u'a', u'z') || (in(0xE0, 0xFE) && c != 0xF7) || (in(0x3B1, 0x3C9) && c != 0x3C2) || in(0x430, 0x44F)) {
      return static_cast<char16_t>(c - 32);
    }
    if (in(0x450, 0x45F)) return static_cast<char16_t>(c - 80);
    if (in(0xFF41, 0xFF5A)) return static_cast<char16_t>(c - 32);
    if ((in(0x100, 0x12F) || in(0x132, 0x137) || in(0x14A, 0x177)) && (c & 1)) return static_cast<char16_t>(c - 1);
    if (in(0x139, 0x148) && !(c & 1)) return static_cast<char16_t>(c - 1);
    if (c == 0xFF) return 0x178;
  } else {
    if (in(u'A', u'Z') || (in(0xC0, 0xDE) && c != 0xD7) || (in(0x391, 0x3A9) && c != 0x3A2) || in(0x410, 0x42F)) {
      return static_cast<char16_t>(c + 32);
    }
    if (in(0x400, 0x40F)) return static_cast<char16_t>(c + 80);
    if (in(0xFF21, 0xFF3A)) return static_cast<char16_t>(c + 32);
    if ((in(0x100, 0x12F) || in(0x132, 0x137) || in(0x14A, 0x177)) && !(c & 1)) return static_cast<char16_t>(c + 1);
    if (in(0x139, 0x148) && (c & 1)) return static_cast<char16_t>(c + 1);
    if (c == 0x178) return 0xFF;
  }
  return c;
}

Value NowValue(bool date, bool time) {
  std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  int year = date ? tm.tm_year + 1900 : 1899, month = date ? tm.tm_mon + 1 : 12, day = date ? tm.tm_mday : 30;
  int hour = time ? tm.tm_hour : 0, minute = time ? tm.tm_min : 0, second = time ? std::min(tm.tm_sec, 59) : 0;
  std::optional<DateTime> dt = MakeDateTime(year, month, day, hour, minute, second);
  return dt ? Value::Date(*dt) : Value::Null();
}

// Val: the number at the start of a text, 0 when there is none.
double LeadingNumber(const std::string& text) {
  std::string digits;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) digits += text[i++];
  bool point = false, any = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == ' ' || c == '\t') continue;  // Val skips blanks inside the number
    if (c >= '0' && c <= '9') {
      digits += c;
      any = true;
    } else if (c == '.' && !point) {
      digits += c;
      point = true;
    } else {
      break;
    }
  }
  if (!any) return 0;
  std::optional<double> d = ParseNumberText(digits);
  return d ? *d : 0;
}

Result<Value> CallFunction(const Expr& e, const Context& ctx) {
  const FunctionInfo* info = FindFunction(e.function);
  if (!info) return Status::NotSupported("function '" + e.function + "' is not supported" + At(e));
  if (info->aggregate) {
    if (ctx.aggregates) {
      auto it = ctx.aggregates->find(&e);
      if (it != ctx.aggregates->end()) return it->second;
    }
    return Status::InvalidArgument("aggregate function " + std::string(info->name) + At(e) +
                                   " cannot be used here (only in the select list)");
  }
  // IIf and Nz look at their arguments one at a time.
  if (info->id == FunctionId::kIIf) {
    Result<Value> c = Eval(*e.operands[0], ctx);
    if (!c.ok()) return c;
    Result<std::optional<bool>> t = Truth(*c, e);
    if (!t.ok()) return t.status();
    return Eval(*e.operands[*t == std::optional<bool>(true) ? 1 : 2], ctx);
  }
  std::vector<Value> args;
  args.reserve(e.operands.size());
  for (const ExprPtr& operand : e.operands) {
    Result<Value> v = Eval(*operand, ctx);
    if (!v.ok()) return v;
    args.push_back(std::move(*v));
  }
  auto any_null = [&args]() {
    for (const Value& v : args) {
      if (v.is_null()) return true;
    }
    return false;
  };
  auto convert = [&](ColumnType type) { return ConvertForFunction(args[0], type, e.function); };

  switch (info->id) {
    case FunctionId::kNz:
      if (!args[0].is_null()) return args[0];
      return args.size() > 1 ? args[1] : Value::Text("");
    case FunctionId::kIsNull:
      return Value::Boolean(args[0].is_null());
    case FunctionId::kCStr:
      if (args[0].is_null()) return Status::InvalidArgument("invalid use of Null" + At(e) + " in CStr");
      return Value::Text(ValueToText(args[0]));
    case FunctionId::kCInt: return convert(ColumnType::kInteger);
    case FunctionId::kCLng: return convert(ColumnType::kLong);
    case FunctionId::kCByte: return convert(ColumnType::kByte);
    case FunctionId::kCSng: return convert(ColumnType::kSingle);
    case FunctionId::kCDbl: return convert(ColumnType::kDouble);
    case FunctionId::kCCur: return convert(ColumnType::kCurrency);
    case FunctionId::kCDate: return convert(ColumnType::kDateTime);
    case FunctionId::kCBool: return convert(ColumnType::kBoolean);
    case FunctionId::kNow: return NowValue(true, true);
    case FunctionId::kDate: return NowValue(true, false);
    case FunctionId::kTime: return NowValue(false, true);
    default:
      break;
  }
  if (any_null()) {
    if (info->id == FunctionId::kSpace) return Status::InvalidArgument("invalid use of Null" + At(e) + " in Space");
    return Value::Null();
  }

  switch (info->id) {
    case FunctionId::kUCase:
    case FunctionId::kLCase: {
      Result<std::u16string> s = TextArg(args[0], e);
      if (!s.ok()) return s.status();
      for (char16_t& c : *s) c = CaseMap(c, info->id == FunctionId::kUCase);
      return Value::Text(Utf16ToUtf8(*s));
    }
    case FunctionId::kLen: {
      Result<std::u16string> s = TextArg(args[0], e);
      if (!s.ok()) return s.status();
      return Value::Long(static_cast<int32_t>(s->size()));
    }
    case FunctionId::kLeft:
    case FunctionId::kRight: {
      Result<std::u16string> s = TextArg(args[0], e);
      if (!s.ok()) return s.status();
      Result<int64_t> n = WholeArg(args[1], e);
      if (!n.ok()) return n.status();
      if (*n < 0) return InvalidCall(e, "with a negative length");
      size_t count = std::min(static_cast<size_t>(*n), s->size());
      std::u16string r = info->id == FunctionId::kLeft ? s->substr(0, count) : s->substr(s->size() - count);
      return Value::Text(Utf16ToUtf8(r));
    }
    case FunctionId::kMid: {
      Result<std::u16string> s = TextArg(args[0], e);
      if (!s.ok()) return s.status();
      Result<int64_t> start = WholeArg(args[1], e);
      if (!start.ok()) return start.status();
      if (*start < 1) return InvalidCall(e, "with a start below 1");
      int64_t length = static_cast<int64_t>(s->size());
      if (args.size() > 2) {
        Result<int64_t> n = WholeArg(args[2], e);
        if (!n.ok()) return n.status();
        if (*n < 0) return InvalidCall(e, "with a negative length");
        length = *n;
      }
      size_t from = static_cast<size_t>(*start - 1);
      if (from >= s->size()) return Value::Text("");
      return Value::Text(Utf16ToUtf8(s->substr(from, static_cast<size_t>(length))));
    }
    case FunctionId::kTrim:
    case FunctionId::kLTrim:
    case FunctionId::kRTrim: {
      Result<std::u16string> s = TextArg(args[0], e);
      if (!s.ok()) return s.status();
      std::u16string_view v(*s);
      if (info->id != FunctionId::kRTrim) {
        while (!v.empty() && v.front() == u' ') v.remove_prefix(1);
      }
      if (info->id != FunctionId::kLTrim) {
        while (!v.empty() && v.back() == u' ') v.remove_suffix(1);
      }
      return Value::Text(Utf16ToUtf8(v));
    }
    case FunctionId::kInStr: {
      size_t first = 0;
      int64_t start = 1;
      if (args.size() == 3) {
        Result<int64_t> s = WholeArg(args[0], e);
        if (!s.ok()) return s.status();
        if (*s < 1) return InvalidCall(e, "with a start below 1");
        start = *s;
        first = 1;
      }
      Result<std::u16string> hay = TextArg(args[first], e);
      if (!hay.ok()) return hay.status();
      Result<std::u16string> needle = TextArg(args[first + 1], e);
      if (!needle.ok()) return needle.status();
      size_t from = static_cast<size_t>(start - 1);
      if (from > hay->size()) return Value::Long(0);
      if (needle->empty()) return Value::Long(static_cast<int32_t>(start));
      for (size_t i = from; i + needle->size() <= hay->size(); ++i) {
        bool match = true;
        for (size_t j = 0; j < needle->size() && match; ++j) match = CompareCharacters((*hay)[i + j], (*needle)[j]) == 0;
        if (match) return Value::Long(static_cast<int32_t>(i + 1));
      }
      return Value::Long(0);
    }
    case FunctionId::kSpace: {
      Result<int64_t> n = WholeArg(args[0], e);
      if (!n.ok()) return n.status();
      if (*n < 0 || *n > 65535) return InvalidCall(e, "with a length outside 0-65535");
      return Value::Text(std::string(static_cast<size_t>(*n), ' '));
    }
    case FunctionId::kVal: {
      if (IsNumericKind(args[0].kind())) return Value::Double(*ToDouble(args[0]));
      if (args[0].kind() != Kind::kText) return Mismatch(e, std::string(KindName(args[0].kind())) + " given to Val");
      return Value::Double(LeadingNumber(args[0].text()));
    }
    case FunctionId::kStr: {
      if (!IsNumericKind(args[0].kind())) {
        Result<double> d = NumberArg(args[0], e);
        if (!d.ok()) return d.status();
        std::string s = ValueToText(Value::Double(*d));
        return Value::Text(*d >= 0 ? " " + s : s);
      }
      std::string s = ValueToText(args[0]);
      bool negative = !s.empty() && s[0] == '-';
      return Value::Text(negative ? s : " " + s);
    }
    case FunctionId::kAbs: {
      Result<Value> n = NumericOperand(args[0], e, BinaryOp::kAdd);
      if (!n.ok()) return n;
      if (n->kind() == Kind::kDecimal) return Value::Number(n->decimal().negative ? DecimalNegate(n->decimal()) : n->decimal());
      std::optional<double> d = ToDouble(*n);
      if (*d >= 0 && n->kind() != Kind::kBoolean) return *n;
      return Negate(*n, e);
    }
    case FunctionId::kSgn: {
      Result<double> d = NumberArg(args[0], e);
      if (!d.ok()) return d.status();
      return Value::Integer(static_cast<int16_t>(Sign(*d)));
    }
    case FunctionId::kInt:
    case FunctionId::kFix: {
      Result<Value> n = NumericOperand(args[0], e, BinaryOp::kAdd);
      if (!n.ok()) return n;
      if (IsIntegerKind(n->kind())) return n->kind() == Kind::kBoolean ? Value::Integer(n->boolean() ? -1 : 0) : *n;
      double d = *ToDouble(*n);
      double r = info->id == FunctionId::kInt ? std::floor(d) : std::trunc(d);
      if (n->kind() == Kind::kCurrency) {
        std::optional<Currency> c = ToCurrency(Value::Double(r));
        if (c) return Value::Money(*c);
      }
      if (n->kind() == Kind::kSingle) return Value::Single(static_cast<float>(r));
      return Value::Double(r);
    }
    case FunctionId::kRound: {
      Result<double> d = NumberArg(args[0], e);
      if (!d.ok()) return d.status();
      int64_t places = 0;
      if (args.size() > 1) {
        Result<int64_t> p = WholeArg(args[1], e);
        if (!p.ok()) return p.status();
        if (*p < 0 || *p > 15) return InvalidCall(e, "with places outside 0-15");
        places = *p;
      }
      if (Kind k = args[0].kind(); IsIntegerKind(k) && places == 0) return args[0];
      if (args[0].kind() == Kind::kDecimal || args[0].kind() == Kind::kCurrency) {
        Decimal dec = ExactDecimal(args[0]);
        if (std::optional<Decimal> r = RescaleDecimal(dec, static_cast<int>(std::min<int64_t>(places, dec.scale)), 28)) {
          if (args[0].kind() == Kind::kCurrency) {
            if (std::optional<Currency> c = DecimalToCurrency(*r)) return Value::Money(*c);
          }
          return Value::Number(*r);
        }
      }
      // Round through the decimal text of the number so that 2.675 (stored as
      // 2.67499999...) rounds as written.
      std::optional<Decimal> dec = DecimalFromDouble(*d);
      if (dec) {
        if (std::optional<Decimal> r = RescaleDecimal(*dec, static_cast<int>(std::min<int64_t>(places, dec->scale)), 28)) {
          return Value::Double(DecimalToDouble(*r));
        }
      }
      double scale = std::pow(10.0, static_cast<double>(places));
      return Value::Double(RoundHalfEven(*d * scale) / scale);
    }
    case FunctionId::kSqr: {
      Result<double> d = NumberArg(args[0], e);
      if (!d.ok()) return d.status();
      if (*d < 0) return InvalidCall(e, "of a negative number");
      return Value::Double(std::sqrt(*d));
    }
    case FunctionId::kYear:
    case FunctionId::kMonth:
    case FunctionId::kDay:
    case FunctionId::kHour:
    case FunctionId::kMinute:
    case FunctionId::kSecond:
    case FunctionId::kWeekday: {
      Result<DateTime> dt = DateArg(args[0], e);
      if (!dt.ok()) return dt.status();
      int y, mo, d, h, mi, s;
      if (!SplitDateTime(*dt, y, mo, d, h, mi, s)) return InvalidCall(e, "with a date outside years 100-9999");
      switch (info->id) {
        case FunctionId::kYear: return Value::Integer(static_cast<int16_t>(y));
        case FunctionId::kMonth: return Value::Integer(static_cast<int16_t>(mo));
        case FunctionId::kDay: return Value::Integer(static_cast<int16_t>(d));
        case FunctionId::kHour: return Value::Integer(static_cast<int16_t>(h));
        case FunctionId::kMinute: return Value::Integer(static_cast<int16_t>(mi));
        case FunctionId::kSecond: return Value::Integer(static_cast<int16_t>(s));
        default: {
          // 1 = Sunday. 1899-12-30 (day 0) was a Saturday.
          std::optional<DateTime> midnight = MakeDateTime(y, mo, d);
          int64_t days = static_cast<int64_t>(std::trunc(midnight->days));
          int weekday = static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
          return Value::Integer(static_cast<int16_t>(weekday));
        }
      }
    }
    case FunctionId::kDateSerial: {
      Result<int64_t> y = WholeArg(args[0], e);
      if (!y.ok()) return y.status();
      Result<int64_t> m = WholeArg(args[1], e);
      if (!m.ok()) return m.status();
      Result<int64_t> d = WholeArg(args[2], e);
      if (!d.ok()) return d.status();
      int64_t year = *y;
      if (year >= 0 && year <= 29) year += 2000;
      else if (year >= 30 && year <= 99) year += 1900;
      // Months and days outside their ranges carry into the year and month, as Jet does.
      int64_t months = year * 12 + (*m - 1);
      int64_t yy = months >= 0 ? months / 12 : -((-months + 11) / 12);
      int64_t mm = months - yy * 12 + 1;
      std::optional<DateTime> first = MakeDateTime(static_cast<int>(std::clamp<int64_t>(yy, 0, 10000)),
                                                   static_cast<int>(mm), 1);
      if (!first || yy < 100 || yy > 9999) return InvalidCall(e, "with a date outside years 100-9999");
      double days = std::trunc(first->days) + static_cast<double>(*d - 1);
      if (days < -657434.0 || days > 2958465.0) return InvalidCall(e, "with a date outside years 100-9999");
      return Value::Date(DateTime{days});
    }
    default:
      break;
  }
  return Status::Internal("function " + e.function + " has no evaluation");
}

// --- The evaluator --------------------------------------------------------------------

Result<Value> Eval(const Expr& e, const Context& ctx) {
  switch (e.kind) {
    case ExprKind::kLiteral:
      return e.value;
    case ExprKind::kColumn:
      return ctx.row.GetColumn(e.column);
    case ExprKind::kUnary: {
      Result<Value> v = Eval(*e.operands[0], ctx);
      if (!v.ok()) return v;
      switch (e.unary_op) {
        case UnaryOp::kNot: {
          Result<std::optional<bool>> t = Truth(*v, e);
          if (!t.ok()) return t.status();
          return *t ? Value::Boolean(!**t) : Value::Null();
        }
        case UnaryOp::kNegate:
          return Negate(*v, e);
        case UnaryOp::kPlus:
          if (v->is_null() || IsNumericKind(v->kind()) || v->kind() == Kind::kText) return v;
          return Mismatch(e, std::string(KindName(v->kind())) + " used with +");
      }
      return Status::Internal("unknown unary operator");
    }
    case ExprKind::kBinary: {
      switch (e.binary_op) {
        case BinaryOp::kAnd:
        case BinaryOp::kOr:
        case BinaryOp::kXor:
        case BinaryOp::kEqv:
        case BinaryOp::kImp:
          return Logic(e, ctx);
        default:
          break;
      }
      Result<Value> a = Eval(*e.operands[0], ctx);
      if (!a.ok()) return a;
      Result<Value> b = Eval(*e.operands[1], ctx);
      if (!b.ok()) return b;
      switch (e.binary_op) {
        case BinaryOp::kEqual:
        case BinaryOp::kNotEqual:
        case BinaryOp::kLess:
        case BinaryOp::kLessEqual:
        case BinaryOp::kGreater:
        case BinaryOp::kGreaterEqual:
          return Compare(e.binary_op, *a, *b, &e);
        case BinaryOp::kConcat:
          if (a->is_null() && b->is_null()) return Value::Null();
          return Value::Text(ValueToText(*a) + ValueToText(*b));
        default:
          return Arithmetic(e.binary_op, *a, *b, e);
      }
    }
    case ExprKind::kIsNull: {
      Result<Value> v = Eval(*e.operands[0], ctx);
      if (!v.ok()) return v;
      return Value::Boolean(v->is_null() != e.negated);
    }
    case ExprKind::kLike: {
      Result<Value> v = Eval(*e.operands[0], ctx);
      if (!v.ok()) return v;
      Result<Value> p = Eval(*e.operands[1], ctx);
      if (!p.ok()) return p;
      if (v->is_null() || p->is_null()) return Value::Null();
      Result<std::string> text = LikeOperand(*v, e);
      if (!text.ok()) return text.status();
      Result<std::string> pattern = LikeOperand(*p, e);
      if (!pattern.ok()) return pattern.status();
      Result<bool> m = MatchLike(*text, *pattern);
      if (!m.ok()) return Status::InvalidArgument(m.status().message() + At(e));
      return Value::Boolean(*m != e.negated);
    }
    case ExprKind::kIn: {
      Result<Value> v = Eval(*e.operands[0], ctx);
      if (!v.ok()) return v;
      if (v->is_null()) return Value::Null();
      bool saw_null = false;
      for (size_t i = 1; i < e.operands.size(); ++i) {
        Result<Value> item = Eval(*e.operands[i], ctx);
        if (!item.ok()) return item;
        Result<Value> eq = Compare(BinaryOp::kEqual, *v, *item, &e);
        if (!eq.ok()) return eq;
        if (eq->is_null()) {
          saw_null = true;
        } else if (eq->boolean()) {
          return Value::Boolean(!e.negated);
        }
      }
      if (saw_null) return Value::Null();
      return Value::Boolean(e.negated);
    }
    case ExprKind::kBetween: {
      Result<Value> v = Eval(*e.operands[0], ctx);
      if (!v.ok()) return v;
      Result<Value> lo = Eval(*e.operands[1], ctx);
      if (!lo.ok()) return lo;
      Result<Value> hi = Eval(*e.operands[2], ctx);
      if (!hi.ok()) return hi;
      Result<Value> ge = Compare(BinaryOp::kGreaterEqual, *v, *lo, &e);
      if (!ge.ok()) return ge;
      Result<Value> le = Compare(BinaryOp::kLessEqual, *v, *hi, &e);
      if (!le.ok()) return le;
      std::optional<bool> result;
      if ((!ge->is_null() && !ge->boolean()) || (!le->is_null() && !le->boolean())) {
        result = false;
      } else if (!ge->is_null() && !le->is_null()) {
        result = true;
      }
      if (result && e.negated) result = !*result;
      return FromTruth(result);
    }
    case ExprKind::kFunction:
      return CallFunction(e, ctx);
  }
  return Status::Internal("unknown expression kind");
}

// A row for Aggregator::Finish: columns outside aggregate calls have no single value.
class NoRowOutsideAggregates : public RowAccessor {
 public:
  Result<Value> GetColumn(const ColumnRef& column) const override {
    return Status::InvalidArgument("column '" + column.name +
                                   "' is used outside an aggregate function in a query with aggregates");
  }
};

void CollectAggregates(const Expr& e, std::vector<const Expr*>& out) {
  if (e.kind == ExprKind::kFunction) {
    const FunctionInfo* info = FindFunction(e.function);
    if (info && info->aggregate) {
      out.push_back(&e);
      return;  // aggregates inside aggregates are refused when added
    }
  }
  for (const ExprPtr& child : e.operands) CollectAggregates(*child, out);
}

}  // namespace

Result<Value> NoColumns::GetColumn(const ColumnRef& column) const {
  return Status::InvalidArgument("unknown column '" + column.name + "' (no column can be used here)");
}

Result<Value> Evaluate(const Expr& expr, const RowAccessor& row) {
  Context ctx{row};
  return Eval(expr, ctx);
}

Result<bool> EvaluateCondition(const Expr& expr, const RowAccessor& row) {
  Result<Value> v = Evaluate(expr, row);
  if (!v.ok()) return v.status();
  Result<std::optional<bool>> truth = Truth(*v, expr);
  if (!truth.ok()) return truth.status();
  return truth->value_or(false);
}

Status BindColumns(Expr& expr, const std::function<Result<int>(const ColumnRef&)>& resolve) {
  if (expr.kind == ExprKind::kColumn) {
    Result<int> slot = resolve(expr.column);
    if (!slot.ok()) return slot.status();
    expr.column.index = *slot;
  }
  for (ExprPtr& child : expr.operands) TABULON_RETURN_IF_ERROR(BindColumns(*child, resolve));
  return Status::Ok();
}

void ForEachColumn(const Expr& expr, const std::function<void(const ColumnRef&)>& visit) {
  if (expr.kind == ExprKind::kColumn) visit(expr.column);
  for (const ExprPtr& child : expr.operands) ForEachColumn(*child, visit);
}

Result<Value> CompareSql(BinaryOp op, const Value& a, const Value& b) {
  switch (op) {
    case BinaryOp::kEqual:
    case BinaryOp::kNotEqual:
    case BinaryOp::kLess:
    case BinaryOp::kLessEqual:
    case BinaryOp::kGreater:
    case BinaryOp::kGreaterEqual:
      return Compare(op, a, b, nullptr);
    default:
      return Status::InvalidArgument(std::string("not a comparison operator: ") + OpName(op));
  }
}

Result<int> CompareForSort(const Value& a, const Value& b) {
  if (a.is_null() || b.is_null()) return a.is_null() == b.is_null() ? 0 : (a.is_null() ? -1 : 1);
  return CompareNonNull(a, b, nullptr);
}

Result<bool> MatchLike(std::string_view text_utf8, std::string_view pattern_utf8) {
  std::u16string pattern = Utf8ToUtf16(pattern_utf8);
  Result<std::vector<PatternItem>> compiled = CompilePattern(pattern);
  if (!compiled.ok()) return compiled.status();
  return MatchCompiled(*compiled, Utf8ToUtf16(text_utf8));
}

bool ContainsAggregate(const Expr& expr) {
  std::vector<const Expr*> found;
  CollectAggregates(expr, found);
  return !found.empty();
}

struct Aggregator::State {
  struct Call {
    const Expr* expr;
    FunctionId id;
    int64_t count = 0;
    Value value;  // Sum: running sum; Min / Max: the extreme so far
  };
  const Expr* item;
  std::vector<Call> calls;
};

Aggregator::Aggregator(const Expr& item) : state_(std::make_unique<State>()) {
  state_->item = &item;
  std::vector<const Expr*> found;
  CollectAggregates(item, found);
  for (const Expr* e : found) state_->calls.push_back({e, FindFunction(e->function)->id, 0, Value()});
}

Aggregator::~Aggregator() = default;
Aggregator::Aggregator(Aggregator&&) noexcept = default;
Aggregator& Aggregator::operator=(Aggregator&&) noexcept = default;

Status Aggregator::Add(const RowAccessor& row) {
  for (State::Call& call : state_->calls) {
    const Expr& e = *call.expr;
    if (e.star_argument) {
      ++call.count;
      continue;
    }
    if (ContainsAggregate(*e.operands[0])) {
      return Status::InvalidArgument("aggregate function inside " + e.function + At(e));
    }
    Result<Value> v = Evaluate(*e.operands[0], row);
    if (!v.ok()) return v.status();
    if (v->is_null()) continue;
    ++call.count;
    switch (call.id) {
      case FunctionId::kSum:
      case FunctionId::kAvg: {
        if (call.count == 1) {
          Result<Value> n = NumericOperand(*v, e, BinaryOp::kAdd);
          if (!n.ok()) return n.status();
          call.value = *n;
        } else {
          Result<Value> sum = Arithmetic(BinaryOp::kAdd, call.value, *v, e);
          if (!sum.ok()) return sum.status();
          call.value = std::move(*sum);
        }
        break;
      }
      case FunctionId::kMin:
      case FunctionId::kMax: {
        if (call.count == 1) {
          call.value = std::move(*v);
        } else {
          Result<int> c = CompareNonNull(*v, call.value, &e);
          if (!c.ok()) return c.status();
          if ((call.id == FunctionId::kMin && *c < 0) || (call.id == FunctionId::kMax && *c > 0)) {
            call.value = std::move(*v);
          }
        }
        break;
      }
      default:
        break;
    }
  }
  return Status::Ok();
}

Result<Value> Aggregator::Finish() const {
  AggregateValues values;
  for (const State::Call& call : state_->calls) {
    Value v;
    switch (call.id) {
      case FunctionId::kCount:
        v = Value::Long(static_cast<int32_t>(std::min<int64_t>(call.count, std::numeric_limits<int32_t>::max())));
        break;
      case FunctionId::kAvg:
        if (call.count > 0) v = Value::Double(*ToDouble(call.value) / static_cast<double>(call.count));
        break;
      default:
        v = call.value;
        break;
    }
    values[call.expr] = std::move(v);
  }
  NoRowOutsideAggregates row;
  Context ctx{row, &values};
  return Eval(*state_->item, ctx);
}

}  // namespace tabulon::jet::sql
