// Index b-trees. An index is a tree of node pages (type 0x03) over leaf pages (0x04).
// Each entry is the key bytes followed by the row pointer (3-byte page, 1-byte row, big-
// endian); node entries add the child page (4 bytes, big-endian) and carry the largest
// entry of that child. A node page may also have a "tail" child, the last subtree, which
// no entry of the node describes. Leaf pages are linked left to right. Entries after the
// first on a page may omit a prefix they share with the first entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/table_def.h"

namespace tabulon::jet {

struct IndexEntry {
  std::string key;    // the key bytes, without row pointer and child page
  RowId row;
  uint32_t child = 0; // node entries: the page of the subtree
};

// One index page, decoded.
struct IndexPageData {
  bool leaf = true;
  uint32_t prev_page = 0;
  uint32_t next_page = 0;
  uint32_t tail_page = 0;  // node pages: the last child, not described by an entry
  std::vector<IndexEntry> entries;

  // Decodes `page`, which must be an index page of the table whose definition is on
  // `tdef_page`.
  static Result<IndexPageData> Parse(const Page& page, uint32_t tdef_page);
};

// Walks the entries of one physical index in key order.
class IndexCursor {
 public:
  IndexCursor(Pager& pager, const TableDef& table, const PhysicalIndex& index);

  // Positions the cursor before the first entry whose key is not less than `lower`
  // (bytewise; an empty `lower` is the first entry). The next call of Next() returns it.
  Status Seek(std::string_view lower);
  // Moves to the next entry; false at the end of the index.
  Result<bool> Next();
  const IndexEntry& entry() const { return page_.entries[pos_ - 1]; }

 private:
  Result<IndexPageData> Load(uint32_t page_no, const char* what);

  Pager* pager_;
  const TableDef* table_;
  const PhysicalIndex* index_;
  IndexPageData page_;
  size_t pos_ = 0;         // entries before pos_ have been returned
  bool positioned_ = false;
  uint32_t leaves_visited_ = 0;
};

}  // namespace tabulon::jet
