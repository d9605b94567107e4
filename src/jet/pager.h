// The pager: the single path through which the engine reads pages of a database file
// (and, with the write side, writes them). It decodes pages (the obfuscated header region
// of page 0, per-page RC4 in encoded databases) and keeps recently used pages in an LRU
// cache. Pages are handed out as shared, immutable snapshots, so a caller may hold a page
// while others are evicted. Not thread-safe: one database object is used by one thread at
// a time.
//
// The write side belongs here too: a transaction copies a page before changing it, keeps
// the changed copies (never evicted) until commit, writes the originals to a rollback
// journal first and the changed pages after, encoding each as Decode decodes it.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "base/status.h"
#include "jet/bytes.h"
#include "jet/file.h"
#include "jet/format.h"
#include "jet/header.h"

namespace tabulon::jet {

class Page {
 public:
  explicit Page(uint32_t number) : number_(number) {}
  uint32_t number() const { return number_; }
  ByteSpan bytes() const { return ByteSpan(data_.data(), data_.size()); }
  format::PageType type() const { return static_cast<format::PageType>(data_[0]); }
  uint8_t* mutable_data() { return data_.data(); }

 private:
  uint32_t number_;
  std::array<uint8_t, format::kPageSize> data_{};
};

using PageRef = std::shared_ptr<const Page>;

struct PagerOptions {
  size_t cache_pages = 512;  // 2 MiB
};

struct PagerStats {
  uint64_t file_reads = 0;
  uint64_t cache_hits = 0;
};

class Pager {
 public:
  // Reads page 0 and identifies the file (see ReadDatabaseHeader). The password is not
  // checked here.
  static Result<std::unique_ptr<Pager>> Open(std::unique_ptr<File> file, const PagerOptions& options = {});

  const DatabaseHeader& header() const { return header_; }
  const std::string& file_name() const { return file_->name(); }
  // Pages in the file, counting a trailing partial page.
  uint32_t page_count() const { return page_count_; }

  // Page `number`, decoded. Corruption when it lies beyond the end of the file or is
  // truncated.
  Result<PageRef> Read(uint32_t number);
  // As Read, and checks the page type; `what` names the structure for the message
  // ("table definition", "index page", ...).
  Result<PageRef> ReadTyped(uint32_t number, format::PageType type, const char* what);

  const PagerStats& stats() const { return stats_; }

 private:
  Pager(std::unique_ptr<File> file, DatabaseHeader header, uint32_t page_count, size_t cache_pages);
  Result<PageRef> Load(uint32_t number);
  void Decode(Page& page) const;

  std::unique_ptr<File> file_;
  DatabaseHeader header_;
  uint32_t page_count_;
  size_t cache_capacity_;
  // LRU: most recently used at the front.
  std::list<PageRef> lru_;
  std::unordered_map<uint32_t, std::list<PageRef>::iterator> cache_;
  PagerStats stats_;
};

}  // namespace tabulon::jet
