// Rendering of values as CSV fields in the format of mdbtools' `mdb-export -b hex -T
// '%Y-%m-%d %H:%M:%S'`, which users of our exports already read: comma-separated, "\n"
// after each row, Null as an empty field, text, dates and binary data in double quotes
// (quotes doubled), binary data as upper-case hex, Booleans as 1 and 0.
#pragma once

#include <string>

#include "jet/table_def.h"
#include "jet/value.h"

namespace tabulon::jetdb {

// Appends the field for `value` of the column `column` (columns of unknown types stay
// empty, as in mdb-export).
void AppendCsvField(const jet::ColumnDef& column, const jet::Value& value, std::string* out);
// Appends a field for a computed value (no column behind it): rendered by its kind.
void AppendCsvValue(const jet::Value& value, std::string* out);

// The pieces, for tests.
// "YYYY-MM-DD HH:MM:SS", rounded to the second; outside years 100-9999 the day number.
std::string FormatDateTime(double days);
std::string FormatCurrency(int64_t units);          // four decimals: "-12.3400"
std::string FormatDecimal(const jet::Decimal& d);   // scale decimals, no exponent
std::string FormatSingle(float v);                  // as printf "%.8g"
std::string FormatDouble(double v);                 // as printf "%.16g"
// mdbtools' rendering, which lacks the fourth dash: "{XXXXXXXX-XXXX-XXXX-XXXXXXXXXXXXXXXX}"
std::string FormatGuid(const jet::Guid& g);

}  // namespace tabulon::jetdb
