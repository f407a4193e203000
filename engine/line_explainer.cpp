#include "engine/line_explainer.h"

#include "engine/day_reading.h"
#include "engine/ini_file.h"
#include "engine/reg_exp.h"
#include "engine/settings.h"
#include "runtime/cp1251.h"
#include "runtime/local_clock.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"

namespace melquon {

namespace {

// Keeps the message of the last line that could not be read.
class TReasonLog final : public TRunLog {
 public:
  explicit TReasonLog(const FormatSettings& aFormats) : formats_(aFormats) {}
  bool Passes(std::int32_t aLevel) const override { return aLevel <= 1; }
  void Line(std::int32_t, std::string_view aText, bool) override { LastLine = aText; }
  const FormatSettings& Formats() const override { return formats_; }

  std::string LastLine;

 private:
  const FormatSettings& formats_;
};

constexpr std::string_view kUnreadablePrefix = "GetNextQuote exception ";

TLineVerdict VerdictOf(const TQuoteStats& aBefore, const TQuoteStats& aAfter) {
  if (aAfter.Accepted != aBefore.Accepted)
    return TLineVerdict::kAccepted;
  if (aAfter.Skipped != aBefore.Skipped)
    return TLineVerdict::kSkipped;
  if (aAfter.Unreadable != aBefore.Unreadable)
    return TLineVerdict::kUnreadable;
  return TLineVerdict::kNoPrice;
}

// The number (from 1) of the first skip window that holds the time.
std::size_t SkipWindowOf(const TSkipIntervals& aWindows, std::int32_t aTimeOfDayMs) {
  for (std::size_t i = 0; i < aWindows.Items.size(); ++i) {
    if (aWindows.Items[i].ContainsMs(aTimeOfDayMs))
      return i + 1;
  }
  return 0;
}

std::string ReasonOf(TLineVerdict aVerdict, const TExplainedLine& aLine,
                     const TSkipIntervals& aWindows, std::string_view aLogLine) {
  switch (aVerdict) {
    case TLineVerdict::kAccepted:
      return "принята";
    case TLineVerdict::kSkipped:
      return "в окне пропуска " +
             IntToStr(static_cast<std::int64_t>(SkipWindowOf(aWindows, aLine.TimeOfDayMs)));
    case TLineVerdict::kUnreadable:
      if (aLogLine.starts_with(kUnreadablePrefix))
        aLogLine.remove_prefix(kUnreadablePrefix.size());
      return "DT не читается: " + std::string(aLogLine);
    case TLineVerdict::kNoPrice:
      break;
  }
  return "цена не число — другой контракт или строка не подошла к шаблону";
}

}  // namespace

TRunSnapshot OneDayRun(std::string_view aIniBytes, const std::string& aIniFileName,
                       const std::string& aContract, TDateTime aDay) {
  const IniFile ini = IniFile::Parse(aIniBytes);
  TRunSnapshot run;
  run.Settings = ReadSettings(ini);
  run.SkipIntervals.Load(ini);
  run.Formats = RegionalFormats();
  run.CurrentYear = CurrentYear();
  run.IniFileName = aIniFileName;
  run.Contract = aContract;
  run.DateFrom = aDay;
  run.DateEnd = aDay + 1.0;
  return run;
}

std::string DayFileOpenName(const TRunSnapshot& aRun, TDateTime aDay) {
  return ResolveSettingsPath(aRun.IniFileName, GetDayFileName(aRun.Settings, aDay));
}

std::optional<TLinesExplained> ExplainDay(const TRunSnapshot& aRun, TDateTime aDay,
                                          std::size_t aMostLines) {
  const std::string openName = DayFileOpenName(aRun, aDay);
  if (!FileExists(openName))
    return std::nullopt;
  TQuoteLines lines;
  lines.LoadFromFile(openName, aRun.Settings.MaxDayFileBytes());
  return ExplainLines(aRun, lines, aMostLines);
}

std::string_view VerdictWord(TLineVerdict aVerdict) {
  switch (aVerdict) {
    case TLineVerdict::kAccepted:
      return "accepted";
    case TLineVerdict::kSkipped:
      return "skipped";
    case TLineVerdict::kUnreadable:
      return "unreadable";
    case TLineVerdict::kNoPrice:
      break;
  }
  return "no_price";
}

TLinesExplained ExplainLines(const TRunSnapshot& aRun, const TQuoteLines& aLines,
                             std::size_t aMostLines) {
  TRegExp regExp;
  SetRunMatching(regExp);
  const TDateTextReader dates(aRun.Formats, aRun.CurrentYear);
  TReasonLog log(aRun.Formats);
  TQuoteSource source(aRun.Settings, regExp, aRun.SkipIntervals, dates, log);
  TRegExp shown;
  SetRunMatching(shown);
  shown.SetPattern(ContractPattern(aRun.Settings.FindWhat, aRun.Contract));

  TLinesExplained explained;
  const auto count = static_cast<std::int64_t>(aLines.Count());
  std::int32_t index = -1;
  double value = 0.0;
  for (std::int64_t line = 0; line < count && static_cast<std::size_t>(line) < aMostLines; ++line) {
    const TQuoteStats before = source.Stats();
    index = static_cast<std::int32_t>(line) - 1;
    static_cast<void>(source.NextQuote(aLines, aRun.Contract, index, value, line + 1));
    TExplainedLine& item = explained.Lines.emplace_back();
    item.Index = static_cast<std::int32_t>(line);
    item.Verdict = VerdictOf(before, source.Stats());
    item.Line = Cp1251ToUtf8(aLines.Line(static_cast<std::size_t>(line)));
    item.Replaced = shown.Replace(item.Line, aRun.Settings.ReplaceWith);
    item.Contract = GetItemValue(item.Replaced, "CONTRACT");
    item.DateTime = GetItemValue(item.Replaced, "DT");
    if (item.Verdict != TLineVerdict::kUnreadable && !item.DateTime.empty())
      item.TimeOfDayMs = source.LineTimeOfDayMs();
    item.Reason = ReasonOf(item.Verdict, item, aRun.SkipIntervals, log.LastLine);
  }
  while (source.NextQuote(aLines, aRun.Contract, index, value, count)) {
  }
  explained.Counts = source.Stats();
  return explained;
}

}  // namespace melquon
