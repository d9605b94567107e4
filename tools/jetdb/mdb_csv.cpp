#include "mdb_csv.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tabulon::jetdb {

using jet::ColumnType;
using jet::Value;

namespace {

// Days from 1970-01-01 to the civil date y-m-d (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

// Renders decimal digits (least significant first) with `scale` of them after the point,
// at least one digit before it, as mdbtools does.
std::string DigitsToText(const std::string& digits_lsb_first, unsigned scale, bool negative) {
  size_t top = digits_lsb_first.size();
  while (top > 0 && top - 1 > scale && digits_lsb_first[top - 1] == 0) --top;
  std::string s;
  if (negative) s.push_back('-');
  if (top == 0) {
    s.push_back('0');
    return s;
  }
  for (size_t i = top; i > 0; --i) {
    if (i == scale) s.push_back('.');
    s.push_back(static_cast<char>('0' + (i - 1 < digits_lsb_first.size() ? digits_lsb_first[i - 1] : 0)));
  }
  return s;
}

void AppendQuoted(const std::string& text, std::string* out) {
  out->push_back('"');
  for (char c : text) {
    if (c == '"') out->push_back('"');
    out->push_back(c);
  }
  out->push_back('"');
}

void AppendHexQuoted(const std::string& bytes, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out->push_back('"');
  for (unsigned char c : bytes) {
    out->push_back(kHex[c >> 4]);
    out->push_back(kHex[c & 15]);
  }
  out->push_back('"');
}

std::string FormatGeneral(double v, int precision) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, precision);
  return std::string(buf, res.ptr);
}

}  // namespace

std::string FormatDateTime(double days) {
  // Outside Jet's dates (years 100 to 9999) the value is no date; show the day number.
  if (!std::isfinite(days) || days >= 2958466.0 || days <= -657435.0) return FormatDouble(days);
  double whole = std::trunc(days);
  int64_t day = static_cast<int64_t>(whole);
  // The fraction is the time of day, also for dates before 1899-12-30.
  int64_t seconds = static_cast<int64_t>(std::floor(std::fabs(days - whole) * 86400.0 + 0.5));
  if (seconds >= 86400) {
    seconds -= 86400;
    day += 1;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(DaysFromCivil(1899, 12, 30) + day, &y, &m, &d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(y), m, d,
                static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buf;
}

std::string FormatCurrency(int64_t units) {
  bool negative = units < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
  std::string digits;
  while (magnitude) {
    digits.push_back(static_cast<char>(magnitude % 10));
    magnitude /= 10;
  }
  digits.resize(std::max<size_t>(digits.size(), 20), 0);
  return DigitsToText(digits, 4, negative);
}

std::string FormatDecimal(const jet::Decimal& dec) {
  // 96-bit magnitude as three 32-bit words, most significant first; divide by ten.
  uint32_t words[3] = {static_cast<uint32_t>(dec.hi), static_cast<uint32_t>(dec.lo >> 32),
                       static_cast<uint32_t>(dec.lo)};
  std::string digits;
  while (words[0] || words[1] || words[2]) {
    uint64_t rem = 0;
    for (uint32_t& w : words) {
      uint64_t cur = (rem << 32) | w;
      w = static_cast<uint32_t>(cur / 10);
      rem = cur % 10;
    }
    digits.push_back(static_cast<char>(rem));
  }
  digits.resize(std::max<size_t>(digits.size(), 40), 0);
  return DigitsToText(digits, dec.scale, dec.negative);
}

std::string FormatSingle(float v) { return FormatGeneral(static_cast<double>(v), 8); }
std::string FormatDouble(double v) { return FormatGeneral(v, 16); }

std::string FormatGuid(const jet::Guid& g) {
  const auto& b = g.bytes;
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return buf;
}

void AppendCsvValue(const Value& value, std::string* out) {
  switch (value.kind()) {
    case Value::Kind::kNull: return;
    case Value::Kind::kBoolean: out->push_back(value.boolean() ? '1' : '0'); return;
    case Value::Kind::kByte: *out += std::to_string(value.byte()); return;
    case Value::Kind::kInteger: *out += std::to_string(value.integer()); return;
    case Value::Kind::kLong: *out += std::to_string(value.long_value()); return;
    case Value::Kind::kCurrency: *out += FormatCurrency(value.currency().units); return;
    case Value::Kind::kSingle: *out += FormatSingle(value.single()); return;
    case Value::Kind::kDouble: *out += FormatDouble(value.double_value()); return;
    case Value::Kind::kDateTime: AppendQuoted(FormatDateTime(value.datetime().days), out); return;
    case Value::Kind::kText: AppendQuoted(value.text(), out); return;
    case Value::Kind::kBinary: AppendHexQuoted(value.bytes(), out); return;
    // mdbtools renders a Replication ID as its braced text and then exports that text as
    // binary data, so the field holds the hex codes of the braced text.
    case Value::Kind::kGuid: AppendHexQuoted(FormatGuid(value.guid()), out); return;
    case Value::Kind::kDecimal: *out += FormatDecimal(value.decimal()); return;
  }
}

void AppendCsvField(const jet::ColumnDef& column, const Value& value, std::string* out) {
  // mdb-export leaves columns of types it does not know empty (the binary type 0x11 of
  // MSysAccessObjects); so do we.
  if (!column.known_type()) return;
  AppendCsvValue(value, out);
}

}  // namespace tabulon::jetdb
