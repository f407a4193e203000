#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/result_map.h"
#include "ui/page_exports.h"

class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class QAction;

namespace melquon {

// «Масштаб»: the scale signature of the last run, closed points c·I or square factor c·I²
// against I for the whole period, beside the run pinned on «Карта»; linear or logarithmic axes.
// Drawn again by its own «Обновить».
class TScalePage : public QWidget {
 public:
  explicit TScalePage(QWidget* aParent);

  void SetRun(std::optional<std::vector<TSignaturePoint>> aPoints, std::string aTitle);
  // The current run becomes the pinned one.
  void Pin();
  void Refresh();
  // Both runs' signatures as CSV.
  std::string DrawnCsv() const;

  // The points drawn, (I, value): what a logarithmic axis can show.
  std::vector<std::pair<double, double>> DrawnCurrent;
  std::vector<std::pair<double, double>> DrawnPinned;

  QComboBox* cbScaleMeasure = nullptr;
  QCheckBox* chkScaleLogX = nullptr;
  QCheckBox* chkScaleLogY = nullptr;
  QPushButton* btnScaleRefresh = nullptr;
  TPageExports ScaleExports;
  QLabel* lblScaleTitle = nullptr;
  QChartView* ScaleChart = nullptr;

 private:
  void ShowChart(QChart* aChart);
  std::vector<std::pair<double, double>> Drawable(const std::vector<TSignaturePoint>& aPoints,
                                                  bool& aLeftOut) const;

  std::optional<std::vector<TSignaturePoint>> current_;
  std::string title_;
  std::optional<std::vector<TSignaturePoint>> pinned_;
  std::string pinnedTitle_;
};

}  // namespace melquon
