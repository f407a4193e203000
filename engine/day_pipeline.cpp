#include "engine/day_pipeline.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace melquon {

TDayPipeline::TDayPipeline(const TRunSnapshot& aRun, const TLogLevelsKept& aLevels,
                           std::int32_t aDaysCount, std::int32_t aWorkers,
                           const TCancelToken* aCancel)
    : run_(aRun),
      levels_(aLevels),
      daysCount_(std::max(aDaysCount, 0)),
      cancel_(aCancel),
      maxDaysWithFiles_(std::max(aWorkers, 1) + 1) {
  const std::int32_t workers = std::min(std::max(aWorkers, 1), std::max(daysCount_, 1));
  workers_.reserve(static_cast<std::size_t>(workers));
  for (std::int32_t i = 0; i < workers; ++i)
    workers_.emplace_back([this](std::stop_token aStop) { Work(std::move(aStop)); });
}

TDayPipeline::~TDayPipeline() {
  for (std::jthread& worker : workers_)
    worker.request_stop();
}

bool TDayPipeline::NoDayLeft() const {
  return nextDay_ >= daysCount_ || nextDay_ > lastDayToRead_;
}

bool TDayPipeline::MayStartDay() const {
  return NoDayLeft() || daysWithFiles_ < maxDaysWithFiles_;
}

void TDayPipeline::Work(std::stop_token aStop) {
  std::optional<TDayOutcomeReader> reader;
  for (;;) {
    std::int32_t day = 0;
    {
      std::unique_lock lock(mutex_);
      if (!changed_.wait(lock, aStop, [this] { return MayStartDay(); }) || NoDayLeft())
        return;
      day = nextDay_++;
      days_.emplace_back();
      ++daysWithFiles_;
      if (!spare_.empty()) {
        days_.back().published = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    ReadDayOn(day, aStop, reader);
  }
}

void TDayPipeline::ReadDayOn(std::int32_t aDay, std::stop_token aStop,
                             std::optional<TDayOutcomeReader>& aReader) {
  try {
    if (!aReader)
      aReader.emplace(run_, levels_);
    aReader->Read(aDay, aStop, cancel_,
                  [this, aDay](TDayOutcome& aBlock) { Publish(aDay, aBlock); });
  } catch (...) {
    // Out of memory: the day fails where the run would have failed reading it.
    TDayOutcome failed;
    failed.Finished = true;
    failed.Error = std::current_exception();
    Publish(aDay, failed);
  }
}

void TDayPipeline::Publish(std::int32_t aDay, TDayOutcome& aBlock) {
  {
    std::lock_guard lock(mutex_);
    Slot& slot = SlotOf(aDay);
    slot.published.Append(aBlock);
    slot.fresh = true;
    if (slot.published.Finished && !slot.published.Loaded)
      ReleaseFile(slot);
    if (aBlock.Error)
      lastDayToRead_ = std::min(lastDayToRead_, aDay);
  }
  changed_.notify_all();
}

void TDayPipeline::ReleaseFile(Slot& aSlot) {
  if (aSlot.holdsFile) {
    aSlot.holdsFile = false;
    --daysWithFiles_;
  }
}

void TDayPipeline::Fetch(TDayOutcome& aPart) {
  std::unique_lock lock(mutex_);
  // The day may not be started yet.
  changed_.wait(lock, [this] { return !days_.empty() && days_.front().fresh; });
  Slot& slot = days_.front();
  aPart.TakeNews(slot.published);
  slot.fresh = false;
  if (!aPart.Finished)
    return;
  ReleaseFile(slot);
  slot.published.Clear();
  spare_.push_back(std::move(slot.published));
  days_.pop_front();
  ++counting_;
  lock.unlock();
  changed_.notify_all();
}

}  // namespace melquon
