// libFuzzer target for the control's Base64 decoder, which takes text from web pages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "control/mime64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto decoded = tabulon::control::Mime64Decode(text);
  if (text.size() % 4 != 0) {
    if (decoded.ok()) std::abort();
    return 0;
  }
  if (!decoded.ok()) std::abort();
  // Each group of four gives one to three bytes.
  size_t groups = text.size() / 4;
  if (decoded->size() < groups || decoded->size() > groups * 3) std::abort();
  return 0;
}
