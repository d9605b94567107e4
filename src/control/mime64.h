// The control's Base64 decoder for the arguments a page hands over. Unlike the loader's
// codec (base/base64.h) it works in whole groups of four characters and never stops early:
//   - the text's length must be a multiple of 4, else the call fails with
//     "Uneven size in DecodeToStream.";
//   - each group gives three bytes; a group whose third character is "=" gives only its
//     first byte, otherwise a group whose fourth character is "=" gives its first two bytes,
//     wherever the group stands in the text;
//   - every character counts, blanks and line breaks included; a character outside the
//     alphabet (and "=" in the first two places of a group) contributes six zero bits.
// Bytes come out as they were encoded; no character set is implied.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"

namespace tabulon::control {

inline constexpr char kUnevenSizeMessage[] = "Uneven size in DecodeToStream.";

Result<std::string> Mime64Decode(std::string_view text);

}  // namespace tabulon::control
