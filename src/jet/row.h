// The row codec: where each column's bytes lie in a stored row, and what value they hold.
//
// A Jet 4 row is: column count (u16), fixed-length data, variable-length data, then from
// the end of the row backwards: the null mask (one bit per column number, set = not null;
// Boolean values live here), the count of variable columns (u16) and their offset table
// (u16 each, in reverse order, ending with the end of the variable data). Rows written
// before a column was added hold fewer columns; such columns read as Null.
#pragma once

#include <cstdint>

#include "base/status.h"
#include "jet/bytes.h"
#include "jet/pager.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace tabulon::jet {

class RowLayout {
 public:
  // Parses the layout of `row` (the bytes of one stored row of the table `def`).
  static Result<RowLayout> Parse(const TableDef& def, ByteSpan row);

  bool IsNull(const ColumnDef& column) const;
  // Boolean columns: the null-mask bit (a column the row does not hold reads as false).
  bool BooleanValue(const ColumnDef& column) const { return !IsNull(column); }
  // False for a variable column that lies beyond the row's offset table (the row was
  // written before the column was added); such a column reads as Null.
  bool HoldsVariable(const ColumnDef& column) const {
    return column.fixed() || (has_var_table_ && column.var_index < var_count_);
  }
  // The stored bytes of a column that is not Null and not Boolean.
  Result<ByteSpan> ColumnBytes(const ColumnDef& column) const;

  uint16_t column_count() const { return column_count_; }
  ByteSpan bytes() const { return row_; }

 private:
  ByteSpan row_;
  uint16_t column_count_ = 0;
  size_t null_mask_pos_ = 0;
  bool has_var_table_ = false;
  uint16_t var_count_ = 0;
  size_t var_table_end_ = 0;  // offset table entry i lies at var_table_end_ - 2 * (i + 1)
  size_t var_data_limit_ = 0; // variable data must end here (start of the offset table)
  size_t fixed_end_ = 0;
};

// Size in bytes of a fixed-length value of `column` in a row.
size_t FixedValueSize(const ColumnDef& column);

// Decodes the stored bytes of a non-Null, non-Boolean column. Long values (Memo, OLE) are
// read through `pager`.
Result<Value> DecodeValue(Pager& pager, const ColumnDef& column, ByteSpan stored);

// Reads the value of `column` from a parsed row (Null, Boolean, or decoded).
Result<Value> ReadColumnValue(Pager& pager, const RowLayout& row, const ColumnDef& column);

}  // namespace tabulon::jet
