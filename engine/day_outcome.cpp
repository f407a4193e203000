#include "engine/day_outcome.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "engine/day_reading.h"

namespace melquon {

namespace {

// Thrown between blocks of lines when the run is stopping; caught by the reader.
struct DayAbandoned {};

}  // namespace

TLogLevelsKept LogLevelsKept(const TRunLog& aLog) {
  return {aLog.Passes(0), aLog.Passes(1), aLog.Passes(2), aLog.Passes(3)};
}

// The lines the quote source reports, kept in the outcome being read.
class TDayOutcomeReader::OutcomeLog : public TRunLog {
 public:
  OutcomeLog(const TDayOutcomeReader& aReader) : reader_(aReader) {}

  bool Passes(std::int32_t aLevel) const override {
    return aLevel >= 0 && aLevel < static_cast<std::int32_t>(reader_.levels_.size()) &&
           reader_.levels_[static_cast<std::size_t>(aLevel)];
  }
  void Line(std::int32_t aLevel, std::string_view aText, bool) override {
    reader_.logLines_->push_back({TDayLogLine::kAfterAllLines, aLevel, std::string(aText)});
  }
  const FormatSettings& Formats() const override { return reader_.run_.Formats; }

 private:
  const TDayOutcomeReader& reader_;
};

// Keeps what ReadDay finds in the outcome; a log line's place is known once the look for a
// quote that reported it returns.
class TDayOutcomeReader::Sink {
 public:
  Sink(TDayOutcome& aOutcome, const TRunLog& aLog, std::stop_token aStop,
       const TCancelToken* aCancel)
      : outcome_(aOutcome), log_(aLog), stop_(std::move(aStop)), cancel_(aCancel) {}

  bool Passes(std::int32_t aLevel) const { return log_.Passes(aLevel); }
  void Line(std::int32_t aLevel, std::string aText) {
    outcome_.Log.push_back({TDayLogLine::kAfterAllLines, aLevel, std::move(aText)});
  }
  void Looked(const std::string& aOpenName) { outcome_.OpenName = aOpenName; }
  void Loaded(const TQuoteLines& aLines) {
    PlaceLinesAt(-1);
    outcome_.Loaded = true;
    outcome_.LineCount = aLines.Count();
    outcome_.FirstLines = EvidenceLines(aLines);
    outcome_.Quotes.reserve(aLines.Count());
  }
  void Quote(std::int32_t aIndex, double aValue, std::int32_t aTimeOfDayMs) {
    outcome_.Quotes.push_back({aIndex, aTimeOfDayMs, aValue});
  }
  void Reached(std::int64_t aLineIndex) { PlaceLinesAt(aLineIndex); }
  void BlockDone() const {
    if (stop_.stop_requested() || (cancel_ != nullptr && cancel_->Cancelled()))
      throw DayAbandoned();
  }

 private:
  // The lines not yet placed were reported while reading up to aLineIndex.
  void PlaceLinesAt(std::int64_t aLineIndex) {
    for (auto line = outcome_.Log.rbegin();
         line != outcome_.Log.rend() && line->AtLine == TDayLogLine::kAfterAllLines; ++line) {
      line->AtLine = aLineIndex;
    }
  }

  TDayOutcome& outcome_;
  const TRunLog& log_;
  std::stop_token stop_;
  const TCancelToken* cancel_;
};

TDayOutcomeReader::TDayOutcomeReader(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels)
    : run_(aRun),
      levels_(aLevels),
      dates_(aRun.Formats, aRun.CurrentYear),
      log_(std::make_unique<OutcomeLog>(*this)),
      source_(aRun.Settings, regExp_, aRun.SkipIntervals, dates_, *log_) {
  SetRunMatching(regExp_);
}

TDayOutcome TDayOutcomeReader::Read(std::int32_t aDayIndex, std::stop_token aStop,
                                    const TCancelToken* aCancel) {
  TDayOutcome outcome;
  outcome.DayIndex = aDayIndex;
  logLines_ = &outcome.Log;
  Sink sink(outcome, *log_, std::move(aStop), aCancel);
  try {
    sink.BlockDone();
    ReadDay(run_, source_, lines_, aDayIndex, run_.DateFrom + aDayIndex, sink);
  } catch (const DayAbandoned&) {
    outcome.Abandoned = true;
  } catch (...) {
    outcome.Error = std::current_exception();
  }
  outcome.Stats = source_.TakeStats();
  logLines_ = nullptr;
  return outcome;
}

}  // namespace melquon
