#include "jet/text.h"

namespace tabulon::jet {

std::u16string DecodeUtf16Le(ByteSpan bytes) {
  std::u16string out;
  out.resize(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(LoadU16(bytes.data() + 2 * i));
  return out;
}

std::u16string DecodeStoredText(ByteSpan stored) {
  // Exactly FF FE is the single character U+FEFF: compressing it would not save space.
  if (stored.size() <= 2 || stored[0] != 0xFF || stored[1] != 0xFE) return DecodeUtf16Le(stored);
  std::u16string out;
  out.reserve(stored.size() - 2);
  bool compressed = true;
  size_t pos = 2;
  while (pos < stored.size()) {
    if (stored[pos] == 0x00) {
      compressed = !compressed;
      ++pos;
    } else if (compressed) {
      out.push_back(static_cast<char16_t>(stored[pos++]));
    } else if (stored.size() - pos >= 2) {
      out.push_back(static_cast<char16_t>(LoadU16(stored.data() + pos)));
      pos += 2;
    } else {
      break;  // a dangling half character
    }
  }
  return out;
}

std::string DecodeStoredTextUtf8(ByteSpan stored) {
  // Converted here rather than through the base layer: this runs for every text value read.
  std::u16string text = DecodeStoredText(stored);
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;  // an unpaired surrogate
      }
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace tabulon::jet
