#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace melquon {

// Which of many counters a price can change. Each counter has a quiet band of prices that
// surely change nothing of it (see TVolatilityResItem::NarrowQuietBand). Neighbouring counters
// form blocks that keep the common part of their members' bands: a price inside it passes the
// whole block at the cost of two comparisons, and only the blocks it leaves are looked into.
// Blocks are looked into in order, so the counters to visit come out in index order.
class TCounterSchedule {
 public:
  // aCount counters, every band empty: the first quote visits them all.
  void Reset(std::int32_t aCount);
  // The counters whose band does not hold aPrice, in index order (every one for a price that
  // is not a number); valid until the next call.
  std::span<const std::int32_t> CountersToVisit(double aPrice);
  // The band of a counter after a visit.
  void Update(std::int32_t aIndex, double aLow, double aHigh) {
    const auto i = static_cast<std::size_t>(aIndex);
    low_[i] = aLow;
    high_[i] = aHigh;
    blockStale_[i / kBlockSize] = 1;
  }

 private:
  static constexpr std::size_t kBlockSize = 32;

  void NarrowBlock(std::size_t aBlock);

  std::vector<double> low_;
  std::vector<double> high_;
  // The common part of the bands of each block's members, and whether a member changed since.
  std::vector<double> blockLow_;
  std::vector<double> blockHigh_;
  std::vector<std::uint8_t> blockStale_;
  std::vector<std::int32_t> visit_;
};

}  // namespace melquon
