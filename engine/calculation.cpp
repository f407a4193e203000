#include "engine/calculation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <tuple>

#include "engine/engine.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/local_clock.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"

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

// A cancelled run stops within this many lines of a day file.
constexpr std::int64_t kLinesBetweenCancelChecks = 4096;

void ThrowIfCancelled(const TCancelToken* aCancel) {
  if (aCancel != nullptr && aCancel->Cancelled()) {
    throw ERunCancelled();
  }
}

}  // namespace

// The days of one run: the quote source, the lines of the day being read and the log.
class TCalculation::DayReader {
 public:
  DayReader(TCalculation& aRun, TVolatilityRes& aResult, const TCancelToken* aCancel)
      : run_(aRun),
        log_(aRun.log_),
        settings_(aRun.snapshot_.Settings),
        source_(settings_, aRun.regExp_, aRun.snapshot_.SkipIntervals, aRun.dates_, aRun.log_),
        result_(aResult),
        cancel_(aCancel) {}

  // Reads day aDayIndex; returns the number of its lines.
  std::size_t Read(std::int32_t aDayIndex, TDateTime aDate) {
    const std::string fileName = GetDayFileName(settings_, aDate);
    Log(2, "Calculating day " + IntToStr(aDayIndex) + " filename=" + fileName);
    const std::string openName = ResolveSettingsPath(run_.snapshot_.IniFileName, fileName);
    TRunSummary& summary = run_.summary_;
    if (summary.FirstDayFile.empty()) {
      summary.FirstDayFile = openName;
    }
    if (!FileExists(openName)) {
      Log(1, "File " + fileName + " not exists.");
      return 0;
    }
    Detail([&] { return "File " + fileName + " exists. Extracting Data..."; });
    lines_.Clear();
    if (!LoadDayFile(fileName, openName)) {
      return 0;
    }
    Detail([&] { return "QuoteSL lines count =" + IntToStr(lines_.Count()); });
    NoteDayFile(summary);
    ApplyQuotes(aDayIndex);
    Detail([&] { return "No more quotes in " + fileName; });
    return lines_.Count();
  }

 private:
  void Log(std::int32_t aLevel, const std::string& aText) {
    if (log_.Passes(aLevel)) {
      log_.Line(aLevel, aText, false);
    }
  }

  // Detail lines are dropped at the usual threshold, so their text is only built when wanted.
  template <typename MakeText>
  void Detail(MakeText aMakeText) {
    if (log_.Passes(3)) {
      log_.Line(3, aMakeText(), false);
    }
  }

  // A day file is read whole; a FIFO or a device in its place is passed over like a missing
  // file, and a file past the bound fails the run with a word on how to raise it.
  bool LoadDayFile(const std::string& aFileName, const std::string& aOpenName) {
    try {
      lines_.LoadFromFile(aOpenName, settings_.MaxDayFileBytes());
    } catch (const ENotRegularFile& e) {
      Log(1, "File " + aFileName + " not read. " + e.what());
      return false;
    } catch (const EFileTooLarge& e) {
      throw EFileTooLarge(std::string(e.what()) +
                          "; MaxDayFileMB in the COMMON section of the settings file raises it");
    }
    return true;
  }

  // The quotes of the day in reading order, looking for a cancel every few thousand lines.
  void ApplyQuotes(std::int32_t aDayIndex) {
    const auto lineCount = static_cast<std::int64_t>(lines_.Count());
    const std::string& contract = run_.snapshot_.Contract;
    std::int32_t quoteIndex = -1;
    double quoteValue = 0.0;
    for (std::int64_t stop = std::min(lineCount, kLinesBetweenCancelChecks);;
         stop = std::min(lineCount, stop + kLinesBetweenCancelChecks)) {
      while (source_.NextQuote(lines_, contract, quoteIndex, quoteValue, stop)) {
        result_.ApplyNewQuote(aDayIndex, quoteIndex, quoteValue);
      }
      if (stop >= lineCount) {
        return;
      }
      ThrowIfCancelled(cancel_);
    }
  }

  // The first lines of the first file read are the evidence when the pattern matches nothing.
  void NoteDayFile(TRunSummary& aSummary) {
    constexpr std::size_t kEvidenceLines = 3;
    if (aSummary.DayFiles++ == 0) {
      for (std::size_t i = 0; i < std::min(lines_.Count(), kEvidenceLines); ++i) {
        aSummary.FirstLines.push_back(Cp1251ToUtf8(lines_.Line(i)));
      }
    }
    aSummary.Lines += lines_.Count();
  }

 public:
  const TQuoteStats& Stats() const { return source_.Stats(); }

 private:
  TCalculation& run_;
  TRunLog& log_;
  const TSettings& settings_;
  TQuoteSource source_;
  TQuoteLines lines_;
  TVolatilityRes& result_;
  const TCancelToken* cancel_;
};

TCalculation::TCalculation(TRunSnapshot aSnapshot, TRunLog& aLog)
    : snapshot_(std::move(aSnapshot)),
      log_(aLog),
      dates_(snapshot_.Formats, snapshot_.CurrentYear) {
  regExp_.Global = true;
  regExp_.IgnoreCase = true;
  regExp_.Multiline = true;
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
  result->AttachLog(log_);
  DayReader days(*this, *result, aCancel);
  std::uint64_t linesRead = 0;
  for (std::int32_t day = 0; day < daysCount; ++day) {
    ThrowIfCancelled(aCancel);
    if (aProgress) {
      aProgress({day, daysCount, s.DateFrom + day, linesRead});
    }
    ThrowIfCancelled(aCancel);
    linesRead += days.Read(day, s.DateFrom + day);
  }
  if (log_.Passes(2)) {
    log_.Line(2, "Calculating done", false);
  }
  summary_.Days = std::max(daysCount, 0);
  summary_.Quotes = days.Stats();
  summary_.Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return result;
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
