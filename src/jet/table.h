// A table: its definition and access to its rows, by scanning the pages its usage map
// marks or by row id (from an index).
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/status.h"
#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/row.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace tabulon::jet {

class Table;

// One stored row, positioned for reading its columns. Keeps its page in memory while held.
class Row {
 public:
  Row() = default;
  RowId id() const { return id_; }
  const RowLayout& layout() const { return layout_; }
  // The value of column `column` (a position in TableDef::columns).
  Result<Value> Get(size_t column) const;
  Result<std::vector<Value>> GetAll() const;

 private:
  friend class Table;
  friend class TableScan;
  const Table* table_ = nullptr;
  PageRef page_;
  RowLayout layout_;
  RowId id_;
};

class Table {
 public:
  static Result<std::unique_ptr<Table>> Open(Pager& pager, std::string name, uint32_t tdef_page);

  const std::string& name() const { return name_; }
  const TableDef& def() const { return def_; }
  Pager& pager() const { return *pager_; }

  // The live row at `id`, following an overflow pointer. NotFound when the row is deleted;
  // Corruption when `id` does not address a row of this table.
  Result<Row> Fetch(RowId id) const;

  // The data pages the table owns, ascending (read from its usage map once).
  Result<const std::vector<uint32_t>*> DataPages() const;

 private:
  Table(Pager& pager, std::string name, TableDef def) : pager_(&pager), name_(std::move(name)), def_(std::move(def)) {}
  friend class TableScan;
  // Positions `row` on the row data that the slot at `id` holds, following overflow
  // pointers from a live header row.
  Status Resolve(const PageRef& page, RowId id, const RowSlot& slot, Row* row) const;

  Pager* pager_;
  std::string name_;
  TableDef def_;
  mutable std::optional<std::vector<uint32_t>> data_pages_;
};

// The order in which a scan returns rows.
enum class ScanOrder {
  // Jet's order: rows in the order of their slots; a row whose data moved to another
  // place (overflow) is returned at its original slot.
  kLogical,
  // Rows in the order their data lies in the file (a moved row where its data now is).
  kStorage,
};

// Iterates the live rows of a table.
class TableScan {
 public:
  explicit TableScan(const Table& table, ScanOrder order = ScanOrder::kLogical) : table_(&table), order_(order) {}

  // Moves to the next row; false at the end.
  Result<bool> Next();
  const Row& row() const { return row_; }

 private:
  Result<bool> AdvancePage();
  Status CollectMovedRows();

  const Table* table_;
  ScanOrder order_;
  const std::vector<uint32_t>* pages_ = nullptr;
  size_t page_index_ = 0;
  PageRef page_;
  unsigned slot_ = 0;
  unsigned slot_count_ = 0;
  bool started_ = false;
  bool done_ = false;
  // kStorage: rows that live overflow pointers lead to, collected on first need.
  std::optional<std::set<RowId>> moved_rows_;
  Row row_;
};

}  // namespace tabulon::jet
