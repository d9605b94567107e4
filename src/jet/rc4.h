// RC4 stream cipher. Jet uses it to obfuscate the header region of page 0 (fixed key) and,
// in encoded databases, every further page (key derived from the database key and the
// page number). Encryption and decryption are the same operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tabulon::jet {

class Rc4 {
 public:
  explicit Rc4(std::span<const uint8_t> key);
  // XORs `data` in place with the next bytes of the key stream.
  void Apply(uint8_t* data, size_t length);

 private:
  uint8_t s_[256];
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

}  // namespace tabulon::jet
