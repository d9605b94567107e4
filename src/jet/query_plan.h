// Choosing how a query reads its table: through an index when the WHERE clause
// constrains the index's leading columns (equality on the first ones, then optionally a
// range on the next), otherwise by scanning every row. An index only narrows the rows;
// the executor still evaluates the whole WHERE clause on each row it reads.
#pragma once

#include <string>

#include "jet/sql/ast.h"
#include "jet/table.h"

namespace tabulon::jet {

struct AccessPlan {
  // The logical index to read (a position in TableDef::indexes), or -1 for a scan.
  int index = -1;
  int equal_columns = 0;  // leading key columns fixed by equality
  bool range = false;     // a range on the column after them
  // Entries to read: from the first one whose key is not less than `lower`, while the key
  // starts with `prefix` and (when `has_upper`) its first upper.size() bytes do not exceed
  // `upper`.
  std::string lower;
  std::string prefix;
  bool has_upper = false;
  std::string upper;

  bool uses_index() const { return index >= 0; }
  // "scan" or "index PrimaryKey (2 equal, range)", for diagnostics.
  std::string Describe(const TableDef& def) const;
};

// Chooses the access for `where` (null for none) on `table`. Column references in `where`
// must already be bound (ColumnRef::index = position in TableDef::columns).
AccessPlan ChooseAccessPlan(const Table& table, const sql::Expr* where);

// True when `key` (an index entry's key bytes) lies in the plan's range, given that the
// entries before it were not past the range.
bool KeyInRange(const AccessPlan& plan, const std::string& key);

}  // namespace tabulon::jet
