#include "ui/scale_page.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <memory>

#include "ui/widget_helpers.h"

namespace melquon {

namespace {

QAbstractAxis* MakeAxis(bool aLogarithmic, const QString& aTitle) {
  QAbstractAxis* axis = nullptr;
  if (aLogarithmic) {
    auto* log = MakeOwned<QLogValueAxis>();
    log->setLabelFormat(QStringLiteral("%g"));
    log->setMinorTickCount(-1);
    axis = log;
  } else {
    auto* linear = MakeOwned<QValueAxis>();
    linear->setLabelFormat(QStringLiteral("%g"));
    axis = linear;
  }
  axis->setTitleText(aTitle);
  return axis;
}

}  // namespace

TScalePage::TScalePage(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("tsScale"));
  cbScaleMeasure = MakeChild<QComboBox>(this, "cbScaleMeasure");
  cbScaleMeasure->addItems(
      {QStringLiteral("Сумма закрытых c·I"), QStringLiteral("КвадратФактор c·I²")});
  chkScaleLogX = MakeChild<QCheckBox>(this, "chkScaleLogX");
  chkScaleLogX->setText(QStringLiteral("лог. ось интервалов"));
  chkScaleLogY = MakeChild<QCheckBox>(this, "chkScaleLogY");
  chkScaleLogY->setText(QStringLiteral("лог. ось значений"));
  btnScaleRefresh = MakeChild<QPushButton>(this, "btnScaleRefresh");
  btnScaleRefresh->setText(QStringLiteral("Обновить"));
  lblScaleTitle = MakeChild<QLabel>(this, "lblScaleTitle");
  lblScaleTitle->setTextFormat(Qt::PlainText);
  lblScaleTitle->setWordWrap(true);
  ScaleChart = MakeChild<QChartView>(this, "ScaleChart");
  ScaleChart->setRenderHint(QPainter::Antialiasing);
  ScaleExports = MakePageExports(this, "btnScaleExport");
  auto* bar = MakeOwned<QHBoxLayout>();
  for (QWidget* control : std::initializer_list<QWidget*>{
           cbScaleMeasure, chkScaleLogX, chkScaleLogY, btnScaleRefresh, ScaleExports.Button})
    bar->addWidget(control);
  bar->addStretch(1);
  auto* layout = MakeOwned<QVBoxLayout>(this);
  layout->addLayout(bar);
  layout->addWidget(lblScaleTitle);
  layout->addWidget(ScaleChart, 1);
  connect(btnScaleRefresh, &QPushButton::clicked, this, [this] { Refresh(); });
}

void TScalePage::SetRun(std::optional<std::vector<TSignaturePoint>> aPoints, std::string aTitle) {
  current_ = std::move(aPoints);
  title_ = std::move(aTitle);
}

void TScalePage::Pin() {
  if (current_) {
    pinned_ = current_;
    pinnedTitle_ = title_;
  }
}

// A logarithmic axis shows no value at or below zero: such points are left out, and said so.
std::vector<std::pair<double, double>> TScalePage::Drawable(
    const std::vector<TSignaturePoint>& aPoints, bool& aLeftOut) const {
  const bool squares = cbScaleMeasure->currentIndex() == 1;
  std::vector<std::pair<double, double>> points;
  for (const TSignaturePoint& point : aPoints) {
    const double x = point.IntervalValue;
    const double y = squares ? point.SquareFactor : point.ClosedPoints;
    if ((chkScaleLogX->isChecked() && !(x > 0)) || (chkScaleLogY->isChecked() && !(y > 0))) {
      aLeftOut = true;
      continue;
    }
    points.emplace_back(x, y);
  }
  return points;
}

void TScalePage::Refresh() {
  QChart* chart = MakeOwned<QChart>();
  chart->legend()->setAlignment(Qt::AlignBottom);
  DrawnCurrent.clear();
  DrawnPinned.clear();
  if (!current_) {
    lblScaleTitle->setText(QStringLiteral("Нет результата расчёта"));
    ShowChart(chart);
    return;
  }
  bool leftOut = false;
  DrawnCurrent = Drawable(*current_, leftOut);
  if (pinned_)
    DrawnPinned = Drawable(*pinned_, leftOut);
  QAbstractAxis* x = MakeAxis(chkScaleLogX->isChecked(), QStringLiteral("интервал I"));
  QAbstractAxis* y = MakeAxis(chkScaleLogY->isChecked(), cbScaleMeasure->currentText());
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  const auto addSeries = [&](const std::vector<std::pair<double, double>>& aPoints,
                             const QString& aName, const QColor& aColour) {
    auto* series = MakeOwned<QLineSeries>();
    series->setName(aName);
    series->setColor(aColour);
    for (const auto& [px, py] : aPoints)
      series->append(px, py);
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
  };
  addSeries(DrawnCurrent, QStringLiteral("текущий"), Qt::blue);
  std::string title = "Текущий (синий): " + title_;
  if (pinned_) {
    addSeries(DrawnPinned, QStringLiteral("закреплённый"), Qt::red);
    title += "\nЗакреплённый (красный): " + pinnedTitle_;
  }
  if (leftOut)
    title += "\nТочки с нулём не видны на логарифмической оси.";
  lblScaleTitle->setText(QString::fromStdString(title));
  ShowChart(chart);
}

std::string TScalePage::DrawnCsv() const {
  return current_ ? SignatureCsv(*current_, pinned_ ? &*pinned_ : nullptr) : std::string();
}

// The view leaves its previous chart to its caller.
void TScalePage::ShowChart(QChart* aChart) {
  const std::unique_ptr<QChart> previous(ScaleChart->chart());
  ScaleChart->setChart(aChart);
}

}  // namespace melquon
