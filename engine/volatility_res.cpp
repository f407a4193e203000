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
      scheduled_(static_cast<std::size_t>(std::max(aDaysCount, 0))) {
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
  useSchedule_ = aIntervalCount >= kScheduledFrom;
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
    scheduled_.Leave(Items);
    SweepAll(aDayIndex, aQuoteIndex, aQuoteValue);
    // The bands were not kept up with the sweep.
    quietLow_ = std::numeric_limits<double>::infinity();
    quietHigh_ = -std::numeric_limits<double>::infinity();
    return;
  }
  if (useSchedule_) {
    scheduled_.ApplyNewQuote(Items, aDayIndex, aQuoteIndex, aQuoteValue);
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

void TVolatilityRes::SettleExtremes() {
  scheduled_.SettleExtremes(Items);
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
