#include "engine/counter_schedule.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MELQUON_AVX2_SCAN 1
#endif

namespace melquon {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::atomic<bool> gWideScanAllowed{true};

#if defined(MELQUON_AVX2_SCAN)
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}

// Four members at a time, on a processor with AVX2: a bit for each of the first aCount members
// (a multiple of four) whose band does not hold the price, and with Narrow the common part of
// their bands taken into aCommonLow and aCommonHigh. The comparisons are false for a NaN as in
// the narrower loops; max(x, y) is x > y ? x : y, the very std::max(y, x); min the same.
template <bool Narrow>
__attribute__((target("avx2"))) std::uint32_t LeavingFourAtATime(const double* aLow,
                                                                 const double* aHigh,
                                                                 std::size_t aCount, double aPrice,
                                                                 double& aCommonLow,
                                                                 double& aCommonHigh) {
  std::uint32_t leaving = 0;
  const __m256d price = _mm256_set1_pd(aPrice);
  __m256d commonLow = _mm256_set1_pd(aCommonLow);
  __m256d commonHigh = _mm256_set1_pd(aCommonHigh);
  for (std::size_t i = 0; i + 4 <= aCount; i += 4) {
    const __m256d lows = _mm256_loadu_pd(aLow + i);
    const __m256d highs = _mm256_loadu_pd(aHigh + i);
    const __m256d holds = _mm256_and_pd(_mm256_cmp_pd(price, lows, _CMP_GE_OQ),
                                        _mm256_cmp_pd(price, highs, _CMP_LE_OQ));
    leaving |= static_cast<std::uint32_t>(~_mm256_movemask_pd(holds) & 15) << i;
    if constexpr (Narrow) {
      commonLow = _mm256_max_pd(lows, commonLow);
      commonHigh = _mm256_min_pd(highs, commonHigh);
    }
  }
  if constexpr (Narrow) {
    double lows[4];
    double highs[4];
    _mm256_storeu_pd(lows, commonLow);
    _mm256_storeu_pd(highs, commonHigh);
    for (int k = 0; k < 4; ++k) {
      aCommonLow = std::max(aCommonLow, lows[k]);
      aCommonHigh = std::min(aCommonHigh, highs[k]);
    }
  }
  return leaving;
}
#endif

}  // namespace

void TCounterSchedule::AllowWideScan(bool aAllowed) {
  gWideScanAllowed.store(aAllowed, std::memory_order_relaxed);
}

void TCounterSchedule::Reset(std::int32_t aCount) {
  const auto count = static_cast<std::size_t>(std::max(aCount, 0));
#if defined(MELQUON_AVX2_SCAN)
  wideScan_ = gWideScanAllowed.load(std::memory_order_relaxed) && HasAvx2();
#endif
  const std::size_t blocks = (count + kBlockSize - 1) / kBlockSize;
  low_.assign(count, kInfinity);
  high_.assign(count, -kInfinity);
  blocks_.assign(blocks, {kInfinity, -kInfinity, true});
  groups_.assign((blocks + kBlocksPerGroup - 1) / kBlocksPerGroup, {kInfinity, -kInfinity, true});
  hot_.assign(count, 0);
  hotList_.clear();
  scanned_.assign(count, 0);
  visit_.assign(count, 0);
}

std::span<const std::int32_t> TCounterSchedule::CountersToVisit(double aPrice) {
  const std::size_t count = visit_.size();
  if (aPrice != aPrice) {
    for (std::size_t i = 0; i < count; ++i)
      visit_[i] = static_cast<std::int32_t>(i);
    return {visit_.data(), count};
  }
  if (hotList_.empty()) {
    return {visit_.data(), ScanBlocks(aPrice, visit_.data())};
  }
  const std::size_t scanned = ScanBlocks(aPrice, scanned_.data());
  // Most quotes leave no band, and the hot counters are mostly the first ones.
  if (scanned == 0) {
    return hotList_;
  }
  if (hotList_.back() < scanned_.front()) {
    const auto end = std::copy_n(scanned_.begin(), scanned,
                                 std::copy(hotList_.begin(), hotList_.end(), visit_.begin()));
    return {visit_.data(), static_cast<std::size_t>(end - visit_.begin())};
  }
  const auto end =
      std::merge(hotList_.begin(), hotList_.end(), scanned_.begin(),
                 scanned_.begin() + static_cast<std::ptrdiff_t>(scanned), visit_.begin());
  return {visit_.data(), static_cast<std::size_t>(end - visit_.begin())};
}

