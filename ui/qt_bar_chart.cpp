#include "ui/qt_bar_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFontMetrics>
#include <QLegend>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <memory>

#include "runtime/formats.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

// Room above the highest bar for its mark, as a share of the values' span; enough for a
// mark standing upright.
constexpr double kMarkRoom = 0.15;
// Enough significant digits for any product of two 32-bit values that a double holds exactly.
constexpr int kMarkPrecision = 15;

}  // namespace

TQtBarChart::TQtBarChart(QChartView* aView) {
  auto chart = std::make_unique<QChart>();
  chart_ = chart.get();
  aView->setChart(chart.release());
  aView->setRenderHint(QPainter::Antialiasing);
  chart_->setAnimationOptions(QChart::NoAnimation);
  chart_->setBackgroundRoundness(0);
  chart_->setDropShadowEnabled(false);

  auto bars = std::make_unique<QBarSet>(QStringLiteral("Bar"));
  bars_ = bars.get();
  bars_->setColor(Qt::blue);
  bars_->setBorderColor(Qt::blue);
  bars_->setLabelColor(Qt::black);

  auto series = std::make_unique<QBarSeries>();
  series_ = series.get();
  series_->setObjectName(QStringLiteral("Series1"));
  series_->append(bars.release());
  series_->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
  series_->setLabelsFormat(QStringLiteral("@value"));
  series_->setLabelsPrecision(kMarkPrecision);
  chart_->addSeries(series.release());

  auto xAxis = std::make_unique<QBarCategoryAxis>();
  xAxis_ = xAxis.get();
  xAxis_->setObjectName(QStringLiteral("X"));
  chart_->addAxis(xAxis.release(), Qt::AlignBottom);
  series_->attachAxis(xAxis_);

  auto yAxis = std::make_unique<QValueAxis>();
  yAxis_ = yAxis.get();
  yAxis_->setObjectName(QStringLiteral("Bar"));
  yAxis_->setLabelFormat(QStringLiteral("%.0f"));
  yAxis_->setTickType(QValueAxis::TicksDynamic);
  yAxis_->setTickAnchor(0.0);
  chart_->addAxis(yAxis.release(), Qt::AlignLeft);
  series_->attachAxis(yAxis_);
  UpdateValueAxis();
  plotAreaWatch_ =
      QObject::connect(chart_, &QChart::plotAreaChanged, [this] { UpdateMarkAngle(); });
}

TQtBarChart::~TQtBarChart() {
  QObject::disconnect(plotAreaWatch_);
}

void TQtBarChart::Clear() {
  points_.clear();
  bars_->remove(0, bars_->count());
  xAxis_->clear();
  UpdateValueAxis();
  UpdateMarkAngle();
}

void TQtBarChart::AddPoint(double aX, double aY, const std::string& aLabel, TChartColor aColor) {
  const TChartPoint point{aX, aY, aLabel, aColor};
  const auto at = std::upper_bound(points_.begin(), points_.end(), aX,
                                   [](double x, const TChartPoint& p) { return x < p.X; });
  const auto index = static_cast<int>(at - points_.begin());
  // One bar set draws every bar in the series colour; a point's own colour is kept only.
  const QString label = UniqueAxisLabel(point);
  points_.insert(at, point);
  bars_->insert(index, aY);
  xAxis_->insert(index, label);
  UpdateValueAxis();
  UpdateMarkAngle();
}

void TQtBarChart::SetXDateTime(bool aDateTime) {
  if (aDateTime == xDateTime_) {
    return;
  }
  xDateTime_ = aDateTime;
  // Dates are long; standing upright they don't run into each other.
  xAxis_->setLabelsAngle(aDateTime ? -90 : 0);
  RelabelXAxis();
}

void TQtBarChart::ShowMarks(bool aVisible) {
  series_->setLabelsVisible(aVisible);
}

void TQtBarChart::ShowLegend(bool aVisible) {
  chart_->legend()->setVisible(aVisible);
}

QString TQtBarChart::AxisLabel(const TChartPoint& aPoint) const {
  if (!aPoint.Label.empty()) {
    return QString::fromStdString(aPoint.Label);
  }
  return QString::fromStdString(xDateTime_ ? DateToStr(aPoint.X) : FormatGeneral(aPoint.X));
}

QString TQtBarChart::UniqueAxisLabel(const TChartPoint& aPoint) const {
  // The category axis refuses a category it already holds; two points that would read alike
  // are told apart by an invisible character.
  QString label = AxisLabel(aPoint);
  while (xAxis_->categories().contains(label)) {
    label += QChar(0x200B);
  }
  return label;
}

void TQtBarChart::RelabelXAxis() {
  xAxis_->clear();
  for (const TChartPoint& point : points_) {
    xAxis_->append(UniqueAxisLabel(point));
  }
}

void TQtBarChart::UpdateValueAxis() {
  double lowest = 0.0;
  double highest = 0.0;
  for (const TChartPoint& point : points_) {
    lowest = std::min(lowest, point.Y);
    highest = std::max(highest, point.Y);
  }
  const TValueRange range = ValueAxisRange(lowest, highest);
  yAxis_->setTickInterval(range.Step);
  yAxis_->setRange(range.Bottom, range.Top);
}

void TQtBarChart::UpdateMarkAngle() {
  // Marks wider than their bar's slot would run into each other; upright they don't.
  if (points_.empty()) {
    return;
  }
  const QFontMetrics metrics(bars_->labelFont());
  int widest = 0;
  for (const TChartPoint& point : points_) {
    widest =
        std::max(widest, metrics.horizontalAdvance(QString::number(point.Y, 'g', kMarkPrecision)));
  }
  const double slot = chart_->plotArea().width() / static_cast<double>(points_.size());
  series_->setLabelsAngle(widest > slot * 0.9 ? -90.0 : 0.0);
}

TValueRange ValueAxisRange(double aLowest, double aHighest) {
  const double low = std::min(aLowest, 0.0);
  const double high = std::max(aHighest, 0.0);
  const double room = (high - low) * kMarkRoom;
  const double step = NiceTickStep(high - low + 2.0 * room);
  TValueRange range;
  range.Step = step;
  range.Bottom = low < 0.0 ? std::floor((low - room) / step) * step : 0.0;
  range.Top = std::max(std::ceil((high + room) / step) * step, step);
  return range;
}

double NiceTickStep(double aSpan) {
  constexpr double kTicks = 5.0;
  const double raw = aSpan / kTicks;
  if (!(raw > 1.0) || !std::isfinite(raw)) {
    return 1.0;
  }
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double fraction = raw / magnitude;
  const double nice = fraction <= 1.0 ? 1.0 : fraction <= 2.0 ? 2.0 : fraction <= 5.0 ? 5.0 : 10.0;
  return nice * magnitude;
}

}  // namespace melquon
