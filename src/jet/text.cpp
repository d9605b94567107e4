#include "jet/text.h"

#include "base/encoding.h"

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

std::string DecodeStoredTextUtf8(ByteSpan stored) { return Utf16ToUtf8(DecodeStoredText(stored)); }

}  // namespace tabulon::jet
