#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/csv_format.h"
#include "engine/day_figures.h"
#include "engine/move_table.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

namespace melquon {

// The page of a run's counted moves and day figures: the moves filtered by interval value and by
// day, the rows shown exported as the CSV melquon-cli --events writes; below, one row of figures
// for every day. Its controls are public fields under their object names.
class TMovesPage : public QWidget {
 public:
  // The most moves a run keeps for the page: about 40 MB; the rest are counted only.
  static constexpr std::size_t kMostMovesKept = 1'000'000;

  explicit TMovesPage(QWidget* aParent);
  ~TMovesPage() override;

  // The tables of a completed run over aIntervalValues.
  void ShowRun(const TMoveRowsCollector& aMoves, const TDayFiguresCollector& aDays,
               const std::vector<std::int32_t>& aIntervalValues);
  // No run to show.
  void Clear();
  // The rows shown, as the export writes them.
  std::string ShownCsv() const;
  // Asks for a file (UiHooks().SaveFileName) and writes the rows shown to it.
  void ExportShown();

  // What the export offers as a file name and the CSV format it writes in; set by the window.
  std::function<std::string()> SuggestedName = [] { return std::string("moves.csv"); };
  std::function<TCsvFormat()> CsvFormat = [] { return TCsvFormat{}; };

  QComboBox* cbMovesInterval = nullptr;
  QComboBox* cbMovesDay = nullptr;
  QPushButton* btnExportMoves = nullptr;
  QLabel* lblMovesCount = nullptr;
  QTableView* tvMoves = nullptr;
  QTableWidget* twDayFigures = nullptr;

 private:
  class Model;

  void ApplyFilter();
  void ShowDays(const TDayFiguresCollector& aDays);

  Model* model_ = nullptr;
  TDateTime dateFrom_ = 0.0;
  std::vector<TMoveRow> rows_;
  std::int64_t total_ = 0;
  std::vector<std::int32_t> shown_;
};

}  // namespace melquon
