// The window's exports: what a page shows, written to a file the user chooses.
#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "engine/engine.h"
#include "engine/ini_file.h"
#include "engine/report.h"
#include "engine/result_csv.h"
#include "runtime/cp1251.h"
#include "runtime/text_file.h"
#include "ui/editor_text.h"
#include "ui/error_reporting.h"
#include "ui/main_form.h"
#include "ui/page_exports.h"

namespace melquon {

namespace {

constexpr const char* kWindowSection = "WINDOW";

}  // namespace

// The page shows the file: the keys go into its text too, which stays unsaved if it was.
void TfrmMain::RememberCsvChoice() {
  const auto withChoice = [this](const std::string& aText) {
    return WithIniValue(WithIniValue(aText, kWindowSection, "CsvSeparator",
                                     CsvSeparator() == ';' ? "semicolon" : "comma"),
                        kWindowSection, "CsvDecimal", chkCsvDecimal->isChecked() ? "1" : "0");
  };
  const std::string& fileName = Engine().IniFileName;
  const std::string bytes =
      FileExists(fileName) ? ReadFileBytes(fileName, IniFile::kMaxFileBytes) : std::string();
  ReplaceFileContents(fileName, withChoice(bytes));
  const bool modified = memIni->document()->isModified();
  memIni->setPlainText(QString::fromStdString(
      modified ? withChoice(memIni->toPlainText().toStdString()) : ReadEditorTextFile(fileName)));
  memIni->document()->setModified(modified);
}

void TfrmMain::RestoreCsvChoice() {
  const IniFile ini = IniFile::Load(Engine().IniFileName);
  const QSignalBlocker quietSeparator(cbCsvSeparator);
  const QSignalBlocker quietDecimal(chkCsvDecimal);
  const bool semicolon = ini.ReadString(kWindowSection, "CsvSeparator", "") == "semicolon";
  cbCsvSeparator->setCurrentIndex(semicolon ? 1 : 0);
  chkCsvDecimal->setEnabled(semicolon);
  chkCsvDecimal->setChecked(semicolon && ini.ReadInteger(kWindowSection, "CsvDecimal", 0) == 1);
}

char TfrmMain::CsvSeparator() const {
  return cbCsvSeparator->currentData().toChar().toLatin1();
}

TCsvFormat TfrmMain::CsvFormat() const {
  const char separator = CsvSeparator();
  const char decimal = chkCsvDecimal->isChecked() ? RegionalFormats().DecimalSeparator : '.';
  // A decimal separator that is the field separator would cut the numbers: "." then.
  return TCsvFormat{separator, decimal == separator ? '.' : decimal};
}

std::string TfrmMain::ExportName(const std::string& aWhat, const std::string& aExtension) const {
  return lastSummary_.Contract + "_" + IsoDateText(lastSummary_.DateFrom) + "_" +
         IsoDateText(lastSummary_.DateTo) + "_" + aWhat + "." + aExtension;
}

// The bytes of the report file: Windows-1251, the last line ended.
void TfrmMain::sbtnSaveReportClick() {
  if (Engine().CurrentResult) {
    SaveExport(ExportName("report", "txt"),
               Utf8ToCp1251(GetReportText(*Engine().CurrentResult)) + "\r\n");
  }
}

void TfrmMain::sbtnSaveCsvClick() {
  if (Engine().CurrentResult) {
    SaveExport(ExportName("figures", "csv"),
               InCsvFormat(GetCsvText(*Engine().CurrentResult), CsvFormat()));
  }
}

void TfrmMain::ConnectPageExports(QWidget* aPicture, const TPageExports& aExports,
                                  const std::string& aWhat, std::function<std::string()> aCsvText) {
  const auto picture = [this, aPicture, aWhat](bool aSvg) {
    SavePicture(
        *aPicture, WidgetPicture(*aPicture),
        [this, &aWhat](const std::string& aExtension) { return ExportName(aWhat, aExtension); },
        aSvg);
  };
  connect(aExports.Png, &QAction::triggered, this,
          [picture] { RunGuarded([&] { picture(false); }); });
  connect(aExports.Svg, &QAction::triggered, this,
          [picture] { RunGuarded([&] { picture(true); }); });
  connect(aExports.Csv, &QAction::triggered, this, [this, aWhat, aCsvText] {
    RunGuarded([&] { SaveExport(ExportName(aWhat, "csv"), InCsvFormat(aCsvText(), CsvFormat())); });
  });
}

// The graph page's chart is laid out again at the size asked, not scaled as a picture.
TPaintPicture TfrmMain::ChartPicture() const {
  return [this](QPainter& aPainter, int aWidth, int aHeight) {
    Chart->render(&aPainter, QRectF(0, 0, aWidth, aHeight), QRect(), Qt::IgnoreAspectRatio);
  };
}

std::string TfrmMain::ChartExportName(const std::string& aExtension) const {
  static const char* const kMeasureNames[] = {"count", "sum", "kfactor"};
  return ExportName(kMeasureNames[static_cast<int>(ChosenMeasure())], aExtension);
}

void TfrmMain::acChartPngExecute() {
  SavePicture(
      *Chart, ChartPicture(),
      [this](const std::string& aExtension) { return ChartExportName(aExtension); }, false);
}

void TfrmMain::acChartSvgExecute() {
  SavePicture(
      *Chart, ChartPicture(),
      [this](const std::string& aExtension) { return ChartExportName(aExtension); }, true);
}

// The chart at its size on the screen.
void TfrmMain::acChartCopyExecute() {
  QGuiApplication::clipboard()->setImage(
      PictureImage(ChartPicture(), Chart->width(), Chart->height()));
}

}  // namespace melquon
