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

}  // namespace melquon
