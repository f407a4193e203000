#pragma once

#include <QDialog>
#include <string>

#include "engine/line_explainer.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace melquon {

class TDatePicker;

// Tries FindWhat and ReplaceWith of the settings page as they stand, saved or not, on a day file
// or on pasted lines: for the first lines the line, the replaced text, CONTRACT, DT, the time of
// day read and the verdict with its reason, read through the run's own quote path; the count of
// each verdict over all the lines.
class TPatternTester : public QDialog {
 public:
  // The most lines shown; all are counted.
  static constexpr std::size_t kLinesShown = 200;

  // aIniBytes: the settings page's text as the file would hold it.
  TPatternTester(QWidget* aParent, std::string aIniBytes, std::string aIniFileName,
                 std::string aContract);

  // The day chosen, or the lines pasted.
  void TestDay();
  void TestPasted();

  TDatePicker* dtpTestDay = nullptr;
  QPushButton* btnTestDay = nullptr;
  QPlainTextEdit* memPastedLines = nullptr;
  QPushButton* btnTestPasted = nullptr;
  QLabel* lblTestSource = nullptr;
  QTableWidget* twTestedLines = nullptr;
  QLabel* lblTestCounts = nullptr;

 private:
  void Show(const TRunSnapshot& aRun, const TLinesExplained& aExplained,
            const std::string& aSource);
  void ShowFailure(const std::string& aSource, const std::string& aWhy);
  TRunSnapshot Run() const;

  std::string iniBytes_;
  std::string iniFileName_;
  std::string contract_;
};

}  // namespace melquon
