#include "engine/counter_schedule.h"

#include <algorithm>
#include <limits>

namespace melquon {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

}  // namespace

void TCounterSchedule::Reset(std::int32_t aCount) {
  const auto count = static_cast<std::size_t>(std::max(aCount, 0));
  const std::size_t blocks = (count + kBlockSize - 1) / kBlockSize;
  low_.assign(count, kInfinity);
  high_.assign(count, -kInfinity);
  blockLow_.assign(blocks, kInfinity);
  blockHigh_.assign(blocks, -kInfinity);
  blockStale_.assign(blocks, false);
}

void TCounterSchedule::CountersToVisit(double aPrice, std::vector<std::int32_t>& aVisit) {
  aVisit.clear();
  if (aPrice != aPrice) {
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(low_.size()); ++i)
      aVisit.push_back(i);
    return;
  }
  for (std::size_t block = 0; block < blockLow_.size(); ++block) {
    if (blockStale_[block]) {
      NarrowBlock(block);
    }
    if (aPrice >= blockLow_[block] && aPrice <= blockHigh_[block]) {
      continue;
    }
    const std::size_t end = std::min(low_.size(), (block + 1) * kBlockSize);
    for (std::size_t i = block * kBlockSize; i < end; ++i) {
      if (!(aPrice >= low_[i] && aPrice <= high_[i]))
        aVisit.push_back(static_cast<std::int32_t>(i));
    }
  }
}

void TCounterSchedule::NarrowBlock(std::size_t aBlock) {
  const std::size_t end = std::min(low_.size(), (aBlock + 1) * kBlockSize);
  double low = -kInfinity;
  double high = kInfinity;
  for (std::size_t i = aBlock * kBlockSize; i < end; ++i) {
    low = std::max(low, low_[i]);
    high = std::min(high, high_[i]);
  }
  blockLow_[aBlock] = low;
  blockHigh_[aBlock] = high;
  blockStale_[aBlock] = false;
}

}  // namespace melquon
