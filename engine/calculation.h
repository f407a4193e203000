#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "engine/reg_exp.h"
#include "engine/run_log.h"
#include "engine/run_observer.h"
#include "engine/run_summary.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "engine/volatility_res.h"
#include "runtime/date_text.h"
#include "runtime/formats.h"

namespace melquon {

struct TDayOutcome;
class TDayPipeline;

// Everything a run reads, fixed when it is made: the settings and skip windows as loaded, the
// regional formats and the year that date texts are read in, the settings file that relative
// day file paths count from, and what the user asked for.
struct TRunSnapshot {
  TSettings Settings;
  TSkipIntervals SkipIntervals;
  FormatSettings Formats;
  int CurrentYear = 0;
  std::string IniFileName;
  std::string Contract;
  std::int32_t IntervalFrom = 0;
  std::int32_t IntervalTo = 0;
  std::int32_t IntervalStep = 0;
  TDateTime DateFrom = 0.0;
  // The first day after the range.
  TDateTime DateEnd = 0.0;
  // Threads that read day files ahead of the counting; 1 reads and counts on the calling thread.
  std::int32_t Threads = 1;
};

// Where a run is: told before each day is read.
struct TRunProgress {
  std::int32_t DayIndex = 0;
  std::int32_t DaysCount = 0;
  TDateTime Date = 0.0;
  // Lines of the day files read before this day.
  std::uint64_t LinesRead = 0;
};
using RunProgress = std::function<void(const TRunProgress&)>;

// Asks a run to stop; may be set from any thread. The run looks between days and every few
// thousand lines.
class TCancelToken {
 public:
  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> cancelled_{false};
};

// A run that stopped because it was asked to: it ends as a failed run does, without a result.
class ERunCancelled : public std::runtime_error {
 public:
  ERunCancelled() : std::runtime_error("The calculation was cancelled") {}
};

// One calculation run as an object: made from a snapshot, it owns its expression and quote
// source and touches no state of the program, so that runs can go on other threads and side by
// side, each reporting to its own log.
class TCalculation {
 public:
  // aLog must outlive the run.
  TCalculation(TRunSnapshot aSnapshot, TRunLog& aLog);

  // The filled result set. Throws on a zero step, a range beyond the calendar, a result set too
  // large to hold, an invalid pattern, a day file that exists but can't be read, and
  // ERunCancelled when aCancel was set; the log then has no "Calculating done".
  std::unique_ptr<TVolatilityRes> Run(const RunProgress& aProgress = {},
                                      const TCancelToken* aCancel = nullptr);

  // Told each quote and move of the runs from now on, as they are counted; nullptr: none. The
  // observer must outlive the runs.
  void Observe(TRunObserver* aObserver) { observer_ = aObserver; }

  const TRunSnapshot& Snapshot() const { return snapshot_; }
  // What the last Run read; complete once Run returned.
  const TRunSummary& Summary() const { return summary_; }

 private:
  class DirectSink;
  class ObservedLog;

  void ReadAndCountDays(TVolatilityRes& aResult, std::int32_t aDaysCount,
                        const RunProgress& aProgress, const TCancelToken* aCancel);
  void CountDaysReadAhead(TVolatilityRes& aResult, std::int32_t aDaysCount,
                          const RunProgress& aProgress, const TCancelToken* aCancel);
  void CountDayReadAhead(std::int32_t aDayIndex, TDayPipeline& aPipeline, TDayOutcome& aPart,
                         TVolatilityRes& aResult, const TCancelToken* aCancel);
  void CountQuote(TVolatilityRes& aResult, const TCountedQuote& aQuote);
  void NoteDayReadAhead(const TDayOutcome& aDay);
  void NoteLooked(const std::string& aOpenName);
  template <typename FirstLines>
  void NoteLoaded(std::size_t aLineCount, FirstLines aFirstLines);

  TRunSnapshot snapshot_;
  TRunSummary summary_;
  TRunLog& log_;
  TRegExp regExp_;
  TDateTextReader dates_;
  TRunObserver* observer_ = nullptr;
  // The log the counters report to while Run goes on with an observer.
  ObservedLog* observedLog_ = nullptr;
};

// The threads that read day files when the user names none: the machine's hardware threads.
std::int32_t DefaultRunThreads();

// The snapshot of a run of the started engine: its settings and skip windows, the program's
// regional formats and the current year, with the contract, range and dates given.
TRunSnapshot EngineSnapshot(const std::string& aContract, std::int32_t aIntervalFrom,
                            std::int32_t aIntervalTo, TDateTime aDateFrom, TDateTime aDateEnd,
                            std::int32_t aIntervalStep);

}  // namespace melquon
