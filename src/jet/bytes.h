// Bounds-checked access to the bytes of pages and rows. Every structure read from a
// database file goes through these helpers, so that a truncated or corrupt file yields a
// Corruption status instead of a read outside the buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace tabulon::jet {

using ByteSpan = std::span<const uint8_t>;

// True when [offset, offset + length) lies inside `bytes`.
inline bool InRange(ByteSpan bytes, size_t offset, size_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

// Unchecked little-endian loads; callers establish the range with InRange first.
inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LoadU64(const uint8_t* p) {
  return static_cast<uint64_t>(LoadU32(p)) | (static_cast<uint64_t>(LoadU32(p + 4)) << 32);
}
inline double LoadF64(const uint8_t* p) {
  uint64_t bits = LoadU64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline float LoadF32(const uint8_t* p) {
  uint32_t bits = LoadU32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
// Big-endian loads (index entries store their row pointers this way).
inline uint32_t LoadU24BE(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}
inline uint32_t LoadU32BE(const uint8_t* p) { return (LoadU24BE(p) << 8) | p[3]; }

// Reads fields at absolute offsets of a span; an access outside it yields 0 and marks the
// reader failed, so that a parser can read a whole structure and check once at the end.
class CheckedReader {
 public:
  explicit CheckedReader(ByteSpan bytes) : bytes_(bytes) {}

  uint8_t U8(size_t offset) { return Check(offset, 1) ? bytes_[offset] : 0; }
  uint16_t U16(size_t offset) { return Check(offset, 2) ? LoadU16(bytes_.data() + offset) : 0; }
  uint32_t U32(size_t offset) { return Check(offset, 4) ? LoadU32(bytes_.data() + offset) : 0; }
  ByteSpan Sub(size_t offset, size_t length) {
    return Check(offset, length) ? bytes_.subspan(offset, length) : ByteSpan();
  }

  bool failed() const { return failed_; }
  // The offset of the first access that failed (meaningful when failed()).
  size_t failed_at() const { return failed_at_; }
  size_t size() const { return bytes_.size(); }

 private:
  bool Check(size_t offset, size_t length) {
    if (InRange(bytes_, offset, length)) return true;
    if (!failed_) failed_at_ = offset;
    failed_ = true;
    return false;
  }
  ByteSpan bytes_;
  bool failed_ = false;
  size_t failed_at_ = 0;
};

// Decodes UTF-16LE bytes (an odd trailing byte is ignored) into UTF-16 code units.
std::u16string DecodeUtf16Le(ByteSpan bytes);

}  // namespace tabulon::jet
