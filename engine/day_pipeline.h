#pragma once

#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/calculation.h"
#include "engine/day_outcome.h"

namespace melquon {

// Days of a run read on worker threads, ahead of the thread that counts them and handed to it in
// calendar order, block by block as they are read, so that counting follows reading closely. At
// most one day more than there are workers is read, waiting or being counted, so that memory
// stays bounded however long the run. Leaving the scope stops the workers between blocks of
// lines and joins them.
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
  };

  void Work(std::stop_token aStop);
  void ReadDayOn(std::int32_t aDay, std::stop_token aStop,
                 std::optional<TDayOutcomeReader>& aReader);
  void Publish(std::int32_t aDay, TDayOutcome& aBlock);
  // Whether every day to read is started, and whether a worker may start another.
  bool NoDayLeft() const;
  bool MayStartDay() const;
  Slot& SlotOf(std::int32_t aDay) { return slots_[static_cast<std::size_t>(aDay) % slots_.size()]; }

  const TRunSnapshot& run_;
  const TLogLevelsKept levels_;
  const std::int32_t daysCount_;
  const TCancelToken* cancel_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  // Days from counting_ up to nextDay_ are being read, wait or are being counted.
  std::int32_t nextDay_ = 0;
  std::int32_t counting_ = 0;
  // A day that failed ends the run there: no later day is started.
  std::int32_t lastDayToRead_ = std::numeric_limits<std::int32_t>::max();
  std::vector<Slot> slots_;
  // Last, so that the workers stop before what they use goes.
  std::vector<std::jthread> workers_;
};

}  // namespace melquon
