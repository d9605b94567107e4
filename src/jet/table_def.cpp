#include "jet/table_def.h"

#include <algorithm>
#include <unordered_set>

#include "jet/bytes.h"
#include "jet/collation.h"
#include "jet/format.h"
#include "jet/text.h"

namespace tabulon::jet {

namespace f = format;

bool ColumnDef::fixed() const { return (flags & f::kColumnFixedFlag) != 0; }
bool ColumnDef::nullable() const { return (flags & f::kColumnNullableFlag) != 0; }
bool ColumnDef::auto_number() const { return (flags & f::kColumnAutoLongFlag) != 0; }
bool ColumnDef::auto_guid() const { return (flags & f::kColumnAutoGuidFlag) != 0; }
bool ColumnDef::hyperlink() const { return (flags & f::kColumnHyperlinkFlag) != 0; }
bool ColumnDef::compressed_unicode() const { return (misc_flags & f::kColumnCompressedUnicodeFlag) != 0; }
bool ColumnDef::known_type() const { return raw_type == static_cast<uint8_t>(type); }

bool PhysicalIndex::unique() const { return (flags & f::kIndexUniqueFlag) != 0; }
bool PhysicalIndex::ignore_nulls() const { return (flags & f::kIndexIgnoreNullsFlag) != 0; }
bool PhysicalIndex::required() const { return (flags & f::kIndexRequiredFlag) != 0; }

bool IndexDef::primary_key() const { return type == f::kIndexTypePrimaryKey; }
bool IndexDef::foreign_key() const { return type == f::kIndexTypeForeignKey; }

bool TableDef::system() const { return table_type == f::kTableTypeSystem; }

namespace {

bool IsKnownType(uint8_t t) { return (t >= 0x01 && t <= 0x0C) || t == 0x0F || t == 0x10; }

std::string DecodeName(ByteSpan bytes) { return DecodeStoredTextUtf8(bytes); }

}  // namespace

namespace {

// Printable ASCII without a trailing blank: such names are equal in the General sort
// order exactly when they are equal ignoring ASCII case.
bool PlainAscii(std::string_view s) {
  for (char c : s) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return s.empty() || s.back() != ' ';
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  // Most names are plain ASCII: compare them without the sort order's code table, whose
  // set-up would cost every short-lived program a few milliseconds.
  if (PlainAscii(a) && PlainAscii(b)) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
  }
  return CompareText(a, b) == 0;
}

int TableDef::FindColumn(std::string_view name) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (NamesEqual(columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

Result<TableDef> TableDef::Read(Pager& pager, uint32_t tdef_page) {
  const std::string where = "table definition on page " + std::to_string(tdef_page);
  // Gather the definition: the first page whole, continuation pages after their header.
  std::vector<uint8_t> buf;
  std::unordered_set<uint32_t> seen;
  uint32_t page_no = tdef_page;
  while (page_no != 0) {
    if (!seen.insert(page_no).second) return Status::Corruption(where + " has a cycle in its page chain");
    Result<PageRef> page = pager.ReadTyped(page_no, f::PageType::kTableDefinition, "table definition");
    if (!page.ok()) return page.status();
    ByteSpan bytes = (*page)->bytes();
    if (buf.empty()) {
      buf.assign(bytes.begin(), bytes.end());
    } else {
      buf.insert(buf.end(), bytes.begin() + f::kTdefContinuationHeader, bytes.end());
    }
    page_no = LoadU32(bytes.data() + f::kTdefNextPageOffset);
  }

  CheckedReader r(ByteSpan(buf.data(), buf.size()));
  TableDef def;
  def.tdef_page = tdef_page;
  def.row_count = r.U32(f::kTdefRowCountOffset);
  def.next_auto_number = r.U32(f::kTdefAutoNumberOffset);
  def.table_type = r.U8(f::kTdefTableTypeOffset);
  def.max_columns = r.U16(f::kTdefMaxColumnsOffset);
  def.var_columns = r.U16(f::kTdefVarColumnsOffset);
  const uint32_t column_count = r.U16(f::kTdefColumnCountOffset);
  const uint32_t logical_count = r.U32(f::kTdefLogicalIndexCountOffset);
  const uint32_t real_count = r.U32(f::kTdefRealIndexCountOffset);
  def.used_pages = r.U32(f::kTdefUsedPagesOffset);
  def.free_pages = r.U32(f::kTdefFreePagesOffset);
  // Counts that cannot fit in the definition are corrupt (and would overflow offsets).
  const uint64_t size = buf.size();
  if (uint64_t{real_count} * f::kRealIndexDefSize > size || uint64_t{logical_count} * f::kLogicalIndexDefSize > size ||
      uint64_t{column_count} * f::kColumnDefSize > size) {
    return Status::Corruption(where + " has impossible counts (" + std::to_string(column_count) + " columns, " +
                              std::to_string(real_count) + " indexes)");
  }

  size_t pos = f::kTdefFixedHeaderSize + real_count * f::kTdefRealIndexCountEntrySize;
  def.columns.resize(column_count);
  for (ColumnDef& col : def.columns) {
    col.raw_type = r.U8(pos + f::kColType);
    col.type = IsKnownType(col.raw_type) ? static_cast<ColumnType>(col.raw_type) : ColumnType::kBinary;
    col.number = r.U16(pos + f::kColNumber);
    col.var_index = r.U16(pos + f::kColVarIndex);
    col.precision = r.U8(pos + f::kColPrecision);
    col.scale = r.U8(pos + f::kColScale);
    col.sort_order = r.U16(pos + f::kColPrecision);
    col.sort_version = r.U8(pos + f::kColSortVersion);
    col.flags = r.U8(pos + f::kColFlags);
    col.misc_flags = r.U8(pos + f::kColMiscFlags);
    col.fixed_offset = r.U16(pos + f::kColFixedOffset);
    col.length = r.U16(pos + f::kColLength);
    pos += f::kColumnDefSize;
  }
  for (ColumnDef& col : def.columns) {
    uint16_t len = r.U16(pos);
    col.name = DecodeName(r.Sub(pos + 2, len));
    pos += 2 + size_t{len};
  }
  if (r.failed()) return Status::Corruption(where + " is truncated in its column list");

  def.physical_indexes.resize(real_count);
  for (PhysicalIndex& idx : def.physical_indexes) {
    for (size_t slot = 0; slot < f::kIndexColumnSlots; ++slot) {
      uint16_t number = r.U16(pos + 4 + 3 * slot);
      uint8_t order = r.U8(pos + 6 + 3 * slot);
      if (number == f::kNoColumn) continue;
      idx.columns.push_back(IndexColumn{number, 0, (order & f::kIndexAscendingFlag) != 0});
    }
    idx.used_pages = r.U32(pos + 34);
    idx.root_page = r.U32(pos + 38);
    idx.flags = r.U8(pos + 46);
    pos += f::kRealIndexDefSize;
  }
  def.indexes.resize(logical_count);
  for (IndexDef& idx : def.indexes) {
    idx.number = r.U32(pos + 4);
    idx.physical = r.U32(pos + 8);
    idx.rel_table_type = r.U8(pos + 12);
    idx.rel_index = static_cast<int32_t>(r.U32(pos + 13));
    idx.rel_table_page = r.U32(pos + 17);
    idx.cascade_updates = r.U8(pos + 21) != 0;
    idx.cascade_deletes = r.U8(pos + 22) != 0;
    idx.type = r.U8(pos + 23);
    pos += f::kLogicalIndexDefSize;
  }
  for (IndexDef& idx : def.indexes) {
    uint16_t len = r.U16(pos);
    idx.name = DecodeName(r.Sub(pos + 2, len));
    pos += 2 + size_t{len};
  }
  if (r.failed()) return Status::Corruption(where + " is truncated in its index list");

  // Display order is the order of column numbers.
  std::stable_sort(def.columns.begin(), def.columns.end(),
                   [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
  for (size_t i = 1; i < def.columns.size(); ++i) {
    if (def.columns[i].number == def.columns[i - 1].number) {
      return Status::Corruption(where + " has two columns with number " + std::to_string(def.columns[i].number));
    }
  }
  for (PhysicalIndex& idx : def.physical_indexes) {
    for (IndexColumn& ic : idx.columns) {
      auto it = std::find_if(def.columns.begin(), def.columns.end(),
                             [&](const ColumnDef& c) { return c.number == ic.column_number; });
      if (it == def.columns.end()) {
        return Status::Corruption(where + " has an index on missing column number " + std::to_string(ic.column_number));
      }
      ic.column = static_cast<size_t>(it - def.columns.begin());
    }
  }
  for (const IndexDef& idx : def.indexes) {
    if (idx.physical >= def.physical_indexes.size()) {
      return Status::Corruption(where + ": index \"" + idx.name + "\" refers to missing index data " +
                                std::to_string(idx.physical));
    }
  }
  return def;
}

}  // namespace tabulon::jet
