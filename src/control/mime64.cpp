#include "control/mime64.h"

#include <array>
#include <cstdint>

namespace tabulon::control {
namespace {

// The six-bit value of each character of the standard alphabet; 0 for every other byte.
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (uint8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<uint8_t, 256> kDecodeTable = MakeDecodeTable();

}  // namespace

Result<std::string> Mime64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return Status::InvalidArgument(kUnevenSizeMessage);
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) group = (group << 6) | kDecodeTable[static_cast<uint8_t>(text[i + k])];
    bytes.push_back(static_cast<char>(group >> 16));
    if (text[i + 2] == '=') continue;
    bytes.push_back(static_cast<char>(group >> 8));
    if (text[i + 3] == '=') continue;
    bytes.push_back(static_cast<char>(group));
  }
  return bytes;
}

}  // namespace tabulon::control
