#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/calculation.h"
#include "engine/day_outcome.h"

namespace melquon {

// Days of a run read on worker threads, ahead of the thread that counts them and handed to it
// in calendar order. At most as many days as there are workers are read or waiting, beside the
// one being counted, so that memory stays bounded however long the run. Leaving the scope
// stops the workers between blocks of lines and joins them.
class TDayPipeline {
 public:
  // aRun and aCancel must outlive the pipeline.
  TDayPipeline(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels, std::int32_t aDaysCount,
               std::int32_t aWorkers, const TCancelToken* aCancel);
  ~TDayPipeline();
  TDayPipeline(const TDayPipeline&) = delete;
  TDayPipeline& operator=(const TDayPipeline&) = delete;

  // The outcome of the next day, waiting for it to be read; days are taken in order.
  TDayOutcome TakeNext();

 private:
  void Work(std::stop_token aStop);
  // Whether a worker may start another day.
  bool MayStartDay() const;

  const TRunSnapshot& run_;
  const TLogLevelsKept levels_;
  const std::int32_t daysCount_;
  const TCancelToken* cancel_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  // Days from taken_ up to nextDay_ are being read or wait in their slot (day % size).
  std::int32_t nextDay_ = 0;
  std::int32_t taken_ = 0;
  std::vector<std::optional<TDayOutcome>> slots_;
  // Last, so that the workers stop before what they use goes.
  std::vector<std::jthread> workers_;
};

}  // namespace melquon
