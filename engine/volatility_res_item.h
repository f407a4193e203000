#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/run_log.h"
#include "log/write_log.h"
#include "runtime/date_time.h"

namespace melquon {

// The greatest multiple of the interval at or below the price (aDown), or the least multiple
// strictly above it. The quotient is truncated toward zero and clamped to the 32-bit range;
// the multiple is a 32-bit product. An interval of 0 gives 0.
double GetIntervalLevel(std::int32_t aIntervalValue, bool aDown, double aPrice);

// The counter of one interval value: closed positions for the whole run and per day.
// An interval of 0 or below never counts. Counts stop at the largest 32-bit value.
class TVolatilityResItem {
 public:
  // A days count of 0 or less leaves the counter without per-day storage.
  TVolatilityResItem(std::int32_t aDaysCount, TDateTime aStartDate);

  // Where the counter reports its events from now on; until a run gives it a log of its own
  // it reports to the program's log. The log must outlive the counter's use.
  void AttachLog(TRunLog& aLog) {
    log_ = &aLog;
    traceQuotes_ = aLog.Passes(3);
    keepsMoves_ = aLog.KeepsMoves();
  }

  // Quotes must arrive in reading order. A day index outside 0 .. DaysCount - 1 is ignored.
  // Runs for every counter on every quote, so the common case (no count) stays inline and
  // everything that counts or writes a line is out of line.
  void ApplyNewQuote(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue) {
    if (aDayIndex < 0 || static_cast<std::size_t>(aDayIndex) >= ResultPerDays.size()) {
      return;
    }
    if (log_ != nullptr ? traceQuotes_ : LogLevelPasses(3)) {
      Log().QuoteTraced(IntervalValue, aDayIndex, aQuoteValue);
    }
    ApplyUntracedQuote(aDayIndex, aQuoteIndex, aQuoteValue);
  }
  // The same for a caller that has checked the day index and keeps no trace of every quote.
  void ApplyUntracedQuote(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue) {
    if (StartContractPrice == 0.0) {
      TakeFirstQuote(aDayIndex, aQuoteValue);
      return;
    }
    CheckDescending(aDayIndex, aQuoteIndex, aQuoteValue);
    CheckAscending(aDayIndex, aQuoteIndex, aQuoteValue);
  }

  // Narrows [aLow, aHigh] to prices that would change nothing of the counter: no new extreme,
  // no count, not its first price. The bounds keep a margin far beyond the rounding of the
  // counter's own arithmetic: a price inside surely changes nothing, one outside may or may not.
  void NarrowQuietBand(double& aLow, double& aHigh);
  // Narrows [aLow, aHigh] to prices that would change nothing of the counter but its running
  // high or low: no count, no other level of the extremes, no extreme crossing the start price.
  // Wider than the quiet band, so fewer quotes need the counter; a caller that passes over a
  // price inside must later fold it into the extremes. Holds for prices in (0, 2^30) only, and
  // where the interval or the extremes lie outside that range it is the quiet band.
  void NarrowLevelBand(double& aLow, double& aHigh);

  std::int32_t DaysCount = 0;
  std::int32_t IntervalValue = 0;
  std::int32_t Result = 0;
  std::vector<std::int32_t> ResultPerDays;
  TDateTime StartDate = 0.0;
  // 0.0 until the first quote: a counter started by a price of 0.0 is still unstarted.
  double StartContractPrice = 0.0;
  double MaxContractPrice = 0.0;
  double MinContractPrice = 0.0;

 private:
  // Falls are counted only while the high is above the start price.
  void CheckDescending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue) {
    if (aQuoteValue > MaxContractPrice) {
      MaxContractPrice = aQuoteValue;
    } else if (MaxContractPrice > StartContractPrice) {
      const std::int32_t count = WholeIntervals(HighLevel() - aQuoteValue);
      if (count > 0) {
        CountDescending(aDayIndex, aQuoteIndex, aQuoteValue, count);
      }
    }
  }

  // Rises are counted only while the low is below the start price.
  void CheckAscending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue) {
    if (aQuoteValue < MinContractPrice) {
      MinContractPrice = aQuoteValue;
    } else if (MinContractPrice < StartContractPrice) {
      const std::int32_t count = WholeIntervals(aQuoteValue - LowLevel());
      if (count > 0) {
        CountAscending(aDayIndex, aQuoteIndex, aQuoteValue, count);
      }
    }
  }

  // A distance below one interval gives a quotient below 1 (the division rounds to nearest),
  // so the division is only made when it can count. An interval of 0 or below never counts.
  std::int32_t WholeIntervals(double aDelta) const {
    if (IntervalValue <= 0 || !(aDelta >= IntervalValue)) {
      return 0;
    }
    return IntervalsIn(aDelta);
  }

  // The levels of the running high and low change only when the extreme does; most quotes
  // are no new extreme, so the level is kept for the next quote, keyed on the extreme itself.
  double HighLevel() {
    if (!(levelHighFor_ == MaxContractPrice)) {
      levelHigh_ = GetIntervalLevel(IntervalValue, true, MaxContractPrice);
      levelHighFor_ = MaxContractPrice;
    }
    return levelHigh_;
  }
  double LowLevel() {
    if (!(levelLowFor_ == MinContractPrice)) {
      levelLow_ = GetIntervalLevel(IntervalValue, false, MinContractPrice);
      levelLowFor_ = MinContractPrice;
    }
    return levelLow_;
  }

  std::int32_t IntervalsIn(double aDelta) const;
  TRunLog& Log() const { return log_ != nullptr ? *log_ : ProgramRunLog(); }
  void TakeFirstQuote(std::int32_t aDayIndex, double aQuoteValue);
  void CountDescending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue,
                       std::int32_t aCount);
  void CountAscending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue,
                      std::int32_t aCount);
  void AddClosedPositions(std::int32_t aDayIndex, std::int32_t aCount);

  TRunLog* log_ = nullptr;
  // Whether log_ keeps the level-3 trace of every quote, and whether it does anything with a
  // counted move; asked once, not per quote.
  bool traceQuotes_ = false;
  bool keepsMoves_ = true;
  // NaN: nothing kept yet.
  double levelHighFor_ = std::numeric_limits<double>::quiet_NaN();
  double levelHigh_ = 0.0;
  double levelLowFor_ = std::numeric_limits<double>::quiet_NaN();
  double levelLow_ = 0.0;
};

}  // namespace melquon
