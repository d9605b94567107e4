#include "jet/row.h"

#include "jet/annotate.h"
#include "jet/format.h"
#include "jet/long_value.h"
#include "jet/text.h"

namespace tabulon::jet {

Result<RowLayout> RowLayout::Parse(const TableDef& def, ByteSpan row) {
  RowLayout out;
  out.row_ = row;
  if (row.size() < 2) return Status::Corruption("row of " + std::to_string(row.size()) + " bytes is too short");
  out.column_count_ = LoadU16(row.data());
  const size_t mask_size = (size_t{out.column_count_} + 7) / 8;
  if (row.size() < 2 + mask_size) {
    return Status::Corruption("row of " + std::to_string(row.size()) + " bytes cannot hold the null mask of " +
                              std::to_string(out.column_count_) + " columns");
  }
  out.null_mask_pos_ = row.size() - mask_size;
  out.fixed_end_ = out.null_mask_pos_;
  if (def.var_columns > 0) {
    if (out.null_mask_pos_ < 4) return Status::Corruption("row is too short for its variable-column count");
    out.has_var_table_ = true;
    out.var_count_ = LoadU16(row.data() + out.null_mask_pos_ - 2);
    out.var_table_end_ = out.null_mask_pos_ - 2;
    // var_count + 1 offsets (the last one marks the end of the variable data).
    const size_t table_size = 2 * (size_t{out.var_count_} + 1);
    if (out.var_table_end_ < 2 + table_size) {
      return Status::Corruption("row cannot hold its " + std::to_string(out.var_count_) + " variable-column offsets");
    }
    out.var_data_limit_ = out.var_table_end_ - table_size;
    // The first variable column starts where the fixed area ends.
    size_t first = LoadU16(row.data() + out.var_table_end_ - 2);
    if (first < 2 || first > out.var_data_limit_) {
      return Status::Corruption("row has variable data starting at " + std::to_string(first) + ", outside the row");
    }
    out.fixed_end_ = first;
  }
  return out;
}

bool RowLayout::IsNull(const ColumnDef& column) const {
  if (column.number >= column_count_) return true;
  uint8_t bits = row_[null_mask_pos_ + column.number / 8];
  return (bits & (1u << (column.number % 8))) == 0;
}

size_t FixedValueSize(const ColumnDef& column) {
  if (!column.known_type()) return column.length;
  switch (column.type) {
    case ColumnType::kBoolean: return 0;
    case ColumnType::kByte: return 1;
    case ColumnType::kInteger: return 2;
    case ColumnType::kLong: return 4;
    case ColumnType::kCurrency: return 8;
    case ColumnType::kSingle: return 4;
    case ColumnType::kDouble: return 8;
    case ColumnType::kDateTime: return 8;
    case ColumnType::kGuid: return 16;
    case ColumnType::kNumeric: return 17;
    default: return column.length;  // fixed-length Text and Binary
  }
}

Result<ByteSpan> RowLayout::ColumnBytes(const ColumnDef& column) const {
  if (column.fixed()) {
    size_t start = 2 + size_t{column.fixed_offset};
    size_t size = FixedValueSize(column);
    if (start > fixed_end_ || size > fixed_end_ - start) {
      return Status::Corruption("fixed column \"" + column.name + "\" at " + std::to_string(start) +
                                " lies outside the row's fixed data (" + std::to_string(fixed_end_) + " bytes)");
    }
    return row_.subspan(start, size);
  }
  if (!has_var_table_ || column.var_index >= var_count_) return ByteSpan();
  size_t entry = var_table_end_ - 2 * (size_t{column.var_index} + 1);
  size_t start = LoadU16(row_.data() + entry);
  size_t end = LoadU16(row_.data() + entry - 2);
  if (start < 2 || start > end || end > var_data_limit_) {
    return Status::Corruption("variable column \"" + column.name + "\" has invalid bounds " + std::to_string(start) +
                              ".." + std::to_string(end));
  }
  return row_.subspan(start, end - start);
}

namespace {

Status SizeMismatch(const ColumnDef& column, size_t size) {
  return Status::Corruption("column \"" + column.name + "\" holds " + std::to_string(size) + " bytes, expected " +
                            std::to_string(FixedValueSize(column)));
}

}  // namespace

Result<Value> DecodeValue(Pager& pager, const ColumnDef& column, ByteSpan stored) {
  if (!column.known_type()) return Value::Bytes(std::string(stored.begin(), stored.end()));
  const uint8_t* p = stored.data();
  switch (column.type) {
    case ColumnType::kBoolean:
      return Status::Internal("Boolean values live in the null mask");
    case ColumnType::kByte:
      if (stored.size() != 1) return SizeMismatch(column, stored.size());
      return Value::Byte(p[0]);
    case ColumnType::kInteger:
      if (stored.size() != 2) return SizeMismatch(column, stored.size());
      return Value::Integer(static_cast<int16_t>(LoadU16(p)));
    case ColumnType::kLong:
      if (stored.size() != 4) return SizeMismatch(column, stored.size());
      return Value::Long(static_cast<int32_t>(LoadU32(p)));
    case ColumnType::kCurrency:
      if (stored.size() != 8) return SizeMismatch(column, stored.size());
      return Value::Money(Currency{static_cast<int64_t>(LoadU64(p))});
    case ColumnType::kSingle:
      if (stored.size() != 4) return SizeMismatch(column, stored.size());
      return Value::Single(LoadF32(p));
    case ColumnType::kDouble:
      if (stored.size() != 8) return SizeMismatch(column, stored.size());
      return Value::Double(LoadF64(p));
    case ColumnType::kDateTime:
      if (stored.size() != 8) return SizeMismatch(column, stored.size());
      return Value::Date(DateTime{LoadF64(p)});
    case ColumnType::kGuid: {
      if (stored.size() != 16) return SizeMismatch(column, stored.size());
      Guid g;
      std::copy(stored.begin(), stored.end(), g.bytes.begin());
      return Value::Uuid(g);
    }
    case ColumnType::kNumeric: {
      if (stored.size() != 17) return SizeMismatch(column, stored.size());
      // A sign byte, then the 128-bit magnitude as four little-endian 32-bit words, the
      // most significant first. Jet's decimals hold at most 28 digits (96 bits).
      uint32_t w0 = LoadU32(p + 1), w1 = LoadU32(p + 5), w2 = LoadU32(p + 9), w3 = LoadU32(p + 13);
      if (w0 != 0) return Status::Corruption("decimal value in column \"" + column.name + "\" exceeds 96 bits");
      Decimal d;
      d.negative = (p[0] & 0x80) != 0;
      d.precision = column.precision;
      d.scale = column.scale;
      d.hi = w1;
      d.lo = (uint64_t{w2} << 32) | w3;
      return Value::Number(d);
    }
    case ColumnType::kText:
      return Value::Text(DecodeStoredTextUtf8(stored));
    case ColumnType::kBinary:
      return Value::Bytes(std::string(stored.begin(), stored.end()));
    case ColumnType::kMemo:
    case ColumnType::kOle: {
      std::string data;
      if (!stored.empty()) {
        Result<std::string> lv = ReadLongValue(pager, stored);
        if (!lv.ok()) return Annotate(lv.status(), "column \"" + column.name + "\"");
        data = std::move(*lv);
      }
      if (column.type == ColumnType::kOle) return Value::Bytes(std::move(data));
      const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
      return Value::Text(DecodeStoredTextUtf8(ByteSpan(bytes, data.size())));
    }
  }
  return Value::Bytes(std::string(stored.begin(), stored.end()));
}

Result<Value> ReadColumnValue(Pager& pager, const RowLayout& row, const ColumnDef& column) {
  if (column.known_type() && column.type == ColumnType::kBoolean) return Value::Boolean(row.BooleanValue(column));
  if (row.IsNull(column) || !row.HoldsVariable(column)) return Value::Null();
  Result<ByteSpan> stored = row.ColumnBytes(column);
  if (!stored.ok()) return stored.status();
  return DecodeValue(pager, column, *stored);
}

}  // namespace tabulon::jet
