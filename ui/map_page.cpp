#include "ui/map_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "runtime/formats.h"
#include "runtime/number_text.h"
#include "ui/widget_helpers.h"

namespace melquon {

namespace {

constexpr int kLabelsLeft = 76;
constexpr int kScaleHeight = 34;
const QColor kNoFile(200, 200, 200);

// A value on the colour scale: 0 at the low end, 1 at the high one; logarithmic on |v| + 1.
double Position(double aValue, std::pair<double, double> aRange, bool aLogarithmic) {
  const auto scaled = [aLogarithmic](double aX) {
    return aLogarithmic ? std::copysign(std::log1p(std::fabs(aX)), aX) : aX;
  };
  const double low = scaled(aRange.first);
  const double high = scaled(aRange.second);
  return high > low ? (scaled(aValue) - low) / (high - low) : 0.0;
}

// White to dark blue; of a difference, blue below zero, white at it, red above.
QColor ColourAt(double aPosition, bool aDifference, double aZero) {
  if (!aDifference) {
    return QColor::fromRgbF(1.0 - 0.9 * aPosition, 1.0 - 0.9 * aPosition, 1.0 - 0.3 * aPosition);
  }
  if (aPosition < aZero) {
    const double t = aZero > 0 ? (aZero - aPosition) / aZero : 0.0;
    return QColor::fromRgbF(1.0 - 0.9 * t, 1.0 - 0.9 * t, 1.0);
  }
  const double t = aZero < 1 ? (aPosition - aZero) / (1 - aZero) : 0.0;
  return QColor::fromRgbF(1.0, 1.0 - 0.9 * t, 1.0 - 0.9 * t);
}

std::string NumberText(double aValue) {
  return FormatGeneral(aValue);
}

}  // namespace

TMapView::TMapView(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("MapView"));
  setMinimumHeight(160);
}

void TMapView::Draw(TResultMap aMap, Measure aMeasure, bool aLogarithmic,
                    std::vector<std::pair<TDateTime, TDayFigures>> aDays) {
  map_ = std::move(aMap);
  measure_ = aMeasure;
  logarithmic_ = aLogarithmic;
  days_ = std::move(aDays);
  const std::size_t rows = map_.Days.size();
  const std::size_t columns = map_.IntervalValues.size();
  range_ = {0.0, 0.0};
  for (std::size_t day = 0; day < rows; ++day) {
    for (std::size_t column = 0; column < columns; ++column) {
      const double value = map_.Value(day, column, measure_);
      range_ = {std::min(range_.first, value), std::max(range_.second, value)};
    }
  }
  const bool difference = range_.first < 0.0;
  const double zero = Position(0.0, range_, logarithmic_);
  cells_ = QImage(static_cast<int>(std::max<std::size_t>(columns, 1)),
                  static_cast<int>(std::max<std::size_t>(rows, 1)), QImage::Format_RGB32);
  cells_.fill(Qt::white);
  for (std::size_t day = 0; day < rows; ++day) {
    auto* line = reinterpret_cast<QRgb*>(cells_.scanLine(static_cast<int>(day)));
    for (std::size_t column = 0; column < columns; ++column) {
      line[column] =
          !map_.DayHasFile[day]
              ? kNoFile.rgb()
              : ColourAt(Position(map_.Value(day, column, measure_), range_, logarithmic_),
                         difference, zero)
                    .rgb();
    }
  }
  update();
}

QRect TMapView::CellsRect() const {
  return QRect(kLabelsLeft, 4, std::max(width() - kLabelsLeft - 8, 1),
               std::max(height() - kScaleHeight - 24, 1));
}

