#include "jet/collation.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/encoding.h"

namespace tabulon::jet {
namespace {

#include "jet/sql/general_sort_codes.inc"

// Classes of the code table (the letters of the table's entries).
enum class CodeClass : uint8_t {
  kIgnored,        // X
  kSimple,         // S: inline bytes
  kInternational,  // I: inline bytes and extra bytes
  kUnprintable,    // U: one byte in the unprintable part
  kModifier,       // P: added to the preceding extra byte
  kKana,           // Z: inline bytes, optional extra byte, a flag
};

// One code unit's entry.
struct Code {
  CodeClass cls = CodeClass::kIgnored;
  uint8_t flag = 0;         // kKana: 2 or 3
  uint8_t inline_len = 0;   // 0-4
  uint8_t extra_len = 0;    // 0-2; kUnprintable and kModifier: 1 (their byte in extra[0])
  uint8_t inline_bytes[4] = {};
  // Two bytes only: extra codes and unprintable/modifier bytes are at most 2 bytes long.
  uint8_t extra[2] = {};
};
static_assert(sizeof(Code) == 10);

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a hex byte string as the table writes it (an odd count of digits has lost a
// leading 0). Returns the number of bytes stored, or -1 when it does not fit.
int ReadHex(const char* begin, const char* end, uint8_t* out, int capacity) {
  size_t digits = static_cast<size_t>(end - begin);
  int count = static_cast<int>((digits + 1) / 2);
  if (count > capacity) return -1;
  int value = 0;
  bool high = digits % 2 == 0;
  int index = 0;
  for (const char* p = begin; p != end; ++p) {
    int d = HexDigit(*p);
    if (d < 0) return -1;
    if (high) {
      value = d << 4;
    } else {
      out[index++] = static_cast<uint8_t>(value | d);
      value = 0;
    }
    high = !high;
  }
  return count;
}

// The table, read from the compiled-in entries on first use.
class CodeTable {
 public:
  CodeTable() : codes_(new Code[0x10000]) {
    size_t next = 0;
    for (const char* row : kGeneralSortCodeRows) {
      const char* p = row;
      while (*p) {
        const char* end = p;
        while (*end && *end != ' ') ++end;
        next = ReadEntry(p, end, next);
        p = *end ? end + 1 : end;
      }
    }
    // The generator writes exactly 65536 entries; anything else is a broken build.
    if (next != 0x10000) std::abort();
  }

  const Code& operator[](char16_t c) const { return codes_[c]; }

 private:
  size_t ReadEntry(const char* p, const char* end, size_t next) {
    char letter = *p++;
    if (letter == 'X') {
      size_t count = 1;
      if (p != end && *p == '*') count = std::strtoul(p + 1, nullptr, 10);
      if (next + count > 0x10000) std::abort();
      return next + count;  // entries are kIgnored already
    }
    if (next >= 0x10000) std::abort();
    Code& code = codes_[next];
    const char* comma1 = std::find(p, end, ',');
    const char* comma2 = comma1 == end ? end : std::find(comma1 + 1, end, ',');
    auto check = [](int n) {
      if (n < 0) std::abort();
      return static_cast<uint8_t>(n);
    };
    switch (letter) {
      case 'S':
        code.cls = CodeClass::kSimple;
        code.inline_len = check(ReadHex(p, end, code.inline_bytes, 4));
        break;
      case 'I':
        code.cls = CodeClass::kInternational;
        code.inline_len = check(ReadHex(p, comma1, code.inline_bytes, 4));
        code.extra_len = check(ReadHex(comma1 + 1, end, code.extra, 2));
        break;
      case 'U':
        code.cls = CodeClass::kUnprintable;
        code.extra_len = check(ReadHex(p, end, code.extra, 1));
        break;
      case 'P':
        code.cls = CodeClass::kModifier;
        code.extra_len = check(ReadHex(p, end, code.extra, 1));
        break;
      case 'Z':
        code.cls = CodeClass::kKana;
        code.inline_len = check(ReadHex(p, comma1, code.inline_bytes, 4));
        code.extra_len = check(ReadHex(comma1 + 1, comma2, code.extra, 2));
        code.flag = (comma2 != end && comma2 + 1 != end && comma2[1] == '1') ? 2 : 3;
        break;
      default:
        std::abort();
    }
    return next + 1;
  }

  std::unique_ptr<Code[]> codes_;
};

const CodeTable& Table() {
  static const CodeTable table;
  return table;
}

constexpr uint8_t kEndText = 0x01;
constexpr uint8_t kEndKey = 0x00;
constexpr uint8_t kExtraPlaceholder = 0x02;
constexpr uint8_t kUnprintableMidfix = 0x06;
constexpr uint8_t kKanaFlagStart = 0x80;
constexpr uint8_t kKanaFlagDefault = 3;  // trailing flags of this value are left out
constexpr uint8_t kKanaTrailer[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr uint8_t kKanaUnprintableSuffix = 0xFF;

void Put(std::string& out, uint8_t b) { out.push_back(static_cast<char>(b)); }
void Put(std::string& out, const uint8_t* bytes, size_t n) {
  out.append(reinterpret_cast<const char*>(bytes), n);
}

// Drops trailing bytes in [lo, hi].
void TrimTrailing(std::string& s, uint8_t lo, uint8_t hi) {
  while (!s.empty()) {
    uint8_t b = static_cast<uint8_t>(s.back());
    if (b < lo || b > hi) break;
    s.pop_back();
  }
}

// Appends the key of `text` (no cut, no trimming) to `out`.
void EncodeKey(std::u16string_view text, std::string& out) {
  const CodeTable& table = Table();
  std::string extra;         // extra codes, one entry per character with inline bytes
  size_t extra_chars = 0;    // characters the extra codes account for
  size_t extra_prefix = 0;   // 1 when a modifier opened the extra codes on its own
  bool have_extra = false;
  std::string unprintable;
  std::string kana_flags;
  size_t inline_chars = 0;

  for (char16_t c : text) {
    const Code& code = table[c];
    if (code.cls == CodeClass::kIgnored) continue;
    size_t position = inline_chars;
    if (code.inline_len > 0) {
      Put(out, code.inline_bytes, code.inline_len);
      ++inline_chars;
    }
    if (code.cls == CodeClass::kSimple) continue;

    bool adds_extra = (code.cls == CodeClass::kInternational || code.cls == CodeClass::kKana)
                          ? code.extra_len > 0
                          : code.cls == CodeClass::kModifier;
    if (adds_extra) {
      have_extra = true;
      if (extra_chars < position) {
        extra.append(position - extra_chars, static_cast<char>(kExtraPlaceholder));
        extra_chars = position;
      }
      if (code.cls == CodeClass::kModifier) {
        // A modifier changes the extra code of the character before it.
        if (!extra.empty()) {
          extra.back() = static_cast<char>(static_cast<uint8_t>(extra.back()) + code.extra[0]);
        } else {
          Put(extra, code.extra[0]);
          extra_prefix = 1;
        }
      } else {
        Put(extra, code.extra, code.extra_len);
        ++extra_chars;
      }
    }

    if (code.cls == CodeClass::kUnprintable) {
      // The recorded position counts the extra-code bytes written so far (or that would
      // be, for the characters not yet accounted for), not characters.
      size_t at = position;
      if (have_extra) at = extra.size() + (position - extra_chars) - extra_prefix;
      unsigned offset = (7 + 4 * static_cast<unsigned>(at)) | 0x8000u;
      Put(unprintable, static_cast<uint8_t>((offset >> 8) & 0xFF));
      Put(unprintable, static_cast<uint8_t>(offset & 0xFF));
      Put(unprintable, kUnprintableMidfix);
      Put(unprintable, code.extra, code.extra_len);
    }

    if (code.cls == CodeClass::kKana) Put(kana_flags, code.flag);
  }

  Put(out, kEndText);
  TrimTrailing(extra, 0, kExtraPlaceholder);
  out += extra;
  bool have_kana = !kana_flags.empty();
  bool have_unprintable = !unprintable.empty();
  if (have_kana || have_unprintable) {
    Put(out, kEndText);
    Put(out, kEndText);
    if (have_kana) {
      TrimTrailing(kana_flags, kKanaFlagDefault, kKanaFlagDefault);
      uint8_t packed = kKanaFlagStart;
      int slot = 0;
      for (char f : kana_flags) {
        packed = static_cast<uint8_t>(packed | (static_cast<uint8_t>(f) << ((2 - slot) * 2)));
        if (++slot == 3) {
          Put(out, packed);
          packed = kKanaFlagStart;
          slot = 0;
        }
      }
      if (slot > 0) Put(out, packed);
      Put(out, kKanaTrailer, sizeof(kKanaTrailer));
      if (have_unprintable) Put(out, kKanaUnprintableSuffix);
    }
    if (have_unprintable) {
      Put(out, kEndText);
      out += unprintable;
    }
  }
  Put(out, kEndKey);
}

std::u16string_view TrimTrailingBlanks(std::u16string_view text) {
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

int CompareBytes(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (r != 0) return r < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// UTF-16 code units of a UTF-16 text.
class Utf16Units {
 public:
  explicit Utf16Units(std::u16string_view s) : p_(s.data()), end_(s.data() + s.size()) {}
  // False at the end.
  bool Next(char16_t& unit) {
    if (p_ == end_) return false;
    unit = *p_++;
    return true;
  }
  bool bad() const { return false; }

 private:
  const char16_t* p_;
  const char16_t* end_;
};

// UTF-16 code units of a UTF-8 text, decoded as they are read. Only well-formed UTF-8 is
// decoded here: at any other byte `bad()` turns true and the caller converts the whole
// text with the base library instead, which knows the replacement rules.
class Utf8Units {
 public:
  explicit Utf8Units(std::string_view s)
      : p_(reinterpret_cast<const unsigned char*>(s.data())), end_(p_ + s.size()) {}
  bool Next(char16_t& unit) {
    if (pending_) {
      unit = pending_;
      pending_ = 0;
      return true;
    }
    if (p_ == end_ || bad_) return false;
    unsigned c = *p_++;
    if (c < 0x80) {
      unit = static_cast<char16_t>(c);
      return true;
    }
    int extra = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xC2 && c <= 0xDF ? 1 : -1;
    if (extra < 0 || end_ - p_ < extra) return Fail();
    uint32_t cp = c & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
      if ((p_[i] & 0xC0) != 0x80) return Fail();
      cp = (cp << 6) | (p_[i] & 0x3F);
    }
    // No overlong forms, no encoded surrogates, nothing past U+10FFFF.
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return Fail();
    p_ += extra;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit = static_cast<char16_t>(0xD800 + (cp >> 10));
      pending_ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      unit = static_cast<char16_t>(cp);
    }
    return true;
  }
  bool bad() const { return bad_; }

 private:
  bool Fail() {
    bad_ = true;
    return false;
  }
  const unsigned char* p_;
  const unsigned char* end_;
  char16_t pending_ = 0;
  bool bad_ = false;
};

// Streams the inline bytes of a text whose characters are all simple or ignored.
template <typename Units>
class InlineBytes {
 public:
  explicit InlineBytes(Units units) : units_(units) {}
  // Next inline byte; -1 at the end of the text; -2 when a character is not simple (or
  // the text is not well-formed).
  int Next() {
    while (pos_ == len_) {
      char16_t unit;
      if (!units_.Next(unit)) return units_.bad() ? -2 : -1;
      const Code& code = Table()[unit];
      if (code.cls == CodeClass::kIgnored) continue;
      if (code.cls != CodeClass::kSimple) return -2;
      bytes_ = code.inline_bytes;
      len_ = code.inline_len;
      pos_ = 0;
    }
    return bytes_[pos_++];
  }

 private:
  Units units_;
  const uint8_t* bytes_ = nullptr;
  int len_ = 0;
  int pos_ = 0;
};

// Compares texts made only of simple and ignored characters without building keys: their
// keys are the inline bytes followed by 01 00, and inline bytes are never below 02. Sets
// `ok` false (and returns 0) when a character is of another class; a difference found
// before such a character stands, since the inline part comes first in the keys.
template <typename Units>
int CompareSimple(Units a, Units b, bool& ok) {
  InlineBytes<Units> x(a), y(b);
  ok = true;
  for (;;) {
    int p = x.Next();
    int q = y.Next();
    if (p == -2 || q == -2) {
      ok = false;
      return 0;
    }
    if (p == q) {
      if (p == -1) return 0;
      continue;
    }
    // A text that ends first has its end byte 01 where the other has an inline byte
    // (>= 02), so it sorts first.
    return p < q ? -1 : 1;
  }
}

// UTF-8 to UTF-16: well-formed text decoded here, anything else by the base library.
std::u16string ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  Utf8Units units(utf8);
  char16_t unit;
  while (units.Next(unit)) out.push_back(unit);
  return units.bad() ? Utf8ToUtf16(utf8) : out;
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::string TextIndexKey(std::u16string_view text) {
  if (text.size() > kIndexTextMaxUnits) text = text.substr(0, kIndexTextMaxUnits);
  std::string out;
  out.reserve(text.size() + 2);
  EncodeKey(TrimTrailingBlanks(text), out);
  return out;
}

std::string TextIndexKey(std::string_view utf8) { return TextIndexKey(ToUtf16(utf8)); }

std::string TextSortKey(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  EncodeKey(TrimTrailingBlanks(text), out);
  return out;
}

std::string TextSortKey(std::string_view utf8) { return TextSortKey(ToUtf16(utf8)); }

int CompareText(std::u16string_view a, std::u16string_view b) {
  a = TrimTrailingBlanks(a);
  b = TrimTrailingBlanks(b);
  bool ok = false;
  int r = CompareSimple(Utf16Units(a), Utf16Units(b), ok);
  if (ok) return r;
  std::string ka, kb;
  EncodeKey(a, ka);
  EncodeKey(b, kb);
  return CompareBytes(ka, kb);
}

int CompareText(std::string_view a, std::string_view b) {
  bool ok = false;
  int r = CompareSimple(Utf8Units(TrimTrailingBlanks(a)), Utf8Units(TrimTrailingBlanks(b)), ok);
  if (ok) return r;
  return CompareText(std::u16string_view(ToUtf16(a)), std::u16string_view(ToUtf16(b)));
}

int CompareCharacters(char16_t a, char16_t b) {
  if (a == b) return 0;
  const Code& x = Table()[a];
  const Code& y = Table()[b];
  bool xi = x.inline_len > 0;
  bool yi = y.inline_len > 0;
  if (xi != yi) return xi ? -1 : 1;
  if (!xi) return a < b ? -1 : 1;
  std::string ka, kb;
  EncodeKey(std::u16string_view(&a, 1), ka);
  EncodeKey(std::u16string_view(&b, 1), kb);
  return CompareBytes(ka, kb);
}

}  // namespace tabulon::jet
