#include "tests/ui/ui_test_support.h"

#include <QDir>
#include <fstream>
#include <iterator>

#include "log/write_log.h"
#include "runtime/cp1251.h"
#include "runtime/formats.h"
#include "ui/window_hooks.h"

namespace melquon::test {

TWindowRecorder& Recorder() {
  static TWindowRecorder recorder;
  return recorder;
}

void ResetRecorder() {
  Recorder() = TWindowRecorder{};
}

LocalDateTime FixedClock() {
  return LocalDateTime{{2009, 3, 5}, {9, 5, 3, 7}};
}

void PinTestEnvironment() {
  RegionalFormats() = FormatSettings{};
  SetLogClock(FixedClock);
  SetLogMessageBox([](const std::string& aText) { Recorder().MessageBoxes.push_back(aText); });
  TUiHooks& hooks = UiHooks();
  hooks.Beep = [] {
    ++Recorder().Beeps;
    if (Recorder().OnBeep) {
      Recorder().OnBeep();
    }
  };
  hooks.MessageBox = [](const std::string& aText) { Recorder().MessageBoxes.push_back(aText); };
  hooks.ErrorBox = [](const std::string& aText) { Recorder().ErrorBoxes.push_back(aText); };
  hooks.OpenUrl = [](const QUrl& aUrl) {
    Recorder().OpenedUrls.push_back(aUrl);
    return true;
  };
}

TTempFolder::TTempFolder() {
  QVERIFY2(dir_.isValid(), "no temporary folder");
}

std::string TTempFolder::Path() const {
  return dir_.path().toStdString() + "/";
}

void WriteBytes(const std::string& aFileName, const std::string& aBytes) {
  std::ofstream file(aFileName, std::ios::binary | std::ios::trunc);
  file << aBytes;
  QVERIFY2(file.good(), aFileName.c_str());
}

std::string FileBytesOrEmpty(const std::string& aFileName) {
  std::ifstream file(aFileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteCp1251Text(const std::string& aFileName, const std::string& aUtf8Text) {
  WriteBytes(aFileName, Utf8ToCp1251(aUtf8Text));
}

std::string TinySettingsText(const std::string& aFolder, const std::string& aDefaultSection) {
  return "; Настройки для проверки окна.\r\n"
         "; Кодировка файла - Windows-1251.\r\n"
         "[COMMON]\r\n"
         "ArchivePath=" +
         aFolder +
         "archive/\r\n"
         "DataFileTemplate=$YY$MM$DD.txt\r\n"
         "FindWhat=^$CONTRACT;([0-9.]+);(.+)$\r\n"
         "ReplaceWith=CONTRACT=$1&DT=$2\r\n"
         "; Файл отчета.\r\n"
         "ReportFileName=" +
         aFolder +
         "report.txt\r\n"
         "[DEFAULT]\r\n" +
         aDefaultSection;
}

void WriteTinyArchive(const std::string& aFolder) {
  const std::string archive = aFolder + "archive";
  QVERIFY(QDir().mkpath(QString::fromStdString(archive)));
  WriteBytes(archive + "/090101.txt",
             "RIH9;100000;01.01.2009 10:00:00\r\n"
             "RIH9;101600;01.01.2009 10:01:00\r\n"
             "SIH9;5000;01.01.2009 10:01:30\r\n"
             "RIH9;100000;01.01.2009 10:02:00\r\n"
             "RIH9;101100;01.01.2009 10:03:00\r\n");
  WriteBytes(archive + "/090102.txt",
             "RIH9;101000;02.01.2009 10:00:00\r\n"
             "RIH9;98900;02.01.2009 11:00:00\r\n");
}

}  // namespace melquon::test
