#include "jet/check.h"

#include <tuple>

#include "jet/annotate.h"
#include "jet/index.h"
#include "jet/index_key.h"

namespace tabulon::jet {
namespace {

Status CheckRows(const Table& table, ScanOrder order, CheckStats* stats, uint64_t* count) {
  TableScan scan(table, order);
  *count = 0;
  while (true) {
    Result<bool> more = scan.Next();
    if (!more.ok()) return more.status();
    if (!*more) return Status::Ok();
    ++*count;
    for (size_t i = 0; i < table.def().columns.size(); ++i) {
      Result<Value> v = scan.row().Get(i);
      if (!v.ok()) return v.status();
      if (order == ScanOrder::kLogical) ++stats->values;
    }
  }
}

Status CheckIndex(const Table& table, size_t number, uint64_t rows, CheckStats* stats) {
  const TableDef& def = table.def();
  const PhysicalIndex& index = def.physical_indexes[number];
  const std::string where = "index " + std::to_string(number) + " of table \"" + table.name() + "\"";
  bool encodable = true;
  for (const IndexColumn& ic : index.columns) encodable = encodable && IndexKeySupported(def.columns[ic.column]);
  IndexCursor cursor(table.pager(), def, index);
  std::optional<IndexEntry> prev;
  uint64_t count = 0;
  while (true) {
    Result<bool> more = cursor.Next();
    if (!more.ok()) return Annotate(more.status(), where);
    if (!*more) break;
    const IndexEntry& e = cursor.entry();
    if (prev && std::tie(prev->key, prev->row) >= std::tie(e.key, e.row)) {
      return Status::Corruption(where + ": entries out of order at row " + e.row.ToString());
    }
    Result<Row> row = table.Fetch(e.row);
    if (!row.ok()) return Annotate(row.status(), where + ": entry for row " + e.row.ToString());
    if (encodable) {
      std::string key;
      for (const IndexColumn& ic : index.columns) {
        Result<Value> v = row->Get(ic.column);
        if (!v.ok()) return v.status();
        TABULON_RETURN_IF_ERROR(AppendIndexKey(def.columns[ic.column], ic.ascending, *v, &key));
      }
      if (key != e.key) return Status::Corruption(where + ": the entry for row " + e.row.ToString() + " does not match the row");
      ++stats->keys_compared;
    }
    prev = e;
    ++count;
  }
  if (!index.ignore_nulls() && count != rows) {
    return Status::Corruption(where + " has " + std::to_string(count) + " entries for " + std::to_string(rows) +
                              " rows");
  }
  ++stats->indexes;
  stats->index_entries += count;
  return Status::Ok();
}

}  // namespace

Status CheckDatabase(Database& db, CheckStats* stats) {
  CheckStats local;
  if (!stats) stats = &local;
  for (const std::string& name : db.TableNames(true)) {
    Result<const Table*> table = db.GetTable(name);
    if (!table.ok()) return table.status();
    uint64_t rows = 0, stored = 0;
    TABULON_RETURN_IF_ERROR(CheckRows(**table, ScanOrder::kLogical, stats, &rows));
    TABULON_RETURN_IF_ERROR(CheckRows(**table, ScanOrder::kStorage, stats, &stored));
    if (rows != stored) {
      return Status::Corruption("table \"" + name + "\" has " + std::to_string(rows) + " rows by slot but " +
                                std::to_string(stored) + " by storage");
    }
    for (size_t i = 0; i < (*table)->def().physical_indexes.size(); ++i) {
      TABULON_RETURN_IF_ERROR(CheckIndex(**table, i, rows, stats));
    }
    ++stats->tables;
    stats->rows += rows;
  }
  return Status::Ok();
}

}  // namespace tabulon::jet
