// The platform date-time value and the few calendar routines the rules need.
//
// TDateTime is a count of days since 1899-12-30 00:00 in local time; its fraction is the
// time of day (0.5 is noon). For values before 1899-12-30 the whole part still names the
// day (toward zero) and the fraction's magnitude the time: -1.25 is 1899-12-29 06:00.
// Dates are proleptic Gregorian.
#pragma once

#include <functional>
#include <string>

#include "base/status.h"

namespace tabulon {

using TDateTime = double;

// 86 399 999 / 86 400 000 of a day: 23:59:59.999, the last millisecond of a day.
inline constexpr double kLastMillisecondOfDay = 86399999.0 / 86400000.0;

bool IsLeapYear(int year);
// Days in the month (1 to 12) of the year; 0 for a month outside 1 to 12.
int DaysInMonth(int year, int month);

// The date-time value of 00:00 on the day; InvalidArgument for a date that does not exist
// or lies outside the years 1 to 9999.
Result<TDateTime> EncodeDate(int year, int month, int day);
// The same for any year, without checks (the caller guarantees a valid month and day).
TDateTime DateSerial(int year, int month, int day);

struct DateParts {
  int year;
  int month;
  int day;
};
// The calendar day of a date-time value, after rounding it to whole milliseconds;
// InvalidArgument for a value that is not a number or lies outside the years 1 to 9999.
Result<DateParts> DecodeDate(TDateTime value);

// The day of a date-time value as "yyyy-mm-dd"; the time of day is not shown.
Result<std::string> FormatDateYmd(TDateTime value);

// The current local date and time, read from the system clock or from the clock that a
// test has installed.
TDateTime LocalNow();

// Installs `clock` as the source of LocalNow() for the guard's lifetime (tests only; not
// for use by several threads at once).
class ScopedClockOverride {
 public:
  explicit ScopedClockOverride(std::function<TDateTime()> clock);
  ~ScopedClockOverride();
  ScopedClockOverride(const ScopedClockOverride&) = delete;
  ScopedClockOverride& operator=(const ScopedClockOverride&) = delete;

 private:
  std::function<TDateTime()> previous_;
};

}  // namespace tabulon
