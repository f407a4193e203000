#pragma once

#include <cstddef>
#include <vector>

namespace melquon {

// What decides how a row of bars can be labelled: the bars in view and the room they have.
// Widths and heights are in pixels.
struct TBarLayoutInput {
  std::size_t BarCount = 0;
  // The bars in view, First to Last included; a zoomed chart shows only part of its bars.
  std::size_t First = 0;
  std::size_t Last = 0;
  double PlotWidth = 0.0;
  // The widest axis label and the widest value mark, lying flat.
  double LabelWidth = 0.0;
  double MarkWidth = 0.0;
  // The height of a line of text, the room a label or mark needs standing upright.
  double LineHeight = 0.0;
  // Date labels stand upright; number labels lie flat.
  bool UprightLabels = false;
  bool MarksWanted = true;
};

// Which labels and marks a chart shows so that nothing overlaps: every LabelStep-th bar, counted
// from the first bar of the chart, has its axis label; marks show when they fit, flat or
// standing upright, and are left out when they fit neither way.
struct TBarLayout {
  std::size_t LabelStep = 1;
  bool MarksShown = false;
  bool UprightMarks = false;

  // The bars in view that carry a label, in ascending order.
  std::vector<std::size_t> LabelledBars(std::size_t aFirst, std::size_t aLast) const;

  friend bool operator==(const TBarLayout&, const TBarLayout&) = default;
};

// Linear in nothing: the decision takes the widest texts, not every text.
TBarLayout LayOutBars(const TBarLayoutInput& aInput);

// The smallest of 1, 2, 5, 10, 20, 50, ... that is at least aMinimum.
std::size_t NiceLabelStep(double aMinimum);

}  // namespace melquon
