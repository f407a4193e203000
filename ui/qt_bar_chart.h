#pragma once

#include <QMetaObject>
#include <QString>
#include <memory>
#include <vector>

#include "ui/bar_layout.h"
#include "ui/chart_adapter.h"

class QBarSeries;
class QBarSet;
class QCategoryAxis;
class QChart;
class QChartView;
class QObject;
class QValueAxis;

namespace melquon {

// The graph page's chart drawn with Qt Charts: one set of blue bars in ascending X order over
// an axis that labels as many of them as fit. Points added between BeginUpdate and EndUpdate
// reach the chart once, at EndUpdate, so that drawing takes time linear in the bars. The view
// zooms into a range of bars with its rubber band or the mouse wheel; a double or right click
// shows all bars again. A bar's tooltip gives its X and its value.
class TQtBarChart : public TChartAdapter {
 public:
  // The chart, its series and axes are created here and owned by aView.
  explicit TQtBarChart(QChartView* aView);
  ~TQtBarChart() override;
  TQtBarChart(const TQtBarChart&) = delete;
  TQtBarChart& operator=(const TQtBarChart&) = delete;

  void Clear() override;
  void AddPoint(double aX, double aY, const std::string& aLabel, TChartColor aColor) override;
  void BeginUpdate() override;
  void EndUpdate() override;
  void SetXDateTime(bool aDateTime) override;
  void ShowMarks(bool aVisible) override;
  void ShowLegend(bool aVisible) override;

  // Shows bars aFirst to aLast (clamped to the bars there are); ZoomReset shows them all.
  void ZoomToBars(double aFirst, double aLast);
  void ZoomReset();

  // The points in ascending X order, as drawn, and each one's axis text.
  const std::vector<TChartPoint>& Points() const { return points_; }
  const std::vector<QString>& AxisLabels() const { return axisLabels_; }
  // Which labels and marks show for the bars in view and the room they have.
  const TBarLayout& Layout() const { return layout_; }
  // The axis texts shown, in ascending order.
  QStringList ShownAxisLabels() const;
  // A bar's tooltip: its X as the axis writes it, and its value.
  QString BarToolTip(std::size_t aIndex) const;

  QChart* Chart() const { return chart_; }
  QBarSeries* Series() const { return series_; }
  QBarSet* Bars() const { return bars_; }
  QCategoryAxis* XAxis() const { return xAxis_; }
  QValueAxis* YAxis() const { return yAxis_; }

 private:
  class ZoomInput;

  QString AxisLabel(const TChartPoint& aPoint) const;
  // Puts every point into the series at once and shows all of them.
  void Redraw();
  void RelabelBars();
  // Labels and marks for the bars in view; called again when the view is resized or zoomed.
  void ApplyLayout();
  TBarLayoutInput LayoutInput() const;
  void UpdateValueAxis();

  QChartView* view_ = nullptr;
  QChart* chart_ = nullptr;
  QBarSeries* series_ = nullptr;
  QBarSet* bars_ = nullptr;
  QCategoryAxis* xAxis_ = nullptr;
  QValueAxis* yAxis_ = nullptr;
  std::unique_ptr<ZoomInput> zoomInput_;
  std::vector<TChartPoint> points_;
  std::vector<QString> axisLabels_;
  // The longest axis label and mark by characters, measured for the layout.
  QString widestLabel_;
  QString widestMark_;
  TBarLayout layout_;
  bool xDateTime_ = false;
  bool marksWanted_ = true;
  int updateDepth_ = 0;
  bool layingOut_ = false;
  std::vector<QMetaObject::Connection> connections_;
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
