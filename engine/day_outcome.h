#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "engine/calculation.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "engine/reg_exp.h"
#include "engine/run_log.h"

namespace melquon {

// One accepted quote of a day: its line, its price and its time of day (-1 without one).
struct TDayQuote {
  std::int32_t QuoteIndex = 0;
  std::int32_t TimeOfDayMs = -1;
  double Value = 0.0;
};

// A log line of a day and where it falls among the day's quotes: before the first quote whose
// line is at or past AtLine, and before the look at the token at the first block end past it.
struct TDayLogLine {
  static constexpr std::int64_t kAfterAllLines = std::numeric_limits<std::int64_t>::max();

  std::int64_t AtLine = kAfterAllLines;
  std::int32_t Level = 0;
  std::string Text;
};

// What reading a day has made known so far, handed from the reading thread to the counting one
// block by block: the quotes and log lines of lines before ReadUpTo, and what is known of the
// file. Once Finished, also the figures and what reading raised.
struct TDayOutcome {
  std::string OpenName;
  std::vector<TDayLogLine> Log;
  std::vector<TDayQuote> Quotes;
  // Whether the file was read, its line count and first lines (as text).
  bool Loaded = false;
  std::size_t LineCount = 0;
  std::vector<std::string> FirstLines;
  // Lines before it are read.
  std::int64_t ReadUpTo = 0;
  bool Finished = false;
  TQuoteStats Stats;
  // What reading the day raised after the lines above, or a day left unread because the run
  // is stopping.
  std::exception_ptr Error;
  bool Abandoned = false;

  // Adds aLater's quotes and log lines and takes its word on the rest.
  void Append(TDayOutcome& aLater);
  // Takes the quotes and log lines of aPublished, leaving it those of this one emptied, and
  // what is known of the file; once aPublished is finished also its name, first lines,
  // figures and what reading raised, which are moved out of it.
  void TakeNews(TDayOutcome& aPublished);
  // Back to a day of which nothing is known, keeping the memory of its lists.
  void Clear();
};

// Which log levels a run's log keeps, taken once so that reading threads need not ask it.
using TLogLevelsKept = std::array<bool, 4>;
TLogLevelsKept LogLevelsKept(const TRunLog& aLog);

// Reads day files of a run on a thread of its own: it owns its expression, quote source and line
// buffer.
class TDayOutcomeReader {
 public:
  // Told each block of a day read, and the last with Finished set; the block may be emptied.
  using Publish = std::function<void(TDayOutcome& aBlock)>;

  TDayOutcomeReader(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels);

  // Never throws but for want of memory: what reading raises is kept in the last block.
  // Reading stops between blocks of lines once aStop or aCancel is set.
  void Read(std::int32_t aDayIndex, std::stop_token aStop, const TCancelToken* aCancel,
            const Publish& aPublish);

 private:
  class Sink;
  class OutcomeLog;

  const TRunSnapshot& run_;
  TLogLevelsKept levels_;
  TRegExp regExp_;
  TDateTextReader dates_;
  // The block being read, kept from block to block for its memory.
  TDayOutcome block_;
  std::unique_ptr<TRunLog> log_;
  TQuoteSource source_;
  TQuoteLines lines_;
};

}  // namespace melquon
