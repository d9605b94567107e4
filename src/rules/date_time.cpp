#include "rules/date_time.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <utility>

namespace tabulon {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Days from 1970-01-01 to the given civil date (proleptic Gregorian, any year).
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;                                    // [0, 399]
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
  return era * 146097 + doe - 719468;
}

DateParts CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return DateParts{static_cast<int>(era * 400 + yoe + (m <= 2)), m, d};
}

// 1899-12-30, day 0 of TDateTime, counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

TDateTime SystemLocalNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::int64_t ms_since_epoch = duration_cast<milliseconds>(now.time_since_epoch()).count();
  std::int64_t ms = ms_since_epoch % 1000;
  if (ms < 0) ms += 1000;
  const std::time_t seconds = static_cast<std::time_t>((ms_since_epoch - ms) / 1000);
  std::tm local{};
#ifdef _WIN32
  const bool ok = localtime_s(&local, &seconds) == 0;
#else
  const bool ok = localtime_r(&seconds, &local) != nullptr;
#endif
  if (!ok) {
    // No local time for this instant: fall back to the universal time of the clock.
    const std::int64_t days = (ms_since_epoch >= 0 ? ms_since_epoch : ms_since_epoch - kMsPerDay + 1) / kMsPerDay;
    return static_cast<double>(days - kEpochOffset) +
           static_cast<double>(ms_since_epoch - days * kMsPerDay) / kMsPerDay;
  }
  const std::int64_t time_ms = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms;
  return DateSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         static_cast<double>(time_ms) / kMsPerDay;
}

std::function<TDateTime()>& InstalledClock() {
  static std::function<TDateTime()> clock;
  return clock;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

TDateTime DateSerial(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, month, day) - kEpochOffset);
}

Result<TDateTime> EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) {
    return Status::InvalidArgument("no such date: " + std::to_string(year) + "-" + std::to_string(month) + "-" +
                                   std::to_string(day));
  }
  return DateSerial(year, month, day);
}

Result<DateParts> DecodeDate(TDateTime value) {
  // 0001-01-01 and the last millisecond of 9999-12-31.
  static const double kMin = DateSerial(1, 1, 1);
  static const double kMax = DateSerial(9999, 12, 31) + kLastMillisecondOfDay;
  if (!std::isfinite(value) || value < kMin || value > kMax) {
    return Status::InvalidArgument("date-time value out of range");
  }
  // Round to whole milliseconds first, then take the whole days toward zero.
  const std::int64_t total_ms = std::llround(value * static_cast<double>(kMsPerDay));
  const std::int64_t days = total_ms / kMsPerDay;
  return CivilFromDays(days + kEpochOffset);
}

Result<std::string> FormatDateYmd(TDateTime value) {
  Result<DateParts> parts = DecodeDate(value);
  if (!parts.ok()) return parts.status();
  char text[16];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d", parts->year, parts->month, parts->day);
  return std::string(text);
}

TDateTime LocalNow() {
  const auto& clock = InstalledClock();
  return clock ? clock() : SystemLocalNow();
}

ScopedClockOverride::ScopedClockOverride(std::function<TDateTime()> clock)
    : previous_(std::exchange(InstalledClock(), std::move(clock))) {}

ScopedClockOverride::~ScopedClockOverride() { InstalledClock() = std::move(previous_); }

}  // namespace tabulon
