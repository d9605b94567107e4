// The built-in functions the SQL front knows: the parser checks names and argument counts
// against this list, the evaluator computes the scalar ones, and the aggregate ones (Count,
// Sum, Avg, Min, Max) are computed by Aggregator (evaluator.h) over a query's rows.
#pragma once

#include <string_view>

namespace tabulon::jet::sql {

enum class FunctionId {
  // aggregates
  kCount, kSum, kAvg, kMin, kMax,
  // text
  kUCase, kLCase, kLen, kLeft, kRight, kMid, kTrim, kLTrim, kRTrim, kInStr, kSpace,
  // Null handling and choice
  kNz, kIsNull, kIIf,
  // conversion
  kCStr, kCInt, kCLng, kCByte, kCSng, kCDbl, kCCur, kCDate, kCBool, kVal, kStr,
  // numbers
  kAbs, kInt, kFix, kSgn, kRound, kSqr,
  // dates
  kNow, kDate, kTime, kYear, kMonth, kDay, kHour, kMinute, kSecond, kWeekday, kDateSerial,
};

struct FunctionInfo {
  std::string_view name;  // as documented ("UCase")
  FunctionId id;
  int min_args;
  int max_args;
  bool aggregate;
  bool allows_star;  // Count(*)
};

// The function of that name (case-insensitive), or null when there is none.
const FunctionInfo* FindFunction(std::string_view name);

}  // namespace tabulon::jet::sql
