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

// The first lines of the first file read, as text: the evidence when the pattern matches
// nothing.
inline std::vector<std::string> EvidenceLines(const TQuoteLines& aLines) {
  constexpr std::size_t kEvidenceLines = 3;
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < std::min(aLines.Count(), kEvidenceLines); ++i)
    lines.push_back(Cp1251ToUtf8(aLines.Line(i)));
  return lines;
}

// The expression of a run: every match of a line replaced, letters in either case.
inline void SetRunMatching(TRegExp& aRegExp) {
  aRegExp.Global = true;
  aRegExp.IgnoreCase = true;
  aRegExp.Multiline = true;
}

// Reads one day file of a run and tells aSink what it finds, in reading order, so that the
// counting thread and a thread that reads ahead of it share one reading of a day. aSink has:
//   Passes(level), Line(level, text)  the day's log lines;
//   Looked(openName)                  the file looked for, before it is looked for;
//   Loaded(lines)                     the lines of a file that was read;
//   Quote(index, value, timeOfDayMs)  each accepted quote;
//   Reached(lineIndex)                after each look for a quote: lines up to it are read;
//   BlockDone()                       between blocks of kLinesBetweenCancelChecks lines.
// Returns the number of lines of the day file.
template <typename Sink>
std::size_t ReadDay(const TRunSnapshot& aRun, TQuoteSource& aSource, TQuoteLines& aLines,
                    std::int32_t aDayIndex, TDateTime aDate, Sink& aSink) {
  // Detail lines are dropped at the usual threshold, so their text is only built when wanted.
  const auto detail = [&aSink](const auto& aMakeText) {
    if (aSink.Passes(3))
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
  aLines.Clear();
  // A day file is read whole; a FIFO or a device in its place is passed over like a missing
  // file, and a file past the bound fails the run with a word on how to raise it.
  try {
    aLines.LoadFromFile(openName, aRun.Settings.MaxDayFileBytes());
  } catch (const ENotRegularFile& e) {
    if (aSink.Passes(1))
      aSink.Line(1, "File " + fileName + " not read. " + e.what());
    return 0;
  } catch (const EFileTooLarge& e) {
    throw EFileTooLarge(std::string(e.what()) +
                        "; MaxDayFileMB in the COMMON section of the settings file raises it");
  }
  detail([&] { return "QuoteSL lines count =" + IntToStr(aLines.Count()); });
  aSink.Loaded(aLines);

  const auto lineCount = static_cast<std::int64_t>(aLines.Count());
  std::int32_t quoteIndex = -1;
  double quoteValue = 0.0;
  for (std::int64_t stop = std::min(lineCount, kLinesBetweenCancelChecks);;
       stop = std::min(lineCount, stop + kLinesBetweenCancelChecks)) {
    // The run's settings stay as they are while it reads.
    aSource.Prepare(aRun.Contract);
    while (aSource.NextPreparedQuote(aLines, quoteIndex, quoteValue, stop)) {
      aSink.Reached(quoteIndex);
      aSink.Quote(quoteIndex, quoteValue, aSource.QuoteTimeOfDayMs());
    }
    aSink.Reached(quoteIndex);
    if (stop >= lineCount)
      break;
    aSink.BlockDone();
  }
  detail([&] { return "No more quotes in " + fileName; });
  return aLines.Count();
}

}  // namespace melquon
