#include "engine/scheduled_counters.h"

#include <algorithm>
#include <limits>
#include <span>

namespace melquon {

void TScheduledCounters::Start(std::size_t aCount) {
  schedule_.Reset(static_cast<std::int32_t>(aCount));
  window_.Clear();
  seen_.assign(aCount, window_.Next());
  visits_.assign(aCount, 0);
  visited_.clear();
  lastPrice_ = std::numeric_limits<double>::quiet_NaN();
  trialQuotes_ = 0;
  started_ = true;
}

// A passed-over price is kept in the window until each counter it passed over has taken it into
// its extremes.
void TScheduledCounters::ApplyNewQuote(std::vector<TVolatilityResItem>& aItems,
                                       std::int32_t aDayIndex, std::int32_t aQuoteIndex,
                                       double aQuoteValue) {
  // Counters ignore a quote for a day outside the run.
  if (aDayIndex < 0 || static_cast<std::size_t>(aDayIndex) >= daysKept_) {
    return;
  }
  // The level bands hold for these prices only; any other is handed to every counter.
  constexpr double kLevelsRise = 0x1p30;
  if (!(aQuoteValue > 0.0 && aQuoteValue < kLevelsRise)) {
    Leave(aItems);
    for (TVolatilityResItem& item : aItems) {
      item.ApplyNewQuote(aDayIndex, aQuoteIndex, aQuoteValue);
    }
    return;
  }
  if (!started_) {
    Start(aItems.size());
  }
  // Every counter has taken the last price (or holds it in its band). Where the levels are exact
  // products, as for these prices, the same price again counts nothing, starts nothing and makes
  // no new extreme.
  if (aQuoteValue == lastPrice_) {
    return;
  }
  lastPrice_ = aQuoteValue;
  const std::span<const std::int32_t> visit = schedule_.CountersToVisit(aQuoteValue);
  for (const std::int32_t index : visit) {
    if (!schedule_.IsHot(index)) {
      CatchUp(aItems, index, aQuoteValue);
    }
    aItems[static_cast<std::size_t>(index)].ApplyUntracedQuote(aDayIndex, aQuoteIndex, aQuoteValue);
  }
  window_.Add(aQuoteValue);
  // A hot counter takes every price itself: where it has got to in the window matters only
  // once it is cold again.
  for (const std::int32_t index : visit) {
    if (!schedule_.IsHot(index)) {
      const auto i = static_cast<std::size_t>(index);
      seen_[i] = window_.Next();
      if (visits_[i]++ == 0) {
        visited_.push_back(index);
      }
      NarrowBandOf(aItems, index);
    }
  }
  if (++trialQuotes_ == kQuotesPerTrial) {
    SortHotFromCold(aItems);
  }
  // A window that only grows (a price that trends for long past counters that are never
  // visited) is folded into every counter now and then.
  constexpr std::size_t kWindowKept = 1 << 12;
  if (window_.Kept() > kWindowKept) {
    SettleExtremes(aItems);
  }
}

void TScheduledCounters::NarrowBandOf(std::vector<TVolatilityResItem>& aItems,
                                      std::int32_t aIndex) {
  double low = -std::numeric_limits<double>::infinity();
  double high = std::numeric_limits<double>::infinity();
  aItems[static_cast<std::size_t>(aIndex)].NarrowLevelBand(low, high);
  schedule_.Update(aIndex, low, high);
}

// A counter visited on most quotes (the smallest intervals) costs less handed every quote than
// kept in a band: it is then hot, visited on every quote with its extremes exact, and narrows no
// block. Now and then every hot counter is made cold again for a trial, so that a counter the
// price has calmed down for goes back to its band.
void TScheduledCounters::SortHotFromCold(std::vector<TVolatilityResItem>& aItems) {
  constexpr std::uint32_t kTrialsPerRecheck = 8;
  trialQuotes_ = 0;
  if (++trials_ % kTrialsPerRecheck == 0) {
    const std::vector<std::int32_t> hot(schedule_.HotCounters().begin(),
                                        schedule_.HotCounters().end());
    for (const std::int32_t index : hot) {
      seen_[static_cast<std::size_t>(index)] = window_.Next();
      NarrowBandOf(aItems, index);
    }
  }
  // Only the counters visited in the trial can have been visited often.
  for (const std::int32_t index : visited_) {
    const auto i = static_cast<std::size_t>(index);
    if (visits_[i] * 4 > kQuotesPerTrial) {
      // From now on it takes every price itself.
      CatchUp(aItems, index);
      schedule_.MakeHot(index);
    }
    visits_[i] = 0;
  }
  visited_.clear();
}

void TScheduledCounters::CatchUp(std::vector<TVolatilityResItem>& aItems, std::int32_t aIndex,
                                 double aNextPrice) {
  const auto i = static_cast<std::size_t>(aIndex);
  TVolatilityResItem& item = aItems[i];
  // The prices passed over lay inside the counter's band: where the band ends at or inside an
  // extreme, none of them can move that extreme, and the window need not be searched. Nor need
  // it where the next price lies beyond the band on that side: that price is the new extreme
  // whatever was passed over.
  const double high = schedule_.High(aIndex);
  if (high > item.MaxContractPrice && !(aNextPrice > high)) {
    item.MaxContractPrice = std::max(item.MaxContractPrice, window_.HighestSince(seen_[i]));
  }
  const double low = schedule_.Low(aIndex);
  if (low < item.MinContractPrice && !(aNextPrice < low)) {
    item.MinContractPrice = std::min(item.MinContractPrice, window_.LowestSince(seen_[i]));
  }
  seen_[i] = window_.Next();
}

void TScheduledCounters::SettleExtremes(std::vector<TVolatilityResItem>& aItems) {
  if (!started_) {
    return;
  }
  for (std::size_t i = 0; i < aItems.size(); ++i) {
    const auto index = static_cast<std::int32_t>(i);
    if (schedule_.IsHot(index)) {
      seen_[i] = window_.Next();
    } else {
      CatchUp(aItems, index);
    }
  }
  window_.Clear();
}

void TScheduledCounters::Leave(std::vector<TVolatilityResItem>& aItems) {
  SettleExtremes(aItems);
  started_ = false;
}

}  // namespace melquon
