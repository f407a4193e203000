#pragma once

#include <string>
#include <vector>

#include "runtime/date_time.h"

namespace melquon {

class IniFile;

// A time-of-day window; both bounds belong to it. Bounds are kept in whole milliseconds
// since midnight so that a bound read from a date-time compares exactly.
class TSkipInterval {
 public:
  TSkipInterval(long long aStartMs, long long aEndMs) : StartMs(aStartMs), EndMs(aEndMs) {}

  bool Contains(TDateTime aTime) const;
  bool ContainsMs(long long aTimeOfDayMs) const {
    return StartMs <= aTimeOfDayMs && aTimeOfDayMs <= EndMs;
  }

  long long StartMs;
  long long EndMs;
};

class TSkipIntervals {
 public:
  // Empties the list, then reads SKIPSTARTn/SKIPENDn of "SKIP INTERVALS" for n = 1, 2, ...
  void Load(const IniFile& aIni);

  bool IsSkipped(TDateTime aTime) const;
  bool IsSkippedMs(long long aTimeOfDayMs) const;

  std::size_t Count() const { return Items.size(); }

  std::vector<TSkipInterval> Items;
};

}  // namespace melquon
