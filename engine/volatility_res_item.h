#pragma once

#include <cstdint>
#include <vector>

#include "runtime/date_time.h"

namespace melquon {

// The greatest multiple of the interval at or below the price (aDown), or the least multiple
// strictly above it; the quotient is truncated toward zero.
double GetIntervalLevel(std::int32_t aIntervalValue, bool aDown, double aPrice);

// The counter of one interval value: closed positions for the whole run and per day.
class TVolatilityResItem {
 public:
  TVolatilityResItem(std::int32_t aDaysCount, TDateTime aStartDate);

  void ApplyNewQuote(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);

  std::int32_t DaysCount = 0;
  std::int32_t IntervalValue = 0;
  std::int32_t Result = 0;
  std::vector<std::int32_t> ResultPerDays;
  TDateTime StartDate = 0.0;
  double StartContractPrice = 0.0;
  double MaxContractPrice = 0.0;
  double MinContractPrice = 0.0;

 private:
  void CheckDescending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);
  void CheckAscending(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);
};

}  // namespace melquon
