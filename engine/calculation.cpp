#include "engine/calculation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>

#include "engine/day_outcome.h"
#include "engine/day_pipeline.h"
#include "engine/day_reading.h"
#include "engine/engine.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "runtime/local_clock.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

// 1 January of year 1 and 31 December 9999: day files are named from real dates only.
constexpr double kFirstCalendarDay = -693593.0;
constexpr double kLastCalendarDay = 2958465.0;
constexpr double kCalendarSpan = kLastCalendarDay - kFirstCalendarDay + 1.0;

// A result set beyond this is a typing mistake in the range, not a run worth exhausting the
// machine for; it is refused before anything is allocated.
constexpr std::int64_t kResultSetLimitBytes = std::int64_t{1} << 30;

// 64-bit so that no range of 32-bit values can overflow (INT_MIN / -1 included).
std::int64_t IntervalCountOf(std::int32_t aIntervalFrom, std::int32_t aIntervalTo,
                             std::int32_t aIntervalStep) {
  if (aIntervalStep == 0) {
    throw std::domain_error("Division by zero");
  }
  const std::int64_t span = std::int64_t{aIntervalTo} - std::int64_t{aIntervalFrom};
  return span / aIntervalStep + 1;
}

// Rounded to nearest with halves to even (the default floating-point rounding mode).
std::int32_t DaysCountOf(TDateTime aDateFrom, TDateTime aDateEnd) {
  const double days = std::nearbyint(aDateEnd - aDateFrom);
  if (!std::isfinite(days) || std::fabs(days) > kCalendarSpan) {
    throw std::out_of_range("The date range is longer than the calendar (years 1 to 9999)");
  }
  return static_cast<std::int32_t>(days);
}

void CheckDaysInCalendar(TDateTime aDateFrom, std::int32_t aDaysCount) {
  if (aDaysCount <= 0) {
    return;
  }
  const double lastDay = aDateFrom + (aDaysCount - 1);
  if (!(aDateFrom >= kFirstCalendarDay && lastDay < kLastCalendarDay + 1.0)) {
    throw std::out_of_range("The date range lies outside the calendar (years 1 to 9999)");
  }
}

void CheckResultSetFits(std::int64_t aIntervalCount, std::int32_t aDaysCount) {
  if (aIntervalCount <= 0) {
    return;
  }
  const std::int64_t days = std::max<std::int32_t>(aDaysCount, 0);
  const std::int64_t bytesPerItem =
      static_cast<std::int64_t>(sizeof(TVolatilityResItem)) + days * std::int64_t{4};
  if (aIntervalCount > kResultSetLimitBytes / bytesPerItem) {
    throw std::length_error("The result set of " + IntToStr(aIntervalCount) +
                            " interval values over " + IntToStr(days) +
                            " days would take more than 1 GiB of memory");
  }
}

void ThrowIfCancelled(const TCancelToken* aCancel) {
  if (aCancel != nullptr && aCancel->Cancelled()) {
    throw ERunCancelled();
  }
}

}  // namespace

// The run's log as the counters see it while an observer watches: every event goes to the log,
// and each counted move to the observer too, with the quote being counted.
class TCalculation::ObservedLog final : public TRunLog {
 public:
  ObservedLog(TRunLog& aLog, TRunObserver& aObserver) : log_(aLog), observer_(aObserver) {}

  bool Passes(std::int32_t aLevel) const override { return log_.Passes(aLevel); }
  void Line(std::int32_t aLevel, std::string_view aText, bool aRewrite) override {
    log_.Line(aLevel, aText, aRewrite);
  }
  const FormatSettings& Formats() const override { return log_.Formats(); }
  void QuoteTraced(std::int32_t aIntervalValue, std::int32_t aDayIndex,
                   double aQuoteValue) override {
    log_.QuoteTraced(aIntervalValue, aDayIndex, aQuoteValue);
  }
  void CounterStarted(std::int32_t aIntervalValue, std::int32_t aDayIndex,
                      double aQuoteValue) override {
    log_.CounterStarted(aIntervalValue, aDayIndex, aQuoteValue);
  }
  void MoveCounted(const TCountedMove& aMove) override {
    log_.MoveCounted(aMove);
    observer_.MoveCounted(aMove, quote_);
  }
  void ResultSetQuote(std::int32_t aDayIndex, double aQuoteValue) override {
    log_.ResultSetQuote(aDayIndex, aQuoteValue);
  }

  void Count(TVolatilityRes& aResult, const TCountedQuote& aQuote) {
    quote_ = aQuote;
    observer_.QuoteCounted(aQuote);
    aResult.ApplyNewQuote(aQuote.DayIndex, aQuote.QuoteIndex, aQuote.Value);
  }

 private:
  TRunLog& log_;
  TRunObserver& observer_;
  TCountedQuote quote_;
};

void TCalculation::CountQuote(TVolatilityRes& aResult, const TCountedQuote& aQuote) {
  if (observedLog_ != nullptr) {
    observedLog_->Count(aResult, aQuote);
  } else {
    aResult.ApplyNewQuote(aQuote.DayIndex, aQuote.QuoteIndex, aQuote.Value);
  }
}

