// Typed values of the Jet engine: what a column holds, what SQL literals and expressions
// produce, and what queries return. Text is UTF-8 at this level (the file stores UTF-16LE,
// optionally compressed); binary data is a byte string.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

namespace tabulon::jet {

// Column type codes as stored in Jet 4 table definitions.
enum class ColumnType : uint8_t {
  kBoolean = 0x01,   // Yes/No; kept in the null mask, no data bytes
  kByte = 0x02,      // unsigned 8-bit
  kInteger = 0x03,   // signed 16-bit
  kLong = 0x04,      // signed 32-bit (also AutoNumber)
  kCurrency = 0x05,  // signed 64-bit count of 1/10000
  kSingle = 0x06,    // IEEE 754 binary32
  kDouble = 0x07,    // IEEE 754 binary64
  kDateTime = 0x08,  // binary64 days since 1899-12-30, fraction = time of day
  kBinary = 0x09,    // up to 255 bytes
  kText = 0x0A,      // up to 255 characters, UTF-16LE, optionally compressed
  kOle = 0x0B,       // long binary value
  kMemo = 0x0C,      // long text value
  kGuid = 0x0F,      // Replication ID, 16 bytes
  kNumeric = 0x10,   // Decimal: sign byte + 96-bit magnitude, with precision and scale
};

// Name of a column type as Access shows it ("Text", "Long Integer", ...).
const char* ColumnTypeName(ColumnType type);

struct Currency {
  int64_t units = 0;  // value * 10000
  friend bool operator==(const Currency&, const Currency&) = default;
};

struct DateTime {
  double days = 0;  // days since 1899-12-30 00:00, local time
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

struct Guid {
  std::array<uint8_t, 16> bytes{};  // in the order the file stores them
  friend bool operator==(const Guid&, const Guid&) = default;
};

// A decimal number: (negative ? -1 : 1) * magnitude / 10^scale, magnitude < 10^28.
struct Decimal {
  bool negative = false;
  uint8_t precision = 18;
  uint8_t scale = 0;
  uint64_t hi = 0;  // upper 32 bits of the 96-bit magnitude (only the low 32 bits used)
  uint64_t lo = 0;  // lower 64 bits of the magnitude
  friend bool operator==(const Decimal&, const Decimal&) = default;
};

struct Binary {
  std::string bytes;
  friend bool operator==(const Binary&, const Binary&) = default;
};

// A value of one of the types above, or Null. Text and Memo both hold Text (UTF-8);
// Binary and OLE both hold Binary.
class Value {
 public:
  enum class Kind { kNull, kBoolean, kByte, kInteger, kLong, kCurrency, kSingle, kDouble, kDateTime, kText, kBinary, kGuid, kDecimal };

  Value() = default;
  static Value Null() { return Value(); }
  static Value Boolean(bool v) { return Value(v); }
  static Value Byte(uint8_t v) { return Value(v); }
  static Value Integer(int16_t v) { return Value(v); }
  static Value Long(int32_t v) { return Value(v); }
  static Value Money(Currency v) { return Value(v); }
  static Value Single(float v) { return Value(v); }
  static Value Double(double v) { return Value(v); }
  static Value Date(DateTime v) { return Value(v); }
  static Value Text(std::string utf8) { return Value(std::move(utf8)); }
  static Value Bytes(std::string bytes) { return Value(Binary{std::move(bytes)}); }
  static Value Uuid(Guid v) { return Value(v); }
  static Value Number(Decimal v) { return Value(v); }

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool is_null() const { return kind() == Kind::kNull; }

  bool boolean() const { return std::get<bool>(v_); }
  uint8_t byte() const { return std::get<uint8_t>(v_); }
  int16_t integer() const { return std::get<int16_t>(v_); }
  int32_t long_value() const { return std::get<int32_t>(v_); }
  Currency currency() const { return std::get<Currency>(v_); }
  float single() const { return std::get<float>(v_); }
  double double_value() const { return std::get<double>(v_); }
  DateTime datetime() const { return std::get<DateTime>(v_); }
  const std::string& text() const { return std::get<std::string>(v_); }
  const std::string& bytes() const { return std::get<Binary>(v_).bytes; }
  const Guid& guid() const { return std::get<Guid>(v_); }
  const Decimal& decimal() const { return std::get<Decimal>(v_); }

  // Exact equality of kind and content (not SQL comparison).
  friend bool operator==(const Value&, const Value&) = default;

 private:
  template <typename T>
  explicit Value(T v) : v_(std::move(v)) {}
  // The order matches Kind.
  std::variant<std::monostate, bool, uint8_t, int16_t, int32_t, Currency, float, double, DateTime, std::string, Binary,
               Guid, Decimal>
      v_;
};

}  // namespace tabulon::jet
