#include "jet/sql/value_util.h"

#include "jet/sql/decimal.h"

namespace tabulon::jet::sql {

const char* KindName(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::kNull: return "Null";
    case Value::Kind::kBoolean: return "Yes/No";
    case Value::Kind::kByte: return "Byte";
    case Value::Kind::kInteger: return "Integer";
    case Value::Kind::kLong: return "Long Integer";
    case Value::Kind::kCurrency: return "Currency";
    case Value::Kind::kSingle: return "Single";
    case Value::Kind::kDouble: return "Double";
    case Value::Kind::kDateTime: return "Date/Time";
    case Value::Kind::kText: return "Text";
    case Value::Kind::kBinary: return "Binary";
    case Value::Kind::kGuid: return "Replication ID";
    case Value::Kind::kDecimal: return "Decimal";
  }
  return "?";
}

std::optional<double> ToDouble(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kBoolean: return value.boolean() ? -1.0 : 0.0;
    case Value::Kind::kByte: return value.byte();
    case Value::Kind::kInteger: return value.integer();
    case Value::Kind::kLong: return value.long_value();
    case Value::Kind::kCurrency: return static_cast<double>(value.currency().units) / 10000.0;
    case Value::Kind::kSingle: return value.single();
    case Value::Kind::kDouble: return value.double_value();
    case Value::Kind::kDateTime: return value.datetime().days;
    case Value::Kind::kDecimal: return DecimalToDouble(value.decimal());
    default: return std::nullopt;
  }
}

std::optional<int64_t> ToInt64Exact(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kBoolean: return value.boolean() ? -1 : 0;
    case Value::Kind::kByte: return value.byte();
    case Value::Kind::kInteger: return value.integer();
    case Value::Kind::kLong: return value.long_value();
    default: return std::nullopt;
  }
}

}  // namespace tabulon::jet::sql
