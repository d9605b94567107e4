// The result of a SELECT: named, typed columns and the rows, in order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"

namespace tabulon::jet {

struct ResultColumn {
  std::string name;
  // The type of the table column it comes from; for a computed column, the type of its
  // first non-Null value (none when every value is Null).
  std::optional<ColumnType> type;
};

class ResultSet {
 public:
  ResultSet() = default;
  ResultSet(std::vector<ResultColumn> columns, std::vector<std::vector<Value>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}

  const std::vector<ResultColumn>& columns() const { return columns_; }
  const std::vector<std::vector<Value>>& rows() const { return rows_; }
  size_t record_count() const { return rows_.size(); }

  // The position of the column called `name` (case-insensitively), or -1.
  int FindColumn(std::string_view name) const;
  // The value of column `name` in row `row`; Null when there is no such column or row.
  const Value& Get(size_t row, std::string_view name) const;

 private:
  std::vector<ResultColumn> columns_;
  std::vector<std::vector<Value>> rows_;
};

}  // namespace tabulon::jet
