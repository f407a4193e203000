#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_observer.h"
#include "runtime/date_time.h"

namespace melquon {

// The reference figures of one calendar day, from the quotes the counters took that day.
struct TDayFigures {
  std::int64_t Ticks = 0;
  double First = 0.0;
  double High = 0.0;
  double Low = 0.0;
  double Last = 0.0;
  // The sum, in line order, of the squared differences between consecutive quotes of the day.
  double RealizedVariance = 0.0;
  // Whether the day's file was read.
  bool HasFile = false;

  // ln(High / Low)^2 / (4 ln 2); false when Low is not above 0 or there were no ticks.
  bool Parkinson(double& aValue) const;
};

// Gathers the figures of every day of a run as its quotes are counted.
class TDayFiguresCollector : public TRunObserver {
 public:
  // Quotes of days outside the run are not taken.
  void RunStarted(TDateTime aDateFrom, std::int32_t aDaysCount) override;
  void DayLoaded(std::int32_t aDayIndex) override;
  void QuoteCounted(const TCountedQuote& aQuote) override;

  TDateTime DateFrom() const { return dateFrom_; }
  const std::vector<TDayFigures>& Days() const { return days_; }

 private:
  TDateTime dateFrom_ = 0.0;
  std::vector<TDayFigures> days_;
};

// The figures as CSV: "date,ticks,first,high,low,last,range,realized_variance,parkinson", then
// one row for every day in order, CR LF line ends; a day without ticks has only its date and 0.
std::string DayFiguresCsv(const TDayFiguresCollector& aFigures);

}  // namespace melquon
