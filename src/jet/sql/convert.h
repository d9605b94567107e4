// Value conversions of the SQL front: storing a value into a column of a given type as
// Jet does for INSERT and UPDATE, the text form of values, and the reading of dates and
// GUIDs from text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "jet/value.h"

namespace tabulon::jet::sql {

// What a conversion needs to know about the target column.
struct TargetColumn {
  std::string name;  // for messages
  ColumnType type = ColumnType::kText;
  // Text: maximum length in characters (UTF-16 code units, as Jet counts them);
  // Binary: maximum length in bytes; 0 = no limit (Memo, OLE).
  uint32_t size = 0;
  uint8_t precision = 18;  // Decimal
  uint8_t scale = 0;       // Decimal
};

// Converts `value` for storing into `column`, as Jet does for INSERT and UPDATE:
//   - Null stays Null (NOT NULL is the executor's check);
//   - numbers and Booleans (True = -1) convert between all numeric types; a text is read
//     as a number (blanks around it allowed); a fraction stored into Byte, Integer or
//     Long is rounded half to even, into Currency to 4 places and into Decimal to the
//     column's scale;
//   - a value outside the column's range is an overflow error (Status::Constraint);
//   - Text and Memo take texts and the text form of other values (ValueToText); a text
//     longer than the field size is refused (Status::Constraint, "field too small");
//   - Yes/No takes numbers (not zero = True) and the texts True/False/Yes/No/On/Off or
//     a number;
//   - Date/Time takes dates, numbers (days since 1899-12-30) and texts in the formats of
//     ParseDateText;
//   - Replication ID takes GUIDs and texts "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
//   - Binary and OLE take binary values, and texts as their UTF-16LE bytes;
//   - anything else is a type mismatch (Status::InvalidArgument).
// Every message names the column.
Result<Value> ConvertForColumn(const Value& value, const TargetColumn& column);

// Converts a value as the conversion functions do (CInt, CLng, CByte, CSng, CDbl, CCur,
// CDate, CBool: `type` is the result's type): the rules of ConvertForColumn without a
// size limit; Null is an error ("invalid use of Null"). Messages name the function.
Result<Value> ConvertForFunction(const Value& value, ColumnType type, std::string_view function);

// The text form of a value as Jet gives it when a value becomes text (& and text
// columns): numbers in the shortest form that reads back ("1.5", "-3", "1E+20"), Currency
// with up to 4 decimals, Boolean as "-1" / "0" (Jet's True is the number -1), dates as
// "yyyy-mm-dd", "hh:nn:ss" or "yyyy-mm-dd hh:nn:ss" (the time part only when not
// midnight, the date part only when not 1899-12-30), GUIDs as "{...}", binary as its
// bytes read as UTF-16LE. Null gives "".
std::string ValueToText(const Value& value);

// A text as a Jet SQL literal: in single quotes, each single quote inside doubled
// ("O'Brien" -> 'O''Brien'), so that a value can be put into a statement safely.
std::string SqlTextLiteral(std::string_view text);

// Reads a number from text as Jet does when text is stored into a numeric column:
// blanks around it, an optional sign, digits with an optional decimal point and exponent.
// Returns nothing when the text is not a number.
std::optional<double> ParseNumberText(std::string_view text);

// Reads a date/time: "yyyy-mm-dd", "yyyy/mm/dd", "mm/dd/yyyy", "mm/dd/yy" (00-29 are
// 2000-2029, 30-99 are 1930-1999), each optionally followed by a time "hh:nn[:ss]
// [AM|PM]", or a time alone (on 1899-12-30). Years 100-9999. Nothing when invalid.
std::optional<DateTime> ParseDateText(std::string_view text);

// Day number of a date and time (days since 1899-12-30, the time as the fraction; before
// that day the number is negative and the fraction still counts forward from midnight,
// as Jet stores it). Nothing when a field is out of range.
std::optional<DateTime> MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                                     int second = 0);

// Reads "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (braces optional) into the byte order
// the file stores (the first three groups little-endian).
std::optional<Guid> ParseGuidText(std::string_view text);

}  // namespace tabulon::jet::sql
