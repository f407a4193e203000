#include "cli/explain.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "engine/line_explainer.h"

namespace melquon::cli {

namespace {

// A field keeps to its column: tabs and line ends become blanks.
std::string Field(std::string aText) {
  std::replace_if(
      aText.begin(), aText.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return aText;
}

}  // namespace

void ExplainFirstDayFile(const TRunSnapshot& aRun, std::int32_t aLines, std::ostream& aOut) {
  for (TDateTime day = aRun.DateFrom; day < aRun.DateEnd; day += 1.0) {
    const std::optional<TLinesExplained> explained =
        ExplainDay(aRun, day, static_cast<std::size_t>(std::max(aLines, 0)));
    if (!explained)
      continue;
    aOut << "file\t" << DayFileOpenName(aRun, day) << "\n";
    for (const TExplainedLine& line : explained->Lines) {
      aOut << line.Index << '\t' << VerdictWord(line.Verdict) << '\t' << Field(line.Contract)
           << '\t' << Field(line.DateTime) << '\t'
           << (line.TimeOfDayMs >= 0 ? ClockMsText(line.TimeOfDayMs) : "") << '\t'
           << Field(line.Reason) << "\n";
    }
    const TQuoteStats& counts = explained->Counts;
    aOut << "accepted\t" << counts.Accepted << "\nno_price\t" << counts.NoPrice << "\nskipped\t"
         << counts.Skipped << "\nunreadable\t" << counts.Unreadable << "\n";
    return;
  }
  throw std::runtime_error(
      "No day file of the run exists; the first looked for is " +
      (aRun.DateFrom < aRun.DateEnd ? DayFileOpenName(aRun, aRun.DateFrom) : std::string("none")));
}

}  // namespace melquon::cli
