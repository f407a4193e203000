#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calculation.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"

namespace melquon {

// What the quote path made of a line, as a run counts it (TQuoteStats).
enum class TLineVerdict { kAccepted, kNoPrice, kSkipped, kUnreadable };

// accepted, no_price, skipped, unreadable
std::string_view VerdictWord(TLineVerdict aVerdict);

// One line as a run reads it, for a person writing FindWhat and ReplaceWith.
struct TExplainedLine {
  std::int32_t Index = 0;
  TLineVerdict Verdict = TLineVerdict::kNoPrice;
  // The line, the text the expression made of it (the line itself where nothing matched) and
  // its CONTRACT and DT items, as UTF-8.
  std::string Line;
  std::string Replaced;
  std::string Contract;
  std::string DateTime;
  // Read from DT; -1 without one or when it could not be read.
  std::int32_t TimeOfDayMs = -1;
  // The verdict in words, with its reason: «принята», «в окне пропуска 2», ...
  std::string Reason;
};

struct TLinesExplained {
  std::vector<TExplainedLine> Lines;
  // Over every line given.
  TQuoteStats Counts;
};

// The run of one day, aDay, that the settings file bytes aIniBytes (Windows-1251, saved or not)
// ask for with aContract, in the program's regional formats and current year: what a person
// trying a pattern reads with.
TRunSnapshot OneDayRun(std::string_view aIniBytes, const std::string& aIniFileName,
                       const std::string& aContract, TDateTime aDay);

// The day file a run of aRun opens for aDay.
std::string DayFileOpenName(const TRunSnapshot& aRun, TDateTime aDay);

// Reads aLines with aRun's settings, contract, skip windows and formats through the quote
// source a run uses: the verdict of every line counted, the first aMostLines explained. Throws
// what the run would throw for its pattern.
TLinesExplained ExplainLines(const TRunSnapshot& aRun, const TQuoteLines& aLines,
                             std::size_t aMostLines);
// The same for the file of aDay, read as a run reads it; none when there is no such file.
std::optional<TLinesExplained> ExplainDay(const TRunSnapshot& aRun, TDateTime aDay,
                                          std::size_t aMostLines);

}  // namespace melquon
