#include "jet/pager.h"

#include <vector>

#include "jet/rc4.h"

namespace tabulon::jet {

Result<std::unique_ptr<Pager>> Pager::Open(std::unique_ptr<File> file, const PagerOptions& options) {
  Result<uint64_t> size = file->Size();
  if (!size.ok()) return size.status();
  std::vector<uint8_t> first(format::kPageSize);
  size_t got = 0;
  TABULON_RETURN_IF_ERROR(file->ReadAt(0, first.size(), first.data(), &got));
  Result<DatabaseHeader> header = ReadDatabaseHeader(ByteSpan(first.data(), got), file->name());
  if (!header.ok()) return header.status();
  uint64_t pages = (*size + format::kPageSize - 1) / format::kPageSize;
  if (pages > 0xFFFFFFu) {
    // Row pointers hold 24-bit page numbers; a larger file is not a Jet 4 database.
    return Status::Corruption(file->name() + " is too large for a Jet 4 database (" + std::to_string(*size) + " bytes)");
  }
  return std::unique_ptr<Pager>(new Pager(std::move(file), std::move(*header), static_cast<uint32_t>(pages),
                                          options.cache_pages == 0 ? 1 : options.cache_pages));
}

Pager::Pager(std::unique_ptr<File> file, DatabaseHeader header, uint32_t page_count, size_t cache_pages)
    : file_(std::move(file)), header_(std::move(header)), page_count_(page_count), cache_capacity_(cache_pages) {}

void Pager::Decode(Page& page) const {
  if (page.number() == 0) {
    DeobfuscateHeaderRegion(page.mutable_data());
    return;
  }
  if (!header_.encoded()) return;
  // Each page has its own key: the database key XOR the page number, little-endian.
  uint8_t key[4];
  for (int i = 0; i < 4; ++i) {
    key[i] = static_cast<uint8_t>((header_.database_key >> (8 * i)) ^ (page.number() >> (8 * i)));
  }
  Rc4 rc4(key);
  rc4.Apply(page.mutable_data(), format::kPageSize);
}

Result<PageRef> Pager::Load(uint32_t number) {
  if (number >= page_count_) {
    return Status::Corruption("page " + std::to_string(number) + " lies beyond the end of " + file_->name() + " (" +
                              std::to_string(page_count_) + " pages)");
  }
  auto page = std::make_shared<Page>(number);
  size_t got = 0;
  TABULON_RETURN_IF_ERROR(
      file_->ReadAt(static_cast<uint64_t>(number) * format::kPageSize, format::kPageSize, page->mutable_data(), &got));
  ++stats_.file_reads;
  if (got != format::kPageSize) {
    return Status::Corruption("page " + std::to_string(number) + " of " + file_->name() + " is truncated (" +
                              std::to_string(got) + " of " + std::to_string(format::kPageSize) + " bytes)");
  }
  Decode(*page);
  return PageRef(std::move(page));
}

Result<PageRef> Pager::Read(uint32_t number) {
  auto it = cache_.find(number);
  if (it != cache_.end()) {
    ++stats_.cache_hits;
    lru_.splice(lru_.begin(), lru_, it->second);
    return *it->second;
  }
  Result<PageRef> page = Load(number);
  if (!page.ok()) return page;
  lru_.push_front(*page);
  cache_[number] = lru_.begin();
  while (lru_.size() > cache_capacity_) {
    cache_.erase(lru_.back()->number());
    lru_.pop_back();
  }
  return page;
}

Result<PageRef> Pager::ReadTyped(uint32_t number, format::PageType type, const char* what) {
  Result<PageRef> page = Read(number);
  if (!page.ok()) return page;
  if ((*page)->type() != type) {
    return Status::Corruption(std::string(what) + " page " + std::to_string(number) + " has page type " +
                              std::to_string(static_cast<int>((*page)->type())) + ", expected " +
                              std::to_string(static_cast<int>(type)));
  }
  return page;
}

}  // namespace tabulon::jet
