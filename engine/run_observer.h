#pragma once

#include <cstdint>
#include <vector>

#include "engine/run_log.h"
#include "runtime/date_time.h"

namespace melquon {

// A quote as the counters took it: its day, its line in the day file, the time of day of that
// line (-1 when the line had no DT) and its price.
struct TCountedQuote {
  std::int32_t DayIndex = 0;
  std::int32_t QuoteIndex = 0;
  std::int32_t TimeOfDayMs = -1;
  double Value = 0.0;
};

// What a run hands on besides its result and its log, on the thread that counts and in the
// order of counting, whatever the number of threads that read: each quote before the counters
// take it, and each move they count, in the order of the log's lines for them.
class TRunObserver {
 public:
  virtual ~TRunObserver() = default;
  // Told once the run knows its days: aDaysCount calendar days from aDateFrom on.
  virtual void RunStarted(TDateTime /*aDateFrom*/, std::int32_t /*aDaysCount*/) {}
  // Told when the file of a day was read, before its quotes.
  virtual void DayLoaded(std::int32_t /*aDayIndex*/) {}
  virtual void QuoteCounted(const TCountedQuote&) {}
  // aQuote is the quote that made the move.
  virtual void MoveCounted(const TCountedMove&, const TCountedQuote&) {}
  // Told once, after the last quote of a run that completed.
  virtual void RunDone() {}
};

// Several observers told in turn.
class TRunObservers : public TRunObserver {
 public:
  void Add(TRunObserver& aObserver) { observers_.push_back(&aObserver); }
  bool Empty() const { return observers_.empty(); }

  void RunStarted(TDateTime aDateFrom, std::int32_t aDaysCount) override {
    for (TRunObserver* observer : observers_)
      observer->RunStarted(aDateFrom, aDaysCount);
  }
  void DayLoaded(std::int32_t aDayIndex) override {
    for (TRunObserver* observer : observers_)
      observer->DayLoaded(aDayIndex);
  }
  void QuoteCounted(const TCountedQuote& aQuote) override {
    for (TRunObserver* observer : observers_)
      observer->QuoteCounted(aQuote);
  }
  void MoveCounted(const TCountedMove& aMove, const TCountedQuote& aQuote) override {
    for (TRunObserver* observer : observers_)
      observer->MoveCounted(aMove, aQuote);
  }
  void RunDone() override {
    for (TRunObserver* observer : observers_)
      observer->RunDone();
  }

 private:
  std::vector<TRunObserver*> observers_;
};

}  // namespace melquon
