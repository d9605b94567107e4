// Table definitions as stored on table-definition (tdef) pages: columns, physical indexes
// (b-trees) and logical indexes (named, possibly sharing a physical index), and the
// pointers to the table's usage maps. A definition may span several pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "jet/pager.h"
#include "jet/value.h"

namespace tabulon::jet {

struct ColumnDef {
  std::string name;        // UTF-8
  ColumnType type = ColumnType::kText;
  uint8_t raw_type = 0;    // the type code as stored (equals `type` for known types)
  uint16_t number = 0;     // bit in the row's null mask; deleted columns keep theirs
  uint16_t var_index = 0;  // slot in the row's variable-offset table (variable columns)
  uint16_t fixed_offset = 0;  // offset in the fixed area (fixed columns)
  uint16_t length = 0;     // bytes (Text: twice the character count; 0 for Memo/OLE)
  uint8_t flags = 0;
  uint8_t misc_flags = 0;
  uint8_t precision = 0;   // Decimal
  uint8_t scale = 0;       // Decimal
  uint16_t sort_order = 0; // Text/Memo: 0x0409 General
  uint8_t sort_version = 0;

  bool fixed() const;
  bool nullable() const;
  bool auto_number() const;
  bool auto_guid() const;
  bool hyperlink() const;
  bool compressed_unicode() const;
  bool long_value() const { return type == ColumnType::kMemo || type == ColumnType::kOle; }
  bool known_type() const;
};

struct IndexColumn {
  uint16_t column_number = 0;  // ColumnDef::number
  size_t column = 0;           // position in TableDef::columns
  bool ascending = true;
};

// A b-tree of index entries.
struct PhysicalIndex {
  std::vector<IndexColumn> columns;
  uint32_t used_pages = 0;  // row pointer of its usage map
  uint32_t root_page = 0;
  uint8_t flags = 0;

  bool unique() const;
  bool ignore_nulls() const;
  bool required() const;
};

// A named index as the user sees it.
struct IndexDef {
  std::string name;  // UTF-8
  uint32_t number = 0;
  uint32_t physical = 0;  // position in TableDef::physical_indexes
  uint8_t type = 0;       // 1 primary key, 2 foreign key, 0 other
  uint8_t rel_table_type = 0;
  int32_t rel_index = -1;
  uint32_t rel_table_page = 0;
  bool cascade_updates = false;
  bool cascade_deletes = false;

  bool primary_key() const;
  bool foreign_key() const;
};

struct TableDef {
  uint32_t tdef_page = 0;
  uint32_t row_count = 0;
  uint32_t next_auto_number = 0;
  uint8_t table_type = 0;
  uint16_t max_columns = 0;
  uint16_t var_columns = 0;
  uint32_t used_pages = 0;  // row pointer of the owned-pages usage map
  uint32_t free_pages = 0;  // row pointer of the free-space usage map
  // Columns in display order (by column number).
  std::vector<ColumnDef> columns;
  std::vector<PhysicalIndex> physical_indexes;
  std::vector<IndexDef> indexes;

  bool system() const;
  // The position in `columns` of the column named `name` (case-insensitively), or -1.
  int FindColumn(std::string_view name) const;

  // Reads the definition that starts on page `tdef_page`.
  static Result<TableDef> Read(Pager& pager, uint32_t tdef_page);
};

// Compares names of tables, columns and indexes as Jet does: in the General sort order,
// so case-insensitively (CompareText of collation.h).
bool NamesEqual(std::string_view a, std::string_view b);

}  // namespace tabulon::jet
