#include "engine/day_pipeline.h"

#include <algorithm>
#include <utility>

namespace melquon {

TDayPipeline::TDayPipeline(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels,
                           std::int32_t aDaysCount, std::int32_t aWorkers,
                           const TCancelToken* aCancel)
    : run_(aRun),
      levels_(aLevels),
      daysCount_(std::max(aDaysCount, 0)),
      cancel_(aCancel),
      slots_(static_cast<std::size_t>(std::max(aWorkers, 1))) {
  const std::int32_t workers = std::min(std::max(aWorkers, 1), std::max(daysCount_, 1));
  workers_.reserve(static_cast<std::size_t>(workers));
  for (std::int32_t i = 0; i < workers; ++i)
    workers_.emplace_back([this](std::stop_token aStop) { Work(std::move(aStop)); });
}

TDayPipeline::~TDayPipeline() {
  for (std::jthread& worker : workers_)
    worker.request_stop();
  changed_.notify_all();
}

bool TDayPipeline::MayStartDay() const {
  return nextDay_ >= daysCount_ || nextDay_ - taken_ < static_cast<std::int32_t>(slots_.size());
}

void TDayPipeline::Work(std::stop_token aStop) {
  std::optional<TDayOutcomeReader> reader;
  for (;;) {
    std::int32_t day = 0;
    {
      std::unique_lock lock(mutex_);
      if (!changed_.wait(lock, aStop, [this] { return MayStartDay(); }) || nextDay_ >= daysCount_)
        return;
      day = nextDay_++;
    }
    TDayOutcome outcome;
    try {
      if (!reader)
        reader.emplace(run_, levels_);
      outcome = reader->Read(day, aStop, cancel_);
    } catch (...) {
      // Out of memory: the day fails where the run would have failed reading it.
      outcome = TDayOutcome{};
      outcome.DayIndex = day;
      outcome.Error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      slots_[static_cast<std::size_t>(day) % slots_.size()] = std::move(outcome);
    }
    changed_.notify_all();
  }
}

TDayOutcome TDayPipeline::TakeNext() {
  std::unique_lock lock(mutex_);
  std::optional<TDayOutcome>& slot = slots_[static_cast<std::size_t>(taken_) % slots_.size()];
  changed_.wait(lock, [&slot] { return slot.has_value(); });
  TDayOutcome outcome = std::move(*slot);
  slot.reset();
  ++taken_;
  lock.unlock();
  changed_.notify_all();
  return outcome;
}

}  // namespace melquon
