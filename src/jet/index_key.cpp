#include "jet/index_key.h"

#include <cstring>

#include "jet/collation.h"
#include "jet/format.h"

namespace tabulon::jet {

namespace f = format;

namespace {

constexpr uint16_t kGeneralSortOrder = 0x0409;

void AppendBigEndian(uint64_t bits, int bytes, std::string* out) {
  for (int i = bytes - 1; i >= 0; --i) out->push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

void Invert(std::string* s, size_t from) {
  for (size_t i = from; i < s->size(); ++i) (*s)[i] = static_cast<char>(~static_cast<uint8_t>((*s)[i]));
}

// Signed integers: big-endian with the sign bit flipped, so that bytes order as numbers.
void AppendInteger(int64_t v, int bytes, std::string* out) {
  uint64_t bits = static_cast<uint64_t>(v) ^ (uint64_t{1} << (8 * bytes - 1));
  AppendBigEndian(bits, bytes, out);
}

// IEEE floats: non-negative numbers get the sign bit set, negative ones all bits
// inverted, so that bytes order as numbers.
void AppendFloatBits(uint64_t bits, int bytes, std::string* out) {
  const uint64_t sign = uint64_t{1} << (8 * bytes - 1);
  const uint64_t all = bytes == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * bytes)) - 1;
  bits = (bits & sign) ? (~bits & all) : (bits | sign);
  AppendBigEndian(bits, bytes, out);
}

bool KindMatches(ColumnType type, Value::Kind kind) {
  switch (type) {
    case ColumnType::kBoolean: return kind == Value::Kind::kBoolean;
    case ColumnType::kByte: return kind == Value::Kind::kByte;
    case ColumnType::kInteger: return kind == Value::Kind::kInteger;
    case ColumnType::kLong: return kind == Value::Kind::kLong;
    case ColumnType::kCurrency: return kind == Value::Kind::kCurrency;
    case ColumnType::kSingle: return kind == Value::Kind::kSingle;
    case ColumnType::kDouble: return kind == Value::Kind::kDouble;
    case ColumnType::kDateTime: return kind == Value::Kind::kDateTime;
    case ColumnType::kText:
    case ColumnType::kMemo: return kind == Value::Kind::kText;
    default: return false;
  }
}

}  // namespace

bool IndexKeySupported(const ColumnDef& column) {
  if (!column.known_type()) return false;
  switch (column.type) {
    case ColumnType::kBoolean:
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime: return true;
    case ColumnType::kText:
    case ColumnType::kMemo: return column.sort_order == kGeneralSortOrder;
    default: return false;
  }
}

Status AppendIndexKey(const ColumnDef& column, bool ascending, const Value& value, std::string* key) {
  if (!IndexKeySupported(column)) {
    return Status::NotSupported("index keys of column \"" + column.name + "\" (" + ColumnTypeName(column.type) +
                                ") are not supported");
  }
  if (value.is_null()) {
    key->push_back(static_cast<char>(ascending ? f::kKeyAscNull : f::kKeyDescNull));
    return Status::Ok();
  }
  if (!KindMatches(column.type, value.kind())) {
    return Status::InvalidArgument("index key value for column \"" + column.name + "\" has the wrong type");
  }
  key->push_back(static_cast<char>(ascending ? f::kKeyAscStart : f::kKeyDescStart));
  const size_t start = key->size();
  switch (column.type) {
    case ColumnType::kBoolean:
      // True (-1) sorts before False (0).
      key->push_back(static_cast<char>(value.boolean() ? 0x00 : 0xFF));
      break;
    case ColumnType::kByte: key->push_back(static_cast<char>(value.byte())); break;
    case ColumnType::kInteger: AppendInteger(value.integer(), 2, key); break;
    case ColumnType::kLong: AppendInteger(value.long_value(), 4, key); break;
    case ColumnType::kCurrency: AppendInteger(value.currency().units, 8, key); break;
    case ColumnType::kSingle: {
      uint32_t bits;
      float v = value.single();
      std::memcpy(&bits, &v, 4);
      AppendFloatBits(bits, 4, key);
      break;
    }
    case ColumnType::kDouble:
    case ColumnType::kDateTime: {
      uint64_t bits;
      double v = column.type == ColumnType::kDouble ? value.double_value() : value.datetime().days;
      std::memcpy(&bits, &v, 8);
      AppendFloatBits(bits, 8, key);
      break;
    }
    case ColumnType::kText:
    case ColumnType::kMemo: {
      *key += TextIndexKey(std::string_view(value.text()));
      if (!ascending) {
        Invert(key, start);
        key->push_back('\0');
      }
      return Status::Ok();
    }
    default: break;
  }
  if (!ascending) Invert(key, start);
  return Status::Ok();
}

}  // namespace tabulon::jet
