// Exact arithmetic for Decimal and Currency values of the SQL front, without a 128-bit
// integer type (the 32-bit Windows build has none): a magnitude of up to 128 bits held in
// four 32-bit limbs. Internal to the SQL front.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "jet/value.h"

namespace tabulon::jet::sql {

// An unsigned integer below 2^128.
struct Magnitude {
  uint32_t limb[4] = {};  // least significant first

  static Magnitude From64(uint64_t v);
  bool IsZero() const { return (limb[0] | limb[1] | limb[2] | limb[3]) == 0; }
  // Multiplies by m and adds a; false on overflow past 128 bits.
  bool MulAdd(uint32_t m, uint32_t a);
  // Divides by d (> 0), returning the remainder.
  uint32_t DivMod(uint32_t d);
  bool FitsIn64() const { return limb[2] == 0 && limb[3] == 0; }
  uint64_t Low64() const { return (static_cast<uint64_t>(limb[1]) << 32) | limb[0]; }
  bool FitsIn96() const { return limb[3] == 0; }
  double ToDouble() const;
  std::string ToDigits() const;  // decimal digits, "0" for zero
  friend int Compare(const Magnitude& a, const Magnitude& b);
};

// a * b exactly.
Magnitude Multiply64(uint64_t a, uint64_t b);

// 10^28: Decimal magnitudes stay below it.
const Magnitude& DecimalLimit();

// Builds a Decimal from its sign, magnitude and scale (0-28); nothing when the magnitude
// reaches 10^28. The precision is the number of digits (at least the scale, at least 1).
std::optional<Decimal> MakeDecimal(bool negative, const Magnitude& magnitude, int scale);

// The magnitude of a Decimal as a Magnitude.
Magnitude DecimalMagnitude(const Decimal& d);

// Reads digits with an optional decimal point ("123", "1.50", ".5"); at most 28 digits
// after the point. Nothing when it is not such a text or the value reaches 10^28.
std::optional<Decimal> ParseDecimalDigits(std::string_view text, bool negative);

Decimal DecimalFromInt(int64_t v);
Decimal DecimalFromCurrency(Currency c);
// The shortest decimal text of the double, read back as a Decimal; nothing when it is not
// finite or too large.
std::optional<Decimal> DecimalFromDouble(double v);

double DecimalToDouble(const Decimal& d);
// "-12.50" (the scale's digits kept), "0" for zero.
std::string DecimalToText(const Decimal& d);
int CompareDecimal(const Decimal& a, const Decimal& b);
// Rounds half to even to `scale` places; nothing when the result needs more than
// `precision` digits.
std::optional<Decimal> RescaleDecimal(const Decimal& d, int scale, int precision);
// Rounded half to even to 4 places; nothing when out of Currency's range.
std::optional<Currency> DecimalToCurrency(const Decimal& d);
// Rounded half to even to a whole number; nothing when out of int64's range.
std::optional<int64_t> DecimalToInt64(const Decimal& d);

// Exact sum and product of Decimals; nothing when the exact result does not fit a Decimal
// (more than 28 digits), so that the caller can fall back to Double.
std::optional<Decimal> DecimalAdd(const Decimal& a, const Decimal& b);
std::optional<Decimal> DecimalMultiply(const Decimal& a, const Decimal& b);
Decimal DecimalNegate(const Decimal& d);

// Currency arithmetic, exact; nothing on overflow.
std::optional<Currency> CurrencyMultiply(Currency a, Currency b);

// Rounds half to even to a whole number (the rounding of Jet's integer conversions).
double RoundHalfEven(double v);

}  // namespace tabulon::jet::sql
