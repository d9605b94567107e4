// Small helpers on values shared by the evaluator and the conversions. Internal to the SQL
// front.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "jet/value.h"

namespace tabulon::jet::sql {

// The type of a value as Access names it ("Text", "Long Integer", "Null").
const char* KindName(Value::Kind kind);

// Numbers of every type, Booleans (True = -1) and dates (their day number); nothing for
// Null, text, binary and GUID.
std::optional<double> ToDouble(const Value& value);

// Booleans, Byte, Integer and Long as a whole number; nothing for every other type.
std::optional<int64_t> ToInt64Exact(const Value& value);

// The calendar fields of a day number; false when it lies outside years 100-9999.
bool SplitDateTime(DateTime dt, int& year, int& month, int& day, int& hour, int& minute, int& second);

// "yyyy-mm-dd", "hh:nn:ss" or "yyyy-mm-dd hh:nn:ss" (see ValueToText).
std::string DateToText(DateTime dt);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from the stored byte order.
std::string GuidToText(const Guid& g);

}  // namespace tabulon::jet::sql
