#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/calculation.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "engine/reg_exp.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"

namespace melquon {

// A cancelled run stops within this many lines of a day file: the quotes of a day are read in
// blocks of so many lines, with a look at the token between them.
constexpr std::int64_t kLinesBetweenCancelChecks = 4096;

// The first lines of a file, as text: the evidence when the pattern matches nothing. Taken
// while the lines are held, from the first pieces of a file read a piece at a time.
class TEvidenceLines {
 public:
  void Take(const TQuoteLines& aLines) {
    constexpr std::size_t kEvidenceLines = 3;
    while (lines_.size() < kEvidenceLines && lines_.size() < aLines.Count())
      lines_.push_back(Cp1251ToUtf8(aLines.Line(lines_.size())));
  }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// The expression of a run: every match of a line replaced, letters in either case.
inline void SetRunMatching(TRegExp& aRegExp) {
  aRegExp.Global = true;
  aRegExp.IgnoreCase = true;
  aRegExp.Multiline = true;
}

// Reads the quotes of the lines aLines holds from aQuoteIndex on, in blocks of
// kLinesBetweenCancelChecks lines ending at aBlockEnd; aMore tells that more lines follow the
// ones held. Between two blocks with lines on both sides of the cut, aSink's BlockDone.
template <typename Sink>
void ReadQuotesHeld(const TRunSnapshot& aRun, TQuoteSource& aSource, const TQuoteLines& aLines,
                    bool aMore, std::int32_t& aQuoteIndex, std::int64_t& aBlockEnd, Sink& aSink) {
  const auto held = static_cast<std::int64_t>(aLines.Count());
  double quoteValue = 0.0;
  for (;;) {
    while (aSource.NextPreparedQuote(aLines, aQuoteIndex, quoteValue, aBlockEnd)) {
      aSink.Reached(aQuoteIndex);
      aSink.Quote(aQuoteIndex, quoteValue, aSource.QuoteTimeOfDayMs());
    }
    // The lines after those held come with the next piece.
    if (aMore && aQuoteIndex >= held)
      aQuoteIndex = static_cast<std::int32_t>(held - 1);
    aSink.Reached(aQuoteIndex);
    if (aBlockEnd >= held)
      return;
    aSink.BlockDone();
    aBlockEnd += kLinesBetweenCancelChecks;
    // The run's settings stay as they are while it reads.
    aSource.Prepare(aRun.Contract);
  }
}

// Calls aRead, which reads a day file: a file past the bound fails the run with a word on how
// to raise it.
template <typename Read>
auto ReadingDayFile(const Read& aRead) {
  try {
    return aRead();
  } catch (const EFileTooLarge& e) {
    throw EFileTooLarge(std::string(e.what()) +
                        "; MaxDayFileMB in the COMMON section of the settings file raises it");
  }
}

// Reads the day file aOpenName whole (aWhole) or opens it to be read a piece at a time; false,
// told aSink, when a FIFO or a device in its place is passed over like a missing file.
template <typename Sink>
bool OpenDayFile(const TRunSnapshot& aRun, TQuoteLines& aLines, const std::string& aOpenName,
                 const std::string& aFileName, bool aWhole, Sink& aSink) {
  aLines.Clear();
  try {
    ReadingDayFile([&] {
      if (aWhole)
        aLines.LoadFromFile(aOpenName, aRun.Settings.MaxDayFileBytes());
      else
        aLines.Open(aOpenName, aRun.Settings.MaxDayFileBytes());
    });
    return true;
  } catch (const ENotRegularFile& e) {
    if (aSink.Passes(1))
      aSink.Line(1, "File " + aFileName + " not read. " + e.what());
    return false;
  }
}

// Reads one day file of a run and tells aSink what it finds, in reading order, so that the
// counting thread and a thread that reads ahead of it share one reading of a day. aSink has:
//   Passes(level), Line(level, text)  the day's log lines;
//   Looked(openName)                  the file looked for, before it is looked for;
//   Loaded(lineCount, firstLines)     that a file was read, its line count and first lines;
//   Quote(index, value, timeOfDayMs)  each accepted quote;
//   Reached(lineIndex)                after each look for a quote: lines up to it are read;
//   BlockDone()                       between blocks of kLinesBetweenCancelChecks lines.
// A file is read a piece at a time, each piece's quotes read while its bytes are in the cache,
// and Loaded told at its end; but where the detail lines are kept, which tell the line count
// before the first quote, it is read whole first. Returns the number of lines of the day file.
template <typename Sink>
std::size_t ReadDay(const TRunSnapshot& aRun, TQuoteSource& aSource, TQuoteLines& aLines,
                    std::int32_t aDayIndex, TDateTime aDate, Sink& aSink) {
  const bool detailKept = aSink.Passes(3);
  // Detail lines are dropped at the usual threshold, so their text is only built when wanted.
  const auto detail = [&](const auto& aMakeText) {
    if (detailKept)
      aSink.Line(3, aMakeText());
  };
  const std::string fileName = GetDayFileName(aRun.Settings, aDate);
  if (aSink.Passes(2))
    aSink.Line(2, "Calculating day " + IntToStr(aDayIndex) + " filename=" + fileName);
  const std::string openName = ResolveSettingsPath(aRun.IniFileName, fileName);
  aSink.Looked(openName);
  if (!FileExists(openName)) {
    if (aSink.Passes(1))
      aSink.Line(1, "File " + fileName + " not exists.");
    return 0;
  }
  detail([&] { return "File " + fileName + " exists. Extracting Data..."; });
  if (!OpenDayFile(aRun, aLines, openName, fileName, detailKept, aSink))
    return 0;
  TEvidenceLines evidence;
  if (detailKept) {
    detail([&] { return "QuoteSL lines count =" + IntToStr(aLines.Count()); });
    evidence.Take(aLines);
    aSink.Loaded(aLines.Count(), evidence.Lines());
  }
  std::int32_t quoteIndex = -1;
  std::int64_t blockEnd = kLinesBetweenCancelChecks;
  aSource.Prepare(aRun.Contract);
  for (bool more = !detailKept;;) {
    if (more) {
      more = ReadingDayFile([&] { return aLines.ReadMore(); });
      evidence.Take(aLines);
    }
    ReadQuotesHeld(aRun, aSource, aLines, more, quoteIndex, blockEnd, aSink);
    if (!more)
      break;
  }
  if (!detailKept)
    aSink.Loaded(aLines.Count(), evidence.Lines());
  detail([&] { return "No more quotes in " + fileName; });
  return aLines.Count();
}

}  // namespace melquon
