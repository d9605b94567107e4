// Native conversions through glibc's iconv, with GBK standing in for the ANSI code page.
#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <memory>
#include <vector>
#include <stdexcept>

#include "base/encoding.h"

namespace tabulon {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// An iconv descriptor. Opening one is costly (glibc loads the conversion module), so each
// thread keeps one per direction (see Cached) and resets it before every use.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts as much as possible; returns the iconv error (0 when all input was taken).
  int Convert(const char** in, size_t* in_left, std::string* out) {
    char buf[1024];
    while (*in_left > 0) {
      char* o = buf;
      size_t o_left = sizeof(buf);
      size_t r = iconv(cd_, const_cast<char**>(in), in_left, &o, &o_left);
      out->append(buf, static_cast<size_t>(o - buf));
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        return errno;
      }
    }
    return 0;
  }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

// The calling thread's descriptor for converting `from` to `to` (a handful of directions).
Iconv& Cached(const char* to, const char* from) {
  struct Entry {
    const char* to;
    const char* from;
    std::unique_ptr<Iconv> cv;
  };
  thread_local std::vector<Entry> cache;
  for (auto& e : cache) {
    if (std::string_view(e.to) == to && std::string_view(e.from) == from) {
      e.cv->Reset();
      return *e.cv;
    }
  }
  cache.push_back({to, from, std::make_unique<Iconv>(to, from)});
  return *cache.back().cv;
}

void AppendUtf16(std::u16string* out, const std::string& le_bytes) {
  for (size_t i = 0; i + 1 < le_bytes.size(); i += 2) {
    out->push_back(static_cast<char16_t>(static_cast<unsigned char>(le_bytes[i]) |
                                         (static_cast<unsigned char>(le_bytes[i + 1]) << 8)));
  }
}

// Decodes bytes in `from` to UTF-16; each byte that starts no valid sequence becomes U+FFFD.
std::u16string DecodeToUtf16(const char* from, std::string_view text) {
  Iconv& cv = Cached("UTF-16LE", from);
  std::u16string out;
  const char* in = text.data();
  size_t left = text.size();
  std::string bytes;
  while (left > 0) {
    bytes.clear();
    int err = cv.Convert(&in, &left, &bytes);
    AppendUtf16(&out, bytes);
    if (err == 0) break;
    // EILSEQ or EINVAL (a truncated sequence at the end): skip one byte.
    out.push_back(kReplacement);
    ++in;
    --left;
    cv.Reset();
  }
  return out;
}

// Encodes UTF-16 to `to`; each code point that `to` cannot hold becomes `replacement`.
// Unpaired surrogates are treated as unrepresentable.
std::string EncodeFromUtf16(const char* to, std::u16string_view text, std::string_view replacement) {
  Iconv& cv = Cached(to, "UTF-16LE");
  std::string out;
  size_t i = 0;
  std::string le;
  while (i < text.size()) {
    // Take one code point at a time only after a failure; convert runs otherwise.
    size_t run = i;
    while (run < text.size()) {
      char16_t c = text[run];
      if (c >= 0xD800 && c <= 0xDBFF) {
        if (run + 1 < text.size() && text[run + 1] >= 0xDC00 && text[run + 1] <= 0xDFFF) {
          run += 2;
          continue;
        }
        break;
      }
      if (c >= 0xDC00 && c <= 0xDFFF) break;
      ++run;
    }
    le.clear();
    for (size_t k = i; k < run; ++k) {
      le.push_back(static_cast<char>(text[k] & 0xFF));
      le.push_back(static_cast<char>(text[k] >> 8));
    }
    const char* in = le.data();
    size_t left = le.size();
    while (left > 0) {
      int err = cv.Convert(&in, &left, &out);
      if (err == 0) break;
      // One unconvertible code point (two or four bytes): replace it and go on.
      size_t unit = 2;
      if (left >= 4) {
        uint16_t hi = static_cast<uint16_t>(static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8));
        if (hi >= 0xD800 && hi <= 0xDBFF) unit = 4;
      }
      out.append(replacement);
      in += unit;
      left -= unit;
      cv.Reset();
    }
    i = run;
    if (i < text.size()) {
      // An unpaired surrogate.
      out.append(replacement);
      ++i;
    }
  }
  return out;
}

}  // namespace

unsigned AnsiCodePage() { return 936; }

std::u16string AnsiToUtf16(std::string_view ansi) { return DecodeToUtf16("CP936", ansi); }
std::string Utf16ToAnsi(std::u16string_view utf16) { return EncodeFromUtf16("CP936", utf16, "?"); }
std::u16string Utf8ToUtf16(std::string_view utf8) { return DecodeToUtf16("UTF-8", utf8); }
std::string Utf16ToUtf8(std::u16string_view utf16) { return EncodeFromUtf16("UTF-8", utf16, "\xEF\xBF\xBD"); }

}  // namespace tabulon
