#include "jet/index.h"

#include <algorithm>
#include <cstring>

#include "jet/annotate.h"
#include "jet/format.h"

namespace tabulon::jet {

namespace f = format;

Result<IndexPageData> IndexPageData::Parse(const Page& page, uint32_t tdef_page) {
  const std::string where = "index page " + std::to_string(page.number());
  if (page.type() != f::PageType::kIndexLeaf && page.type() != f::PageType::kIndexNode) {
    return Status::Corruption(where + " has page type " + std::to_string(static_cast<int>(page.type())));
  }
  const uint8_t* p = page.bytes().data();
  if (LoadU32(p + f::kDataOwnerOffset) != tdef_page) {
    return Status::Corruption(where + " belongs to another table");
  }
  IndexPageData out;
  out.leaf = page.type() == f::PageType::kIndexLeaf;
  out.prev_page = LoadU32(p + f::kIndexPrevPageOffset);
  out.next_page = LoadU32(p + f::kIndexNextPageOffset);
  out.tail_page = LoadU32(p + f::kIndexTailPageOffset);
  const size_t prefix_len = LoadU16(p + f::kIndexPrefixLengthOffset);
  const size_t trailer = out.leaf ? 4 : 8;  // row pointer, and the child page on nodes
  const uint8_t* entries = p + f::kIndexEntriesOffset;
  const size_t area = f::kPageSize - f::kIndexEntriesOffset;

  // A set bit at position n of the mask marks the end of an entry n bytes into the area.
  size_t start = 0;
  std::string prefix;
  std::string full;
  for (size_t byte = 0; byte < f::kIndexEntryMaskSize; ++byte) {
    uint8_t bits = p[f::kIndexEntryMaskOffset + byte];
    if (!bits) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!(bits & (1u << bit))) continue;
      size_t end = byte * 8 + bit;
      if (end > area || end <= start) return Status::Corruption(where + " has an invalid entry mask");
      // Entries after the first lack the shared prefix.
      const size_t shared = out.entries.empty() ? 0 : prefix.size();
      const size_t stored = end - start;
      const size_t total = shared + stored;
      if (out.entries.empty()) {
        if (stored < prefix_len) return Status::Corruption(where + " has a first entry shorter than its prefix");
        prefix.assign(reinterpret_cast<const char*>(entries + start), prefix_len);
      }
      if (total < trailer) return Status::Corruption(where + " has an entry of " + std::to_string(total) + " bytes");
      // The full entry: the shared prefix (which may reach into the row pointer when
      // neighbouring entries point to the same page) and the stored bytes.
      full.assign(prefix.data(), shared);
      full.append(reinterpret_cast<const char*>(entries + start), stored);
      const auto* tail = reinterpret_cast<const uint8_t*>(full.data()) + total - trailer;
      IndexEntry e;
      e.row = RowId{LoadU24BE(tail), tail[3]};
      if (!out.leaf) e.child = LoadU32BE(tail + 4);
      e.key.assign(full.data(), total - trailer);
      out.entries.push_back(std::move(e));
      start = end;
    }
  }
  return out;
}

IndexCursor::IndexCursor(Pager& pager, const TableDef& table, const PhysicalIndex& index)
    : pager_(&pager), table_(&table), index_(&index) {}

Result<IndexPageData> IndexCursor::Load(uint32_t page_no, const char* what) {
  Result<PageRef> page = pager_->Read(page_no);
  if (!page.ok()) return page.status();
  Result<IndexPageData> data = IndexPageData::Parse(**page, table_->tdef_page);
  if (!data.ok()) return Annotate(data.status(), what);
  return data;
}

Status IndexCursor::Seek(std::string_view lower) {
  positioned_ = true;
  leaves_visited_ = 0;
  uint32_t page_no = index_->root_page;
  // A tree deeper than this has a cycle.
  for (int depth = 0; depth < 32; ++depth) {
    Result<IndexPageData> data = Load(page_no, "index");
    if (!data.ok()) return data.status();
    page_ = std::move(*data);
    auto not_less = std::find_if(page_.entries.begin(), page_.entries.end(),
                                 [&](const IndexEntry& e) { return std::string_view(e.key) >= lower; });
    if (page_.leaf) {
      pos_ = static_cast<size_t>(not_less - page_.entries.begin());
      return Status::Ok();
    }
    // Node: the first child whose largest entry is not less than `lower`; past all of
    // them, the tail child if there is one.
    if (not_less != page_.entries.end()) {
      page_no = not_less->child;
    } else if (page_.tail_page != 0) {
      page_no = page_.tail_page;
    } else {
      page_.entries.clear();
      page_.next_page = 0;
      pos_ = 0;
      return Status::Ok();
    }
  }
  return Status::Corruption("index of table on page " + std::to_string(table_->tdef_page) + " is too deep (a cycle?)");
}

Result<bool> IndexCursor::Next() {
  if (!positioned_) TABULON_RETURN_IF_ERROR(Seek(std::string_view()));
  while (pos_ >= page_.entries.size()) {
    if (page_.next_page == 0) return false;
    // The leaf chain visits each page once; more visits than pages mean a cycle.
    if (++leaves_visited_ > pager_->page_count()) return Status::Corruption("index leaf chain has a cycle");
    Result<IndexPageData> data = Load(page_.next_page, "index leaf");
    if (!data.ok()) return data.status();
    if (!data->leaf) return Status::Corruption("index leaf chain leads to a node page");
    page_ = std::move(*data);
    pos_ = 0;
  }
  ++pos_;
  return true;
}

}  // namespace tabulon::jet
