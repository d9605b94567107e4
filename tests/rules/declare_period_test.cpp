#include "rules/declare_period.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "rules/date_time.h"

namespace tabulon {
namespace {

std::string Ymd(TDateTime value) {
  Result<std::string> text = FormatDateYmd(value);
  return text.ok() ? text.value() : "error: " + text.status().ToString();
}

struct Day {
  int y, m, d;
};

struct PeriodCase {
  Day today;
  Day month_start, month_end;
  Day quarter_start, quarter_end;
  Day year_start, year_end;
};

// The period of each rule, for the local dates of the table. The time of day is set to
// 10:30:15.250 unless a test says otherwise.
const PeriodCase kPeriodCases[] = {
    {{2024, 1, 15}, {2023, 12, 1}, {2023, 12, 31}, {2023, 10, 1}, {2023, 12, 31}, {2023, 1, 1}, {2023, 12, 31}},
    {{2024, 3, 31}, {2024, 2, 1}, {2024, 2, 29}, {2023, 10, 1}, {2023, 12, 31}, {2023, 1, 1}, {2023, 12, 31}},
    {{2024, 4, 1}, {2024, 3, 1}, {2024, 3, 31}, {2024, 1, 1}, {2024, 3, 31}, {2023, 1, 1}, {2023, 12, 31}},
    {{2023, 12, 31}, {2023, 11, 1}, {2023, 11, 30}, {2023, 7, 1}, {2023, 9, 30}, {2022, 1, 1}, {2022, 12, 31}},
    {{2025, 3, 10}, {2025, 2, 1}, {2025, 2, 28}, {2024, 10, 1}, {2024, 12, 31}, {2024, 1, 1}, {2024, 12, 31}},
    {{2024, 6, 30}, {2024, 5, 1}, {2024, 5, 31}, {2024, 1, 1}, {2024, 3, 31}, {2023, 1, 1}, {2023, 12, 31}},
    {{2024, 7, 1}, {2024, 6, 1}, {2024, 6, 30}, {2024, 4, 1}, {2024, 6, 30}, {2023, 1, 1}, {2023, 12, 31}},
    {{2024, 9, 30}, {2024, 8, 1}, {2024, 8, 31}, {2024, 4, 1}, {2024, 6, 30}, {2023, 1, 1}, {2023, 12, 31}},
    {{2024, 10, 1}, {2024, 9, 1}, {2024, 9, 30}, {2024, 7, 1}, {2024, 9, 30}, {2023, 1, 1}, {2023, 12, 31}},
    {{2024, 12, 31}, {2024, 11, 1}, {2024, 11, 30}, {2024, 7, 1}, {2024, 9, 30}, {2023, 1, 1}, {2023, 12, 31}},
    // Century years: 2000 is a leap year, 1900 and 2100 are not.
    {{2000, 3, 1}, {2000, 2, 1}, {2000, 2, 29}, {1999, 10, 1}, {1999, 12, 31}, {1999, 1, 1}, {1999, 12, 31}},
    {{2100, 3, 1}, {2100, 2, 1}, {2100, 2, 28}, {2099, 10, 1}, {2099, 12, 31}, {2099, 1, 1}, {2099, 12, 31}},
    {{1900, 3, 5}, {1900, 2, 1}, {1900, 2, 28}, {1899, 10, 1}, {1899, 12, 31}, {1899, 1, 1}, {1899, 12, 31}},
};

TDateTime Start(Day day) { return DateSerial(day.y, day.m, day.d); }
TDateTime End(Day day) { return DateSerial(day.y, day.m, day.d) + kLastMillisecondOfDay; }

void ExpectPeriod(const InterfacePtr<IDeclarePeriod>& rule, Day first, Day last, const std::string& what) {
  // The rule must not read its arguments.
  TDateTime start = std::numeric_limits<double>::quiet_NaN();
  TDateTime end = -1e300;
  rule->GetPeriod(start, end);
  EXPECT_EQ(start, Start(first)) << what << " start " << Ymd(start);
  EXPECT_EQ(end, End(last)) << what << " end " << Ymd(end);
  // The end shows its last day; 23:59:59.999 lives in the value only.
  char expected[16];
  std::snprintf(expected, sizeof(expected), "%04d-%02d-%02d", last.y, last.m, last.d);
  EXPECT_EQ(Ymd(end), expected) << what;
}

TEST(DeclarePeriod, RulesForTheTableOfDates) {
  for (const double time_of_day : {0.0, 0.4376, kLastMillisecondOfDay}) {
    for (const auto& c : kPeriodCases) {
      const TDateTime now = DateSerial(c.today.y, c.today.m, c.today.d) + time_of_day;
      ScopedClockOverride clock([now] { return now; });
      const std::string what = Ymd(now) + " +" + std::to_string(time_of_day);
      ExpectPeriod(MakeInterfaced<TDeclareMonth>(), c.month_start, c.month_end, "month " + what);
      ExpectPeriod(MakeInterfaced<TDeclareQuarter>(), c.quarter_start, c.quarter_end, "quarter " + what);
      ExpectPeriod(MakeInterfaced<TDeclareYear>(), c.year_start, c.year_end, "year " + what);
    }
  }
}

TEST(DeclarePeriod, EndIsTheLastMillisecondOfTheDay) {
  EXPECT_EQ(kLastMillisecondOfDay, 86399999.0 / 86400000.0);
  ScopedClockOverride clock([] { return DateSerial(2024, 1, 15); });
  TDateTime start = 0, end = 0;
  MakeInterfaced<TDeclareMonth>()->GetPeriod(start, end);
  EXPECT_EQ(start, 45261.0);  // 2023-12-01
  EXPECT_DOUBLE_EQ(end, 45291.0 + 86399999.0 / 86400000.0);
  EXPECT_NEAR((end - 45291.0) * 86400000.0, 86399999.0, 1e-3);
}

TEST(DeclarePeriod, ReadsTheClockOnceAndFollowsIt) {
  int reads = 0;
  TDateTime now = DateSerial(2024, 5, 20);
  ScopedClockOverride clock([&] {
    ++reads;
    return now;
  });
  auto rule = MakeInterfaced<TDeclareQuarter>();
  TDateTime start = 0, end = 0;
  rule->GetPeriod(start, end);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(Ymd(start), "2024-01-01");
  now = DateSerial(2024, 8, 2);
  rule->GetPeriod(start, end);
  EXPECT_EQ(Ymd(start), "2024-04-01");
  EXPECT_EQ(reads, 2);
}

// A test interface and object that report their destruction.
class IProbe : public IInterface {
 public:
  static constexpr Guid kIid = {0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 6, 6, 7, 7}};
  virtual int Value() = 0;

