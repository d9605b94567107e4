#include "jet/sql/convert.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/encoding.h"
#include "jet/sql/decimal.h"
#include "jet/sql/value_util.h"

namespace tabulon::jet::sql {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kEpochOffset = 25569;  // days from 1899-12-30 to 1970-01-01

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// A small scanner over date text.
struct Scanner {
  std::string_view s;
  size_t i = 0;
  bool AtEnd() const { return i >= s.size(); }
  void SkipBlanks() {
    while (i < s.size() && IsBlank(s[i])) ++i;
  }
  // Digits; returns their count (0 when none), the value in `v`.
  int Number(int& v) {
    int count = 0;
    v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && count < 9) {
      v = v * 10 + (s[i] - '0');
      ++i;
      ++count;
    }
    return count;
  }
  bool Accept(char c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
};

// h:n[:s] [AM|PM] at the scanner; false when it is not a valid time.
bool ParseTime(Scanner& sc, int& h, int& n, int& s) {
  s = 0;
  if (sc.Number(h) == 0 || h > 99 || !sc.Accept(':')) return false;
  int digits = sc.Number(n);
  if (digits == 0 || digits > 2) return false;
  if (sc.Accept(':')) {
    digits = sc.Number(s);
    if (digits == 0 || digits > 2) return false;
  }
  sc.SkipBlanks();
  std::string_view rest = sc.s.substr(sc.i);
  bool am = false, pm = false;
  if (rest.size() >= 2 && EqualsIgnoreCase(rest.substr(0, 2), "AM")) am = true;
  if (rest.size() >= 2 && EqualsIgnoreCase(rest.substr(0, 2), "PM")) pm = true;
  if (am || pm) {
    sc.i += 2;
    if (h < 1 || h > 12) return false;
    if (am && h == 12) h = 0;
    if (pm && h != 12) h += 12;
  }
  return h <= 23 && n <= 59 && s <= 59;
}

int ExpandYear(int value, int digits) {
  if (digits <= 2) return value < 30 ? 2000 + value : 1900 + value;
  return value;
}

std::string TwoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof(buf), "%02d", v);
  return buf;
}

// Formats a double with `digits` significant digits, the way Jet shows numbers as text:
// no trailing zeros, "E+20" / "E-07" for exponents outside the fixed range.
std::string FormatFloating(double v, int digits) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::general, digits);
  if (ec != std::errc()) return "0";
  std::string s(buf, end);
  size_t e = s.find('e');
  if (e == std::string::npos) return s;
  // to_chars writes "1e+20", "1.5e-07"; Jet writes "1E+20", "1.5E-07".
  s[e] = 'E';
  return s;
}

// Where a converted value goes: a column (INSERT, UPDATE) or a conversion function (CLng).
struct Target {
  ColumnType type;
  std::string name;       // the column's name
  std::string function;   // the function's name; empty for a column
  uint32_t size = 0;
  uint8_t precision = 18;
  uint8_t scale = 0;
};

std::string Shown(const Value& value) {
  if (value.kind() != Value::Kind::kText) return KindName(value.kind());
  std::string text = value.text();
  if (text.size() > 50) text = text.substr(0, 47) + "...";
  return "Text '" + text + "'";
}

Status Mismatch(const Value& value, const Target& target) {
  if (!target.function.empty()) {
    return Status::InvalidArgument("type mismatch: " + target.function + " cannot convert " + Shown(value));
  }
  return Status::InvalidArgument("type mismatch: cannot store " + Shown(value) + " in the " +
                                 ColumnTypeName(target.type) + " column '" + target.name + "'");
}

Status Overflow(const Value& value, const Target& target) {
  std::string shown = ValueToText(value);
  if (shown.size() > 50) shown = shown.substr(0, 47) + "...";
  if (!target.function.empty()) {
    return Status::Constraint("overflow: " + target.function + " cannot convert " + shown + " to " +
                              ColumnTypeName(target.type));
  }
  return Status::Constraint("overflow: " + shown + " does not fit the " + ColumnTypeName(target.type) +
                            " column '" + target.name + "'");
}

