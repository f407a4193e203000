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

void TDayOutcome::Append(TDayOutcome& aLater) {
  if (OpenName.empty())
    OpenName = aLater.OpenName;
  if (!Loaded && aLater.Loaded) {
    Loaded = true;
    LineCount = aLater.LineCount;
    FirstLines = aLater.FirstLines;
  }
  Quotes.insert(Quotes.end(), aLater.Quotes.begin(), aLater.Quotes.end());
  Log.insert(Log.end(), std::make_move_iterator(aLater.Log.begin()),
             std::make_move_iterator(aLater.Log.end()));
  ReadUpTo = aLater.ReadUpTo;
  Finished = aLater.Finished;
  if (aLater.Finished) {
    Stats = aLater.Stats;
    Error = aLater.Error;
    Abandoned = aLater.Abandoned;
  }
}

void TDayOutcome::TakeNews(TDayOutcome& aPublished) {
  Quotes.clear();
  Log.clear();
  std::swap(Quotes, aPublished.Quotes);
  std::swap(Log, aPublished.Log);
  Loaded = aPublished.Loaded;
  LineCount = aPublished.LineCount;
  ReadUpTo = aPublished.ReadUpTo;
  Finished = aPublished.Finished;
  // What only the end of the day is counted with is taken once, not with every block: the
  // published day is cleared right after.
  if (Finished) {
    OpenName = std::move(aPublished.OpenName);
    FirstLines = std::move(aPublished.FirstLines);
    Stats = std::move(aPublished.Stats);
    Error = aPublished.Error;
    Abandoned = aPublished.Abandoned;
  }
}

void TDayOutcome::Clear() {
  std::vector<TDayLogLine> log = std::move(Log);
  std::vector<TDayQuote> quotes = std::move(Quotes);
  log.clear();
  quotes.clear();
  *this = TDayOutcome{};
  Log = std::move(log);
  Quotes = std::move(quotes);
}

// The lines the quote source reports, kept in the block being read.
class TDayOutcomeReader::OutcomeLog : public TRunLog {
 public:
  explicit OutcomeLog(TDayOutcomeReader& aReader) : reader_(aReader) {}

  bool Passes(std::int32_t aLevel) const override {
    return aLevel >= 0 && aLevel < static_cast<std::int32_t>(reader_.levels_.size()) &&
           reader_.levels_[static_cast<std::size_t>(aLevel)];
  }
  void Line(std::int32_t aLevel, std::string_view aText, bool) override {
    reader_.block_.Log.push_back({TDayLogLine::kAfterAllLines, aLevel, std::string(aText)});
  }
  const FormatSettings& Formats() const override { return reader_.run_.Formats; }

 private:
  TDayOutcomeReader& reader_;
};

// Keeps what ReadDay finds in the block and hands each block on when its lines are read; a log
// line's place is known once the look for a quote that reported it returns.
class TDayOutcomeReader::Sink {
 public:
  Sink(TDayOutcome& aBlock, const TRunLog& aLog, std::stop_token aStop, const TCancelToken* aCancel,
       const Publish& aPublish)
      : block_(aBlock), log_(aLog), stop_(std::move(aStop)), cancel_(aCancel), publish_(aPublish) {}

  bool Passes(std::int32_t aLevel) const { return log_.Passes(aLevel); }
  void Line(std::int32_t aLevel, std::string aText) {
    block_.Log.push_back({TDayLogLine::kAfterAllLines, aLevel, std::move(aText)});
  }
  void Looked(const std::string& aOpenName) { block_.OpenName = aOpenName; }
  void Loaded(std::size_t aLineCount, const std::vector<std::string>& aFirstLines) {
    PlaceLinesAt(-1);
    block_.Loaded = true;
    block_.LineCount = aLineCount;
    block_.FirstLines = aFirstLines;
  }
  void Quote(std::int32_t aIndex, double aValue, std::int32_t aTimeOfDayMs) {
    block_.Quotes.push_back({aIndex, aTimeOfDayMs, aValue});
  }
  void Reached(std::int64_t aLineIndex) {
    PlaceLinesAt(aLineIndex);
    block_.ReadUpTo = aLineIndex + 1;
  }
  void BlockDone() {
    publish_(block_);
    block_.Quotes.clear();
    block_.Log.clear();
    StopIfAsked();
  }
  void StopIfAsked() const {
    if (stop_.stop_requested() || (cancel_ != nullptr && cancel_->Cancelled()))
      throw DayAbandoned();
  }

 private:
  // The lines not yet placed were reported while reading up to aLineIndex.
  void PlaceLinesAt(std::int64_t aLineIndex) {
    for (auto line = block_.Log.rbegin();
         line != block_.Log.rend() && line->AtLine == TDayLogLine::kAfterAllLines; ++line) {
      line->AtLine = aLineIndex;
    }
  }

  TDayOutcome& block_;
  const TRunLog& log_;
  std::stop_token stop_;
  const TCancelToken* cancel_;
  const Publish& publish_;
};

TDayOutcomeReader::TDayOutcomeReader(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels)
    : run_(aRun),
      levels_(aLevels),
      dates_(aRun.Formats, aRun.CurrentYear),
      log_(std::make_unique<OutcomeLog>(*this)),
      source_(aRun.Settings, regExp_, aRun.SkipIntervals, dates_, *log_) {
  SetRunMatching(regExp_);
}

void TDayOutcomeReader::Read(std::int32_t aDayIndex, std::stop_token aStop,
                             const TCancelToken* aCancel, const Publish& aPublish) {
  block_.Clear();
  Sink sink(block_, *log_, std::move(aStop), aCancel, aPublish);
  try {
    sink.StopIfAsked();
    ReadDay(run_, source_, lines_, aDayIndex, run_.DateFrom + aDayIndex, sink);
  } catch (const DayAbandoned&) {
    block_.Abandoned = true;
  } catch (...) {
    block_.Error = std::current_exception();
  }
  block_.Stats = source_.TakeStats();
  block_.Finished = true;
  aPublish(block_);
}

}  // namespace melquon
