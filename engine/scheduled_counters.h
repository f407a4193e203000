#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/counter_schedule.h"
#include "engine/price_window.h"
#include "engine/volatility_res_item.h"

namespace melquon {

// Many counters, each handed a quote only when the quote can change more of it than its running
// high or low (see TCounterSchedule and TVolatilityResItem::NarrowLevelBand); the counters that
// most quotes change are handed every quote. A counter passed over takes the prices it missed
// into its extremes at its next visit, from the window of passed-over prices. The counts, and
// the order of what the counters report, are those of handing every quote to every counter.
class TScheduledCounters {
 public:
  // Counters ignore quotes of days from aDaysKept on.
  explicit TScheduledCounters(std::size_t aDaysKept) : daysKept_(aDaysKept) {}

  // aItems are the same counters at every call.
  void ApplyNewQuote(std::vector<TVolatilityResItem>& aItems, std::int32_t aDayIndex,
                     std::int32_t aQuoteIndex, double aQuoteValue);
  // Brings every counter's running high and low up to the last quote.
  void SettleExtremes(std::vector<TVolatilityResItem>& aItems);
  // The same, and the next quote starts the schedule afresh: for a caller that hands quotes to
  // the counters itself meanwhile.
  void Leave(std::vector<TVolatilityResItem>& aItems);

 private:
  void Start(std::size_t aCount);
  // Brings a counter's extremes up to the last price; aNextPrice, when a number, is the price it
  // is handed next.
  void CatchUp(std::vector<TVolatilityResItem>& aItems, std::int32_t aIndex,
               double aNextPrice = std::numeric_limits<double>::quiet_NaN());
  void NarrowBandOf(std::vector<TVolatilityResItem>& aItems, std::int32_t aIndex);
  void SortHotFromCold(std::vector<TVolatilityResItem>& aItems);

  static constexpr std::uint32_t kQuotesPerTrial = 256;

  std::size_t daysKept_ = 0;
  bool started_ = false;
  TCounterSchedule schedule_;
  // The prices counters were passed over for, and for each counter the number of the first
  // price it has not taken into its extremes yet (a hot counter takes every price: its number is
  // set again when it turns cold).
  TPriceWindow window_;
  std::vector<std::int64_t> seen_;
  // How often each counter that is not hot was visited in this trial.
  std::vector<std::uint32_t> visits_;
  std::vector<std::int32_t> visited_;  // those with visits in this trial
  // The last price handed to the counters since the start.
  double lastPrice_ = std::numeric_limits<double>::quiet_NaN();
  std::uint32_t trialQuotes_ = 0;
  std::uint32_t trials_ = 0;
};

}  // namespace melquon
