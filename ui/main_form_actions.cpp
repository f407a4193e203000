#include <QAction>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>

#include "engine/calculation.h"
#include "engine/engine.h"
#include "engine/program_folder.h"
#include "engine/report.h"
#include "log/write_log.h"
#include "runtime/errors.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"
#include "ui/date_picker.h"
#include "ui/editor_text.h"
#include "ui/error_reporting.h"
#include "ui/main_form.h"
#include "ui/map_page.h"
#include "ui/moves_page.h"
#include "ui/pattern_tester.h"
#include "ui/run_progress.h"
#include "ui/scale_page.h"
#include "ui/start_failure.h"
#include "ui/widget_helpers.h"
#include "ui/window_hooks.h"

namespace melquon {

namespace {

QString EditorReportText(const std::string& aReport) {
  return QString::fromStdString(aReport).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The field's text as an integer; a failure names the field by its caption.
std::int32_t FieldInteger(const QLineEdit* aEdit, const char* aCaption) {
  const std::string text = aEdit->text().toStdString();
  try {
    return StrToInt(text);
  } catch (const EConvertError& e) {
    throw EFieldError(e.what(), std::string(aCaption) + ": \"" + text + "\" — не целое число");
  }
}

void SetUnderlined(QLabel* aLabel, bool aUnderlined) {
  QFont font = aLabel->font();
  font.setUnderline(aUnderlined);
  aLabel->setFont(font);
}

}  // namespace

void TfrmMain::FormCreate() {
  if (iniFileName_.empty()) {
    StartEngine();
  } else {
    StartEngine(iniFileName_);
  }
  memIni->setPlainText(QString::fromStdString(ReadEditorTextFile(Engine().IniFileName)));
  memIni->document()->setModified(false);
  ShowSettings();
  RestoreCsvChoice();
}

// Edits of the settings page not saved yet: the page's title and the save button say so.
void TfrmMain::ShowSettingsModified(bool aModified) {
  pc->setTabText(pc->indexOf(tsSettings),
                 aModified ? QStringLiteral("Настройки *") : QStringLiteral("Настройки"));
  QFont font = sbtnSave->font();
  font.setBold(aModified);
  sbtnSave->setFont(font);
  sbtnSave->setToolTip(aModified ? QStringLiteral("Изменения настроек не сохранены") : QString());
}

// Start runs the settings as loaded; edits not saved yet are saved first, left out or the Start
// called off, as the user answers. False: no run.
bool TfrmMain::SettleUnsavedSettings() {
  if (!memIni->document()->isModified() || !UiHooks().Ask) {
    return true;
  }
  const int answer =
      UiHooks().Ask("Настройки изменены, но не сохранены. Сохранить их перед расчётом?",
                    {"Сохранить", "Не сохранять", "Отмена"});
  if (answer == 0) {
    acSaveINIExecute();
  }
  return answer == 0 || answer == 1;
}

void TfrmMain::FormDestroy() {
  StopEngine();
}

void TfrmMain::ShowSettings() {
  const TSettings& settings = Engine().Settings;
  leContract->setText(QString::fromStdString(settings.Contract));
  dtpFrom->SetDateTimeValue(settings.DateFrom);
  dtpTo->SetDateTimeValue(settings.DateTo);
  leIntervalFrom->setText(QString::fromStdString(IntToStr(settings.IntervalFrom)));
  leIntervalTo->setText(QString::fromStdString(IntToStr(settings.IntervalTo)));
  leIntervalStep->setText(QString::fromStdString(IntToStr(settings.IntervalStep)));
}

void TfrmMain::acStartExecute() {
  if (!SettleUnsavedSettings()) {
    return;
  }
  acStart->setEnabled(false);
  // Handlers whose events were already waiting run now and still see the previous result.
  QCoreApplication::processEvents();
  TEngine& engine = Engine();
  engine.CurrentResult.reset();
  tsMoves->Clear();
  tsMap->SetRun(std::nullopt, {}, "");
  tsScale->SetRun(std::nullopt, "");
  std::string failure;
  std::string failureShown;
  try {
    RunCalculation();
  } catch (const ERunCancelled&) {
    failure = "Расчёт прерван";
    failureShown = "Расчёт не выполнен: " + failure;
    WriteLog("", failure, 1, false, true);
  } catch (...) {
    // The user learns from the report page why nothing was calculated.
    failure = CurrentExceptionMessage();
    failureShown = "Расчёт не выполнен: " +
                   StartFailureText(engine.Settings.FindWhat, leContract->text().toStdString());
    WriteLog("", failure, 1, false, true);
  }
  lblSummary->setText(
      QString::fromStdString(failure.empty() ? RunSummaryText(lastSummary_) : failureShown));
  lblGraphFailure->setText(QString::fromStdString(failureShown));
  lblGraphFailure->setVisible(!failure.empty());
  if (UiHooks().Beep) {
    UiHooks().Beep();
  }
  acStart->setEnabled(true);
  BringGraphPageToFront();
  if (engine.CurrentResult) {
    memReport->setPlainText(EditorReportText(GetReportText(*engine.CurrentResult)));
  } else {
    memReport->setPlainText(QString::fromStdString(failure));
  }
}

void TfrmMain::RunCalculation() {
  const TDateTime firstDay = dtpFrom->DateTimeValue();
  const TDateTime endDay = dtpTo->DateTimeValue() + 1.0;
  const std::int32_t step = FieldInteger(leIntervalStep, "Шаг интервала");
  const std::int32_t lastValue = FieldInteger(leIntervalTo, "Конечный интервал");
  const std::int32_t firstValue = FieldInteger(leIntervalFrom, "Начальный интервал");
  const std::string contract = leContract->text().toStdString();
  TEngine& engine = Engine();
  TWriteLogRunLog log(RegionalFormats());
  TRunSnapshot snapshot = EngineSnapshot(contract, firstValue, lastValue, firstDay, endDay, step);
  snapshot.Threads = DefaultRunThreads();
  TCalculation run(std::move(snapshot), log);
  TMoveRowsCollector moves(TMovesPage::kMostMovesKept);
  TDayFiguresCollector days;
  TRunObservers observers;
  observers.Add(moves);
  observers.Add(days);
  run.Observe(&observers);
  engine.CurrentResult = RunWithProgress(this, run);
  lastSummary_ = run.Summary();
  std::vector<std::int32_t> intervalValues;
  for (const TVolatilityResItem& item : engine.CurrentResult->Items)
    intervalValues.push_back(item.IntervalValue);
  tsMoves->ShowRun(moves, days, intervalValues);
  std::vector<bool> dayHasFile;
  for (const TDayFigures& day : days.Days())
    dayHasFile.push_back(day.HasFile);
  const TRunSummary& s = lastSummary_;
  const std::string title = s.Contract + ", " + DateToStr(s.DateFrom) + " – " +
                            DateToStr(s.DateTo) + ", интервалы " + IntToStr(s.IntervalFrom) +
                            " – " + IntToStr(s.IntervalTo) + " с шагом " + IntToStr(s.IntervalStep);
  tsMap->SetRun(MapOf(*engine.CurrentResult, dayHasFile), days.Days(), title);
  tsScale->SetRun(SignatureOf(*engine.CurrentResult), title);
  WriteReportFile(engine, GetReportText(*engine.CurrentResult));
}

void TfrmMain::BringGraphPageToFront() {
  // Showing the page that is already in front shows nothing new, yet the page must still be
  // brought in line with the new result.
  if (pc->currentWidget() == tsGraph) {
    tsGraphShow();
  } else {
    pc->setCurrentWidget(tsGraph);
  }
}

void TfrmMain::acLoadINIExecute() {
  try {
    const std::string text = ReadEditorTextFile(Engine().IniFileName);
    memIni->setPlainText(QString::fromStdString(text));
    memIni->document()->setModified(false);
    LoadSettings();
  } catch (...) {
    // A settings file that can't be read leaves the page and the settings as they are.
  }
}

void TfrmMain::acSaveINIExecute() {
  const std::string& fileName = Engine().IniFileName;
  if (!FileExists(fileName)) {
    WriteLog(fileName, "", 1, true, false);
  }
  ReplaceFileContents(fileName, EditorTextToFileBytes(memIni->toPlainText().toStdString()));
  memIni->document()->setModified(false);
  LoadSettings();
  statusBar()->showMessage(QString::fromStdString("Настройки сохранены в " + fileName));
}

// The tester reads the page's text as the file would hold it, and the main page's contract.
void TfrmMain::sbtnTestPatternClick() {
  auto* tester =
      MakeOwned<TPatternTester>(this, EditorTextToFileBytes(memIni->toPlainText().toStdString()),
                                Engine().IniFileName, leContract->text().toStdString());
  tester->setAttribute(Qt::WA_DeleteOnClose);
  tester->show();
  tester->TestDay();
}

void TfrmMain::lblLinkClick() {
  if (!UiHooks().OpenUrl) {
    return;
  }
  const std::string guide = UserGuideFile(Engine().ExePath);
  static_cast<void>(UiHooks().OpenUrl(QUrl::fromLocalFile(QString::fromStdString(guide))));
}

void TfrmMain::lblAboutClick() {
  if (UiHooks().MessageBox) {
    UiHooks().MessageBox(std::string("Melquon ") + MELQUON_VERSION +
                         "\n\nВолатильность фьючерса по интервалам.\nНастройки и журнал: " +
                         Engine().ExePath + "\nРуководство: " + UserGuideFile(Engine().ExePath));
  }
}

void TfrmMain::lblLinkMouseEnter() {
  SetUnderlined(lblLink, true);
}

void TfrmMain::lblLinkMouseLeave() {
  SetUnderlined(lblLink, false);
}

}  // namespace melquon
