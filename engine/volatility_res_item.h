#pragma once

#include <cstdint>
#include <limits>
#include <vector>

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

  // Quotes must arrive in reading order. A day index outside 0 .. DaysCount - 1 is ignored.
  void ApplyNewQuote(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);

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
  void TakeFirstQuote(std::int32_t aDayIndex, double aQuoteValue);
  void CheckDescending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);
  void CheckAscending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);
  void AddClosedPositions(std::int32_t aDayIndex, std::int32_t aCount);
  double HighLevel();
  double LowLevel();

  // The levels of the running high and low change only when the extreme does; most quotes
  // are no new extreme, so the division is kept for the next quote. Keyed on the extreme
  // itself (NaN: nothing cached yet).
  double levelHighFor_ = std::numeric_limits<double>::quiet_NaN();
  double levelHigh_ = 0.0;
  double levelLowFor_ = std::numeric_limits<double>::quiet_NaN();
  double levelLow_ = 0.0;
};

}  // namespace melquon