// A band that does not hold the price is looked into; a changed one is empty and is narrowed
// again on the way.
std::size_t TCounterSchedule::ScanBlocks(double aPrice, std::int32_t* aVisit) {
  std::size_t visits = 0;
  for (std::size_t group = 0; group < groups_.size(); ++group) {
    if (PassesBand(groups_[group], aPrice)) {
      continue;
    }
    const bool narrow = groups_[group].stale;
    Band common{-kInfinity, kInfinity, false};
    const std::size_t end = std::min(blocks_.size(), (group + 1) * kBlocksPerGroup);
    for (std::size_t block = group * kBlocksPerGroup; block < end; ++block) {
      if (!PassesBand(blocks_[block], aPrice)) {
        visits = blocks_[block].stale ? ScanMembers<true>(block, aPrice, aVisit, visits)
                                      : ScanMembers<false>(block, aPrice, aVisit, visits);
      }
      if (narrow) {
        common.low = std::max(common.low, blocks_[block].low);
        common.high = std::min(common.high, blocks_[block].high);
      }
    }
    if (narrow) {
      groups_[group] = common;
    }
  }
  return visits;
}

template <bool Narrow>
std::size_t TCounterSchedule::ScanMembers(std::size_t aBlock, double aPrice, std::int32_t* aVisit,
                                          std::size_t aVisits) {
  const double* const low = low_.data();
  const double* const high = high_.data();
  const std::size_t first = aBlock * kBlockSize;
  const std::size_t end = std::min(low_.size(), first + kBlockSize);
  Band common{-kInfinity, kInfinity, false};
  std::size_t i = first;
  static_assert(kBlockSize <= 32, "a block's members are one bit each of 32");
  std::uint32_t leaving = 0;
#if defined(MELQUON_AVX2_SCAN)
  if (wideScan_) {
    const std::size_t count = (end - first) / 4 * 4;
    leaving = LeavingFourAtATime<Narrow>(low + first, high + first, count, aPrice, common.low,
                                         common.high);
    i += count;
  }
#endif
#if defined(__SSE2__)
  // Two members at a time; a bit of leaving is set for each member whose band does not hold
  // the price. max(x, y) is x > y ? x : y, the very std::max(y, x); min the same.
  const __m128d price = _mm_set1_pd(aPrice);
  __m128d commonLow = _mm_set1_pd(-kInfinity);
  __m128d commonHigh = _mm_set1_pd(kInfinity);
  for (; i + 2 <= end; i += 2) {
    const __m128d lows = _mm_loadu_pd(low + i);
    const __m128d highs = _mm_loadu_pd(high + i);
    const __m128d holds = _mm_and_pd(_mm_cmpge_pd(price, lows), _mm_cmple_pd(price, highs));
    leaving |= static_cast<std::uint32_t>(~_mm_movemask_pd(holds) & 3) << (i - first);
    if constexpr (Narrow) {
      commonLow = _mm_max_pd(lows, commonLow);
      commonHigh = _mm_min_pd(highs, commonHigh);
    }
  }
  if constexpr (Narrow) {
    double lows[2];
    double highs[2];
    _mm_storeu_pd(lows, commonLow);
    _mm_storeu_pd(highs, commonHigh);
    common.low = std::max(common.low, std::max(lows[0], lows[1]));
    common.high = std::min(common.high, std::min(highs[0], highs[1]));
  }
#endif
  for (; leaving != 0; leaving &= leaving - 1)
    aVisit[aVisits++] = static_cast<std::int32_t>(first + std::countr_zero(leaving));
  // Without branches: whether a member's band holds the price is as good as random.
  for (; i < end; ++i) {
    aVisit[aVisits] = static_cast<std::int32_t>(i);
    aVisits += static_cast<std::size_t>(!(aPrice >= low[i]) | !(aPrice <= high[i]));
    if constexpr (Narrow) {
      common.low = std::max(common.low, low[i]);
      common.high = std::min(common.high, high[i]);
    }
  }
  if constexpr (Narrow) {
    blocks_[aBlock] = common;
  }
  return aVisits;
}

// A hot counter's band holds every price, so that it narrows no block; it is visited anyway.
void TCounterSchedule::MakeHot(std::int32_t aIndex) {
  if (IsHot(aIndex)) {
    return;
  }
  Update(aIndex, -kInfinity, kInfinity);
  hot_[static_cast<std::size_t>(aIndex)] = 1;
  hotList_.insert(std::lower_bound(hotList_.begin(), hotList_.end(), aIndex), aIndex);
}

void TCounterSchedule::LeaveHot(std::int32_t aIndex) {
  hot_[static_cast<std::size_t>(aIndex)] = 0;
  hotList_.erase(std::lower_bound(hotList_.begin(), hotList_.end(), aIndex));
}

}  // namespace melquon
