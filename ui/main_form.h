#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "engine/csv_format.h"
#include "engine/measures.h"
#include "engine/run_summary.h"
#include "ui/chart_adapter.h"
#include "ui/page_exports.h"

class QAction;
class QBarSeries;
class QButtonGroup;
class QCheckBox;
class QChartView;
class QComboBox;
class QFrame;
class QKeySequence;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace melquon {

class TDatePicker;
class TMapPage;
class TMovesPage;
class TScalePage;
class TQtBarChart;
class TVolatilityRes;

// The program's one window. Its controls are public fields under their design names; each
// control's object name is its field name.
class TfrmMain : public QMainWindow {
 public:
  struct TOptions {
    // Empty: the settings file beside the executable.
    std::string IniFileName;
    // Empty: the graph page draws with Qt Charts into Chart.
    std::unique_ptr<TChartAdapter> Chart;
  };

  // Creating the window runs FormCreate; an error there is reported and the window opens
  // all the same.
  explicit TfrmMain(TOptions aOptions = {});
  ~TfrmMain() override;

  // Handlers, named control plus event.
  void FormCreate();
  void FormDestroy();
  void ShowSettings();
  void acStartExecute();
  void acLoadINIExecute();
  void acSaveINIExecute();
  void lblLinkClick();
  void lblLinkMouseEnter();
  void lblLinkMouseLeave();
  void lblAboutClick();
  void tsGraphShow();
  void sbtnForDateClick();
  void sbtnAllPeriodClick();
  void sbtnIntervalByDatesClick();
  void acRefreshGraphExecute();
  void sbtnTestPatternClick();
  void sbtnSaveReportClick();
  void sbtnSaveCsvClick();
  void acChartPngExecute();
  void acChartSvgExecute();
  void acChartCopyExecute();
  // The CSV format the report page's choice gives.
  TCsvFormat CsvFormat() const;

  // The Qt Charts drawing behind Chart, whichever adapter the graph page uses.
  TQtBarChart& QtChart() const { return *qtChart_; }

  QTabWidget* pc = nullptr;
  QWidget* tsMain = nullptr;
  QWidget* tsSettings = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QToolButton* sbtnSave = nullptr;
  QToolButton* sbtnLoad = nullptr;
  // Opens the pattern tester on the page's text as it stands.
  QToolButton* sbtnTestPattern = nullptr;
  QPlainTextEdit* memIni = nullptr;
  // Holds the window's four actions as its children.
  QObject* AL = nullptr;
  QAction* acLoadINI = nullptr;
  QAction* acSaveINI = nullptr;
  TDatePicker* dtpFrom = nullptr;
  TDatePicker* dtpTo = nullptr;
  QLineEdit* leContract = nullptr;
  QLineEdit* leIntervalFrom = nullptr;
  QLineEdit* leIntervalTo = nullptr;
  QLineEdit* leIntervalStep = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* btnStart = nullptr;
  QAction* acStart = nullptr;
  QWidget* tsGraph = nullptr;
  QToolBar* ToolBar2 = nullptr;
  QToolButton* sbtnForDate = nullptr;
  QToolButton* sbtnAllPeriod = nullptr;
  QToolButton* sbtnIntervalByDates = nullptr;
  QComboBox* cbByInterval = nullptr;
  QFrame* ToolButton1 = nullptr;
  QToolButton* sbtnClosedCnt = nullptr;
  QToolButton* sbtnClosedSumm = nullptr;
  QToolButton* sbtnKFactor = nullptr;
  QToolButton* sbtnRefresh = nullptr;
  QFrame* ToolButton2 = nullptr;
  // The chart's exports, in the menu of the last tool button.
  QToolButton* sbtnChartExport = nullptr;
  QAction* acChartPng = nullptr;
  QAction* acChartSvg = nullptr;
  QAction* acChartCopy = nullptr;
  QChartView* Chart = nullptr;
  // Why the last Start failed, between the tool bar and the chart; hidden after a good one.
  QLabel* lblGraphFailure = nullptr;
  TDatePicker* dtpForDate = nullptr;
  QAction* acRefreshGraph = nullptr;
  QBarSeries* Series1 = nullptr;
  QWidget* tsReport = nullptr;
  QPlainTextEdit* memReport = nullptr;
  // The report page's exports: the report file's bytes and the CSV of melquon-cli, with the
  // CSV's separator and decimal choice.
  QToolBar* ToolBar3 = nullptr;
  QToolButton* sbtnSaveReport = nullptr;
  QToolButton* sbtnSaveCsv = nullptr;
  QComboBox* cbCsvSeparator = nullptr;
  QCheckBox* chkCsvDecimal = nullptr;
  QFrame* ToolButton3 = nullptr;
  QFrame* ToolButton4 = nullptr;
  QLabel* lblLink = nullptr;
  // The link's neighbour: the program's name, version and folders.
  QLabel* lblAbout = nullptr;
  // The fifth page: the counted moves and day figures of the last run.
  TMovesPage* tsMoves = nullptr;
  // The sixth: the day × interval map of the last run, and of its difference from a pinned one.
  TMapPage* tsMap = nullptr;
  // The seventh: the scale signature, beside the run pinned on the map page.
  TScalePage* tsScale = nullptr;
  // What the last Start read, or why it failed; below the link.
  QLabel* lblSummary = nullptr;

