#include "ui/qt_bar_chart.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QLegend>
#include <QMouseEvent>
#include <QSet>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "runtime/formats.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

// Room above the highest bar for its mark, as a share of the values' span; enough for a
// mark standing upright.
constexpr double kMarkRoom = 0.15;
// Enough significant digits for any product of two 32-bit values that a double holds exactly.
constexpr int kMarkPrecision = 15;
// One notch of the mouse wheel shows this share of the bars in view, or this many times them.
constexpr double kWheelZoom = 0.8;
// Fewer bars than this are never zoomed into: the view would be one wide bar.
constexpr double kFewestBarsInView = 2.0;

QString MarkText(double aValue) {
  return QString::number(aValue, 'g', kMarkPrecision);
}

const QString& Longer(const QString& aOne, const QString& aOther) {
  return aOther.size() > aOne.size() ? aOther : aOne;
}

}  // namespace

// Wheel and clicks on the view: the wheel zooms around the bar under the mouse, a double or
// right click shows every bar again (the view's rubber band zooms by itself).
class TQtBarChart::ZoomInput : public QObject {
 public:
  explicit ZoomInput(TQtBarChart& aChart) : chart_(aChart) {}

 protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override {
    switch (aEvent->type()) {
      case QEvent::Wheel:
        Wheel(*static_cast<QWheelEvent*>(aEvent));
        return true;
      case QEvent::MouseButtonDblClick:
        chart_.ZoomReset();
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(aEvent)->button() == Qt::RightButton) {
          if (aEvent->type() == QEvent::MouseButtonRelease) {
            chart_.ZoomReset();
          }
          return true;
        }
        break;
      default:
        break;
    }
    return QObject::eventFilter(aWatched, aEvent);
  }

 private:
  void Wheel(const QWheelEvent& aEvent) {
    const int notches = aEvent.angleDelta().y() / 120;
    if (notches == 0 || chart_.points_.empty()) {
      return;
    }
    const QPointF scenePoint = chart_.view_->mapToScene(aEvent.position().toPoint());
    const double atBar =
        chart_.chart_->mapToValue(chart_.chart_->mapFromScene(scenePoint), chart_.series_).x();
    const double factor = std::pow(kWheelZoom, notches);
    const double first = atBar - (atBar - chart_.xAxis_->min()) * factor;
    const double last = atBar + (chart_.xAxis_->max() - atBar) * factor;
    chart_.ZoomToBars(first + 0.5, last - 0.5);
  }

  TQtBarChart& chart_;
};

TQtBarChart::TQtBarChart(QChartView* aView) : view_(aView) {
  auto chart = std::make_unique<QChart>();
  chart_ = chart.get();
  aView->setChart(chart.release());
  aView->setRenderHint(QPainter::Antialiasing);
  aView->setRubberBand(QChartView::HorizontalRubberBand);
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

  // Bars stand at 0, 1, 2, ...; the axis writes the labels of the bars that have room for one.
  auto xAxis = std::make_unique<QCategoryAxis>();
  xAxis_ = xAxis.get();
  xAxis_->setObjectName(QStringLiteral("X"));
  xAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  xAxis_->setGridLineVisible(false);
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

  zoomInput_ = std::make_unique<ZoomInput>(*this);
  aView->viewport()->installEventFilter(zoomInput_.get());
  connections_ = {
      QObject::connect(chart_, &QChart::plotAreaChanged, [this] { ApplyLayout(); }),
      QObject::connect(xAxis_, &QValueAxis::rangeChanged, [this] { ApplyLayout(); }),
      QObject::connect(series_, &QBarSeries::hovered, [this](bool aOver, int aIndex, QBarSet*) {
        if (aOver && aIndex >= 0) {
          QToolTip::showText(QCursor::pos(), BarToolTip(static_cast<std::size_t>(aIndex)), view_);
        } else {
          QToolTip::hideText();
        }
      })};
  Redraw();
}

TQtBarChart::~TQtBarChart() {
  for (const QMetaObject::Connection& connection : connections_) {
    QObject::disconnect(connection);
  }
  view_->viewport()->removeEventFilter(zoomInput_.get());
}

void TQtBarChart::Clear() {
  points_.clear();
  if (updateDepth_ == 0) {
    Redraw();
  }
}

void TQtBarChart::AddPoint(double aX, double aY, const std::string& aLabel, TChartColor aColor) {
  // Points mostly come in ascending order: the search then ends at the back.
  const auto at = points_.empty() || points_.back().X <= aX
                      ? points_.end()
                      : std::upper_bound(points_.begin(), points_.end(), aX,
                                         [](double x, const TChartPoint& p) { return x < p.X; });
  // One bar set draws every bar in the series colour; a point's own colour is kept only.
  points_.insert(at, TChartPoint{aX, aY, aLabel, aColor});
  if (updateDepth_ == 0) {
    Redraw();
  }
}

void TQtBarChart::BeginUpdate() {
  ++updateDepth_;
}

void TQtBarChart::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) {
    Redraw();
  }
}

void TQtBarChart::SetXDateTime(bool aDateTime) {
  if (aDateTime == xDateTime_) {
    return;
  }
  xDateTime_ = aDateTime;
  // Dates are long; standing upright they don't run into each other.
  xAxis_->setLabelsAngle(aDateTime ? -90 : 0);
  if (updateDepth_ == 0) {
    RelabelBars();
    ApplyLayout();
  }
}

