#include "jet/result_set.h"

#include "jet/table_def.h"

namespace tabulon::jet {

int ResultSet::FindColumn(std::string_view name) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (NamesEqual(columns_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

const Value& ResultSet::Get(size_t row, std::string_view name) const {
  static const Value kNull;
  int column = FindColumn(name);
  if (column < 0 || row >= rows_.size()) return kNull;
  return rows_[row][static_cast<size_t>(column)];
}

}  // namespace tabulon::jet