// Counts each quote as it is read, on the calling thread.
class TCalculation::DirectSink {
 public:
  DirectSink(TCalculation& aRun, TVolatilityRes& aResult, std::int32_t aDayIndex,
             const TCancelToken* aCancel)
      : run_(aRun), result_(aResult), dayIndex_(aDayIndex), cancel_(aCancel) {}

  bool Passes(std::int32_t aLevel) const { return run_.log_.Passes(aLevel); }
  void Line(std::int32_t aLevel, const std::string& aText) { run_.log_.Line(aLevel, aText, false); }
  void Looked(const std::string& aOpenName) { run_.NoteLooked(aOpenName); }
  void Loaded(std::size_t aLineCount, const std::vector<std::string>& aFirstLines) {
    run_.NoteLoaded(aLineCount, [&aFirstLines] { return aFirstLines; });
    if (run_.observer_ != nullptr)
      run_.observer_->DayLoaded(dayIndex_);
  }
  void Quote(std::int32_t aIndex, double aValue, std::int32_t aTimeOfDayMs) {
    run_.CountQuote(result_, {dayIndex_, aIndex, aTimeOfDayMs, aValue});
  }
  void Reached(std::int64_t) {}
  void BlockDone() const { ThrowIfCancelled(cancel_); }

 private:
  TCalculation& run_;
  TVolatilityRes& result_;
  std::int32_t dayIndex_;
  const TCancelToken* cancel_;
};

void TCalculation::NoteLooked(const std::string& aOpenName) {
  if (summary_.FirstDayFile.empty())
    summary_.FirstDayFile = aOpenName;
}

// The first lines are only made for the first file read.
template <typename FirstLines>
void TCalculation::NoteLoaded(std::size_t aLineCount, FirstLines aFirstLines) {
  if (summary_.DayFiles++ == 0)
    summary_.FirstLines = aFirstLines();
  summary_.Lines += aLineCount;
}

TCalculation::TCalculation(TRunSnapshot aSnapshot, TRunLog& aLog)
    : snapshot_(std::move(aSnapshot)),
      log_(aLog),
      dates_(snapshot_.Formats, snapshot_.CurrentYear) {
  SetRunMatching(regExp_);
}

std::unique_ptr<TVolatilityRes> TCalculation::Run(const RunProgress& aProgress,
                                                  const TCancelToken* aCancel) {
  if (log_.Passes(2)) {
    log_.Line(2, "Starting to calculate...", true);
  }
  const TRunSnapshot& s = snapshot_;
  const auto started = std::chrono::steady_clock::now();
  summary_ = TRunSummary{};
  summary_.Contract = s.Contract;
  summary_.DateFrom = s.DateFrom;
  summary_.DateTo = s.DateEnd - 1.0;
  std::tie(summary_.IntervalFrom, summary_.IntervalTo, summary_.IntervalStep) =
      std::tuple(s.IntervalFrom, s.IntervalTo, s.IntervalStep);
  summary_.Pattern = ContractPattern(s.Settings.FindWhat, s.Contract);
  summary_.Formats = s.Formats;
  const std::int64_t intervalCount = IntervalCountOf(s.IntervalFrom, s.IntervalTo, s.IntervalStep);
  const std::int32_t daysCount = DaysCountOf(s.DateFrom, s.DateEnd);
  if (log_.Passes(3)) {
    log_.Line(3, "Total days to calculate:" + IntToStr(daysCount), false);
  }
  CheckDaysInCalendar(s.DateFrom, daysCount);
  CheckResultSetFits(intervalCount, daysCount);

  // The result set treats a count of zero or less as no items; a negative count that would not
  // fit 32 bits means the same.
  const auto itemCount = static_cast<std::int32_t>(std::max<std::int64_t>(intervalCount, 0));
  auto result = std::make_unique<TVolatilityRes>(daysCount, s.DateFrom, s.IntervalFrom,
                                                 s.IntervalStep, itemCount);
  std::optional<ObservedLog> observedLog;
  if (observer_ != nullptr) {
    observer_->RunStarted(s.DateFrom, std::max(daysCount, 0));
    observedLog.emplace(log_, *observer_);
  }
  observedLog_ = observedLog ? &*observedLog : nullptr;
  result->AttachLog(observedLog ? static_cast<TRunLog&>(*observedLog) : log_);
  if (s.Threads > 1 && daysCount > 1) {
    CountDaysReadAhead(*result, daysCount, aProgress, aCancel);
  } else {
    ReadAndCountDays(*result, daysCount, aProgress, aCancel);
  }
  result->SettleExtremes();
  // The result set outlives the run: it reports to the run's own log from now on.
  result->AttachLog(log_);
  observedLog_ = nullptr;
  if (observer_ != nullptr) {
    observer_->RunDone();
  }
  if (log_.Passes(2)) {
    log_.Line(2, "Calculating done", false);
  }
  summary_.Days = std::max(daysCount, 0);
  summary_.Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return result;
}

