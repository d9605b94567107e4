// Reporting-period rules: the period for which financial statements are filed now, one rule
// per filing frequency. Each yields the most recent complete calendar month, quarter or year
// before the current local date, as its first instant (00:00:00.000 of the first day) and
// its last instant (23:59:59.999 of the last day). The day of the month plays no part.
//
// The rules are stateless, reference-counted objects held only through an
// InterfacePtr<IDeclarePeriod>:
//   InterfacePtr<IDeclarePeriod> rule = MakeInterfaced<TDeclareQuarter>();
//   TDateTime start, end;
//   rule->GetPeriod(start, end);
#pragma once

#include "rules/date_time.h"
#include "rules/interfaced.h"

namespace tabulon {

class IDeclarePeriod : public IInterface {
 public:
  // {6A0E4F3C-2D1B-4C8E-9F57-3B1D7C2A9E41}
  static constexpr Guid kIid = {0x6A0E4F3C, 0x2D1B, 0x4C8E, {0x9F, 0x57, 0x3B, 0x1D, 0x7C, 0x2A, 0x9E, 0x41}};

  // Writes the first and the last instant of the reporting period, computed from the local
  // clock (LocalNow) read once; reads neither argument and cannot fail.
  virtual void GetPeriod(TDateTime& start, TDateTime& end) = 0;

 protected:
  ~IDeclarePeriod() = default;
};

// Monthly filing ("按月报送"): the previous calendar month.
class TDeclareMonth final : public TInterfacedObject<IDeclarePeriod> {
 public:
  void GetPeriod(TDateTime& start, TDateTime& end) override;

 private:
  ~TDeclareMonth() override = default;  // only the last Release destroys it
};

// Quarterly filing ("按季报送"): the previous calendar quarter.
class TDeclareQuarter final : public TInterfacedObject<IDeclarePeriod> {
 public:
  void GetPeriod(TDateTime& start, TDateTime& end) override;

 private:
  ~TDeclareQuarter() override = default;
};

// Yearly filing ("按年报送"): the previous calendar year.
class TDeclareYear final : public TInterfacedObject<IDeclarePeriod> {
 public:
  void GetPeriod(TDateTime& start, TDateTime& end) override;

 private:
  ~TDeclareYear() override = default;
};

}  // namespace tabulon
