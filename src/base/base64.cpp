#include "base/base64.h"

#include <cstdint>

namespace tabulon {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int AlphabetIndex(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() * 8 + 5) / 6);
  uint32_t acc = 0;  // never holds more than 8 + 5 bits
  int bits = 0;
  for (unsigned char b : bytes) {
    acc = (acc << 8) | b;
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out.push_back(kAlphabet[(acc >> bits) & 0x3F]);
      acc &= (1u << bits) - 1;
    }
  }
  if (bits > 0) out.push_back(kAlphabet[(acc << (6 - bits)) & 0x3F]);
  return out;
}

std::string Base64Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 6 / 8);
  uint32_t acc = 0;  // never holds more than 6 + 7 bits
  int bits = 0;
  for (char c : text) {
    int v = AlphabetIndex(c);
    if (v < 0) break;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((acc >> bits) & 0xFF));
      acc &= (1u << bits) - 1;
    }
  }
  return out;
}

}  // namespace tabulon
