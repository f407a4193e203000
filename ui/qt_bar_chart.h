#pragma once

#include <QMetaObject>
#include <QString>
#include <vector>

#include "ui/chart_adapter.h"

class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QChart;
class QChartView;
class QValueAxis;

namespace melquon {

// The graph page's chart drawn with Qt Charts: one bar set of blue bars over a category axis
// whose categories are the points' X values in ascending order.
class TQtBarChart : public TChartAdapter {
 public:
  // The chart, its series and axes are created here and owned by aView.
  explicit TQtBarChart(QChartView* aView);
  ~TQtBarChart() override;
  TQtBarChart(const TQtBarChart&) = delete;
  TQtBarChart& operator=(const TQtBarChart&) = delete;

  void Clear() override;
  void AddPoint(double aX, double aY, const std::string& aLabel, TChartColor aColor) override;
  void SetXDateTime(bool aDateTime) override;
  void ShowMarks(bool aVisible) override;
  void ShowLegend(bool aVisible) override;

  // The points in ascending X order, as drawn.
  const std::vector<TChartPoint>& Points() const { return points_; }
  QChart* Chart() const { return chart_; }
  QBarSeries* Series() const { return series_; }
  QBarSet* Bars() const { return bars_; }
  QBarCategoryAxis* XAxis() const { return xAxis_; }
  QValueAxis* YAxis() const { return yAxis_; }

 private:
  QString AxisLabel(const TChartPoint& aPoint) const;
  QString UniqueAxisLabel(const TChartPoint& aPoint) const;
  void RelabelXAxis();
  void UpdateValueAxis();
  void UpdateMarkAngle();

  QChart* chart_ = nullptr;
  QBarSeries* series_ = nullptr;
  QBarSet* bars_ = nullptr;
  QBarCategoryAxis* xAxis_ = nullptr;
  QValueAxis* yAxis_ = nullptr;
  std::vector<TChartPoint> points_;
  bool xDateTime_ = false;
  QMetaObject::Connection plotAreaWatch_;
};

// A tick step of 1, 2 or 5 times a power of ten, at least 1, giving about five ticks.
double NiceTickStep(double aSpan);

// The value axis from 0 (or below the lowest value) to a tick above the highest value that
// leaves room for the marks over the bars.
struct TValueRange {
  double Bottom = 0.0;
  double Top = 1.0;
  double Step = 1.0;
  friend bool operator==(const TValueRange&, const TValueRange&) = default;
};
TValueRange ValueAxisRange(double aLowest, double aHighest);

}  // namespace melquon
