#include "jet/usage_map.h"

#include "jet/data_page.h"
#include "jet/format.h"

namespace tabulon::jet {
namespace {

// Appends the pages whose bits are set in `bitmap`, the first bit standing for `first`.
void AddBitmapPages(ByteSpan bitmap, uint64_t first, uint32_t page_limit, std::vector<uint32_t>* pages) {
  for (size_t byte = 0; byte < bitmap.size(); ++byte) {
    uint8_t bits = bitmap[byte];
    if (bits == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!(bits & (1u << bit))) continue;
      uint64_t page = first + byte * 8 + bit;
      // Page numbers beyond what a row pointer can address cannot be meant.
      if (page < page_limit) pages->push_back(static_cast<uint32_t>(page));
    }
  }
}

}  // namespace

Result<UsageMap> UsageMap::Read(Pager& pager, uint32_t row_pointer) {
  PageRef holder;
  Result<ByteSpan> row = ReadRowAt(pager, RowId::FromPointer(row_pointer), "usage map", &holder);
  if (!row.ok()) return row.status();
  const std::string where = "usage map at " + RowId::FromPointer(row_pointer).ToString();
  if (row->empty()) return Status::Corruption(where + " is empty");
  constexpr uint32_t kPageLimit = 1u << 24;
  UsageMap map;
  switch ((*row)[0]) {
    case format::kUsageMapInline: {
      if (row->size() < 5) return Status::Corruption(where + " is too short");
      uint32_t start = LoadU32(row->data() + 1);
      AddBitmapPages(row->subspan(5), start, kPageLimit, &map.pages_);
      break;
    }
    case format::kUsageMapReference: {
      size_t count = (row->size() - 1) / 4;
      for (size_t i = 0; i < count; ++i) {
        uint32_t bitmap_page = LoadU32(row->data() + 1 + 4 * i);
        if (bitmap_page == 0) continue;
        Result<PageRef> page = pager.ReadTyped(bitmap_page, format::PageType::kUsageBitmap, "usage bitmap");
        if (!page.ok()) return page.status();
        AddBitmapPages((*page)->bytes().subspan(format::kUsageBitmapHeader),
                       static_cast<uint64_t>(i) * format::kPagesPerBitmapPage, kPageLimit, &map.pages_);
      }
      break;
    }
    default:
      return Status::Corruption(where + " has unknown map type " + std::to_string((*row)[0]));
  }
  return map;
}

}  // namespace tabulon::jet
