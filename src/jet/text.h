// Text as Jet 4 stores it: UTF-16LE, or "compressed unicode" (starts with FF FE; one byte
// per character while the high byte is zero, a 0x00 byte switches between one-byte and
// two-byte characters).
#pragma once

#include <string>

#include "jet/bytes.h"

namespace tabulon::jet {

// The UTF-16 text of a stored Text or Memo value.
std::u16string DecodeStoredText(ByteSpan stored);
// The same as UTF-8 (an unpaired surrogate becomes U+FFFD, as in base/encoding.h).
std::string DecodeStoredTextUtf8(ByteSpan stored);

}  // namespace tabulon::jet
