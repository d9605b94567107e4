// Module versions travel as dotted digits ("1.0.3"). Their number is the text with every
// "." removed, read as a 32-bit signed decimal integer: an optional sign followed by one or
// more ASCII digits and nothing else. Anything else (empty, other characters, blanks,
// out of the 32-bit range) gives 0. Versions compare by their numbers only, so "1.10"
// (110) is older than "1.9.5" (195); that is how the service and the installed product
// number their releases.
#pragma once

#include <cstdint>
#include <string_view>

namespace tabulon {

int32_t VersionNumber(std::string_view version_text);

}  // namespace tabulon
