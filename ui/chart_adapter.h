#pragma once

#include <cstdint>
#include <string>

namespace melquon {

// An RGB colour (0xRRGGBB), or kSeriesColor for the series' own colour.
using TChartColor = std::uint32_t;
inline constexpr TChartColor kSeriesColor = 0xFF000000u;

struct TChartPoint {
  double X = 0.0;
  double Y = 0.0;
  std::string Label;
  TChartColor Color = kSeriesColor;
};

// What the graph page needs of its chart: one bar series that keeps its points in ascending
// X order whatever the order in which they are added.
class TChartAdapter {
 public:
  virtual ~TChartAdapter() = default;

  // Empties the series of all its points at once.
  virtual void Clear() = 0;
  // An empty label lets the axis label the bar by its X value.
  virtual void AddPoint(double aX, double aY, const std::string& aLabel, TChartColor aColor) = 0;
  // Points added from BeginUpdate to EndUpdate may reach the drawing all at once at the end.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
  // With date-times the horizontal axis labels its values as dates, otherwise as numbers.
  virtual void SetXDateTime(bool aDateTime) = 0;
  // A mark with its value over each bar.
  virtual void ShowMarks(bool aVisible) = 0;
  // The chart never has a title; the legend is its only caption.
  virtual void ShowLegend(bool aVisible) = 0;
};

}  // namespace melquon
