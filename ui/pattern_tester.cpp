#include "ui/pattern_tester.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "runtime/cp1251.h"
#include "runtime/number_text.h"
#include "ui/date_picker.h"
#include "ui/start_failure.h"
#include "ui/widget_helpers.h"

namespace melquon {

namespace {

QString Text(const std::string& aText) {
  return QString::fromStdString(aText);
}

std::string CountsText(const TQuoteStats& aCounts) {
  return "Строк: " + IntToStr(static_cast<std::int64_t>(aCounts.Lines())) +
         "; принято: " + IntToStr(static_cast<std::int64_t>(aCounts.Accepted)) +
         "; цена не число: " + IntToStr(static_cast<std::int64_t>(aCounts.NoPrice)) +
         "; в окнах пропуска: " + IntToStr(static_cast<std::int64_t>(aCounts.Skipped)) +
         "; DT не читается: " + IntToStr(static_cast<std::int64_t>(aCounts.Unreadable));
}

}  // namespace

TPatternTester::TPatternTester(QWidget* aParent, std::string aIniBytes, std::string aIniFileName,
                               std::string aContract)
    : QDialog(aParent),
      iniBytes_(std::move(aIniBytes)),
      iniFileName_(std::move(aIniFileName)),
      contract_(std::move(aContract)) {
  setObjectName(QStringLiteral("PatternTester"));
  setWindowTitle(QStringLiteral("Проверка шаблона: контракт ") + Text(contract_));
  resize(900, 560);
  dtpTestDay = MakeChild<TDatePicker>(this, "dtpTestDay");
  // The first day of the settings' own range.
  dtpTestDay->SetDateTimeValue(
      OneDayRun(iniBytes_, iniFileName_, contract_, 0.0).Settings.DateFrom);
  btnTestDay = MakeChild<QPushButton>(this, "btnTestDay");
  btnTestDay->setText(QStringLiteral("Проверить день"));
  btnTestPasted = MakeChild<QPushButton>(this, "btnTestPasted");
  btnTestPasted->setText(QStringLiteral("Проверить вставленные строки"));
  memPastedLines = MakeChild<QPlainTextEdit>(this, "memPastedLines");
  memPastedLines->setPlaceholderText(QStringLiteral("Строки выгрузки для проверки"));
  memPastedLines->setMaximumHeight(56);
  lblTestSource = MakeChild<QLabel>(this, "lblTestSource");
  lblTestSource->setTextFormat(Qt::PlainText);
  lblTestSource->setWordWrap(true);
  twTestedLines = MakeChild<QTableWidget>(this, "twTestedLines");
  twTestedLines->setColumnCount(7);
  twTestedLines->setHorizontalHeaderLabels({QStringLiteral("Строка"), QStringLiteral("Итог"),
                                            QStringLiteral("CONTRACT"), QStringLiteral("DT"),
                                            QStringLiteral("Время"), QStringLiteral("Текст строки"),
                                            QStringLiteral("Замена")});
  twTestedLines->verticalHeader()->setVisible(false);
  twTestedLines->verticalHeader()->setDefaultSectionSize(18);
  twTestedLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
  twTestedLines->horizontalHeader()->setStretchLastSection(true);
  lblTestCounts = MakeChild<QLabel>(this, "lblTestCounts");
  lblTestCounts->setTextFormat(Qt::PlainText);

  auto* day = MakeOwned<QHBoxLayout>();
  day->addWidget(MakeOwned<QLabel>(QStringLiteral("День:")));
  day->addWidget(dtpTestDay);
  day->addWidget(btnTestDay);
  day->addStretch(1);
  day->addWidget(btnTestPasted);
  auto* layout = MakeOwned<QVBoxLayout>(this);
  layout->addLayout(day);
  layout->addWidget(memPastedLines);
  layout->addWidget(lblTestSource);
  layout->addWidget(twTestedLines, 1);
  layout->addWidget(lblTestCounts);
  connect(btnTestDay, &QPushButton::clicked, this, [this] { TestDay(); });
  connect(btnTestPasted, &QPushButton::clicked, this, [this] { TestPasted(); });
}

TRunSnapshot TPatternTester::Run() const {
  return OneDayRun(iniBytes_, iniFileName_, contract_, dtpTestDay->DateTimeValue());
}

void TPatternTester::TestDay() {
  const TRunSnapshot run = Run();
  const std::string openName = DayFileOpenName(run, run.DateFrom);
  try {
    if (const std::optional<TLinesExplained> explained =
            ExplainDay(run, run.DateFrom, kLinesShown)) {
      Show(run, *explained, openName);
    } else {
      ShowFailure(openName, "Файла дня нет");
    }
  } catch (...) {
    ShowFailure(openName, StartFailureText(run.Settings.FindWhat, run.Contract));
  }
}

void TPatternTester::TestPasted() {
  const TRunSnapshot run = Run();
  const std::string source = "Вставленные строки";
  try {
    TQuoteLines lines;
    lines.SetText(Utf8ToCp1251(memPastedLines->toPlainText().toStdString()));
    Show(run, ExplainLines(run, lines, kLinesShown), source);
  } catch (...) {
    ShowFailure(source, StartFailureText(run.Settings.FindWhat, run.Contract));
  }
}

void TPatternTester::Show(const TRunSnapshot& aRun, const TLinesExplained& aExplained,
                          const std::string& aSource) {
  lblTestSource->setText(
      Text(aSource + "; шаблон: " + ContractPattern(aRun.Settings.FindWhat, aRun.Contract) +
           "; замена: " + aRun.Settings.ReplaceWith));
  twTestedLines->setRowCount(static_cast<int>(aExplained.Lines.size()));
  for (std::size_t i = 0; i < aExplained.Lines.size(); ++i) {
    const TExplainedLine& line = aExplained.Lines[i];
    const std::string time = line.TimeOfDayMs >= 0 ? ClockMsText(line.TimeOfDayMs) : "";
    const std::string cells[] = {IntToStr(line.Index), line.Reason, line.Contract,
                                 line.DateTime,        time,        line.Line,
                                 line.Replaced};
    for (int column = 0; column < 7; ++column) {
      twTestedLines->setItem(static_cast<int>(i), column,
                             MakeOwned<QTableWidgetItem>(Text(cells[column])));
    }
  }
  twTestedLines->resizeColumnsToContents();
  lblTestCounts->setText(Text(CountsText(aExplained.Counts)));
}

void TPatternTester::ShowFailure(const std::string& aSource, const std::string& aWhy) {
  lblTestSource->setText(Text(aSource));
  twTestedLines->setRowCount(0);
  lblTestCounts->setText(Text(aWhy));
}

}  // namespace melquon
