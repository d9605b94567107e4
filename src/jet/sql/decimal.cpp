#include "jet/sql/decimal.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <limits>

namespace tabulon::jet::sql {

Magnitude Magnitude::From64(uint64_t v) {
  Magnitude m;
  m.limb[0] = static_cast<uint32_t>(v);
  m.limb[1] = static_cast<uint32_t>(v >> 32);
  return m;
}

bool Magnitude::MulAdd(uint32_t m, uint32_t a) {
  uint64_t carry = a;
  for (uint32_t& l : limb) {
    uint64_t x = static_cast<uint64_t>(l) * m + carry;
    l = static_cast<uint32_t>(x);
    carry = x >> 32;
  }
  return carry == 0;
}

uint32_t Magnitude::DivMod(uint32_t d) {
  uint64_t rem = 0;
  for (int i = 3; i >= 0; --i) {
    uint64_t cur = (rem << 32) | limb[i];
    limb[i] = static_cast<uint32_t>(cur / d);
    rem = cur % d;
  }
  return static_cast<uint32_t>(rem);
}

double Magnitude::ToDouble() const {
  double v = 0;
  for (int i = 3; i >= 0; --i) v = v * 4294967296.0 + limb[i];
  return v;
}

std::string Magnitude::ToDigits() const {
  if (IsZero()) return "0";
  Magnitude m = *this;
  std::string digits;
  while (!m.IsZero()) digits.push_back(static_cast<char>('0' + m.DivMod(10)));
  std::reverse(digits.begin(), digits.end());
  return digits;
}

int Compare(const Magnitude& a, const Magnitude& b) {
  for (int i = 3; i >= 0; --i) {
    if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
  }
  return 0;
}

Magnitude Multiply64(uint64_t a, uint64_t b) {
  uint32_t x[2] = {static_cast<uint32_t>(a), static_cast<uint32_t>(a >> 32)};
  uint32_t y[2] = {static_cast<uint32_t>(b), static_cast<uint32_t>(b >> 32)};
  Magnitude r;
  for (int i = 0; i < 2; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < 2; ++j) {
      uint64_t cur = static_cast<uint64_t>(x[i]) * y[j] + r.limb[i + j] + carry;
      r.limb[i + j] = static_cast<uint32_t>(cur);
      carry = cur >> 32;
    }
    r.limb[i + 2] = static_cast<uint32_t>(carry);
  }
  return r;
}

const Magnitude& DecimalLimit() {
  static const Magnitude limit = [] {
    Magnitude m = Magnitude::From64(1);
    for (int i = 0; i < 28; ++i) m.MulAdd(10, 0);
    return m;
  }();
  return limit;
}

std::optional<Decimal> MakeDecimal(bool negative, const Magnitude& magnitude, int scale) {
  if (scale < 0 || scale > 28 || Compare(magnitude, DecimalLimit()) >= 0) return std::nullopt;
  Decimal d;
  d.negative = negative && !magnitude.IsZero();
  d.scale = static_cast<uint8_t>(scale);
  d.lo = magnitude.Low64();
  d.hi = magnitude.limb[2];
  int digits = magnitude.IsZero() ? 1 : static_cast<int>(magnitude.ToDigits().size());
  d.precision = static_cast<uint8_t>(std::max(std::max(digits, scale), 1));
  return d;
}

Magnitude DecimalMagnitude(const Decimal& d) {
  Magnitude m = Magnitude::From64(d.lo);
  m.limb[2] = static_cast<uint32_t>(d.hi);
  return m;
}

std::optional<Decimal> ParseDecimalDigits(std::string_view text, bool negative) {
  Magnitude m;
  int scale = 0;
  bool point = false;
  bool any = false;
  for (char c : text) {
    if (c == '.') {
      if (point) return std::nullopt;
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    any = true;
    if (point) {
      if (++scale > 28) return std::nullopt;
    }
    if (!m.MulAdd(10, static_cast<uint32_t>(c - '0'))) return std::nullopt;
    if (Compare(m, DecimalLimit()) >= 0) return std::nullopt;
  }
  if (!any) return std::nullopt;
  return MakeDecimal(negative, m, scale);
}

Decimal DecimalFromInt(int64_t v) {
  uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  return *MakeDecimal(v < 0, Magnitude::From64(mag), 0);
}

Decimal DecimalFromCurrency(Currency c) {
  uint64_t mag = c.units < 0 ? 0 - static_cast<uint64_t>(c.units) : static_cast<uint64_t>(c.units);
  return *MakeDecimal(c.units < 0, Magnitude::From64(mag), 4);
}

std::optional<Decimal> DecimalFromDouble(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof(buf), std::fabs(v), std::chars_format::fixed);
  if (ec != std::errc()) return std::nullopt;
  std::string_view text(buf, static_cast<size_t>(end - buf));
  // More than 28 places: round the text's digits away by reading at most 28.
  size_t point = text.find('.');
  if (point != std::string_view::npos && text.size() - point - 1 > 28) text = text.substr(0, point + 29);
  return ParseDecimalDigits(text, v < 0);
}