std::string TMapView::CellText(std::size_t aDay, std::size_t aColumn) const {
  const std::int32_t count = map_.Count(aDay, aColumn);
  const std::int32_t interval = map_.IntervalValues[aColumn];
  std::string text =
      DateToStr(map_.Days[aDay]) + ", интервал " + IntToStr(interval) +
      "\nзакрыто позиций: " + IntToStr(count) +
      "\nзакрыто пунктов: " + NumberText(MeasureHeight(count, interval, Measure::ClosedPoints)) +
      "\nКвадратФактор: " + NumberText(MeasureHeight(count, interval, Measure::SquareFactor));
  if (!map_.DayHasFile[aDay])
    return text + "\nфайла дня нет";
  for (const auto& [date, figures] : days_) {
    if (date == map_.Days[aDay] && figures.Ticks > 0) {
      text += "\nтиков: " + IntToStr(figures.Ticks) +
              "; размах: " + NumberText(figures.High - figures.Low) +
              "; реализ. дисперсия: " + NumberText(figures.RealizedVariance);
    }
  }
  return text;
}

void TMapView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (map_.Days.empty() || map_.IntervalValues.empty()) {
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Нажмите «Обновить»"));
    return;
  }
  const QRect cells = CellsRect();
  painter.drawImage(cells, cells_);
  painter.setPen(palette().windowText().color());
  const int rows = static_cast<int>(map_.Days.size());
  const int rowStep = std::max(1, rows * 16 / std::max(cells.height(), 1));
  for (int day = 0; day < rows; day += rowStep) {
    const int y = cells.top() + (2 * day + 1) * cells.height() / (2 * rows);
    painter.drawText(QRect(0, y - 8, kLabelsLeft - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(DateToStr(map_.Days[static_cast<std::size_t>(day)])));
  }
  const int columns = static_cast<int>(map_.IntervalValues.size());
  const int columnStep = std::max(1, columns * 48 / std::max(cells.width(), 1));
  for (int column = 0; column < columns; column += columnStep) {
    const int x = cells.left() + (2 * column + 1) * cells.width() / (2 * columns);
    painter.drawText(QRect(x - 24, cells.bottom() + 2, 48, 16), Qt::AlignCenter,
                     QString::number(map_.IntervalValues[static_cast<std::size_t>(column)]));
  }
  // The colour scale with its two ends.
  const QRect scale(cells.left(), cells.bottom() + 22, cells.width(), 10);
  const bool difference = range_.first < 0.0;
  const double zero = Position(0.0, range_, logarithmic_);
  for (int x = 0; x < scale.width(); ++x) {
    painter.setPen(ColourAt(static_cast<double>(x) / scale.width(), difference, zero));
    painter.drawLine(scale.left() + x, scale.top(), scale.left() + x, scale.bottom());
  }
  painter.setPen(palette().windowText().color());
  painter.drawText(QRect(0, scale.top() - 3, kLabelsLeft - 4, 16), Qt::AlignRight,
                   QString::fromStdString(NumberText(range_.first)));
  painter.drawText(
      QRect(scale.right() - 200, scale.bottom() + 1, 200, 14), Qt::AlignRight,
      QString::fromStdString(NumberText(range_.second) + (logarithmic_ ? " (лог. шкала)" : "")));
}

bool TMapView::event(QEvent* aEvent) {
  if (aEvent->type() != QEvent::ToolTip || map_.Days.empty() || map_.IntervalValues.empty())
    return QWidget::event(aEvent);
  const auto* help = static_cast<QHelpEvent*>(aEvent);
  const QRect cells = CellsRect();
  if (!cells.contains(help->pos())) {
    QToolTip::hideText();
    return true;
  }
  const auto day = static_cast<std::size_t>((help->pos().y() - cells.top()) *
                                            static_cast<int>(map_.Days.size()) / cells.height());
  const auto column =
      static_cast<std::size_t>((help->pos().x() - cells.left()) *
                               static_cast<int>(map_.IntervalValues.size()) / cells.width());
  QToolTip::showText(help->globalPos(), QString::fromStdString(CellText(day, column)), this);
  return true;
}