void TQtBarChart::ShowMarks(bool aVisible) {
  marksWanted_ = aVisible;
  ApplyLayout();
}

void TQtBarChart::ShowLegend(bool aVisible) {
  chart_->legend()->setVisible(aVisible);
}

void TQtBarChart::ZoomToBars(double aFirst, double aLast) {
  const double lastBar = static_cast<double>(points_.size()) - 1.0;
  double first = std::max(aFirst, 0.0);
  double last = std::min(aLast, lastBar);
  if (last - first < kFewestBarsInView - 1.0) {
    const double middle = (first + last) / 2.0;
    first = std::max(middle - (kFewestBarsInView - 1.0) / 2.0, 0.0);
    last = std::min(first + kFewestBarsInView - 1.0, lastBar);
  }
  if (!(first <= last)) {
    ZoomReset();
    return;
  }
  xAxis_->setRange(first - 0.5, last + 0.5);
}

void TQtBarChart::ZoomReset() {
  if (points_.empty()) {
    xAxis_->setRange(0.0, 1.0);
  } else {
    xAxis_->setRange(-0.5, static_cast<double>(points_.size()) - 0.5);
  }
}

QStringList TQtBarChart::ShownAxisLabels() const {
  return xAxis_->categoriesLabels();
}

QString TQtBarChart::BarToolTip(std::size_t aIndex) const {
  if (aIndex >= points_.size()) {
    return {};
  }
  return AxisLabel(points_[aIndex]) + QStringLiteral(": ") +
         QString::fromStdString(FormatGeneral(points_[aIndex].Y));
}

QString TQtBarChart::AxisLabel(const TChartPoint& aPoint) const {
  if (!aPoint.Label.empty()) {
    return QString::fromStdString(aPoint.Label);
  }
  return QString::fromStdString(xDateTime_ ? DateToStr(aPoint.X) : FormatGeneral(aPoint.X));
}

void TQtBarChart::Redraw() {
  QList<qreal> values;
  values.reserve(static_cast<qsizetype>(points_.size()));
  widestMark_.clear();
  for (const TChartPoint& point : points_) {
    values.append(point.Y);
    widestMark_ = Longer(widestMark_, MarkText(point.Y));
  }
  // Each change of the bar set relays the chart out: one removal and one append, whatever
  // the number of bars.
  bars_->remove(0, bars_->count());
  bars_->append(values);
  RelabelBars();
  UpdateValueAxis();
  ZoomReset();
  ApplyLayout();
}

void TQtBarChart::RelabelBars() {
  axisLabels_.clear();
  axisLabels_.reserve(points_.size());
  widestLabel_.clear();
  // Two points that would read alike are told apart by an invisible character, so that each
  // label names one bar.
  QSet<QString> seen;
  for (const TChartPoint& point : points_) {
    QString label = AxisLabel(point);
    while (seen.contains(label)) {
      label += QChar(0x200B);
    }
    seen.insert(label);
    widestLabel_ = Longer(widestLabel_, label);
    axisLabels_.push_back(std::move(label));
  }
}

TBarLayoutInput TQtBarChart::LayoutInput() const {
  TBarLayoutInput input;
  input.BarCount = points_.size();
  if (points_.empty()) {
    return input;
  }
  const double lastBar = static_cast<double>(points_.size() - 1);
  input.First = static_cast<std::size_t>(std::clamp(std::ceil(xAxis_->min()), 0.0, lastBar));
  input.Last = static_cast<std::size_t>(std::clamp(std::floor(xAxis_->max()), 0.0, lastBar));
  input.PlotWidth = chart_->plotArea().width();
  const QFontMetrics labelMetrics(xAxis_->labelsFont());
  const QFontMetrics markMetrics(bars_->labelFont());
  input.LabelWidth = labelMetrics.horizontalAdvance(widestLabel_);
  input.MarkWidth = markMetrics.horizontalAdvance(widestMark_);
  input.LineHeight = std::max(labelMetrics.height(), markMetrics.height());
  input.UprightLabels = xDateTime_;
  input.MarksWanted = marksWanted_;
  return input;
}

void TQtBarChart::ApplyLayout() {
  // Changing the labels changes the room they take, which moves the plot area again.
  if (layingOut_) {
    return;
  }
  layingOut_ = true;
  const TBarLayoutInput input = LayoutInput();
  layout_ = LayOutBars(input);
  const std::vector<std::size_t> labelled =
      points_.empty() ? std::vector<std::size_t>{} : layout_.LabelledBars(input.First, input.Last);
  QStringList shown;
  for (const std::size_t bar : labelled) {
    shown.append(axisLabels_[bar]);
  }
  if (shown != xAxis_->categoriesLabels()) {
    for (const QString& label : xAxis_->categoriesLabels()) {
      xAxis_->remove(label);
    }
    xAxis_->setStartValue(-0.5);
    for (std::size_t i = 0; i < labelled.size(); ++i) {
      xAxis_->append(shown[static_cast<qsizetype>(i)], static_cast<double>(labelled[i]));
    }
  }
  series_->setLabelsVisible(layout_.MarksShown);
  series_->setLabelsAngle(layout_.UprightMarks ? -90.0 : 0.0);
  layingOut_ = false;
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