double DecimalToDouble(const Decimal& d) {
  double v = DecimalMagnitude(d).ToDouble();
  // Divide by a power of ten computed exactly (10^scale is exact in a double up to 10^22).
  double p = 1;
  for (int i = 0; i < d.scale; ++i) p *= 10;
  v /= p;
  return d.negative ? -v : v;
}

std::string DecimalToText(const Decimal& d) {
  std::string digits = DecimalMagnitude(d).ToDigits();
  if (d.scale > 0) {
    if (digits.size() <= d.scale) digits = std::string(d.scale - digits.size() + 1, '0') + digits;
    size_t point = digits.size() - d.scale;
    digits = digits.substr(0, point) + "." + digits.substr(point);
  }
  bool zero = DecimalMagnitude(d).IsZero();
  return (d.negative && !zero ? "-" : "") + digits;
}

namespace {

// Splits a magnitude of the given scale into its whole part and the fraction scaled to
// 28 places (both exact: fractions below 1 times 10^28 fit).
void Split(const Decimal& d, Magnitude& whole, Magnitude& fraction28) {
  whole = DecimalMagnitude(d);
  Magnitude frac;
  // Extract the fractional digits from the low end one at a time.
  uint32_t digits[28];
  for (int i = 0; i < d.scale; ++i) digits[i] = whole.DivMod(10);
  for (int i = d.scale - 1; i >= 0; --i) frac.MulAdd(10, digits[i]);
  for (int i = d.scale; i < 28; ++i) frac.MulAdd(10, 0);
  fraction28 = frac;
}

// Rounds `m` (a count of units of 10^-drop) to whole units by dropping `drop` digits,
// half to even.
Magnitude DropDigits(Magnitude m, int drop) {
  if (drop <= 0) return m;
  bool sticky = false;
  uint32_t last = 0;
  for (int i = 0; i < drop; ++i) {
    if (last != 0) sticky = true;
    last = m.DivMod(10);
  }
  // `last` is the first dropped digit, `sticky` whether any later one was non-zero.
  bool round_up = last > 5 || (last == 5 && (sticky || (m.limb[0] & 1)));
  if (round_up) m.MulAdd(1, 1);
  return m;
}

}  // namespace

