#include "base/version.h"

#include <limits>

namespace tabulon {

int32_t VersionNumber(std::string_view version_text) {
  bool negative = false;
  bool any_digit = false;
  bool sign_allowed = true;
  int64_t value = 0;
  for (char c : version_text) {
    if (c == '.') continue;
    if (sign_allowed && (c == '+' || c == '-')) {
      negative = (c == '-');
      sign_allowed = false;
      continue;
    }
    sign_allowed = false;
    if (c < '0' || c > '9') return 0;
    any_digit = true;
    value = value * 10 + (c - '0');
    // The range test on every digit keeps value within int64.
    if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return 0;
  }
  if (!any_digit) return 0;
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min()) return 0;
  return static_cast<int32_t>(value);
}

}  // namespace tabulon
