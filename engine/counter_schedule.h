#pragma once

#include <cstdint>
#include <vector>

namespace melquon {

// Which of many counters a price can change. Each counter has a quiet band of prices that
// surely change nothing of it (see TVolatilityResItem::NarrowQuietBand); the counters are kept
// ordered by the two ends of their bands, so that a quote finds the few whose band it leaves
// without looking at the others.
class TCounterSchedule {
 public:
  // aCount counters, every band empty: the first quote visits them all.
  void Reset(std::int32_t aCount);
  // The counters whose band does not hold aPrice, in index order (every one for a price that
  // is not a number).
  void CountersToVisit(double aPrice, std::vector<std::int32_t>& aVisit);
  // The band of a counter after a visit.
  void Update(std::int32_t aIndex, double aLow, double aHigh);

 private:
  // An end of a band as it was when pushed; older ones of the same counter are passed over.
  struct End {
    double price;
    std::int32_t index;
    std::uint32_t version;
  };

  void Visit(std::int32_t aIndex, std::vector<std::int32_t>& aVisit);
  void Push(std::int32_t aIndex);
  void Rebuild();

  std::vector<double> low_;
  std::vector<double> high_;
  std::vector<std::uint32_t> version_;
  // Heaps: the greatest low end on top, the least high end on top.
  std::vector<End> lows_;
  std::vector<End> highs_;
  // Marks the counters already taken for the current quote.
  std::vector<std::uint32_t> takenAt_;
  std::uint32_t quote_ = 0;
};

}  // namespace melquon
