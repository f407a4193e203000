#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/formats.h"

namespace melquon {

// One move that a counter counted: a fall from its running high or a rise from its low.
struct TCountedMove {
  std::int32_t IntervalValue = 0;
  std::int32_t DayIndex = 0;
  std::int32_t QuoteIndex = 0;
  double QuoteValue = 0.0;
  bool Descending = true;
  // Whole intervals counted.
  std::int32_t Count = 0;
  // The high (of a fall) or the low (of a rise) before and after the move.
  double OldExtreme = 0.0;
  double NewExtreme = 0.0;
  // The counts after the move: the day's and the run's.
  std::int32_t DayResult = 0;
  std::int32_t RunResult = 0;

  friend bool operator==(const TCountedMove&, const TCountedMove&) = default;
};

// Where a run reports what it does: the lines of its log and the events of its counters. A
// run holds one of these instead of writing to the program's log file itself, so that two
// runs can go on side by side, each with its own. The events become the log's specified texts
// in the run's regional formats, built only when their level passes.
class TRunLog {
 public:
  virtual ~TRunLog() = default;

  // Whether a line of the level is kept.
  virtual bool Passes(std::int32_t aLevel) const = 0;
  // One line; aRewrite empties the log first, as the first line of a run does.
  virtual void Line(std::int32_t aLevel, std::string_view aText, bool aRewrite) = 0;
  // The formats the texts are written in.
  virtual const FormatSettings& Formats() const = 0;

  // A counter saw a quote (level 3).
  virtual void QuoteTraced(std::int32_t aIntervalValue, std::int32_t aDayIndex, double aQuoteValue);
  // A counter took its first price (level 2).
  virtual void CounterStarted(std::int32_t aIntervalValue, std::int32_t aDayIndex,
                              double aQuoteValue);
  // A counter counted a move (level 2).
  virtual void MoveCounted(const TCountedMove& aMove);
  // Whether MoveCounted does anything at all; a counter asks once, when it is given the log.
  virtual bool KeepsMoves() const { return true; }
  // The result set handed a quote to its counters (level 3).
  virtual void ResultSetQuote(std::int32_t aDayIndex, double aQuoteValue);
};

// The program's log file through WriteLog, with its threshold LogLevel: what the window and the
// command-line tool write. Without formats of its own it writes in the program's current
// regional formats.
class TWriteLogRunLog : public TRunLog {
 public:
  TWriteLogRunLog() = default;
  explicit TWriteLogRunLog(FormatSettings aFormats) : formats_(std::move(aFormats)) {}

  bool Passes(std::int32_t aLevel) const override;
  void Line(std::int32_t aLevel, std::string_view aText, bool aRewrite) override;
  const FormatSettings& Formats() const override;
  bool KeepsMoves() const override;

 private:
  std::optional<FormatSettings> formats_;
};

// What counters and result sets report to when no run gave them a log of their own.
TRunLog& ProgramRunLog();

// The specified texts of the counters' events.
std::string QuoteTraceText(std::int32_t aIntervalValue, std::int32_t aDayIndex, double aQuoteValue,
                           const FormatSettings& aFormats);
std::string CounterStartText(std::int32_t aIntervalValue, std::int32_t aDayIndex,
                             double aQuoteValue, const FormatSettings& aFormats);
std::string CountedMoveText(const TCountedMove& aMove, const FormatSettings& aFormats);
std::string ResultSetQuoteText(std::int32_t aDayIndex, double aQuoteValue,
                               const FormatSettings& aFormats);

}  // namespace melquon
