#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/quote_source.h"
#include "runtime/date_time.h"
#include "runtime/formats.h"

namespace melquon {

// What a run read, for the person who started it: the run asked for, what it found and what
// became of every line, and enough evidence to tell why nothing was counted.
struct TRunSummary {
  std::string Contract;
  TDateTime DateFrom = 0.0;
  TDateTime DateTo = 0.0;  // the last day, included
  std::int32_t IntervalFrom = 0;
  std::int32_t IntervalTo = 0;
  std::int32_t IntervalStep = 0;
  // Calendar days of the run, and those whose file was read.
  std::int32_t Days = 0;
  std::int32_t DayFiles = 0;
  std::uint64_t Lines = 0;
  TQuoteStats Quotes;
  double Seconds = 0.0;
  // The first day file looked for, as a full path; the first lines of the first file read (as
  // text); FindWhat with the contract put in; the formats date texts were read in.
  std::string FirstDayFile;
  std::vector<std::string> FirstLines;
  std::string Pattern;
  FormatSettings Formats;
};

// The summary in Russian, a line each (LF), the reason why nothing was counted last.
std::string RunSummaryText(const TRunSummary& aSummary);
// Why nothing was counted, with the evidence; empty when quotes were accepted.
std::string NothingCountedReason(const TRunSummary& aSummary);
// The figures as one JSON object: days, day_files, lines, accepted, skipped, unreadable,
// no_price (accepted + skipped + unreadable + no_price = lines), seconds.
std::string RunSummaryJson(const TRunSummary& aSummary);

}  // namespace melquon
