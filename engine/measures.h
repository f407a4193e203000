#pragma once

#include <cstdint>

namespace melquon {

// The three figures derived from a count c of interval value I. Counts are 32-bit, but the
// products are formed in 64 bits so that a large count never shows as a wrapped number.
enum class Measure { ClosedPositions, ClosedPoints, SquareFactor };

constexpr std::int64_t MeasureValue(std::int32_t aCount, std::int32_t aIntervalValue,
                                    Measure aMeasure) {
  const std::int64_t c = aCount;
  const std::int64_t i = aIntervalValue;
  switch (aMeasure) {
    case Measure::ClosedPoints:
      return c * i;
    case Measure::SquareFactor:
      return c * i * i;
    case Measure::ClosedPositions:
      break;
  }
  return c;
}

__extension__ typedef __int128 Int128;

// c x I x I exactly: the product of two 32-bit values and another takes at most 93 bits, so the
// square factor of any count and interval is whole, never wrapped.
constexpr Int128 SquareFactorExact(std::int32_t aCount, std::int32_t aIntervalValue) {
  return Int128{aCount} * aIntervalValue * aIntervalValue;
}

// A measure as a bar's height: the exact figure, rounded once to a double.
constexpr double MeasureHeight(std::int32_t aCount, std::int32_t aIntervalValue, Measure aMeasure) {
  if (aMeasure == Measure::SquareFactor) {
    return static_cast<double>(SquareFactorExact(aCount, aIntervalValue));
  }
  return static_cast<double>(MeasureValue(aCount, aIntervalValue, aMeasure));
}

}  // namespace melquon