TMapPage::TMapPage(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("tsMap"));
  cbMapMeasure = MakeChild<QComboBox>(this, "cbMapMeasure");
  cbMapMeasure->addItems({QStringLiteral("Кол-во закрытых"), QStringLiteral("Сумма закрытых"),
                          QStringLiteral("КвадратФактор")});
  cbMapMeasure->setCurrentIndex(1);
  chkMapLog = MakeChild<QCheckBox>(this, "chkMapLog");
  chkMapLog->setText(QStringLiteral("логарифмическая шкала"));
  chkMapDifference = MakeChild<QCheckBox>(this, "chkMapDifference");
  chkMapDifference->setText(QStringLiteral("разница с закреплённым"));
  chkMapDifference->setEnabled(false);
  btnMapPin = MakeChild<QPushButton>(this, "btnMapPin");
  btnMapPin->setText(QStringLiteral("Закрепить"));
  btnMapRefresh = MakeChild<QPushButton>(this, "btnMapRefresh");
  btnMapRefresh->setText(QStringLiteral("Обновить"));
  lblMapTitle = MakeChild<QLabel>(this, "lblMapTitle");
  lblMapTitle->setTextFormat(Qt::PlainText);
  lblMapTitle->setWordWrap(true);
  MapView = MakeOwned<TMapView>(this);
  MapExports = MakePageExports(this, "btnMapExport");
  auto* bar = MakeOwned<QHBoxLayout>();
  for (QWidget* control : std::initializer_list<QWidget*>{
           cbMapMeasure, chkMapLog, chkMapDifference, btnMapPin, btnMapRefresh, MapExports.Button})
    bar->addWidget(control);
  bar->addStretch(1);
  auto* layout = MakeOwned<QVBoxLayout>(this);
  layout->addLayout(bar);
  layout->addWidget(lblMapTitle);
  layout->addWidget(MapView, 1);
  connect(btnMapPin, &QPushButton::clicked, this, [this] { Pin(); });
  connect(btnMapRefresh, &QPushButton::clicked, this, [this] { Refresh(); });
  SetRun(std::nullopt, {}, "");
}

void TMapPage::SetRun(std::optional<TResultMap> aMap, std::vector<TDayFigures> aDays,
                      std::string aTitle) {
  current_ = std::move(aMap);
  days_ = std::move(aDays);
  title_ = std::move(aTitle);
  btnMapPin->setEnabled(current_.has_value());
}

void TMapPage::Pin() {
  if (!current_)
    return;
  pinned_ = current_;
  pinnedTitle_ = title_;
  chkMapDifference->setEnabled(true);
}

void TMapPage::Refresh() {
  if (!current_) {
    lblMapTitle->setText(QStringLiteral("Нет результата расчёта"));
    MapView->Draw({}, Measure::ClosedPoints, false, {});
    return;
  }
  const auto measure = static_cast<Measure>(cbMapMeasure->currentIndex());
  const bool difference = chkMapDifference->isChecked() && pinned_.has_value();
  TResultMap map = difference ? DifferenceMap(*current_, *pinned_) : *current_;
  std::string title = "Текущий расчёт: " + title_;
  if (difference) {
    title += "\nминус закреплённый: " + pinnedTitle_;
    if (map.PartlyShared)
      title += "\nСравниваются только общие дни и интервалы обоих расчётов.";
  } else if (pinned_) {
    title += "\nЗакреплён: " + pinnedTitle_;
  }
  lblMapTitle->setText(QString::fromStdString(title));
  std::vector<std::pair<TDateTime, TDayFigures>> days;
  for (std::size_t i = 0; i < days_.size() && i < current_->Days.size(); ++i)
    days.emplace_back(current_->Days[i], days_[i]);
  drawnDifference_ = difference;
  MapView->Draw(std::move(map), measure, chkMapLog->isChecked(), std::move(days));
}

std::string TMapPage::DrawnCsv() const {
  return MapCsv(MapView->Map(), drawnDifference_);
}

}  // namespace melquon
