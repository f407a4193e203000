#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "engine/day_figures.h"
#include "engine/result_map.h"
#include "ui/page_exports.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class QAction;

namespace melquon {

// The picture of a map: a cell a day and interval value, coloured by its measure; the colour
// scale below; a cell's figures as its tooltip.
class TMapView : public QWidget {
 public:
  explicit TMapView(QWidget* aParent);

  // What to draw: a copy is kept. aDays: the day figures of the map's days, by date.
  void Draw(TResultMap aMap, Measure aMeasure, bool aLogarithmic,
            std::vector<std::pair<TDateTime, TDayFigures>> aDays);
  const TResultMap& Map() const { return map_; }
  const QImage& Cells() const { return cells_; }
  // The tooltip of the cell of day row aDay and column aColumn.
  std::string CellText(std::size_t aDay, std::size_t aColumn) const;
  // The lowest and highest value drawn.
  std::pair<double, double> Range() const { return range_; }

 protected:
  void paintEvent(QPaintEvent* aEvent) override;
  bool event(QEvent* aEvent) override;

 private:
  QRect CellsRect() const;

  TResultMap map_;
  Measure measure_ = Measure::ClosedPoints;
  bool logarithmic_ = false;
  std::vector<std::pair<TDateTime, TDayFigures>> days_;
  std::pair<double, double> range_{0.0, 0.0};
  QImage cells_;
};

// «Карта»: the current result as a day × interval map, or its difference from a pinned run. It
// keeps its own copy of what it draws and is drawn again by its own «Обновить».
class TMapPage : public QWidget {
 public:
  explicit TMapPage(QWidget* aParent);

  // The last run's map and day figures, drawn at the next «Обновить»; nothing when aMap is none.
  void SetRun(std::optional<TResultMap> aMap, std::vector<TDayFigures> aDays, std::string aTitle);
  // «Закрепить»: the current run is kept to compare the next ones with.
  void Pin();
  void Refresh();
  // What is drawn, as CSV.
  std::string DrawnCsv() const;

  QComboBox* cbMapMeasure = nullptr;
  QCheckBox* chkMapLog = nullptr;
  QCheckBox* chkMapDifference = nullptr;
  QPushButton* btnMapPin = nullptr;
  QPushButton* btnMapRefresh = nullptr;
  // The picture as PNG or SVG, what is drawn as CSV (DrawnCsv).
  TPageExports MapExports;
  QLabel* lblMapTitle = nullptr;
  TMapView* MapView = nullptr;

 private:
  std::optional<TResultMap> current_;
  std::vector<TDayFigures> days_;
  std::string title_;
  std::optional<TResultMap> pinned_;
  std::string pinnedTitle_;
  bool drawnDifference_ = false;
};

}  // namespace melquon
