#include "rules/declare_period.h"

namespace tabulon {
namespace {

// The year and month (1 to 12) of the current local date.
void CurrentYearMonth(int& year, int& month) {
  const TDateTime now = LocalNow();
  Result<DateParts> parts = DecodeDate(now);
  if (parts.ok()) {
    year = parts->year;
    month = parts->month;
    return;
  }
  // A clock outside the calendar's range: take 1899-12 (day 0), the platform's origin.
  year = 1899;
  month = 12;
}

// From the first day of `first_month` to the last day of `last_month`, both of `year`.
void SetPeriod(int year, int first_month, int last_month, TDateTime& start, TDateTime& end) {
  start = DateSerial(year, first_month, 1);
  end = DateSerial(year, last_month, DaysInMonth(year, last_month)) + kLastMillisecondOfDay;
}

}  // namespace

void TDeclareMonth::GetPeriod(TDateTime& start, TDateTime& end) {
  int year, month;
  CurrentYearMonth(year, month);
  if (month == 1) {
    SetPeriod(year - 1, 12, 12, start, end);
  } else {
    SetPeriod(year, month - 1, month - 1, start, end);
  }
}

void TDeclareQuarter::GetPeriod(TDateTime& start, TDateTime& end) {
  int year, month;
  CurrentYearMonth(year, month);
  if (month <= 3) {
    SetPeriod(year - 1, 10, 12, start, end);
  } else {
    const int first = (month - 1) / 3 * 3 - 2;  // first month of the previous quarter
    SetPeriod(year, first, first + 2, start, end);
  }
}

void TDeclareYear::GetPeriod(TDateTime& start, TDateTime& end) {
  int year, month;
  CurrentYearMonth(year, month);
  SetPeriod(year - 1, 1, 12, start, end);
}

}  // namespace tabulon
