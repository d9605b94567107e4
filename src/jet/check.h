// An integrity check of a whole database, in the manner of SQLite's integrity_check:
// reads every table (system tables included), every row and column, and every index
// entry, and compares each index entry with the row it points to.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"
#include "jet/database.h"

namespace tabulon::jet {

struct CheckStats {
  uint64_t tables = 0;
  uint64_t rows = 0;
  uint64_t values = 0;
  uint64_t indexes = 0;
  uint64_t index_entries = 0;
  uint64_t keys_compared = 0;  // entries whose key bytes were compared with their row
};

// Returns the first problem found (Corruption, or the error reading met), or Ok.
Status CheckDatabase(Database& db, CheckStats* stats = nullptr);

}  // namespace tabulon::jet
