#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/calculation.h"
#include "engine/day_outcome.h"

namespace melquon {

// Days of a run read on worker threads, ahead of the thread that counts them and handed to it in
// calendar order, block by block as they are read, so that counting follows reading closely. At
// most one day with a file more than there are workers is read, waiting or being counted, so
// that memory stays bounded however long the run; days without a file (weekends, holidays) hold
// only their log lines and don't hold up the reading of the days after them. Leaving the scope
// stops the workers between blocks of lines and joins them.
class TDayPipeline {
 public:
  // aRun and aCancel must outlive the pipeline.
  TDayPipeline(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels, std::int32_t aDaysCount,
               std::int32_t aWorkers, const TCancelToken* aCancel);
  ~TDayPipeline();
  TDayPipeline(const TDayPipeline&) = delete;
  TDayPipeline& operator=(const TDayPipeline&) = delete;

  // What is new of the day being counted, waiting for it: aPart's lists are replaced by the
  // quotes and log lines read since the last call, the rest tells what is known now. Once
  // aPart.Finished the next call goes on with the next day.
  void Fetch(TDayOutcome& aPart);

 private:
  struct Slot {
    TDayOutcome published;
    bool fresh = false;
    // Until it is known to have none.
    bool holdsFile = true;
  };

  void Work(std::stop_token aStop);
  void ReadDayOn(std::int32_t aDay, std::stop_token aStop,
                 std::optional<TDayOutcomeReader>& aReader);
  void Publish(std::int32_t aDay, TDayOutcome& aBlock);
  // Whether every day to read is started, and whether a worker may start another.
  bool NoDayLeft() const;
  bool MayStartDay() const;
  Slot& SlotOf(std::int32_t aDay) { return days_[static_cast<std::size_t>(aDay - counting_)]; }
  void ReleaseFile(Slot& aSlot);

  const TRunSnapshot& run_;
  const TLogLevelsKept levels_;
  const std::int32_t daysCount_;
  const TCancelToken* cancel_;
  const std::int32_t maxDaysWithFiles_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  // Days from counting_ up to nextDay_ are being read, wait or are being counted.
  std::int32_t nextDay_ = 0;
  std::int32_t counting_ = 0;
  std::deque<Slot> days_;
  std::int32_t daysWithFiles_ = 0;
  // Outcomes of days counted, emptied, kept for the memory of their lists.
  std::vector<TDayOutcome> spare_;
  // A day that failed ends the run there: no later day is started.
  std::int32_t lastDayToRead_ = std::numeric_limits<std::int32_t>::max();
  // Last, so that the workers stop before what they use goes.
  std::vector<std::jthread> workers_;
};

}  // namespace melquon