  // The captions above the four edits, named after their edit plus "Label".
  QLabel* leContractLabel = nullptr;
  QLabel* leIntervalFromLabel = nullptr;
  QLabel* leIntervalToLabel = nullptr;
  QLabel* leIntervalStepLabel = nullptr;
  // The graph page's exclusive groups: the view and the measure.
  QButtonGroup* ViewButtons = nullptr;
  QButtonGroup* MeasureButtons = nullptr;

 private:
  void CreateActions();
  void CreatePages();
  void CreateMainPage();
  void CreateGraphPage();
  void CreateGraphToolBar();
  void CreateReportPage();
  void CreateSettingsPage();
  void ConnectHandlers();
  void BindPageKey(QWidget* aPage, const QKeySequence& aKey, QAction* aAction);
  void ConnectAction(QAction* aAction, void (TfrmMain::*aHandler)());
  void ConnectClick(QToolButton* aButton, void (TfrmMain::*aHandler)());

  void ShowSettingsModified(bool aModified);
  char CsvSeparator() const;
  // The CSV choice is kept in the settings file's WINDOW section, and shown again at start.
  void RememberCsvChoice();
  void RestoreCsvChoice();
  // The graph page's chart at a size of its own, for its exports.
  TPaintPicture ChartPicture() const;
  std::string ChartExportName(const std::string& aExtension) const;
  // The exports of a page drawn by aPicture: PNG and SVG of a chosen size, and aCsvText.
  void ConnectPageExports(QWidget* aPicture, const TPageExports& aExports, const std::string& aWhat,
                          std::function<std::string()> aCsvText);
  // A file name for an export of the current result: contract, first and last day, aWhat.
  std::string ExportName(const std::string& aWhat, const std::string& aExtension) const;
  bool SettleUnsavedSettings();
  void RunCalculation();
  void BringGraphPageToFront();
  void SetChoosersEnabled(bool aForDate, bool aByInterval);
  Measure ChosenMeasure() const;
  void PutForDateIntoRun(const TVolatilityRes& aResult);
  void DrawSingleDay(const TVolatilityRes& aResult, Measure aMeasure);
  void DrawWholePeriod(const TVolatilityRes& aResult, Measure aMeasure);
  void DrawByDay(const TVolatilityRes& aResult, Measure aMeasure);

  std::string iniFileName_;
  TRunSummary lastSummary_;
  std::unique_ptr<TQtBarChart> qtChart_;
  std::unique_ptr<TChartAdapter> customChart_;
  TChartAdapter* chart_ = nullptr;
};

}  // namespace melquon
