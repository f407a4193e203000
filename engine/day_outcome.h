#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
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

// All that reading a day gave, so that it can be counted later on another thread exactly as if
// it were counted while read.
struct TDayOutcome {
  std::int32_t DayIndex = 0;
  std::string OpenName;
  std::vector<TDayLogLine> Log;
  std::vector<TDayQuote> Quotes;
  // Whether the file was read, its line count and first lines (as text).
  bool Loaded = false;
  std::size_t LineCount = 0;
  std::vector<std::string> FirstLines;
  TQuoteStats Stats;
  // What reading the day raised after the lines above, or a day left unread because the run
  // is stopping.
  std::exception_ptr Error;
  bool Abandoned = false;
};

// Which log levels a run's log keeps, taken once so that reading threads need not ask it.
using TLogLevelsKept = std::array<bool, 4>;
TLogLevelsKept LogLevelsKept(const TRunLog& aLog);

// Reads day files of a run into outcomes, on a thread of its own: it owns its expression,
// quote source and line buffer.
class TDayOutcomeReader {
 public:
  TDayOutcomeReader(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels);

  // Never throws but for want of memory: what reading raises is kept in the outcome. Reading
  // stops between blocks of lines once aStop or aCancel is set.
  TDayOutcome Read(std::int32_t aDayIndex, std::stop_token aStop, const TCancelToken* aCancel);

 private:
  class Sink;
  class OutcomeLog;

  const TRunSnapshot& run_;
  TLogLevelsKept levels_;
  TRegExp regExp_;
  TDateTextReader dates_;
  std::vector<TDayLogLine>* logLines_ = nullptr;
  std::unique_ptr<TRunLog> log_;
  TQuoteSource source_;
  TQuoteLines lines_;
};

}  // namespace melquon
