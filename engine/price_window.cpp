#include "engine/price_window.h"

#include <algorithm>

namespace melquon {

void TPriceWindow::Add(double aPrice) {
  while (!highs_.empty() && highs_.back().price <= aPrice) {
    highs_.pop_back();
  }
  highs_.push_back({next_, aPrice});
  while (!lows_.empty() && lows_.back().price >= aPrice) {
    lows_.pop_back();
  }
  lows_.push_back({next_, aPrice});
  ++next_;
}

const TPriceWindow::Entry* TPriceWindow::FirstSince(const std::vector<Entry>& aEntries,
                                                    std::int64_t aFrom) {
  std::size_t end = aEntries.size();
  std::size_t step = 1;
  while (end >= step && aEntries[end - step].number >= aFrom) {
    end -= step;
    step *= 2;
  }
  const auto first = aEntries.begin() + static_cast<std::ptrdiff_t>(end >= step ? end - step : 0);
  const auto found =
      std::partition_point(first, aEntries.begin() + static_cast<std::ptrdiff_t>(end),
                           [aFrom](const Entry& entry) { return entry.number < aFrom; });
  return &*found;
}

void TPriceWindow::Clear() {
  highs_.clear();
  lows_.clear();
}

}  // namespace melquon
