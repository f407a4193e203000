#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace melquon {

// Which of many counters a price can change. Each counter has a quiet band of prices that
// surely change nothing of it (see TVolatilityResItem::NarrowLevelBand). Neighbouring counters
// form blocks that keep the common part of their members' bands: a price inside it passes the
// whole block at the cost of two comparisons, and only the blocks it leaves are looked into;
// groups of blocks do the same for their blocks.
// A hot counter is visited on every quote and narrows no block. The counters to visit come out
// in index order.
class TCounterSchedule {
 public:
  // aCount counters, none hot, every band empty: the first quote visits them all.
  void Reset(std::int32_t aCount);
  // The hot counters and those whose band does not hold aPrice, in index order (every one for
  // a price that is not a number); valid until the next call.
  std::span<const std::int32_t> CountersToVisit(double aPrice);
  // The band of a counter after a visit; a hot counter is no longer hot.
  void Update(std::int32_t aIndex, double aLow, double aHigh) {
    const auto i = static_cast<std::size_t>(aIndex);
    if (hot_[i] != 0) {
      LeaveHot(aIndex);
    }
    low_[i] = aLow;
    high_[i] = aHigh;
    blocks_[i / kBlockSize] = {kEmptyLow, kEmptyHigh, true};
    groups_[i / kBlockSize / kBlocksPerGroup] = {kEmptyLow, kEmptyHigh, true};
  }
  void MakeHot(std::int32_t aIndex);
  // Whether schedules reset from now on may look at four members at a time where the processor
  // can (two at a time otherwise): for tests that hold both ways to the plain sweep.
  static void AllowWideScan(bool aAllowed);
  bool IsHot(std::int32_t aIndex) const { return hot_[static_cast<std::size_t>(aIndex)] != 0; }
  std::span<const std::int32_t> HotCounters() const { return hotList_; }
  // The band of a counter as last updated: every price since then that did not visit it lay
  // inside.
  double Low(std::int32_t aIndex) const { return low_[static_cast<std::size_t>(aIndex)]; }
  double High(std::int32_t aIndex) const { return high_[static_cast<std::size_t>(aIndex)]; }

 private:
  static constexpr std::size_t kBlockSize = 32;
  static constexpr std::size_t kBlocksPerGroup = 16;
  static constexpr double kEmptyLow = std::numeric_limits<double>::infinity();
  static constexpr double kEmptyHigh = -std::numeric_limits<double>::infinity();

  template <bool Narrow>
  std::size_t ScanMembers(std::size_t aBlock, double aPrice, std::int32_t* aVisit,
                          std::size_t aVisits);
  void LeaveHot(std::int32_t aIndex);
  std::size_t ScanBlocks(double aPrice, std::int32_t* aVisit);

  // The common part of the bands of a block's members or of a group's blocks; empty and stale
  // once one of them changed, until a price looks into it.
  struct Band {
    double low;
    double high;
    bool stale;
  };
  static bool PassesBand(const Band& aBand, double aPrice) {
    return aPrice >= aBand.low && aPrice <= aBand.high;
  }

  bool wideScan_ = false;
  std::vector<double> low_;
  std::vector<double> high_;
  std::vector<Band> blocks_;
  std::vector<Band> groups_;
  std::vector<std::uint8_t> hot_;
  std::vector<std::int32_t> hotList_;  // ascending
  std::vector<std::int32_t> scanned_;
  std::vector<std::int32_t> visit_;
};

}  // namespace melquon
