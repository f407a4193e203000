#include "engine/run_log.h"

#include "log/write_log.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::int32_t kQuoteTraceLevel = 3;
constexpr std::int32_t kCounterEventLevel = 2;

std::string D(std::int64_t aValue) {
  return IntToStr(aValue);
}

}  // namespace

std::string QuoteTraceText(std::int32_t aIntervalValue, std::int32_t aDayIndex, double aQuoteValue,
                           const FormatSettings& aFormats) {
  return "TVolatilityResItem.ApplyNewQuote for  IntervalValue=" + D(aIntervalValue) +
         ". aDayIndex=" + D(aDayIndex) + "; aQuoteValue=" + FormatGeneral(aQuoteValue, aFormats);
}

std::string CounterStartText(std::int32_t aIntervalValue, std::int32_t aDayIndex,
                             double aQuoteValue, const FormatSettings& aFormats) {
  return QuoteTraceText(aIntervalValue, aDayIndex, aQuoteValue, aFormats) +
         "; StartContractPrice=" + FloatToStr(aQuoteValue, aFormats);
}

std::string CountedMoveText(const TCountedMove& aMove, const FormatSettings& aFormats) {
  const auto G = [&aFormats](double aValue) { return FormatGeneral(aValue, aFormats); };
  if (aMove.Descending) {
    return "\r\nFixing RV by descending moving. IntervalValue=" + D(aMove.IntervalValue) +
           "; aDayIndex=" + D(aMove.DayIndex) + "; aQuoteValue=" + G(aMove.QuoteValue) +
           "; QuoteIndex=" + D(aMove.QuoteIndex) + "; Delta=" + D(aMove.Count) +
           "; \r\nold MaxContractPrice=" + G(aMove.OldExtreme) +
           "; new MaxContractPrice=" + G(aMove.NewExtreme) + "; new ResultPerDays^[" +
           D(aMove.DayIndex) + "]=" + D(aMove.DayResult) +
           "; new common Result=" + D(aMove.RunResult);
  }
  // The misspelt label and the missing total are kept: readers of existing logs match them.
  return "\r\nFixing RV by ascending moving. IntervalValue=" + D(aMove.IntervalValue) +
         "; aDayIndex=" + D(aMove.DayIndex) + "; aQuoteValue=" + G(aMove.QuoteValue) +
         ";  QuoteIndex=" + D(aMove.QuoteIndex) + " Delta=" + D(aMove.Count) +
         "; \r\nold MinConrtactPrice=" + G(aMove.OldExtreme) +
         "; new MinContractPrice=" + G(aMove.NewExtreme) + "; new ResultPerDays^[" +
         D(aMove.DayIndex) + "]=" + D(aMove.DayResult);
}

std::string ResultSetQuoteText(std::int32_t aDayIndex, double aQuoteValue,
                               const FormatSettings& aFormats) {
  return "TVolatilityRes.ApplyNewQuote aDayIndex=" + D(aDayIndex) +
         "; aQuoteValue=" + FormatGeneral(aQuoteValue, aFormats);
}

void TRunLog::QuoteTraced(std::int32_t aIntervalValue, std::int32_t aDayIndex, double aQuoteValue) {
  if (Passes(kQuoteTraceLevel)) {
    Line(kQuoteTraceLevel, QuoteTraceText(aIntervalValue, aDayIndex, aQuoteValue, Formats()),
         false);
  }
}

void TRunLog::CounterStarted(std::int32_t aIntervalValue, std::int32_t aDayIndex,
                             double aQuoteValue) {
  if (Passes(kCounterEventLevel)) {
    Line(kCounterEventLevel, CounterStartText(aIntervalValue, aDayIndex, aQuoteValue, Formats()),
         false);
  }
}

void TRunLog::MoveCounted(const TCountedMove& aMove) {
  if (Passes(kCounterEventLevel)) {
    Line(kCounterEventLevel, CountedMoveText(aMove, Formats()), false);
  }
}

void TRunLog::ResultSetQuote(std::int32_t aDayIndex, double aQuoteValue) {
  if (Passes(kQuoteTraceLevel)) {
    Line(kQuoteTraceLevel, ResultSetQuoteText(aDayIndex, aQuoteValue, Formats()), false);
  }
}

bool TWriteLogRunLog::Passes(std::int32_t aLevel) const {
  return LogLevelPasses(aLevel);
}

bool TWriteLogRunLog::KeepsMoves() const {
  return Passes(kCounterEventLevel);
}

void TWriteLogRunLog::Line(std::int32_t aLevel, std::string_view aText, bool aRewrite) {
  WriteLog("", aText, aLevel, aRewrite, true);
}

const FormatSettings& TWriteLogRunLog::Formats() const {
  return formats_ ? *formats_ : RegionalFormats();
}

TRunLog& ProgramRunLog() {
  static TWriteLogRunLog log;
  return log;
}

}  // namespace melquon
