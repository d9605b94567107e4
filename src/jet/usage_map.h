// Usage maps: which pages belong to a table (or have free space). A map is stored in a row
// and is either inline (a start page and a bitmap) or a reference map (a list of bitmap
// pages, each covering a fixed range of page numbers).
#pragma once

#include <cstdint>
#include <vector>

#include "base/status.h"
#include "jet/pager.h"

namespace tabulon::jet {

class UsageMap {
 public:
  // Reads the map stored in the row that `row_pointer` addresses.
  static Result<UsageMap> Read(Pager& pager, uint32_t row_pointer);

  // The marked pages, ascending.
  const std::vector<uint32_t>& pages() const { return pages_; }

 private:
  std::vector<uint32_t> pages_;
};

}  // namespace tabulon::jet
