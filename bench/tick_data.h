#pragma once

#include <cstdint>
#include <string>

#include "runtime/date_time.h"

namespace melquon::bench {

// Tick lines in the export layout TICKER,PER,YYYYMMDD,HHMMSS,PRICE,VOL with three contracts
// interleaved, CR LF line ends, ASCII bytes; deterministic for a given seed.
struct TickDayOptions {
  std::int32_t linesPerDay = 1000000;
  std::uint32_t seed = 1;
  // How many thirds of the lines are kTickContract's; the rest are the others'.
  int ownContractThirds = 1;
  // The share of lines that are what real exports hold besides ticks: header lines, empty
  // lines, times and dates that are none.
  double junkShare = 0.0;
};

std::string GenerateTickDay(const CalendarDate& aDate, const TickDayOptions& aOptions);

// The contract whose lines the benchmarks read, and the settings that read them.
inline constexpr const char* kTickContract = "RIH9";
inline constexpr const char* kTickFindWhat =
    R"(^$CONTRACT,0,(\d{4})(\d\d)(\d\d),(\d\d)(\d\d)(\d\d),([\d.]+),.*$)";
inline constexpr const char* kTickReplaceWith = "CONTRACT=$7&DT=$3.$2.$1 $4:$5:$6";

}  // namespace melquon::bench
