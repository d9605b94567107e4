#include "jet/sql/functions.h"

namespace tabulon::jet::sql {
namespace {

constexpr FunctionInfo kFunctions[] = {
    {"Count", FunctionId::kCount, 1, 1, true, true},
    {"Sum", FunctionId::kSum, 1, 1, true, false},
    {"Avg", FunctionId::kAvg, 1, 1, true, false},
    {"Min", FunctionId::kMin, 1, 1, true, false},
    {"Max", FunctionId::kMax, 1, 1, true, false},
    {"UCase", FunctionId::kUCase, 1, 1, false, false},
    {"LCase", FunctionId::kLCase, 1, 1, false, false},
    {"Len", FunctionId::kLen, 1, 1, false, false},
    {"Left", FunctionId::kLeft, 2, 2, false, false},
    {"Right", FunctionId::kRight, 2, 2, false, false},
    {"Mid", FunctionId::kMid, 2, 3, false, false},
    {"Trim", FunctionId::kTrim, 1, 1, false, false},
    {"LTrim", FunctionId::kLTrim, 1, 1, false, false},
    {"RTrim", FunctionId::kRTrim, 1, 1, false, false},
    {"InStr", FunctionId::kInStr, 2, 3, false, false},
    {"Space", FunctionId::kSpace, 1, 1, false, false},
    {"Nz", FunctionId::kNz, 1, 2, false, false},
    {"IsNull", FunctionId::kIsNull, 1, 1, false, false},
    {"IIf", FunctionId::kIIf, 3, 3, false, false},
    {"CStr", FunctionId::kCStr, 1, 1, false, false},
    {"CInt", FunctionId::kCInt, 1, 1, false, false},
    {"CLng", FunctionId::kCLng, 1, 1, false, false},
    {"CByte", FunctionId::kCByte, 1, 1, false, false},
    {"CSng", FunctionId::kCSng, 1, 1, false, false},
    {"CDbl", FunctionId::kCDbl, 1, 1, false, false},
    {"CCur", FunctionId::kCCur, 1, 1, false, false},
    {"CDate", FunctionId::kCDate, 1, 1, false, false},
    {"CBool", FunctionId::kCBool, 1, 1, false, false},
    {"Val", FunctionId::kVal, 1, 1, false, false},
    {"Str", FunctionId::kStr, 1, 1, false, false},
    {"Abs", FunctionId::kAbs, 1, 1, false, false},
    {"Int", FunctionId::kInt, 1, 1, false, false},
    {"Fix", FunctionId::kFix, 1, 1, false, false},
    {"Sgn", FunctionId::kSgn, 1, 1, false, false},
    {"Round", FunctionId::kRound, 1, 2, false, false},
    {"Sqr", FunctionId::kSqr, 1, 1, false, false},
    {"Now", FunctionId::kNow, 0, 0, false, false},
    {"Date", FunctionId::kDate, 0, 0, false, false},
    {"Time", FunctionId::kTime, 0, 0, false, false},
    {"Year", FunctionId::kYear, 1, 1, false, false},
    {"Month", FunctionId::kMonth, 1, 1, false, false},
    {"Day", FunctionId::kDay, 1, 1, false, false},
    {"Hour", FunctionId::kHour, 1, 1, false, false},
    {"Minute", FunctionId::kMinute, 1, 1, false, false},
    {"Second", FunctionId::kSecond, 1, 1, false, false},
    {"Weekday", FunctionId::kWeekday, 1, 1, false, false},
    {"DateSerial", FunctionId::kDateSerial, 3, 3, false, false},
};

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

const FunctionInfo* FindFunction(std::string_view name) {
  for (const FunctionInfo& f : kFunctions) {
    if (EqualsIgnoreCase(f.name, name)) return &f;
  }
  return nullptr;
}

}  // namespace tabulon::jet::sql