// The numeric value of `value` as a double, for numeric targets; nothing when it has none.
std::optional<double> NumericOf(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kText:
      return ParseNumberText(value.text());
    case Value::Kind::kDateTime:
      return value.datetime().days;
    default:
      return ToDouble(value);
  }
}

// The value as an exact Decimal where the source is exact (integers, Currency, Decimal,
// and texts without an exponent), else through its double.
std::optional<Decimal> ExactDecimalOf(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kBoolean:
      return DecimalFromInt(value.boolean() ? -1 : 0);
    case Value::Kind::kByte:
      return DecimalFromInt(value.byte());
    case Value::Kind::kInteger:
      return DecimalFromInt(value.integer());
    case Value::Kind::kLong:
      return DecimalFromInt(value.long_value());
    case Value::Kind::kCurrency:
      return DecimalFromCurrency(value.currency());
    case Value::Kind::kDecimal:
      return value.decimal();
    case Value::Kind::kText: {
      std::string_view t = Trim(value.text());
      bool negative = false;
      if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
      }
      if (std::optional<Decimal> d = ParseDecimalDigits(t, negative)) return d;
      break;
    }
    default:
      break;
  }
  std::optional<double> v = NumericOf(value);
  if (!v) return std::nullopt;
  return DecimalFromDouble(*v);
}

Result<Value> ToInteger(const Value& value, const Target& column, int64_t lo, int64_t hi) {
  int64_t n = 0;
  if (std::optional<int64_t> i = ToInt64Exact(value)) {
    n = *i;
  } else if (value.kind() == Value::Kind::kDecimal) {
    std::optional<int64_t> r = DecimalToInt64(value.decimal());
    if (!r) return Overflow(value, column);
    n = *r;
  } else if (value.kind() == Value::Kind::kCurrency) {
    std::optional<int64_t> r = DecimalToInt64(DecimalFromCurrency(value.currency()));
    if (!r) return Overflow(value, column);
    n = *r;
  } else {
    std::optional<double> d = NumericOf(value);
    if (!d || std::isnan(*d)) return Mismatch(value, column);
    double r = RoundHalfEven(*d);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return Overflow(value, column);
    n = static_cast<int64_t>(r);
  }
  if (n < lo || n > hi) return Overflow(value, column);
  switch (column.type) {
    case ColumnType::kByte:
      return Value::Byte(static_cast<uint8_t>(n));
    case ColumnType::kInteger:
      return Value::Integer(static_cast<int16_t>(n));
    default:
      return Value::Long(static_cast<int32_t>(n));
  }
}

bool IsNumericSource(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kBinary:
    case Value::Kind::kGuid:
      return false;
    default:
      return true;
  }
}

}  // namespace

std::string SqlTextLiteral(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('\'');
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

std::optional<double> ParseNumberText(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty()) return std::nullopt;
  bool negative = false;
  if (t.front() == '+' || t.front() == '-') {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  // digits [. digits] [E [sign] digits], at least one digit before the exponent
  size_t i = 0, digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    size_t exp_digits = 0;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j, ++exp_digits;
    if (exp_digits == 0) return std::nullopt;
    i = j;
  }
  if (i != t.size()) return std::nullopt;
  double v = 0;
  std::string_view body = t;
  // from_chars does not take a leading "." without a digit before it in every library;
  // give it one.
  std::string buffer;
  if (body.front() == '.') {
    buffer.reserve(body.size() + 1);
    buffer.push_back('0');
    buffer.append(body);
    body = buffer;
  }
  auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), v);
  if (ec == std::errc::result_out_of_range) return std::nullopt;
  if (ec != std::errc() || end != body.data() + body.size()) return std::nullopt;
  return negative ? -v : v;
}

std::optional<DateTime> MakeDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
  int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kEpochOffset;
  double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  double value = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
  return DateTime{value};
}

