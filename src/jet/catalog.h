// The catalog: the rows of the system table MSysObjects (its definition is always on
// page 2), which name every table, query and other object of the database.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "jet/pager.h"

namespace tabulon::jet {

struct CatalogEntry {
  std::string name;  // UTF-8
  int32_t id = 0;
  int32_t parent_id = 0;
  int16_t type = 0;
  uint32_t flags = 0;

  bool is_table() const;   // a local table (not a linked one)
  bool system() const;     // MSys* tables and other hidden system objects
  uint32_t tdef_page() const;
};

class Catalog {
 public:
  static Result<Catalog> Read(Pager& pager);

  const std::vector<CatalogEntry>& entries() const { return entries_; }
  // Local tables in catalog order; system tables only when asked.
  std::vector<const CatalogEntry*> Tables(bool include_system) const;
  // The local table called `name`, compared case-insensitively as Jet compares names.
  const CatalogEntry* FindTable(std::string_view name) const;

 private:
  std::vector<CatalogEntry> entries_;
};

}  // namespace tabulon::jet
