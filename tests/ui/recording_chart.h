#pragma once

#include <vector>

#include "ui/chart_adapter.h"

namespace melquon::test {

// Records what the graph page asks of its chart; points stay in the order they were added.
class TRecordingChart : public TChartAdapter {
 public:
  void Clear() override {
    ++Clears;
    Points.clear();
  }
  void AddPoint(double aX, double aY, const std::string& aLabel, TChartColor aColor) override {
    Points.push_back({aX, aY, aLabel, aColor});
  }
  void SetXDateTime(bool aDateTime) override { XDateTime = aDateTime; }
  void ShowMarks(bool aVisible) override { MarksVisible = aVisible; }
  void ShowLegend(bool aVisible) override { LegendVisible = aVisible; }

  int Clears = 0;
  std::vector<TChartPoint> Points;
  bool XDateTime = false;
  bool MarksVisible = false;
  bool LegendVisible = true;
};

}  // namespace melquon::test
