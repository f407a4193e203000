#include "ui/bar_layout.h"

#include <cmath>

namespace melquon {

namespace {

// Space kept clear between neighbouring labels or marks.
constexpr double kGap = 6.0;
// A mark may take this share of its bar's slot.
constexpr double kMarkShare = 0.9;

}  // namespace

std::size_t NiceLabelStep(double aMinimum) {
  if (!(aMinimum > 1.0)) {
    return 1;
  }
  constexpr auto kLargest = std::size_t{1} << 62;
  if (!(aMinimum < static_cast<double>(kLargest))) {
    return kLargest;
  }
  std::size_t step = 1;
  for (;;) {
    for (const std::size_t factor : {1u, 2u, 5u}) {
      if (static_cast<double>(step * factor) >= aMinimum) {
        return step * factor;
      }
    }
    step *= 10;
  }
}

TBarLayout LayOutBars(const TBarLayoutInput& aInput) {
  TBarLayout layout;
  if (aInput.BarCount == 0 || aInput.Last < aInput.First || !(aInput.PlotWidth > 0.0)) {
    return layout;
  }
  const double slot = aInput.PlotWidth / static_cast<double>(aInput.Last - aInput.First + 1);
  const double labelRoom = (aInput.UprightLabels ? aInput.LineHeight : aInput.LabelWidth) + kGap;
  layout.LabelStep = NiceLabelStep(labelRoom / slot);
  if (aInput.MarksWanted) {
    if (aInput.MarkWidth <= slot * kMarkShare) {
      layout.MarksShown = true;
    } else if (aInput.LineHeight <= slot * kMarkShare) {
      layout.MarksShown = true;
      layout.UprightMarks = true;
    }
  }
  return layout;
}

std::vector<std::size_t> TBarLayout::LabelledBars(std::size_t aFirst, std::size_t aLast) const {
  std::vector<std::size_t> bars;
  if (aLast < aFirst) {
    return bars;
  }
  // The first multiple of the step at or after aFirst.
  for (std::size_t bar = (aFirst + LabelStep - 1) / LabelStep * LabelStep; bar <= aLast;
       bar += LabelStep) {
    bars.push_back(bar);
  }
  return bars;
}

}  // namespace melquon
