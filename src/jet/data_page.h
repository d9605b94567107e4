// Data pages: a header, a table of row offsets growing from the front, and rows stored
// from the end of the page towards the front. Rows of tables, long values (LVAL) and usage
// maps all live on data pages.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"
#include "jet/bytes.h"
#include "jet/pager.h"

namespace tabulon::jet {

// Where a row lies: page number and slot in the page's row table. Stored in the file as
// a 32-bit "row pointer" (page << 8 | row).
struct RowId {
  uint32_t page = 0;
  uint8_t row = 0;

  static RowId FromPointer(uint32_t pointer) { return RowId{pointer >> 8, static_cast<uint8_t>(pointer & 0xFF)}; }
  uint32_t pointer() const { return (page << 8) | row; }
  std::string ToString() const;
  friend bool operator==(const RowId&, const RowId&) = default;
  friend auto operator<=>(const RowId&, const RowId&) = default;
};

struct RowSlot {
  uint16_t start = 0;  // first byte of the row in the page
  uint16_t end = 0;    // one past its last byte
  bool deleted = false;
  bool overflow = false;  // the row holds a pointer to where its data moved
  ByteSpan bytes(const Page& page) const { return page.bytes().subspan(start, end - start); }
};

// Number of rows in the row table of a data page; Corruption when the table cannot fit.
Result<uint16_t> DataPageRowCount(const Page& page);

// Slot `row` of a data page, with its bounds checked.
Result<RowSlot> ReadRowSlot(const Page& page, unsigned row);

// The bytes of the row that `id` points to, on a data page; `what` names the structure
// for messages. The returned span stays valid while `*page_out` is held. A deleted row is
// Corruption unless `allow_deleted` (the target of an overflow pointer carries the deleted
// flag so that scans skip it).
Result<ByteSpan> ReadRowAt(Pager& pager, RowId id, const char* what, PageRef* page_out, RowSlot* slot_out = nullptr,
                           bool allow_deleted = false);

}  // namespace tabulon::jet
