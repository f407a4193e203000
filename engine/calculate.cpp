#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine/engine.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "log/write_log.h"
#include "runtime/errors.h"
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

// Detail lines are dropped at the usual threshold, so their text is only built when wanted.
template <typename MakeText>
void LogDetail(MakeText aMakeText) {
  if (LogLevelPasses(3)) {
    WriteLog("", aMakeText(), 3, false, true);
  }
}

// A day file is read whole; a FIFO or a device in its place is passed over like a missing file,
// and a file past the bound fails the run with a word on how to raise it.
bool LoadDayFile(TQuoteLines& aQuoteSL, const std::string& aFileName, const std::string& aOpenName,
                 const TSettings& aSettings) {
  try {
    aQuoteSL.LoadFromFile(aOpenName, aSettings.MaxDayFileBytes());
  } catch (const ENotRegularFile& e) {
    WriteLog("", "File " + aFileName + " not read. " + e.what(), 1, false, true);
    return false;
  } catch (const EFileTooLarge& e) {
    throw EFileTooLarge(std::string(e.what()) +
                        "; MaxDayFileMB in the COMMON section of the settings file raises it");
  }
  return true;
}

void CalculateDay(TQuoteSource& aSource, TQuoteLines& aQuoteSL, const std::string& aFileName,
                  const std::string& aOpenName, const std::string& aContract,
                  std::int32_t aDayIndex, TVolatilityRes& aResult) {
  LogDetail([&] { return "File " + aFileName + " exists. Extracting Data..."; });
  aQuoteSL.Clear();
  if (!LoadDayFile(aQuoteSL, aFileName, aOpenName, aSource.Settings())) {
    return;
  }
  LogDetail([&] { return "QuoteSL lines count =" + IntToStr(aQuoteSL.Count()); });
  std::int32_t quoteIndex = -1;
  double quoteValue = 0.0;
  while (GetNextQuote(aSource, aQuoteSL, aContract, quoteIndex, quoteValue)) {
    aResult.ApplyNewQuote(aDayIndex, quoteIndex, quoteValue);
  }
  LogDetail([&] { return "No more quotes in " + aFileName; });
}

}  // namespace

std::unique_ptr<TVolatilityRes> Calculate(const std::string& aContract, std::int32_t aIntervalFrom,
                                          std::int32_t aIntervalTo, TDateTime aDateFrom,
                                          TDateTime aDateEnd, std::int32_t aIntervalStep,
                                          const DayProgress& aProgress) {
  WriteLog("", "Starting to calculate...", 2, true, true);
  const std::int64_t intervalCount = IntervalCountOf(aIntervalFrom, aIntervalTo, aIntervalStep);
  const std::int32_t daysCount = DaysCountOf(aDateFrom, aDateEnd);
  LogDetail([&] { return "Total days to calculate:" + IntToStr(daysCount); });
  CheckDaysInCalendar(aDateFrom, daysCount);
  CheckResultSetFits(intervalCount, daysCount);

  TEngine& engine = Engine();
  if (!engine.RegExp) {
    throw std::logic_error("The engine is not started");
  }
  // The result set treats a count of zero or less as no items; a negative count that would not
  // fit 32 bits means the same.
  const auto itemCount = static_cast<std::int32_t>(std::max<std::int64_t>(intervalCount, 0));
  auto result = std::make_unique<TVolatilityRes>(daysCount, aDateFrom, aIntervalFrom, aIntervalStep,
                                                 itemCount);
  TQuoteLines quoteSL;
  TQuoteSource source(engine.Settings, *engine.RegExp, engine.SkipIntervals);
  for (std::int32_t day = 0; day < daysCount; ++day) {
    if (aProgress) {
      aProgress(day, daysCount);
    }
    const std::string fileName = GetDayFileName(engine.Settings, aDateFrom + day);
    WriteLog("", "Calculating day " + IntToStr(day) + " filename=" + fileName, 2, false, true);
    const std::string openName = ResolveSettingsPath(engine.IniFileName, fileName);
    if (FileExists(openName)) {
      CalculateDay(source, quoteSL, fileName, openName, aContract, day, *result);
    } else {
      WriteLog("", "File " + fileName + " not exists.", 1, false, true);
    }
  }
  WriteLog("", "Calculating done", 2, false, true);
  return result;
}

}  // namespace melquon