 protected:
  ~IProbe() = default;
};

class Probe final : public TInterfacedObject<IProbe> {
 public:
  explicit Probe(bool* destroyed) : destroyed_(destroyed) {}
  int Value() override { return 42; }

 private:
  ~Probe() override { *destroyed_ = true; }
  bool* destroyed_;
};

TEST(Interfaced, DestroyedWhenTheLastReferenceGoes) {
  bool destroyed = false;
  InterfacePtr<IProbe> first = MakeInterfaced<Probe>(&destroyed);
  EXPECT_EQ(first->AddRef(), 2u);
  EXPECT_EQ(first->Release(), 1u);
  {
    InterfacePtr<IProbe> copy = first;
    InterfacePtr<IInterface> base = first.Query<IInterface>();
    ASSERT_TRUE(base);
    EXPECT_EQ(first->AddRef(), 4u);
    first->Release();
    first.Reset();
    EXPECT_FALSE(first);
    EXPECT_FALSE(destroyed);
    InterfacePtr<IProbe> again = base.Query<IProbe>();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Value(), 42);
    EXPECT_FALSE(copy.Query<IDeclarePeriod>());  // not implemented: null, no reference taken
  }
  EXPECT_TRUE(destroyed);
}

TEST(Interfaced, PeriodRulesAnswerForTheirInterface) {
  InterfacePtr<IDeclarePeriod> rule = MakeInterfaced<TDeclareYear>();
  InterfacePtr<IDeclarePeriod> same = rule.Query<IInterface>().Query<IDeclarePeriod>();
  EXPECT_EQ(same.get(), rule.get());
  EXPECT_FALSE(rule.Query<IProbe>());
  void* out = &rule;
  EXPECT_FALSE(rule->QueryInterface(IProbe::kIid, &out));
  EXPECT_EQ(out, nullptr);
}