bool SplitDateTime(DateTime dt, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  double v = dt.days;
  if (!std::isfinite(v) || v < -657434.0 - 1 || v > 2958465.0 + 1) return false;
  double whole = std::trunc(v);
  int64_t days = static_cast<int64_t>(whole);
  int64_t seconds = static_cast<int64_t>(std::llround(std::fabs(v - whole) * 86400.0));
  if (seconds >= 86400) {
    // Rounded up to the next midnight, in time order (for negative days too).
    days += 1;
    seconds = 0;
  }
  CivilFromDays(days - kEpochOffset, year, month, day);
  hour = static_cast<int>(seconds / 3600);
  minute = static_cast<int>(seconds / 60 % 60);
  second = static_cast<int>(seconds % 60);
  return true;
}

std::optional<DateTime> ParseDateText(std::string_view text) {
  Scanner sc{Trim(text)};
  if (sc.AtEnd()) return std::nullopt;
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
  // A time alone: digits then ':'.
  size_t save = sc.i;
  int first = 0;
  int first_digits = sc.Number(first);
  if (first_digits == 0) return std::nullopt;
  if (!sc.AtEnd() && sc.s[sc.i] == ':') {
    sc.i = save;
    if (!ParseTime(sc, hour, minute, second)) return std::nullopt;
    sc.SkipBlanks();
    if (!sc.AtEnd()) return std::nullopt;
    return MakeDateTime(year, month, day, hour, minute, second);
  }
  if (sc.AtEnd()) return std::nullopt;
  char sep = sc.s[sc.i];
  if (sep != '-' && sep != '/') return std::nullopt;
  ++sc.i;
  int second_part = 0, third = 0;
  int second_digits = sc.Number(second_part);
  if (second_digits == 0 || second_digits > 2 || !sc.Accept(sep)) return std::nullopt;
  int third_digits = sc.Number(third);
  if (third_digits == 0) return std::nullopt;
  if (first_digits >= 3) {
    // yyyy-mm-dd, yyyy/mm/dd
    if (third_digits > 2) return std::nullopt;
    year = first;
    month = second_part;
    day = third;
  } else {
    // mm/dd/yyyy, mm/dd/yy
    if (third_digits > 4) return std::nullopt;
    month = first;
    day = second_part;
    year = ExpandYear(third, third_digits);
  }
  if (!sc.AtEnd()) {
    if (!IsBlank(sc.s[sc.i])) return std::nullopt;
    sc.SkipBlanks();
    if (!ParseTime(sc, hour, minute, second)) return std::nullopt;
    sc.SkipBlanks();
    if (!sc.AtEnd()) return std::nullopt;
  }
  return MakeDateTime(year, month, day, hour, minute, second);
}

