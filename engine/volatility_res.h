#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/scheduled_counters.h"
#include "engine/volatility_res_item.h"
#include "runtime/date_time.h"

namespace melquon {

// The outcome of one run: one counter per interval value, in creation order.
class TVolatilityRes {
 public:
  // Element i counts the interval value aIntervalFrom + i * aIntervalStep (32-bit, wrapping);
  // a count of 0 or less creates no elements.
  TVolatilityRes(std::int32_t aDaysCount, TDateTime aStartDate, std::int32_t aIntervalFrom,
                 std::int32_t aIntervalStep, std::int32_t aIntervalCount);

  // Where the result set and its counters report from now on (see TVolatilityResItem).
  void AttachLog(TRunLog& aLog);

  // Hands the quote to every counter, from element 0 upward. With a log attached that keeps no
  // trace of every quote, a price inside the band where no counter would change is not handed
  // on at all: it would change nothing and report nothing. With many counters neither is the
  // same price twice running.
  void ApplyNewQuote(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);

  // With many counters a counter passed over learns only when next visited how far the price
  // went meanwhile; this brings every counter's running high and low up to the last quote. A run
  // calls it when its quotes are done; counts and reports never wait for it.
  void SettleExtremes();

  std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
  const TVolatilityResItem& operator[](std::int32_t aIndex) const { return Items.at(aIndex); }

  std::int32_t DaysCount = 0;
  TDateTime StartDate = 0.0;
  std::vector<TVolatilityResItem> Items;

 private:
  void SweepAll(std::int32_t aDayIndex, std::int32_t aQuoteIndex, double aQuoteValue);
  void NarrowQuietBandToItems();
  void TallyQuietBand(bool aPassed);

  TRunLog* log_ = nullptr;
  bool traceQuotes_ = false;
  // The quiet band, empty until the first sweep.
  double quietLow_ = std::numeric_limits<double>::infinity();
  double quietHigh_ = -std::numeric_limits<double>::infinity();
  bool bandKept_ = true;
  std::int32_t trialQuotes_ = 0;
  std::int32_t passedQuotes_ = 0;
  std::int32_t trialsLeftOut_ = 0;
  // With many counters, each keeps a band of its own and only those a quote leaves are visited.
  bool useSchedule_ = false;
  TScheduledCounters scheduled_;
};

}  // namespace melquon
