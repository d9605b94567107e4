// Index keys: the bytes that a row's key columns take in an index entry. Entries sort by
// these bytes, so a seek encodes the searched values the same way. Each column's part
// starts with a flag byte (0x7F ascending, 0x80 descending; a Null is the single byte
// 0x00 ascending, 0xFF descending) and descending parts have their bytes inverted.
#pragma once

#include <string>

#include "base/status.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace tabulon::jet {

// Whether keys of `column` can be encoded here (the General sort order for text; not
// Decimal, Binary, Replication ID or long binary columns).
bool IndexKeySupported(const ColumnDef& column);

// Appends the part of an index entry for `value` in `column`. `value` must be Null or of
// the column's own kind (Value::Kind matching ColumnType; Text for Text and Memo).
// NotSupported for columns that IndexKeySupported rejects; InvalidArgument for a value of
// another kind.
Status AppendIndexKey(const ColumnDef& column, bool ascending, const Value& value, std::string* key);

}  // namespace tabulon::jet
