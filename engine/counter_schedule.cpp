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
  blockStale_.assign(blocks, 0);
  visit_.assign(count, 0);
}

std::span<const std::int32_t> TCounterSchedule::CountersToVisit(double aPrice) {
  const std::size_t count = low_.size();
  if (aPrice != aPrice) {
    for (std::size_t i = 0; i < count; ++i)
      visit_[i] = static_cast<std::int32_t>(i);
    return {visit_.data(), count};
  }
  std::size_t visits = 0;
  for (std::size_t block = 0; block < blockLow_.size(); ++block) {
    if (blockStale_[block] != 0) {
      NarrowBlock(block);
    }
    if (aPrice >= blockLow_[block] && aPrice <= blockHigh_[block]) {
      continue;
    }
    // Without branches: whether a member's band holds the price is as good as random.
    const std::size_t end = std::min(count, (block + 1) * kBlockSize);
    for (std::size_t i = block * kBlockSize; i < end; ++i) {
      visit_[visits] = static_cast<std::int32_t>(i);
      visits += static_cast<std::size_t>(!(aPrice >= low_[i]) | !(aPrice <= high_[i]));
    }
  }
  return {visit_.data(), visits};
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
  blockStale_[aBlock] = 0;
}

}  // namespace melquon
