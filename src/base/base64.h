// The loader's Base64 codec: standard alphabet, no "=" padding written, no line breaks;
// decoding stops at the first character outside the alphabet ("=", blanks and line breaks
// included) and drops leftover bits. Bytes in, text out, and back; no character set is
// implied (callers put UTF-8 or ANSI bytes in as their protocol says).
#pragma once

#include <string>
#include <string_view>

namespace tabulon {

std::string Base64Encode(std::string_view bytes);
std::string Base64Decode(std::string_view text);

}  // namespace tabulon
