#include "engine/volatility_res.h"

#include <algorithm>
#include <string>

#include "log/write_log.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::int32_t kQuoteTraceLevel = 3;

std::int32_t IntervalValueAt(std::int32_t aIntervalFrom, std::int32_t aIntervalStep,
                             std::int32_t aIndex) {
  const std::uint32_t offset =
      static_cast<std::uint32_t>(aIndex) * static_cast<std::uint32_t>(aIntervalStep);
  return static_cast<std::int32_t>(offset + static_cast<std::uint32_t>(aIntervalFrom));
}

}  // namespace

TVolatilityRes::TVolatilityRes(std::int32_t aDaysCount, TDateTime aStartDate,
                               std::int32_t aIntervalFrom, std::int32_t aIntervalStep,
                               std::int32_t aIntervalCount)
    : DaysCount(aDaysCount),
      StartDate(aStartDate),
      daysKept_(static_cast<std::size_t>(std::max(aDaysCount, 0))) {
  if (aIntervalCount <= 0) {
    return;
  }
  Items.reserve(static_cast<std::size_t>(aIntervalCount));
  for (std::int32_t i = 0; i < aIntervalCount; ++i) {
    TVolatilityResItem& item = Items.emplace_back(aDaysCount, aStartDate);
    item.IntervalValue = IntervalValueAt(aIntervalFrom, aIntervalStep, i);
  }
  // A few counters share one band, checked at the cost of two comparisons; many keep their own.
  constexpr std::int32_t kScheduledFrom = 48;
  scheduled_ = aIntervalCount >= kScheduledFrom;
}

void TVolatilityRes::AttachLog(TRunLog& aLog) {
  log_ = &aLog;
  traceQuotes_ = aLog.Passes(kQuoteTraceLevel);
  for (TVolatilityResItem& item : Items) {
    item.AttachLog(aLog);
  }
}

void TVolatilityRes::ApplyNewQuote(std::int32_t aDayIndex, std::int32_t aQuoteIndex,
                                   double aQuoteValue) {
  const bool trace = log_ != nullptr ? traceQuotes_ : LogLevelPasses(kQuoteTraceLevel);
  if (trace) {
    (log_ != nullptr ? *log_ : ProgramRunLog()).ResultSetQuote(aDayIndex, aQuoteValue);
  }
  // Without an attached log the trace threshold may change between quotes: no shortcut then.
  if (log_ == nullptr || trace) {
    LeaveSchedule();
    SweepAll(aDayIndex, aQuoteIndex, aQuoteValue);
    // The bands were not kept up with the sweep.
    quietLow_ = std::numeric_limits<double>::infinity();
    quietHigh_ = -std::numeric_limits<double>::infinity();
    return;
  }
  if (scheduled_) {
    VisitScheduled(aDayIndex, aQuoteIndex, aQuoteValue);
    return;
  }
  if (aQuoteValue >= quietLow_ && aQuoteValue <= quietHigh_) {
    TallyQuietBand(true);
    return;
  }
  SweepAll(aDayIndex, aQuoteIndex, aQuoteValue);
  if (bandKept_) {
    NarrowQuietBandToItems();
  }
  TallyQuietBand(false);
}

void TVolatilityRes::SweepAll(std::int32_t aDayIndex, std::int32_t aQuoteIndex,
                              double aQuoteValue) {
  for (TVolatilityResItem& item : Items) {
    item.ApplyNewQuote(aDayIndex, aQuoteIndex, aQuoteValue);
  }
}

