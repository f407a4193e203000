// The window's exports: what a page shows, written to a file the user chooses.
#include <QAction>
#include <QBuffer>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSvgGenerator>
#include <QTextDocument>
#include <algorithm>

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
#include "ui/window_hooks.h"

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

void TfrmMain::SaveExport(const std::string& aSuggested, const std::string& aBytes) {
  if (!UiHooks().SaveFileName) {
    return;
  }
  const std::string fileName = UiHooks().SaveFileName(aSuggested);
  if (!fileName.empty()) {
    ReplaceFileContents(fileName, aBytes);
  }
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

namespace {

// The size the user asks for, the chart's own offered.
std::optional<std::pair<int, int>> AskImageSize(const QWidget& aChart) {
  if (!UiHooks().ImageSize)
    return std::pair(aChart.width(), aChart.height());
  return UiHooks().ImageSize(aChart.width(), aChart.height());
}

std::string BytesOf(const QByteArray& aBytes) {
  return {aBytes.constData(), static_cast<std::size_t>(aBytes.size())};
}

// A widget as drawn now, scaled to aWidth x aHeight, as PNG or SVG bytes.
std::string PictureBytes(QWidget& aPicture, int aWidth, int aHeight, bool aSvg) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const auto paint = [&](QPaintDevice& aDevice) {
    QPainter painter(&aDevice);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(static_cast<double>(aWidth) / std::max(aPicture.width(), 1),
                  static_cast<double>(aHeight) / std::max(aPicture.height(), 1));
    aPicture.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
  };
  if (aSvg) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(96);
    svg.setSize(QSize(aWidth, aHeight));
    svg.setViewBox(QRect(0, 0, aWidth, aHeight));
    paint(svg);
  } else {
    QImage image(aWidth, aHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    paint(image);
    image.save(&buffer, "PNG");
  }
  return BytesOf(bytes);
}

}  // namespace

void TfrmMain::ConnectPageExports(QWidget* aPicture, const TPageExports& aExports,
                                  const std::string& aWhat, std::function<std::string()> aCsvText) {
  const auto picture = [this, aPicture, aWhat](bool aSvgFormat) {
    const auto size = AskImageSize(*aPicture);
    if (size) {
      SaveExport(ExportName(aWhat, aSvgFormat ? "svg" : "png"),
                 PictureBytes(*aPicture, size->first, size->second, aSvgFormat));
    }
  };
  connect(aExports.Png, &QAction::triggered, this,
          [picture] { RunGuarded([&] { picture(false); }); });
  connect(aExports.Svg, &QAction::triggered, this,
          [picture] { RunGuarded([&] { picture(true); }); });
  connect(aExports.Csv, &QAction::triggered, this, [this, aWhat, aCsvText] {
    RunGuarded([&] { SaveExport(ExportName(aWhat, "csv"), InCsvFormat(aCsvText(), CsvFormat())); });
  });
}

void TfrmMain::PaintChart(QPaintDevice& aDevice, int aWidth, int aHeight) const {
  QPainter painter(&aDevice);
  painter.setRenderHint(QPainter::Antialiasing);
  Chart->render(&painter, QRectF(0, 0, aWidth, aHeight), QRect(), Qt::IgnoreAspectRatio);
}

std::string TfrmMain::ChartExportName(const std::string& aExtension) const {
  static const char* const kMeasureNames[] = {"count", "sum", "kfactor"};
  return ExportName(kMeasureNames[static_cast<int>(ChosenMeasure())], aExtension);
}

void TfrmMain::acChartPngExecute() {
  const auto size = AskImageSize(*Chart);
  if (!size)
    return;
  QImage image(size->first, size->second, QImage::Format_ARGB32);
  image.fill(Qt::white);
  PaintChart(image, size->first, size->second);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  SaveExport(ChartExportName("png"), BytesOf(bytes));
}

void TfrmMain::acChartSvgExecute() {
  const auto size = AskImageSize(*Chart);
  if (!size)
    return;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  // Sizes are written in millimetres: at the 96 dots an inch of CSS pixels, a browser shows
  // the chart at the size asked.
  svg.setResolution(96);
  svg.setSize(QSize(size->first, size->second));
  svg.setViewBox(QRect(0, 0, size->first, size->second));
  svg.setTitle(QString::fromStdString(ChartExportName("svg")));
  PaintChart(svg, size->first, size->second);
  SaveExport(ChartExportName("svg"), BytesOf(bytes));
}

// The chart at its size on the screen.
void TfrmMain::acChartCopyExecute() {
  QImage image(Chart->width(), Chart->height(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  PaintChart(image, Chart->width(), Chart->height());
  QGuiApplication::clipboard()->setImage(image);
}

}  // namespace melquon