std::optional<Guid> ParseGuidText(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
  if (t.size() != 36) return std::nullopt;
  uint8_t raw[16];
  size_t n = 0;
  for (size_t i = 0; i < t.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (t[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    int hi = 0, lo = 0;
    auto hex = [](char c) {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    hi = hex(t[i]);
    lo = i + 1 < t.size() ? hex(t[i + 1]) : -1;
    if (hi < 0 || lo < 0) return std::nullopt;
    raw[n++] = static_cast<uint8_t>(hi * 16 + lo);
    i += 2;
  }
  if (n != 16) return std::nullopt;
  // The first three groups are stored little-endian, the last 8 bytes as written.
  Guid g;
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g.bytes[i] = raw[kOrder[i]];
  return g;
}

std::string GuidToText(const Guid& g) {
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    uint8_t b = g.bytes[kOrder[i]];
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out + "}";
}

std::string DateToText(DateTime dt) {
  int y, m, d, h, n, s;
  if (!SplitDateTime(dt, y, m, d, h, n, s)) return FormatFloating(dt.days, 15);
  char year[8];
  std::snprintf(year, sizeof(year), "%04d", y);
  std::string date = std::string(year) + "-" + TwoDigits(m) + "-" + TwoDigits(d);
  std::string time = TwoDigits(h) + ":" + TwoDigits(n) + ":" + TwoDigits(s);
  bool has_time = h != 0 || n != 0 || s != 0;
  bool has_date = !(y == 1899 && m == 12 && d == 30);
  if (!has_time) return date;
  if (!has_date) return time;
  return date + " " + time;
}

std::string ValueToText(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kNull:
      return "";
    case Value::Kind::kBoolean:
      return value.boolean() ? "-1" : "0";
    case Value::Kind::kByte:
      return std::to_string(value.byte());
    case Value::Kind::kInteger:
      return std::to_string(value.integer());
    case Value::Kind::kLong:
      return std::to_string(value.long_value());
    case Value::Kind::kCurrency: {
      Decimal d = DecimalFromCurrency(value.currency());
      std::string s = DecimalToText(d);
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
      return s;
    }
    case Value::Kind::kSingle:
      return FormatFloating(value.single(), 7);
    case Value::Kind::kDouble:
      return FormatFloating(value.double_value(), 15);
    case Value::Kind::kDateTime:
      return DateToText(value.datetime());
    case Value::Kind::kText:
      return value.text();
    case Value::Kind::kBinary: {
      const std::string& b = value.bytes();
      std::u16string u;
      for (size_t i = 0; i + 1 < b.size(); i += 2) {
        u.push_back(static_cast<char16_t>(static_cast<uint8_t>(b[i]) | (static_cast<uint8_t>(b[i + 1]) << 8)));
      }
      return Utf16ToUtf8(u);
    }
    case Value::Kind::kGuid:
      return GuidToText(value.guid());
    case Value::Kind::kDecimal: {
      std::string s = DecimalToText(value.decimal());
      if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
      }
      return s;
    }
  }
  return "";
}

namespace {

Result<Value> Convert(const Value& value, const Target& column) {
  switch (column.type) {
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong: {
      if (!IsNumericSource(value)) return Mismatch(value, column);
      int64_t lo = column.type == ColumnType::kByte ? 0
                   : column.type == ColumnType::kInteger ? std::numeric_limits<int16_t>::min()
                                                          : std::numeric_limits<int32_t>::min();
      int64_t hi = column.type == ColumnType::kByte ? 255
                   : column.type == ColumnType::kInteger ? std::numeric_limits<int16_t>::max()
                                                          : std::numeric_limits<int32_t>::max();
      return ToInteger(value, column, lo, hi);
    }
    case ColumnType::kSingle: {
      if (!IsNumericSource(value)) return Mismatch(value, column);
      std::optional<double> d = NumericOf(value);
      if (!d || std::isnan(*d)) return Mismatch(value, column);
      if (std::fabs(*d) > std::numeric_limits<float>::max()) return Overflow(value, column);
      return Value::Single(static_cast<float>(*d));
    }
    case ColumnType::kDouble: {
      if (!IsNumericSource(value)) return Mismatch(value, column);
      std::optional<double> d = NumericOf(value);
      if (!d || std::isnan(*d)) return Mismatch(value, column);
      if (std::isinf(*d)) return Overflow(value, column);
      return Value::Double(*d);
    }
    case ColumnType::kCurrency: {
      if (!IsNumericSource(value)) return Mismatch(value, column);
      if (value.kind() == Value::Kind::kCurrency) return value;
      std::optional<Decimal> d = ExactDecimalOf(value);
      if (!d) {
        if (value.kind() == Value::Kind::kText && !ParseNumberText(value.text())) return Mismatch(value, column);
        return Overflow(value, column);
      }
      std::optional<Currency> c = DecimalToCurrency(*d);
      if (!c) return Overflow(value, column);
      return Value::Money(*c);
    }
    case ColumnType::kNumeric: {
      if (!IsNumericSource(value)) return Mismatch(value, column);
      std::optional<Decimal> d = ExactDecimalOf(value);
      if (!d) {
        if (value.kind() == Value::Kind::kText && !ParseNumberText(value.text())) return Mismatch(value, column);
        return Overflow(value, column);
      }
      int precision = column.precision == 0 ? 18 : column.precision;
      std::optional<Decimal> r = RescaleDecimal(*d, column.scale, precision);
      if (!r) return Overflow(value, column);
      return Value::Number(*r);
    }
    case ColumnType::kText:
    case ColumnType::kMemo: {
      if (value.kind() == Value::Kind::kBinary && column.type == ColumnType::kText) {
        // Binary data has no meaning as text of a Text column.
        return Mismatch(value, column);
      }
      std::string text = ValueToText(value);
      if (column.size > 0) {
        size_t units = Utf8ToUtf16(text).size();
        if (units > column.size) {
          return Status::Constraint("the field '" + column.name + "' is too small for the value: " +
                                    std::to_string(units) + " characters, the field holds " +
                                    std::to_string(column.size));
        }
      }
      return Value::Text(std::move(text));
    }
    case ColumnType::kBoolean: {
      if (value.kind() == Value::Kind::kBoolean) return value;
      if (value.kind() == Value::Kind::kText) {
        std::string_view t = Trim(value.text());
        for (std::string_view yes : {"True", "Yes", "On"}) {
          if (EqualsIgnoreCase(t, yes)) return Value::Boolean(true);
        }
        for (std::string_view no : {"False", "No", "Off"}) {
          if (EqualsIgnoreCase(t, no)) return Value::Boolean(false);
        }
      }
      if (!IsNumericSource(value)) return Mismatch(value, column);
      std::optional<double> d = NumericOf(value);
      if (!d || std::isnan(*d)) return Mismatch(value, column);
      return Value::Boolean(*d != 0);
    }
    case ColumnType::kDateTime: {
      if (value.kind() == Value::Kind::kDateTime) return value;
      if (value.kind() == Value::Kind::kText) {
        std::optional<DateTime> dt = ParseDateText(value.text());
        if (!dt) return Mismatch(value, column);
        return Value::Date(*dt);
      }
      if (value.kind() == Value::Kind::kBoolean || !IsNumericSource(value)) return Mismatch(value, column);
      std::optional<double> d = NumericOf(value);
      if (!d || std::isnan(*d)) return Mismatch(value, column);
      // Years 100 to 9999.
      if (*d < -657434.0 || *d >= 2958466.0) return Overflow(value, column);
      return Value::Date(DateTime{*d});
    }
    case ColumnType::kGuid: {
      if (value.kind() == Value::Kind::kGuid) return value;
      if (value.kind() == Value::Kind::kText) {
        std::optional<Guid> g = ParseGuidText(value.text());
        if (g) return Value::Uuid(*g);
      }
      return Mismatch(value, column);
    }
    case ColumnType::kBinary:
    case ColumnType::kOle: {
      std::string bytes;
      if (value.kind() == Value::Kind::kBinary) {
        bytes = value.bytes();
      } else if (value.kind() == Value::Kind::kText) {
        for (char16_t u : Utf8ToUtf16(value.text())) {
          bytes.push_back(static_cast<char>(u & 0xFF));
          bytes.push_back(static_cast<char>(u >> 8));
        }
      } else {
        return Mismatch(value, column);
      }
      if (column.type == ColumnType::kBinary && column.size > 0 && bytes.size() > column.size) {
        return Status::Constraint("the field '" + column.name + "' is too small for the value: " +
                                  std::to_string(bytes.size()) + " bytes, the field holds " +
                                  std::to_string(column.size));
      }
      return Value::Bytes(std::move(bytes));
    }
  }
  return Mismatch(value, column);
}

}  // namespace

Result<Value> ConvertForColumn(const Value& value, const TargetColumn& column) {
  if (value.is_null()) return Value::Null();
  Target target{column.type, column.name, "", column.size, column.precision, column.scale};
  return Convert(value, target);
}

Result<Value> ConvertForFunction(const Value& value, ColumnType type, std::string_view function) {
  if (value.is_null()) return Status::InvalidArgument("invalid use of Null in " + std::string(function));
  Target target{type, "", std::string(function), 0, 28, 0};
  if (type == ColumnType::kNumeric) {
    // CDec keeps the value's own scale.
    target.scale = value.kind() == Value::Kind::kDecimal ? value.decimal().scale : 0;
  }
  return Convert(value, target);
}

}  // namespace tabulon::jet::sql