int CompareDecimal(const Decimal& a, const Decimal& b) {
  // A scale beyond 28 cannot come from a valid file; compare such values approximately
  // rather than split them.
  if (a.scale > 28 || b.scale > 28) {
    double x = DecimalToDouble(a), y = DecimalToDouble(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  bool a_zero = DecimalMagnitude(a).IsZero();
  bool b_zero = DecimalMagnitude(b).IsZero();
  bool a_neg = a.negative && !a_zero;
  bool b_neg = b.negative && !b_zero;
  if (a_neg != b_neg) return a_neg ? -1 : 1;
  Magnitude aw, af, bw, bf;
  Split(a, aw, af);
  Split(b, bw, bf);
  int r = Compare(aw, bw);
  if (r == 0) r = Compare(af, bf);
  return a_neg ? -r : r;
}

std::optional<Decimal> RescaleDecimal(const Decimal& d, int scale, int precision) {
  if (scale < 0 || scale > 28) return std::nullopt;
  Magnitude m = DecimalMagnitude(d);
  if (scale >= d.scale) {
    for (int i = d.scale; i < scale; ++i) {
      if (!m.MulAdd(10, 0)) return std::nullopt;
    }
  } else {
    m = DropDigits(m, d.scale - scale);
  }
  std::optional<Decimal> r = MakeDecimal(d.negative, m, scale);
  if (!r) return std::nullopt;
  int digits = m.IsZero() ? 0 : static_cast<int>(m.ToDigits().size());
  if (digits > precision) return std::nullopt;
  r->precision = static_cast<uint8_t>(precision);
  return r;
}

std::optional<Currency> DecimalToCurrency(const Decimal& d) {
  Magnitude m = DecimalMagnitude(d);
  if (d.scale <= 4) {
    for (int i = d.scale; i < 4; ++i) {
      if (!m.MulAdd(10, 0)) return std::nullopt;
    }
  } else {
    m = DropDigits(m, d.scale - 4);
  }
  if (!m.FitsIn64()) return std::nullopt;
  uint64_t v = m.Low64();
  bool negative = d.negative && v != 0;
  if (!negative && v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  if (negative && v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return std::nullopt;
  return Currency{negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v)};
}

std::optional<int64_t> DecimalToInt64(const Decimal& d) {
  Magnitude m = DropDigits(DecimalMagnitude(d), d.scale);
  if (!m.FitsIn64()) return std::nullopt;
  uint64_t v = m.Low64();
  bool negative = d.negative && v != 0;
  if (!negative && v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  if (negative && v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return std::nullopt;
  return negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
}

namespace {

Magnitude AddMagnitudes(const Magnitude& a, const Magnitude& b, bool& overflow) {
  Magnitude r;
  uint64_t carry = 0;
  for (int i = 0; i < 4; ++i) {
    uint64_t x = static_cast<uint64_t>(a.limb[i]) + b.limb[i] + carry;
    r.limb[i] = static_cast<uint32_t>(x);
    carry = x >> 32;
  }
  overflow = carry != 0;
  return r;
}

// a - b for a >= b.
Magnitude SubtractMagnitudes(const Magnitude& a, const Magnitude& b) {
  Magnitude r;
  int64_t borrow = 0;
  for (int i = 0; i < 4; ++i) {
    int64_t x = static_cast<int64_t>(a.limb[i]) - b.limb[i] - borrow;
    borrow = x < 0 ? 1 : 0;
    r.limb[i] = static_cast<uint32_t>(x + (borrow << 32));
  }
  return r;
}

}  // namespace

Decimal DecimalNegate(const Decimal& d) {
  Decimal r = d;
  r.negative = !d.negative && !DecimalMagnitude(d).IsZero();
  return r;
}

std::optional<Decimal> DecimalAdd(const Decimal& a, const Decimal& b) {
  int scale = std::max(a.scale, b.scale);
  Magnitude ma = DecimalMagnitude(a), mb = DecimalMagnitude(b);
  for (int i = a.scale; i < scale; ++i) {
    if (!ma.MulAdd(10, 0)) return std::nullopt;
  }
  for (int i = b.scale; i < scale; ++i) {
    if (!mb.MulAdd(10, 0)) return std::nullopt;
  }
  bool an = a.negative && !ma.IsZero();
  bool bn = b.negative && !mb.IsZero();
  if (an == bn) {
    bool overflow = false;
    Magnitude sum = AddMagnitudes(ma, mb, overflow);
    if (overflow) return std::nullopt;
    return MakeDecimal(an, sum, scale);
  }
  int c = Compare(ma, mb);
  if (c >= 0) return MakeDecimal(an, SubtractMagnitudes(ma, mb), scale);
  return MakeDecimal(bn, SubtractMagnitudes(mb, ma), scale);
}

std::optional<Decimal> DecimalMultiply(const Decimal& a, const Decimal& b) {
  Magnitude ma = DecimalMagnitude(a), mb = DecimalMagnitude(b);
  if (!ma.FitsIn64() || !mb.FitsIn64()) return std::nullopt;
  Magnitude product = Multiply64(ma.Low64(), mb.Low64());
  int scale = a.scale + b.scale;
  if (scale > 28) {
    product = DropDigits(product, scale - 28);
    scale = 28;
  }
  // Drop fraction digits while the product is too large and places remain, as the
  // Decimal type does (it keeps the most significant digits).
  while (Compare(product, DecimalLimit()) >= 0 && scale > 0) {
    product = DropDigits(product, 1);
    --scale;
  }
  return MakeDecimal(a.negative != b.negative, product, scale);
}

std::optional<Currency> CurrencyMultiply(Currency a, Currency b) {
  bool negative = (a.units < 0) != (b.units < 0);
  uint64_t x = a.units < 0 ? 0 - static_cast<uint64_t>(a.units) : static_cast<uint64_t>(a.units);
  uint64_t y = b.units < 0 ? 0 - static_cast<uint64_t>(b.units) : static_cast<uint64_t>(b.units);
  Magnitude m = DropDigits(Multiply64(x, y), 4);
  if (!m.FitsIn64()) return std::nullopt;
  uint64_t v = m.Low64();
  if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0)) return std::nullopt;
  return Currency{negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v)};
}

double RoundHalfEven(double v) {
  if (!std::isfinite(v)) return v;
  double r = std::nearbyint(v);  // the default rounding mode rounds half to even
  if (std::fabs(v - std::trunc(v)) == 0.5) {
    double t = std::trunc(v);
    r = std::fmod(t, 2.0) == 0 ? t : t + (v > 0 ? 1 : -1);
  }
  return r;
}

}  // namespace tabulon::jet::sql
