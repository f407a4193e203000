// The window's exports: what a page shows, written to a file the user chooses.
#include <QCheckBox>
#include <QComboBox>

#include "engine/engine.h"
#include "engine/report.h"
#include "engine/result_csv.h"
#include "runtime/cp1251.h"
#include "runtime/text_file.h"
#include "ui/main_form.h"
#include "ui/window_hooks.h"

namespace melquon {

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

}  // namespace melquon
