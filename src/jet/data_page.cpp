#include "jet/data_page.h"

#include "jet/annotate.h"
#include "jet/format.h"

namespace tabulon::jet {

std::string RowId::ToString() const { return std::to_string(page) + ":" + std::to_string(row); }

Result<uint16_t> DataPageRowCount(const Page& page) {
  uint16_t count = LoadU16(page.bytes().data() + format::kDataRowCountOffset);
  // Row pointers address at most 256 rows per page.
  if (count > 256) {
    return Status::Corruption("data page " + std::to_string(page.number()) + " claims " + std::to_string(count) +
                              " rows, more than a page can hold");
  }
  return count;
}

Result<RowSlot> ReadRowSlot(const Page& page, unsigned row) {
  Result<uint16_t> count = DataPageRowCount(page);
  if (!count.ok()) return count.status();
  if (row >= *count) {
    return Status::Corruption("row " + std::to_string(row) + " does not exist on data page " +
                              std::to_string(page.number()) + " (" + std::to_string(*count) + " rows)");
  }
  const uint8_t* table = page.bytes().data() + format::kDataRowTableOffset;
  uint16_t raw = LoadU16(table + 2 * row);
  RowSlot slot;
  slot.deleted = (raw & format::kRowDeletedFlag) != 0;
  slot.overflow = (raw & format::kRowOverflowFlag) != 0;
  slot.start = raw & format::kRowOffsetMask;
  slot.end = row == 0 ? static_cast<uint16_t>(format::kPageSize)
                      : static_cast<uint16_t>(LoadU16(table + 2 * (row - 1)) & format::kRowOffsetMask);
  const size_t table_end = format::kDataRowTableOffset + 2u * *count;
  if (slot.start < table_end || slot.start > slot.end || slot.end > format::kPageSize) {
    // A deleted row may keep stale offsets; it is simply empty. A live row must lie inside
    // the row area.
    if (slot.deleted) {
      slot.start = slot.end = 0;
      return slot;
    }
    return Status::Corruption("row " + std::to_string(row) + " of data page " + std::to_string(page.number()) +
                              " has invalid bounds " + std::to_string(slot.start) + ".." + std::to_string(slot.end));
  }
  return slot;
}

Result<ByteSpan> ReadRowAt(Pager& pager, RowId id, const char* what, PageRef* page_out, RowSlot* slot_out,
                           bool allow_deleted) {
  Result<PageRef> page = pager.Read(id.page);
  if (!page.ok()) return page.status();
  if ((*page)->type() != format::PageType::kData) {
    return Status::Corruption(std::string(what) + " points to page " + std::to_string(id.page) +
                              ", which is not a data page");
  }
  Result<RowSlot> slot = ReadRowSlot(**page, id.row);
  if (!slot.ok()) return Annotate(slot.status(), what);
  if (slot->deleted && !allow_deleted) {
    return Status::Corruption(std::string(what) + " points to deleted row " + id.ToString());
  }
  *page_out = std::move(*page);
  if (slot_out) *slot_out = *slot;
  return slot->bytes(**page_out);
}

}  // namespace tabulon::jet
