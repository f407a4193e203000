#include "engine/counter_schedule.h"

#include <algorithm>
#include <limits>

namespace melquon {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Function objects rather than functions, so that the heap operations inline them.
constexpr auto kLowerLowEnd = [](const auto& a, const auto& b) { return a.price < b.price; };
constexpr auto kHigherHighEnd = [](const auto& a, const auto& b) { return a.price > b.price; };

}  // namespace

void TCounterSchedule::Reset(std::int32_t aCount) {
  const auto count = static_cast<std::size_t>(std::max(aCount, 0));
  low_.assign(count, kInfinity);
  high_.assign(count, -kInfinity);
  version_.assign(count, 0);
  takenAt_.assign(count, 0);
  quote_ = 0;
  Rebuild();
}

void TCounterSchedule::Visit(std::int32_t aIndex, std::vector<std::int32_t>& aVisit) {
  std::uint32_t& taken = takenAt_[static_cast<std::size_t>(aIndex)];
  if (taken != quote_) {
    taken = quote_;
    aVisit.push_back(aIndex);
  }
}

void TCounterSchedule::CountersToVisit(double aPrice, std::vector<std::int32_t>& aVisit) {
  aVisit.clear();
  if (++quote_ == 0) {
    std::fill(takenAt_.begin(), takenAt_.end(), 0);
    quote_ = 1;
  }
  if (aPrice != aPrice) {
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(low_.size()); ++i)
      aVisit.push_back(i);
    return;
  }
  // A counter's current ends leave the heaps only here, and it is then visited and pushed again.
  while (!highs_.empty() && highs_.front().price < aPrice) {
    const End end = highs_.front();
    std::pop_heap(highs_.begin(), highs_.end(), kHigherHighEnd);
    highs_.pop_back();
    if (end.version == version_[static_cast<std::size_t>(end.index)])
      Visit(end.index, aVisit);
  }
  while (!lows_.empty() && lows_.front().price > aPrice) {
    const End end = lows_.front();
    std::pop_heap(lows_.begin(), lows_.end(), kLowerLowEnd);
    lows_.pop_back();
    if (end.version == version_[static_cast<std::size_t>(end.index)])
      Visit(end.index, aVisit);
  }
  std::sort(aVisit.begin(), aVisit.end());
}

void TCounterSchedule::Update(std::int32_t aIndex, double aLow, double aHigh) {
  const auto i = static_cast<std::size_t>(aIndex);
  low_[i] = aLow;
  high_[i] = aHigh;
  ++version_[i];
  // Ends left behind by updates pile up in the heaps; past a bound they are rebuilt.
  if (lows_.size() + highs_.size() > 8 * low_.size() + 64) {
    Rebuild();
  } else {
    Push(aIndex);
  }
}

void TCounterSchedule::Push(std::int32_t aIndex) {
  const auto i = static_cast<std::size_t>(aIndex);
  lows_.push_back({low_[i], aIndex, version_[i]});
  std::push_heap(lows_.begin(), lows_.end(), kLowerLowEnd);
  highs_.push_back({high_[i], aIndex, version_[i]});
  std::push_heap(highs_.begin(), highs_.end(), kHigherHighEnd);
}

void TCounterSchedule::Rebuild() {
  lows_.clear();
  highs_.clear();
  for (std::size_t i = 0; i < low_.size(); ++i) {
    lows_.push_back({low_[i], static_cast<std::int32_t>(i), version_[i]});
    highs_.push_back({high_[i], static_cast<std::int32_t>(i), version_[i]});
  }
  std::make_heap(lows_.begin(), lows_.end(), kLowerLowEnd);
  std::make_heap(highs_.begin(), highs_.end(), kHigherHighEnd);
}

}  // namespace melquon
