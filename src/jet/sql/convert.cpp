#include "jet/sql/convert.h"

namespace tabulon::jet::sql {

Result<Value> ConvertForColumn(const Value&, const ColumnSpec& column) {
  return Status::NotSupported("conversion for column '" + column.name + "' is not supported yet");
}

std::string ValueToText(const Value&) { return {}; }
std::optional<double> ParseNumberText(std::string_view) { return std::nullopt; }
std::optional<DateTime> ParseDateText(std::string_view) { return std::nullopt; }
std::optional<DateTime> MakeDateTime(int, int, int, int, int, int) { return std::nullopt; }
std::optional<Guid> ParseGuidText(std::string_view) { return std::nullopt; }

}  // namespace tabulon::jet::sql