TEST(DateTime, CalendarRules) {
  const struct {
    int year;
    bool leap;
  } years[] = {{2024, true}, {2023, false}, {2000, true}, {1900, false}, {2100, false}, {2400, true}, {1, false}};
  for (const auto& c : years) {
    EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
    EXPECT_EQ(DaysInMonth(c.year, 2), c.leap ? 29 : 28) << c.year;
  }
  const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(DaysInMonth(2023, m), days[m - 1]) << m;
  EXPECT_EQ(DaysInMonth(2023, 0), 0);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(DateTime, EncodeDateChecksTheDate) {
  const struct {
    int y, m, d;
    double expected;  // NaN: rejected
  } cases[] = {
      {1899, 12, 30, 0},   {1899, 12, 31, 1},  {1899, 12, 29, -1},      {1900, 1, 1, 2},
      {2024, 1, 1, 45292}, {2024, 2, 29, 45351}, {1, 1, 1, -693593},   {9999, 12, 31, 2958465},
      {2023, 2, 29, NAN},  {1900, 2, 29, NAN}, {2024, 13, 1, NAN},     {2024, 0, 1, NAN},
      {2024, 4, 31, NAN},  {2024, 1, 0, NAN},  {0, 1, 1, NAN},         {10000, 1, 1, NAN},
  };
  for (const auto& c : cases) {
    Result<TDateTime> value = EncodeDate(c.y, c.m, c.d);
    if (std::isnan(c.expected)) {
      EXPECT_FALSE(value.ok()) << c.y << "-" << c.m << "-" << c.d;
    } else {
      ASSERT_TRUE(value.ok()) << value.status().ToString();
      EXPECT_EQ(value.value(), c.expected) << c.y << "-" << c.m << "-" << c.d;
    }
  }
}

TEST(DateTime, FormatDateYmd) {
  const struct {
    double value;
    const char* expected;  // null: rejected
  } cases[] = {
      {0, "1899-12-30"},
      {0.99, "1899-12-30"},
      {1, "1899-12-31"},
      {-1.25, "1899-12-29"},  // the whole part names the day, toward zero
      {-0.5, "1899-12-30"},
      {45292.5, "2024-01-01"},
      {45351 + 86399999.0 / 86400000.0, "2024-02-29"},
      {45351.9999999999, "2024-03-01"},  // rounds to whole milliseconds first
      {-693593, "0001-01-01"},
      {2958465.5, "9999-12-31"},
      {-693594, nullptr},
      {2958466, nullptr},
      {std::numeric_limits<double>::quiet_NaN(), nullptr},
      {std::numeric_limits<double>::infinity(), nullptr},
  };
  for (const auto& c : cases) {
    Result<std::string> text = FormatDateYmd(c.value);
    if (c.expected == nullptr) {
      EXPECT_FALSE(text.ok()) << c.value;
    } else {
      ASSERT_TRUE(text.ok()) << c.value << ": " << text.status().ToString();
      EXPECT_EQ(text.value(), c.expected) << c.value;
    }
  }
}

TEST(DateTime, ClockOverrideNestsAndRestores) {
  const TDateTime before = LocalNow();
  {
    ScopedClockOverride outer([] { return 100.25; });
    EXPECT_EQ(LocalNow(), 100.25);
    {
      ScopedClockOverride inner([] { return 200.5; });
      EXPECT_EQ(LocalNow(), 200.5);
    }
    EXPECT_EQ(LocalNow(), 100.25);
  }
  // The system clock again: a date of this century, within a minute of the first reading.
  const TDateTime after = LocalNow();
  EXPECT_GT(after, DateSerial(2020, 1, 1));
  EXPECT_LT(after, DateSerial(2100, 1, 1));
  EXPECT_GE(after, before);
  EXPECT_LT(after - before, 1.0 / 1440);
}

}  // namespace
}  // namespace tabulon