// The counters a quote leaves the band of, in index order: the others would report nothing
// and change nothing but their running extremes, so the counts and the order of what is
// reported are those of a sweep. A passed-over price is kept in the window until each counter
// it passed over has taken it into its extremes.
void TVolatilityRes::VisitScheduled(std::int32_t aDayIndex, std::int32_t aQuoteIndex,
                                    double aQuoteValue) {
  // Counters ignore a quote for a day outside the run.
  if (aDayIndex < 0 || static_cast<std::size_t>(aDayIndex) >= daysKept_) {
    return;
  }
  // The level bands hold for these prices only; any other is handed to every counter.
  constexpr double kLevelsRise = 0x1p30;
  if (!(aQuoteValue > 0.0 && aQuoteValue < kLevelsRise)) {
    LeaveSchedule();
    SweepAll(aDayIndex, aQuoteIndex, aQuoteValue);
    return;
  }
  if (!scheduleValid_) {
    schedule_.Reset(Count());
    window_.Clear();
    seen_.assign(Items.size(), window_.Next());
    visits_.assign(Items.size(), 0);
    scheduledQuotes_ = 0;
    scheduleValid_ = true;
  }
  const std::span<const std::int32_t> visit = schedule_.CountersToVisit(aQuoteValue);
  for (const std::int32_t index : visit) {
    if (!schedule_.IsHot(index)) {
      CatchUp(index);
    }
    Items[static_cast<std::size_t>(index)].ApplyNewQuote(aDayIndex, aQuoteIndex, aQuoteValue);
  }
  window_.Add(aQuoteValue);
  for (const std::int32_t index : visit) {
    const auto i = static_cast<std::size_t>(index);
    seen_[i] = window_.Next();
    if (!schedule_.IsHot(index)) {
      ++visits_[i];
      NarrowBandOf(index);
    }
  }
  if (++scheduledQuotes_ == kQuotesPerTrial) {
    SortHotFromCold();
  }
  // A window that only grows (a price that trends for long past counters that are never
  // visited) is folded into every counter now and then.
  constexpr std::size_t kWindowKept = 1 << 12;
  if (window_.Kept() > kWindowKept) {
    SettleExtremes();
  }
}

void TVolatilityRes::NarrowBandOf(std::int32_t aIndex) {
  double low = -std::numeric_limits<double>::infinity();
  double high = std::numeric_limits<double>::infinity();
  Items[static_cast<std::size_t>(aIndex)].NarrowLevelBand(low, high);
  schedule_.Update(aIndex, low, high);
}

// A counter visited on most quotes (the smallest intervals) costs less handed every quote than
// kept in a band: it is then hot, its band empty and its extremes exact. Now and then every hot
// counter is made cold again for a trial, so that a counter the price has calmed down for goes
// back to its band.
void TVolatilityRes::SortHotFromCold() {
  constexpr std::int32_t kTrialsPerRecheck = 8;
  scheduledQuotes_ = 0;
  const bool recheck = ++scheduledTrials_ % kTrialsPerRecheck == 0;
  for (std::int32_t index = 0; index < Count(); ++index) {
    const auto i = static_cast<std::size_t>(index);
    if (schedule_.IsHot(index)) {
      if (recheck) {
        NarrowBandOf(index);
      }
    } else if (visits_[i] * 4 > kQuotesPerTrial) {
      // From now on it takes every price itself.
      CatchUp(index);
      schedule_.MakeHot(index);
    }
    visits_[i] = 0;
  }
}

void TVolatilityRes::CatchUp(std::int32_t aIndex) {
  const auto i = static_cast<std::size_t>(aIndex);
  TVolatilityResItem& item = Items[i];
  item.MaxContractPrice = std::max(item.MaxContractPrice, window_.HighestSince(seen_[i]));
  item.MinContractPrice = std::min(item.MinContractPrice, window_.LowestSince(seen_[i]));
  seen_[i] = window_.Next();
}

void TVolatilityRes::SettleExtremes() {
  if (!scheduleValid_) {
    return;
  }
  for (std::int32_t i = 0; i < Count(); ++i) {
    CatchUp(i);
  }
  window_.Clear();
}

void TVolatilityRes::LeaveSchedule() {
  SettleExtremes();
  scheduleValid_ = false;
}

// Keeping the band costs a pass over the counters after every sweep. Where it lets fewer than
// half the quotes pass (many counters, small intervals) it is left empty for a while, then
// tried again.
void TVolatilityRes::TallyQuietBand(bool aPassed) {
  constexpr std::int32_t kQuotesPerTrial = 256;
  constexpr std::int32_t kTrialsLeftOut = 8;
  passedQuotes_ += aPassed ? 1 : 0;
  if (++trialQuotes_ < kQuotesPerTrial) {
    return;
  }
  if (bandKept_ && passedQuotes_ * 2 < trialQuotes_) {
    bandKept_ = false;
    trialsLeftOut_ = kTrialsLeftOut;
    quietLow_ = std::numeric_limits<double>::infinity();
    quietHigh_ = -std::numeric_limits<double>::infinity();
  } else if (!bandKept_ && --trialsLeftOut_ == 0) {
    // Empty until the next sweep narrows it to the counters.
    bandKept_ = true;
  }
  trialQuotes_ = 0;
  passedQuotes_ = 0;
}

void TVolatilityRes::NarrowQuietBandToItems() {
  quietLow_ = -std::numeric_limits<double>::infinity();
  quietHigh_ = std::numeric_limits<double>::infinity();
  for (TVolatilityResItem& item : Items) {
    item.NarrowQuietBand(quietLow_, quietHigh_);
  }
}

}  // namespace melquon
