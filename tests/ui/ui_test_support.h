#pragma once

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "runtime/date_time.h"
#include "ui/error_reporting.h"

namespace melquon::test {

// What the window showed, sounded or opened through its hooks since the last reset.
struct TWindowRecorder {
  int Beeps = 0;
  std::vector<std::string> MessageBoxes;
  std::vector<std::string> ErrorBoxes;
  std::vector<QUrl> OpenedUrls;
  // Runs inside each beep, while the window is in the middle of its handler.
  std::function<void()> OnBeep;
};

TWindowRecorder& Recorder();
void ResetRecorder();

// The moment every time-stamped log line of the tests carries: 5 March 2009, 9:05:03.007.
LocalDateTime FixedClock();
// The time stamp that moment gives with the home formats.
inline constexpr const char* kFixedStamp = "05.03.2009 9:05:03 [7]   ";

// Home regional formats, the fixed clock, and recording hooks instead of dialogs and beeps.
void PinTestEnvironment();

// A fresh folder, deleted with everything in it at the end of the test.
class TTempFolder {
 public:
  TTempFolder();
  // The folder's path, ending with a separator.
  std::string Path() const;
  std::string File(const std::string& aName) const { return Path() + aName; }

 private:
  QTemporaryDir dir_;
};

void WriteBytes(const std::string& aFileName, const std::string& aBytes);
// The file's bytes, or an empty text when there is no such file.
std::string FileBytesOrEmpty(const std::string& aFileName);
void WriteCp1251Text(const std::string& aFileName, const std::string& aUtf8Text);

// A settings file (UTF-8, CR LF) for the archive and report file of aFolder, with Russian
// comment lines and the given DEFAULT section lines.
std::string TinySettingsText(const std::string& aFolder, const std::string& aDefaultSection);
// Two day files of contract RIH9, 1 and 2 January 2009, in aFolder + "archive/".
void WriteTinyArchive(const std::string& aFolder);

template <class TestClass>
int RunUiTest(int argc, char** argv) {
  TApplication application(argc, argv);
  PinTestEnvironment();
  TestClass test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace melquon::test

#define MELQUON_UI_TEST_MAIN(TestClass)                       \
  int main(int argc, char** argv) {                           \
    return ::melquon::test::RunUiTest<TestClass>(argc, argv); \
  }