void TCalculation::ReadAndCountDays(TVolatilityRes& aResult, std::int32_t aDaysCount,
                                    const RunProgress& aProgress, const TCancelToken* aCancel) {
  TQuoteSource source(snapshot_.Settings, regExp_, snapshot_.SkipIntervals, dates_, log_);
  TQuoteLines lines;
  std::uint64_t linesRead = 0;
  for (std::int32_t day = 0; day < aDaysCount; ++day) {
    const TDateTime date = snapshot_.DateFrom + day;
    ThrowIfCancelled(aCancel);
    if (aProgress)
      aProgress({day, aDaysCount, date, linesRead});
    ThrowIfCancelled(aCancel);
    DirectSink sink(*this, aResult, day, aCancel);
    linesRead += ReadDay(snapshot_, source, lines, day, date, sink);
  }
  summary_.Quotes = source.Stats();
}

void TCalculation::CountDaysReadAhead(TVolatilityRes& aResult, std::int32_t aDaysCount,
                                      const RunProgress& aProgress, const TCancelToken* aCancel) {
  TDayPipeline pipeline(snapshot_, LogLevelsKept(log_), aDaysCount, snapshot_.Threads, aCancel);
  TDayOutcome part;
  std::uint64_t linesRead = 0;
  for (std::int32_t day = 0; day < aDaysCount; ++day) {
    ThrowIfCancelled(aCancel);
    if (aProgress)
      aProgress({day, aDaysCount, snapshot_.DateFrom + day, linesRead});
    ThrowIfCancelled(aCancel);
    CountDayReadAhead(day, pipeline, part, aResult, aCancel);
    linesRead += part.LineCount;
  }
}

// Counts a day read on another thread as its blocks arrive, exactly as if it were counted while
// read: its log lines go out among its quotes where they were reported, the token is looked at
// where reading would look at it, and what reading raised is raised after them.
void TCalculation::CountDayReadAhead(std::int32_t aDayIndex, TDayPipeline& aPipeline,
                                     TDayOutcome& aPart, TVolatilityRes& aResult,
                                     const TCancelToken* aCancel) {
  std::int64_t nextLook = kLinesBetweenCancelChecks;
  bool toldLoaded = false;
  do {
    aPipeline.Fetch(aPart);
    if (aPart.Loaded && !toldLoaded && observer_ != nullptr) {
      observer_->DayLoaded(aDayIndex);
      toldLoaded = true;
    }
    auto line = aPart.Log.begin();
    const auto logUpTo = [&](std::int64_t aLineIndex) {
      for (; line != aPart.Log.end() && line->AtLine <= aLineIndex; ++line)
        log_.Line(line->Level, line->Text, false);
    };
    auto quote = aPart.Quotes.begin();
    const auto countBefore = [&](std::int64_t aLineIndex) {
      for (; quote != aPart.Quotes.end() && quote->QuoteIndex < aLineIndex; ++quote) {
        logUpTo(quote->QuoteIndex);
        CountQuote(aResult, {aDayIndex, quote->QuoteIndex, quote->TimeOfDayMs, quote->Value});
      }
      logUpTo(aLineIndex - 1);
    };
    // Reading looks at the token between two blocks with lines on both sides of the cut: known
    // from the line count of a file read whole first; of a file read a piece at a time, a block
    // is handed on at such a look, and the last part shows the lines read past a cut.
    const auto lineCount = static_cast<std::int64_t>(aPart.LineCount);
    const auto readLooked = [&] {
      if (aPart.Loaded)
        return nextLook < lineCount && nextLook <= aPart.ReadUpTo;
      return aPart.Finished ? nextLook < aPart.ReadUpTo : nextLook <= aPart.ReadUpTo;
    };
    for (; readLooked(); nextLook += kLinesBetweenCancelChecks) {
      countBefore(nextLook);
      ThrowIfCancelled(aCancel);
    }
    if (aPart.Finished) {
      countBefore(TDayLogLine::kAfterAllLines);
      logUpTo(TDayLogLine::kAfterAllLines);
      NoteDayReadAhead(aPart);
    }
  } while (!aPart.Finished);
  if (aPart.Error)
    std::rethrow_exception(aPart.Error);
  if (aPart.Abandoned)
    throw ERunCancelled();
}

void TCalculation::NoteDayReadAhead(const TDayOutcome& aDay) {
  NoteLooked(aDay.OpenName);
  if (aDay.Loaded)
    NoteLoaded(aDay.LineCount, [&aDay] { return aDay.FirstLines; });
  AddStats(summary_.Quotes, aDay.Stats);
}

std::int32_t DefaultRunThreads() {
  return static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
}

TRunSnapshot EngineSnapshot(const std::string& aContract, std::int32_t aIntervalFrom,
                            std::int32_t aIntervalTo, TDateTime aDateFrom, TDateTime aDateEnd,
                            std::int32_t aIntervalStep) {
  const TEngine& engine = Engine();
  return {
      engine.Settings, engine.SkipIntervals, RegionalFormats(), CurrentYear(), engine.IniFileName,
      aContract,       aIntervalFrom,        aIntervalTo,       aIntervalStep, aDateFrom,
      aDateEnd};
}

}  // namespace melquon
