#include "engine/volatility_res_item.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "log/write_log.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// Prices far beyond the interval give quotients outside the 32-bit range; they are clamped
// to it rather than wrapped, and a quotient that is not a number gives 0.
std::int32_t TruncToInt32(double value) {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= static_cast<double>(kInt32Max)) {
    return kInt32Max;
  }
  if (value <= static_cast<double>(kInt32Min)) {
    return kInt32Min;
  }
  return static_cast<std::int32_t>(value);
}

// The multiple k * I is 32-bit arithmetic; it wraps as two's complement instead of being
// undefined.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t WrappingMultiply(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Counts grow only; a wrapped count would show as a negative number of positions.
std::int32_t SaturatingAdd(std::int32_t count, std::int32_t more) {
  return count > kInt32Max - more ? kInt32Max : count + more;
}

}  // namespace

double GetIntervalLevel(std::int32_t aIntervalValue, bool aDown, double aPrice) {
  if (aIntervalValue == 0) {
    return 0.0;
  }
  std::int32_t k = TruncToInt32(aPrice / aIntervalValue);
  if (!aDown) {
    k = WrappingAdd(k, 1);
  }
  return static_cast<double>(WrappingMultiply(k, aIntervalValue));
}

TVolatilityResItem::TVolatilityResItem(std::int32_t aDaysCount, TDateTime aStartDate)
    : DaysCount(aDaysCount), StartDate(aStartDate) {
  if (aDaysCount > 0) {
    ResultPerDays.assign(static_cast<std::size_t>(aDaysCount), 0);
  }
}

std::int32_t TVolatilityResItem::IntervalsIn(double aDelta) const {
  return TruncToInt32(aDelta / IntervalValue);
}

void TVolatilityResItem::NarrowQuietBand(double& aLow, double& aHigh) {
  if (StartContractPrice == 0.0) {
    aLow = std::numeric_limits<double>::infinity();
    aHigh = -std::numeric_limits<double>::infinity();
    return;
  }
  aLow = std::max(aLow, MinContractPrice);
  aHigh = std::min(aHigh, MaxContractPrice);
  if (IntervalValue <= 0) {
    return;
  }
  // A price inside lies between the extremes, so every quantity below is at most this large;
  // 2^-30 of it is millions of times the rounding of one operation on it.
  const double interval = IntervalValue;
  const double scale = std::fabs(MaxContractPrice) + std::fabs(MinContractPrice) + interval;
  if (MaxContractPrice > StartContractPrice) {
    const double level = HighLevel();
    aLow = std::max(aLow, level - interval + (scale + std::fabs(level)) * 0x1p-30);
  }
  if (MinContractPrice < StartContractPrice) {
    const double level = LowLevel();
    aHigh = std::min(aHigh, level + interval - (scale + std::fabs(level)) * 0x1p-30);
  }
}

void TVolatilityResItem::NarrowLevelBand(double& aLow, double& aHigh) {
  // Up to 2^30 the levels are products that fit 32 bits and rise with the price.
  constexpr double kLevelsRise = 0x1p30;
  if (StartContractPrice == 0.0 || IntervalValue <= 0 || IntervalValue >= kLevelsRise ||
      !(MinContractPrice > 0.0) || !(MaxContractPrice < kLevelsRise)) {
    NarrowQuietBand(aLow, aHigh);
    return;
  }
  const double interval = IntervalValue;
  const double margin = (MaxContractPrice + MinContractPrice + interval) * 0x1p-30;
  // Falls count from the high's level, which stays while the high stays below the next multiple.
  const double highLevel = HighLevel();
  aHigh = std::min(aHigh, highLevel + interval - margin);
  if (MaxContractPrice > StartContractPrice) {
    aLow = std::max(aLow, highLevel - interval + margin);
  } else {
    aHigh = std::min(aHigh, StartContractPrice);
  }
  // Rises count from the low's level, which stays while the low stays at or above the multiple
  // below it.
  const double lowLevel = LowLevel();
  aLow = std::max(aLow, lowLevel - interval + margin);
  if (MinContractPrice < StartContractPrice) {
    aHigh = std::min(aHigh, lowLevel + interval - margin);
  } else {
    aLow = std::max(aLow, StartContractPrice);
  }
}

void TVolatilityResItem::TakeFirstQuote(std::int32_t aDayIndex, double aQuoteValue) {
  StartContractPrice = aQuoteValue;
  MaxContractPrice = aQuoteValue;
  MinContractPrice = aQuoteValue;
  Log().CounterStarted(IntervalValue, aDayIndex, aQuoteValue);
}

void TVolatilityResItem::CountDescending(std::int32_t aDayIndex, std::int32_t aQuoteIndex,
                                         double aQuoteValue, std::int32_t aCount) {
  AddClosedPositions(aDayIndex, aCount);
  const double oldHigh = MaxContractPrice;
  MaxContractPrice = aQuoteValue;
  if (log_ == nullptr || keepsMoves_) {
    Log().MoveCounted({IntervalValue, aDayIndex, aQuoteIndex, aQuoteValue, true, aCount, oldHigh,
                       MaxContractPrice, ResultPerDays[aDayIndex], Result});
  }
}

void TVolatilityResItem::CountAscending(std::int32_t aDayIndex, std::int32_t aQuoteIndex,
                                        double aQuoteValue, std::int32_t aCount) {
  AddClosedPositions(aDayIndex, aCount);
  const double oldLow = MinContractPrice;
  MinContractPrice = aQuoteValue;
  if (log_ == nullptr || keepsMoves_) {
    Log().MoveCounted({IntervalValue, aDayIndex, aQuoteIndex, aQuoteValue, false, aCount, oldLow,
                       MinContractPrice, ResultPerDays[aDayIndex], Result});
  }
}

void TVolatilityResItem::AddClosedPositions(std::int32_t aDayIndex, std::int32_t aCount) {
  ResultPerDays[aDayIndex] = SaturatingAdd(ResultPerDays[aDayIndex], aCount);
  Result = SaturatingAdd(Result, aCount);
}

}  // namespace melquon
