// The window on the offscreen platform, with recorders instead of dialogs and beeps. Run with
// MELQUON_SCREENSHOTS naming a folder, it also takes a picture of every page for a person.
#include <QSvgRenderer>
#include <QtCharts>
#include <QtTest>
#include <QtWidgets>
#include <fstream>

#include "engine/engine.h"
#include "engine/report.h"
#include "log/write_log.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/formats.h"
#include "tests/support/process_locale.h"
#include "ui/bar_layout.h"
#include "ui/date_picker.h"
#include "ui/editor_text.h"
#include "ui/error_reporting.h"
#include "ui/gui_thread.h"
#include "ui/main_form.h"
#include "ui/map_page.h"
#include "ui/moves_page.h"
#include "ui/notice_box.h"
#include "ui/pattern_tester.h"
#include "ui/qt_bar_chart.h"
#include "ui/run_progress.h"
#include "ui/scale_page.h"
#include "ui/start_failure.h"
#include "ui/window_hooks.h"

// Failures name the texts compared, not only that they differ.
template <>
char* QTest::toString(const std::string& aText) {
  return qstrdup(aText.c_str());
}

namespace melquon::test {
namespace {

// What the window showed, sounded or opened through its hooks since the last reset.
struct TWindowRecorder {
  int Beeps = 0;
  std::vector<std::string> MessageBoxes, ErrorBoxes;
  std::vector<QUrl> OpenedUrls;
  // The questions asked, and the number of the answer each is given.
  std::vector<std::string> Questions;
  int Answer = 2;
  std::function<void()> OnBeep = [] {};  // runs inside each beep, while the handler goes on
} Recorded;

// Every log line carries the pinned clock's moment, 5 March 2009, 9:05:03.007.
constexpr const char* kFixedStamp = "05.03.2009 9:05:03 [7]   ";

// A fresh folder, deleted with everything in it at the end of the test.
struct TTempFolder : QTemporaryDir {
  std::string File(const std::string& aName) const { return path().toStdString() + '/' + aName; }
};

void WriteBytes(const std::string& aFileName, const std::string& aBytes) {
  QVERIFY2((std::ofstream(aFileName, std::ios::binary) << aBytes).good(), aFileName.c_str());
}

// The file's bytes, or an empty text when there is no such file.
std::string FileBytes(const std::string& aFileName) {
  std::ifstream file(aFileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The last line of a text of CR LF ended lines, without its line end.
std::string LastLine(std::string aText) {
  aText.erase(aText.size() - std::min<std::size_t>(aText.size(), 2));
  return aText.substr(aText.rfind('\n') + 1);  // npos + 1 is 0: the whole text
}

const TDateTime kStart = EncodeDate(2009, 1, 1);  // 39814
enum View { SingleDay, WholePeriod, ByDay };
enum Chosen { Count, Points, SquareFactor };
const char* const kViews[] = {"sbtnForDate", "sbtnAllPeriod", "sbtnIntervalByDates"};
const char* const kMeasures[] = {"sbtnClosedCnt", "sbtnClosedSumm", "sbtnKFactor"};

// Writes down what the graph page asks of its chart since the chart was last emptied; points
// as "x:y" in the order added, with their own label and colour only when they have them.
struct TRecordingChart : TChartAdapter {
  explicit TRecordingChart(std::string& aCalls) : Calls(aCalls) {}
  void Clear() override { Calls.clear(); }
  void AddPoint(double aX, double aY, const std::string& aLabel, TChartColor aColor) override {
    Note(QStringLiteral("%1:%2").arg(aX, 0, 'g', 15).arg(aY, 0, 'g', 15).toStdString() + aLabel +
         (aColor == kSeriesColor ? "" : "#"));
  }
  void SetXDateTime(bool aDateTime) override { Note(aDateTime ? "dates" : "values"); }
  void ShowMarks(bool aVisible) override { Note(aVisible ? "marks" : "no marks"); }
  void ShowLegend(bool aVisible) override { Note(aVisible ? "legend" : "no legend"); }

  void Note(const std::string& aCall) { Calls += (Calls.empty() ? "" : " ") + aCall; }
  std::string& Calls;
};

const std::string kDefaultSection =
    "Contract=RIH9\r\nDateFrom=01012009\r\nDateTo=02012009\r\n"
    "IntervalFrom=500\r\nIntervalTo=2000\r\nIntervalStep=100\r\n";

// A fresh folder with two day files of contract RIH9 (1 and 2 January 2009), its settings
// file with Russian comment lines and the given DEFAULT section, and the window opened on them,
// its graph page drawing into Drawn unless it is to draw with Qt Charts.
struct TWindowFixture {
  explicit TWindowFixture(const std::string& aDefaultSection = kDefaultSection,
                          bool aQtChart = false) {
    WriteBytes(File("090101.txt"),
               "RIH9;100000;01.01.2009 10:00:00\r\nRIH9;101600;01.01.2009 10:01:00\r\n"
               "SIH9;5000;01.01.2009 10:01:30\r\nRIH9;100000;01.01.2009 10:02:00\r\n"
               "RIH9;101100;01.01.2009 10:03:00\r\n");
    WriteBytes(File("090102.txt"),
               "RIH9;101000;02.01.2009 10:00:00\r\nRIH9;98900;02.01.2009 11:00:00\r\n");
    Settings =
        "; Настройки для проверки окна.\r\n; Кодировка файла - Windows-1251.\r\n"
        "[COMMON]\r\nArchivePath=" +
        File("") +
        "\r\nDataFileTemplate=$YY$MM$DD.txt\r\nFindWhat=^$CONTRACT;([0-9.]+);(.+)$\r\n"
        "ReplaceWith=CONTRACT=$1&DT=$2\r\n; Файл отчета.\r\nReportFileName=" +
        File("report.txt") + "\r\n[DEFAULT]\r\n" + aDefaultSection;
    WriteBytes(Ini(), Utf8ToCp1251(Settings));
    auto chart = aQtChart ? nullptr : std::make_unique<TRecordingChart>(Drawn);
    Window = std::make_unique<TfrmMain>(TfrmMain::TOptions{Ini(), std::move(chart)});
  }

  std::string File(const std::string& aName) const { return Folder.File(aName); }
  std::string Ini() const { return File("Melquon.ini"); }
  // Makes aResult the current result and shows the graph page.
  void Show(std::unique_ptr<TVolatilityRes> aResult) const {
    Engine().CurrentResult = std::move(aResult);
    Window->pc->setCurrentWidget(Window->tsMain);
    Window->pc->setCurrentWidget(Window->tsGraph);
  }
  std::string Draw(View aView, Chosen aMeasure) const {
    Window->findChild<QToolButton*>(kViews[aView])->click();
    Window->findChild<QToolButton*>(kMeasures[aMeasure])->click();
    Window->sbtnRefresh->click();
    return Drawn;
  }

  TTempFolder Folder;
  std::string Settings, Drawn;
  std::unique_ptr<TfrmMain> Window;
};

// Elements 500 and 600 over three days: 500 closed 3 positions on day 1, 600 one on day 0.
std::unique_ptr<TVolatilityRes> SmallResult() {
  auto result = std::make_unique<TVolatilityRes>(3, kStart, 500, 100, 2);
  result->Items[0].Result = 3;
  result->Items[0].ResultPerDays = {0, 3, 0};
  result->Items[1].Result = 1;
  result->Items[1].ResultPerDays = {1, 0, 0};
  return result;
}

// The main page's fields as shown: contract, first and last date, first and last value, step.
QStringList Fields(const TfrmMain& aForm) {
  return {aForm.leContract->text(),     aForm.dtpFrom->text(),      aForm.dtpTo->text(),
          aForm.leIntervalFrom->text(), aForm.leIntervalTo->text(), aForm.leIntervalStep->text()};
}

const std::pair<const char*, const char*> kCaptions[] = {
    {"leContractLabel", "Контракт:"},
    {"leIntervalFromLabel", "Начальный интервал"},
    {"leIntervalToLabel", "Конечный интервал"},
    {"leIntervalStepLabel", "Шаг интервала"},
    {"Label1", "Начальная дата:"},
    {"Label2", "Конечная дата:"},
    {"lblLink", "Сайт программы"},
    {"btnStart", "Старт"},
    {"sbtnLoad", "Загрузить"},
    {"sbtnSave", "Сохранить"},
    {"sbtnForDate", "На дату:"},
    {"sbtnAllPeriod", "На весь период"},
    {"sbtnIntervalByDates", "Интервал по датам"},
    {"sbtnClosedCnt", "Кол-во закрытых"},
    {"sbtnClosedSumm", "Сумма закрытых"},
    {"sbtnKFactor", "КвадратФактор"},
    {"sbtnRefresh", "Обновить"}};

}  // namespace

class TWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Recorded = {}; }

  void windowMatchesTheDesign() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    QCOMPARE(frm.windowTitle(), QStringLiteral("Melquon"));
    QCOMPARE(QRect(frm.pos(), frm.size()), QRect(112, 187, 922, 640));
    QStringList pages;
    for (int i = 0; i < frm.pc->count(); ++i) {
      pages << frm.pc->widget(i)->objectName() + ' ' + frm.pc->tabText(i);
    }
    QCOMPARE(pages, (QStringList{"tsMain Основное", "tsGraph Графики", "tsReport Отчет",
                                 "tsSettings Настройки", "tsMoves Движения", "tsMap Карта",
                                 "tsScale Масштаб"}));
    QCOMPARE(frm.pc->currentWidget(), frm.tsMain);
    for (const auto& [name, caption] : kCaptions) {
      const QObject* control = frm.findChild<QObject*>(name);
      QVERIFY2(control != nullptr, name);
      QCOMPARE(control->property("text").toString(), QString::fromUtf8(caption));
    }
    QVERIFY(QFontInfo(frm.memReport->font()).fixedPitch() && frm.memReport->isReadOnly());
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    frm.dtpFrom->setFocus();
    for (QWidget* expected : QWidgetList{frm.dtpFrom, frm.dtpTo, frm.leContract, frm.leIntervalFrom,
                                         frm.leIntervalTo, frm.leIntervalStep, frm.btnStart}) {
      QVERIFY(expected == QApplication::focusWidget() ||
              expected->isAncestorOf(QApplication::focusWidget()));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
  }

  // Interval 500 counts the fall from 101600 to 100000 (3 intervals from the level 101500) on
  // the first day and from 101100 to 98900 (4 from 101000) on the second.
  void movesPageShowsTheRunsMovesFilteredAndExportsThem() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    TMovesPage& page = *frm.tsMoves;
    QVERIFY(!page.isEnabled());
    frm.btnStart->click();
    QVERIFY(page.isEnabled());
    const std::string all = page.ShownCsv();
    const auto rows = std::count(all.begin(), all.end(), '\n') - 1;
    QCOMPARE(page.tvMoves->model()->rowCount(), static_cast<int>(rows));
    QCOMPARE(page.lblMovesCount->text(), QStringLiteral("Движений: %1; показано: %1").arg(rows));
    page.cbMovesInterval->setCurrentText(QStringLiteral("500"));
    const std::string header = "date,time,line,interval,side,count,old_extreme,new_extreme\r\n";
    const std::string second = "2009-01-02,11:00:00.000,1,500,down,4,101100,98900\r\n";
    QCOMPARE(page.ShownCsv(),
             header + "2009-01-01,10:02:00.000,3,500,down,3,101600,100000\r\n" + second);
    QCOMPARE(page.tvMoves->model()->index(0, 1).data().toString(), QStringLiteral("10:02:00.000"));
    page.cbMovesDay->setCurrentIndex(2);
    QCOMPARE(page.ShownCsv(), header + second);
    const std::string exported = fixture.File("moves.csv");
    UiHooks().SaveFileName = [&](const std::string&) { return exported; };
    page.btnExportMoves->click();
    QCOMPARE(FileBytes(exported), header + second);
    // Realized variance 1600² + 1600² + 1100²; range 101000 - 98900.
    QCOMPARE(page.twDayFigures->rowCount(), 2);
    QCOMPARE(page.twDayFigures->item(0, 1)->text(), QStringLiteral("4"));
    QCOMPARE(page.twDayFigures->item(0, 7)->text(), QStringLiteral("6330000"));
    QCOMPARE(page.twDayFigures->item(1, 6)->text(), QStringLiteral("2100"));
    // A failed run leaves nothing to show.
    frm.leIntervalStep->setText(QStringLiteral("0"));
    frm.btnStart->click();
    QVERIFY(!page.isEnabled() && page.ShownCsv() == header);
    UiHooks().SaveFileName = {};
  }

  void startRunsTheFieldsAsTypedAndShowsTheReport() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    frm.btnStart->click();
    QVERIFY2(Engine().CurrentResult && Engine().CurrentResult->Items[0].Result > 0, "nothing read");
    // A second Start, falling over one day; the first result lives through the waiting events.
    frm.pc->setCurrentWidget(frm.tsMain);
    frm.leIntervalFrom->setText(QStringLiteral("2000"));
    frm.leIntervalTo->setText(QStringLiteral("1500"));
    frm.leIntervalStep->setText(QStringLiteral("-500"));
    frm.dtpTo->SetDateTimeValue(EncodeDate(2009, 1, 1));
    std::vector<bool> startEnabled;  // while the waiting events are processed, and at the beep
    Recorded.OnBeep = [&] { startEnabled.push_back(frm.btnStart->isEnabled()); };
    QTimer::singleShot(0, &frm, [&] {
      QVERIFY(Engine().CurrentResult);
      Recorded.OnBeep();
    });
    frm.btnStart->click();
    QCOMPARE(startEnabled, (std::vector<bool>{false, false}));
    QVERIFY(frm.btnStart->isEnabled() && frm.tsGraph->isEnabled());
    QCOMPARE(frm.pc->currentWidget(), frm.tsGraph);
    const TVolatilityRes& result = *Engine().CurrentResult;
    QCOMPARE(std::tuple(result.Count(), result.Items[0].IntervalValue, result.DaysCount),
             std::tuple(2, 2000, 1));
    QCOMPARE(frm.cbByInterval->currentText(), QStringLiteral("2000"));
    QCOMPARE(Engine().Settings.IntervalFrom, 500);  // the fields go to the run only
    const QString report = QString::fromStdString(GetReportText(result));
    QCOMPARE(frm.memReport->toPlainText(), QString(report).remove('\r'));
    QCOMPARE(FileBytes(fixture.File("report.txt")), Utf8ToCp1251(report.toStdString()) + "\r\n");
    QVERIFY(Recorded.ErrorBoxes.empty());
    fixture.Window.reset();
    QVERIFY(!Engine().CurrentResult);  // closing the window stops the engine
  }

  // Step, last, first value are read in that order: the message names the first bad one.
  void failedStartLeavesNoResult_data() {
    QTest::addColumn<QStringList>("fields");  // first, last, step, and the bad one if any
    QTest::addColumn<QString>("said");        // on the graph page and below the link
    const QString notInteger = QStringLiteral("%1: \"%2\" — не целое число");
    const QString step = QStringLiteral("Шаг интервала");
    QTest::newRow("letters") << QStringList{"500", "2000", "abc", "abc"}
                             << notInteger.arg(step, "abc");
    QTest::newRow("empty") << QStringList{"500", "2000", "", ""} << notInteger.arg(step, "");
    QTest::newRow("zero: the run fails")
        << QStringList{"500", "2000", "0"} << QStringLiteral("Шаг интервала не может быть 0");
    QTest::newRow("step first") << QStringList{"y", "x", "s", "s"} << notInteger.arg(step, "s");
    QTest::newRow("then last") << QStringList{"y", "x", "100", "x"}
                               << notInteger.arg(QStringLiteral("Конечный интервал"), "x");
    QTest::newRow("then first") << QStringList{"y", "900", "100", "y"}
                                << notInteger.arg(QStringLiteral("Начальный интервал"), "y");
    QTest::newRow("blanks count") << QStringList{"500", "900 ", "100", "900 "}
                                  << notInteger.arg(QStringLiteral("Конечный интервал"), "900 ");
  }
  void failedStartLeavesNoResult() {
    QFETCH(QStringList, fields);
    QFETCH(QString, said);
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    frm.acStart->trigger();
    const std::string reportFile = FileBytes(fixture.File("report.txt"));
    frm.pc->setCurrentWidget(frm.tsMain);
    frm.leIntervalFrom->setText(fields[0]);
    frm.leIntervalTo->setText(fields[1]);
    frm.leIntervalStep->setText(fields[2]);
    frm.btnStart->click();
    QVERIFY(!Engine().CurrentResult && frm.acStart->isEnabled() && !frm.tsGraph->isEnabled());
    QVERIFY(frm.pc->currentWidget() == frm.tsGraph && Recorded.Beeps == 2);
    QVERIFY(!reportFile.empty() && FileBytes(fixture.File("report.txt")) == reportFile);
    const QString shown = frm.memReport->toPlainText();
    if (fields.size() > 3) {
      QCOMPARE(shown, "'" + fields[3] + "' is not a valid integer value");
    }
    const std::string logged = kFixedStamp + Utf8ToCp1251(shown.toStdString());
    QCOMPARE(LastLine(FileBytes(fixture.File("Melquon.log"))), logged);
    QVERIFY(!shown.isEmpty() && Recorded.ErrorBoxes.empty());
    QCOMPARE(frm.lblGraphFailure->text(), QStringLiteral("Расчёт не выполнен: ") + said);
    QCOMPARE(frm.lblSummary->text(), frm.lblGraphFailure->text());
    QVERIFY(!frm.lblGraphFailure->isHidden());
    frm.leIntervalFrom->setText(QStringLiteral("500"));
    frm.leIntervalTo->setText(QStringLiteral("900"));
    frm.leIntervalStep->setText(QStringLiteral("100"));
    frm.btnStart->click();
    QVERIFY(Engine().CurrentResult && frm.lblGraphFailure->isHidden());
  }

  // Each failure a run raises is told by what it concerns; a place in the pattern is counted in
  // FindWhat as written, "$CONTRACT" and all.
  void startFailuresNameWhatTheyConcern() {
    const auto told = [](auto aFailure) {
      try {
        throw aFailure;
      } catch (...) {
        return StartFailureText("^$CONTRACT;(x", "RIH9");
      }
    };
    QCOMPARE(told(std::runtime_error("Invalid regular expression at offset 3: oops")),
             "Шаблон FindWhat: oops (позиция 1)");
    QCOMPARE(told(std::runtime_error("Invalid regular expression at offset 8: oops")),
             "Шаблон FindWhat: oops (позиция 13)");
    QCOMPARE(told(std::length_error("The replaced text is too long")),
             "Замена ReplaceWith: The replaced text is too long");
    QVERIFY(
        told(std::length_error("The result set of 9 interval values")).starts_with("Интервалы:"));
    QCOMPARE(told(std::out_of_range("x")),
             "Даты: период выходит за пределы календаря (годы 1–9999)");
    QCOMPARE(told(EInOutError("Cannot read file \"a\"")), "Файл дня: Cannot read file \"a\"");
    QCOMPARE(told(ERunCancelled()), "Расчёт прерван");
    QCOMPARE(told(std::runtime_error("other")), "other");
  }

  // The report page writes the report file's bytes and melquon-cli's CSV, in each separator;
  // a file that can't be written is named and nothing is left of it.
  void reportPageExportsWhatTheToolWrites() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    frm.btnStart->click();
    std::string offered;
    std::string target = fixture.File("export.txt");
    UiHooks().SaveFileName = [&](const std::string& aSuggested) {
      offered = aSuggested;
      return target;
    };
    frm.sbtnSaveReport->click();
    QCOMPARE(offered, "RIH9_2009-01-01_2009-01-02_report.txt");
    QCOMPARE(FileBytes(target), FileBytes(fixture.File("report.txt")));
    for (const bool semicolon : {false, true}) {
      frm.cbCsvSeparator->setCurrentIndex(semicolon ? 1 : 0);
      QCOMPARE(frm.chkCsvDecimal->isEnabled(), semicolon);
      frm.chkCsvDecimal->setChecked(semicolon);
      target = fixture.File(semicolon ? "semicolon.csv" : "comma.csv");
      frm.sbtnSaveCsv->click();
      QCOMPARE(offered, "RIH9_2009-01-01_2009-01-02_figures.csv");
      const std::string cli = fixture.File("cli.csv");
      const std::string command = std::string("'") + MELQUON_CLI_EXE + "' --quiet --ini '" +
                                  fixture.Ini() + "' --csv '" + cli + "'" +
                                  (semicolon ? " --csv-separator ';' --csv-decimal-comma" : "");
      QCOMPARE(std::system(command.c_str()), 0);
      QCOMPARE(FileBytes(target), FileBytes(cli));
      QCOMPARE(FileBytes(target).find(';') != std::string::npos, semicolon);
    }
    // The choice is kept in the settings file and shown again by the next window.
    QVERIFY(FileBytes(fixture.Ini())
                .ends_with("\r\n[WINDOW]\r\nCsvSeparator=semicolon\r\nCsvDecimal=1\r\n"));
    QVERIFY(frm.memIni->toPlainText().contains("[WINDOW]\nCsvSeparator=semicolon\nCsvDecimal=1") &&
            !frm.memIni->document()->isModified());
    target = fixture.File("no-such-folder/x.csv");
    frm.sbtnSaveCsv->click();
    QCOMPARE(Recorded.ErrorBoxes.size(), std::size_t{1});
    QVERIFY(Recorded.ErrorBoxes[0].find(target) != std::string::npos);
    QVERIFY(!QFileInfo::exists(QString::fromStdString(fixture.File("no-such-folder"))));
    UiHooks().SaveFileName = {};
    fixture.Window.reset();
    const TfrmMain next(TfrmMain::TOptions{fixture.Ini(), nullptr});
    QVERIFY(next.cbCsvSeparator->currentIndex() == 1 && next.chkCsvDecimal->isChecked());
  }

  // The chart leaves as PNG and SVG of the size asked for, and as an image on the clipboard.
  void chartExportsAreImagesOfTheSizeAsked() {
    TWindowFixture fixture(kDefaultSection, true);
    TfrmMain& frm = *fixture.Window;
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    frm.btnStart->click();
    frm.acRefreshGraph->trigger();
    QTest::qWait(50);
    std::string offered;
    std::string target;
    UiHooks().ImageSize = [](int, int) { return std::optional(std::pair(640, 400)); };
    UiHooks().SaveFileName = [&](const std::string& aSuggested) {
      offered = aSuggested;
      return target;
    };
    // Not blank: some pixel is the bars' blue.
    const auto drawn = [](const QImage& aImage) {
      for (int y = 0; y < aImage.height(); y += 2)
        for (int x = 0; x < aImage.width(); x += 2)
          if (QColor(aImage.pixel(x, y)) == QColor(Qt::blue))
            return true;
      return false;
    };
    target = fixture.File("chart.png");
    frm.acChartPng->trigger();
    QCOMPARE(offered, "RIH9_2009-01-01_2009-01-02_sum.png");
    const QImage png(QString::fromStdString(target));
    QVERIFY(png.size() == QSize(640, 400) && drawn(png));
    target = fixture.File("chart.svg");
    frm.acChartSvg->trigger();
    QSvgRenderer svg(QString::fromStdString(target));
    QVERIFY(svg.isValid() && svg.viewBox() == QRect(0, 0, 640, 400));
    QImage rendered(640, 400, QImage::Format_ARGB32);
    rendered.fill(Qt::white);
    QPainter painter(&rendered);
    svg.render(&painter);
    painter.end();
    QVERIFY(drawn(rendered));
    frm.acChartCopy->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    QVERIFY(copied.size() == frm.Chart->size() && drawn(copied));
    target = fixture.File("no-such-folder/chart.png");
    frm.acChartPng->trigger();
    QVERIFY(Recorded.ErrorBoxes.size() == 1 &&
            Recorded.ErrorBoxes[0].find(target) != std::string::npos);
    QVERIFY(!QFileInfo::exists(QString::fromStdString(fixture.File("no-such-folder"))));
    UiHooks().ImageSize = {};
    UiHooks().SaveFileName = {};
  }

  // A pattern that does not compile is named with the reason and the place.
  void badPatternIsNamedOnTheGraphPage() {
    TWindowFixture fixture;
    std::string ini = fixture.Settings;
    ini.replace(ini.find("([0-9.]+)"), 9, "([0-9.]+");
    WriteBytes(fixture.Ini(), Utf8ToCp1251(ini));
    fixture.Window->acLoadINI->trigger();
    fixture.Window->btnStart->click();
    QCOMPARE(fixture.Window->lblGraphFailure->text(),
             QStringLiteral("Расчёт не выполнен: Шаблон FindWhat: missing closing parenthesis "
                            "(позиция 25)"));
  }

  void settingsFileAtStartUpLoadAndSave() {
    TWindowFixture fixture(
        "; Значения полей при запуске.\r\nContract=SiM9\r\nDateFrom=05032009\r\n"
        "DateTo=06032009\r\nIntervalFrom=300\r\nIntervalTo=900\r\nIntervalStep=-50\r\n");
    TfrmMain& frm = *fixture.Window;
    QCOMPARE(Engine().IniFileName, fixture.Ini());
    // The Russian comments come through; the file's last line end adds no line to the editor.
    QCOMPARE(frm.memIni->toPlainText() + "\n",
             QString::fromStdString(fixture.Settings).remove('\r'));
    QCOMPARE(Fields(frm), (QStringList{"SiM9", "05.03.2009", "06.03.2009", "300", "900", "-50"}));
    QVERIFY(!Engine().CurrentResult && frm.memReport->toPlainText().isEmpty());
    // Load discards unsaved edits and applies the file to the settings, not to the fields.
    frm.memIni->setPlainText(QStringLiteral("[COMMON]\nnot saved"));
    WriteBytes(fixture.Ini(), Utf8ToCp1251("; Новый файл\r\n[DEFAULT]\r\nContract=LOADED\r\n"));
    frm.sbtnLoad->click();
    QCOMPARE(frm.memIni->toPlainText(), QStringLiteral("; Новый файл\n[DEFAULT]\nContract=LOADED"));
    QCOMPARE(Engine().Settings.Contract + ' ' + frm.leContract->text().toStdString(),
             "LOADED SiM9");
    QVERIFY(QFile::remove(QString::fromStdString(fixture.Ini())));
    frm.memIni->setPlainText(
        QStringLiteral("; Сохранено\n[DEFAULT]\nContract=SAVED\nIntervalFrom=7"));
    frm.acLoadINI->trigger();  // without the file Load changes nothing and says nothing
    QCOMPARE(Engine().Settings.Contract, std::string("LOADED"));
    frm.sbtnSave->click();  // creates the missing file with exactly the editor's text
    QCOMPARE(FileBytes(fixture.Ini()),
             Utf8ToCp1251("; Сохранено\r\n[DEFAULT]\r\nContract=SAVED\r\nIntervalFrom=7"));
    QCOMPARE(std::tuple(Engine().Settings.Contract, Engine().Settings.IntervalFrom, Fields(frm)[3]),
             std::tuple(std::string("SAVED"), 7, QStringLiteral("300")));
    QVERIFY(Recorded.ErrorBoxes.empty() && Recorded.MessageBoxes.empty());
  }

  void linkOpensTheUserGuideAndUnderlinesOnHover() {
    TWindowFixture fixture;
    QLabel* link = fixture.Window->lblLink;
    QVERIFY(!link->font().underline());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(link, &enter);
    QVERIFY(link->font().underline());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    QVERIFY(!link->font().underline());
    QTest::mouseClick(link, Qt::LeftButton);
    const QUrl guide = QUrl::fromLocalFile(QString::fromStdString(fixture.File("user-guide.html")));
    QCOMPARE(Recorded.OpenedUrls, std::vector<QUrl>{guide});
    QTest::mouseClick(fixture.Window->lblAbout, Qt::LeftButton);
    QCOMPARE(Recorded.MessageBoxes.size(), std::size_t{1});
    QVERIFY(QString::fromStdString(Recorded.MessageBoxes[0])
                .contains(QRegularExpression("^Melquon [0-9]+\\.[0-9]+\\.[0-9]+\n")));
    QVERIFY(Recorded.MessageBoxes[0].find(fixture.File("")) != std::string::npos);
  }

  void editorTextAndDateLayoutConversions() {
    const std::pair<std::string, std::string> fileToEditor[] = {
        {"", ""}, {"a\r\nb\r\n", "a\nb"}, {"a\rb\nc", "a\nb\nc"}, {"a\r\n\r\n", "a\n"}};
    for (const auto& [bytes, text] : fileToEditor) {
      QCOMPARE(FileBytesToEditorText(bytes), text);
    }
    // No line break after the last line, but an empty last line keeps the one before it.
    const std::pair<std::string, std::string> editorToFile[] = {
        {"", ""}, {"a\nb", "a\r\nb"}, {"a\n", "a\r\n"}, {"Шаг\nЁж", Utf8ToCp1251("Шаг\r\nЁж")}};
    for (const auto& [text, bytes] : editorToFile) {
      QCOMPARE(EditorTextToFileBytes(text), bytes);
    }
    QVERIFY_THROWS_EXCEPTION(EInOutError, ReadEditorTextFile(TTempFolder().File("missing.ini")));
    QCOMPARE(DatePickerFormat("M/d/yyyy", '-'), QStringLiteral("M-d-yyyy"));
    QCOMPARE(DatePickerFormat("yyyy\"г.\"", '.'), QStringLiteral("yyyy'г.'"));
  }

  void escapedErrorsAreShownLoggedAndTheProgramGoesOn() {
    TTempFolder folder;
    const TfrmMain frm(TfrmMain::TOptions{folder.File("Melquon.ini"), nullptr});  // no such file
    QCOMPARE(Recorded.ErrorBoxes.size(), std::size_t{1});
    const std::string message = Recorded.ErrorBoxes.front();
    QVERIFY(!message.empty() && frm.memIni->toPlainText().isEmpty());
    QCOMPARE(LastLine(FileBytes(LogFileName)), kFixedStamp + Utf8ToCp1251(message));
    QCOMPARE(Fields(frm), (QStringList{"RIH9", "04.03.2009", "04.03.2009", "500", "2000", "100"}));
    RunGuarded([] { throw EInOutError("disk full"); });
    QCOMPARE(LastLine(FileBytes(LogFileName)), kFixedStamp + std::string("disk full"));
    LogFileName.clear();  // before the log is named an error is only shown
    RunGuarded([] { throw 42; });
    RunGuarded([] { throw std::bad_alloc(); });
    QTimer::singleShot(0, [] { throw EConvertError("'x' is not a valid integer value"); });
    QTRY_COMPARE(Recorded.ErrorBoxes,
                 (std::vector<std::string>{message, "disk full", "Unknown error", kOutOfMemoryText,
                                           "'x' is not a valid integer value"}));
    QVERIFY(Recorded.MessageBoxes.empty());
  }

  void saveFailureReachesErrorReporting() {
    TTempFolder folder;
    TfrmMain frm(TfrmMain::TOptions{folder.File("missing/Melquon.ini"), nullptr});
    Recorded = {};
    frm.sbtnSave->click();
    QCOMPARE(Recorded.ErrorBoxes.size(), std::size_t{1});
    QCOMPARE(Recorded.MessageBoxes.at(0), std::string("error rewriting message "));
    QVERIFY(!QFile::exists(QString::fromStdString(folder.File("missing/Melquon.ini"))));
  }

  void graphButtonGroupsChoosersAndTheDateAndIntervalReset() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    QCOMPARE(frm.ViewButtons->checkedButton(), frm.sbtnAllPeriod);
    QCOMPARE(frm.MeasureButtons->checkedButton(), frm.sbtnClosedSumm);
    QVERIFY(!frm.dtpForDate->isEnabled() && !frm.cbByInterval->isEnabled());
    frm.pc->setCurrentWidget(frm.tsGraph);
    frm.acRefreshGraph->trigger();  // no result yet: the page is disabled and nothing is drawn
    QVERIFY(!frm.tsGraph->isEnabled() && fixture.Drawn == "marks no legend");
    auto result = SmallResult();
    result->StartDate = kStart + 0.5;
    fixture.Show(std::move(result));
    QVERIFY(frm.tsGraph->isEnabled() && frm.cbByInterval->count() == 2);
    for (const View view : {ByDay, SingleDay, WholePeriod, SingleDay, ByDay}) {
      fixture.Draw(view, SquareFactor);
      fixture.Draw(view, SquareFactor);  // pressing the button that is down leaves it down
      QCOMPARE(frm.ViewButtons->checkedButton()->objectName(), kViews[view]);
      QCOMPARE(frm.MeasureButtons->checkedButton(), frm.sbtnKFactor);
      QCOMPARE(frm.dtpForDate->isEnabled(), view == SingleDay);
      QCOMPARE(frm.cbByInterval->isEnabled(), view == ByDay);
    }
    for (int shown = 0; shown < 2; ++shown) {  // showing the page resets date and interval
      QCOMPARE(frm.dtpForDate->DateTimeValue(), kStart + 0.5);
      QCOMPARE(frm.cbByInterval->currentText(), QStringLiteral("500"));
      frm.cbByInterval->setCurrentIndex(1);
      frm.dtpForDate->SetDateTimeValue(kStart + 2);
      frm.pc->setCurrentWidget(frm.tsReport);
      frm.pc->setCurrentWidget(frm.tsGraph);
    }
  }

  // Day 1 for the single-day view; the first interval, then the second, for the by-day view.
  // Enter on the main page starts, F5 on the graph page refreshes, Ctrl+S on the settings page
  // saves, each only on its own page.
  // Start with edits of the settings page not saved asks first; each answer does what it says.
  void unsavedSettingsAreMarkedAndStartAsksFirst() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    const auto title = [&] { return frm.pc->tabText(frm.pc->indexOf(frm.tsSettings)); };
    frm.btnStart->click();
    QVERIFY(Recorded.Questions.empty() && Recorded.Beeps == 1);
    const std::string saved = FileBytes(fixture.Ini());
    const std::string question =
        "Настройки изменены, но не сохранены. Сохранить их перед расчётом? [Сохранить] "
        "[Не сохранять] [Отмена]";
    for (const auto& [answer, runs, keeps] :
         {std::tuple(2, false, true), std::tuple(1, true, true), std::tuple(0, true, false)}) {
      frm.memIni->appendPlainText(QStringLiteral("; edited"));
      QCOMPARE(title(), QStringLiteral("Настройки *"));
      QVERIFY(frm.sbtnSave->font().bold() && frm.sbtnSave->text() == QStringLiteral("Сохранить"));
      Recorded.Answer = answer;
      Recorded.Questions.clear();
      const int beeps = Recorded.Beeps;
      frm.btnStart->click();
      QCOMPARE(Recorded.Questions, std::vector<std::string>{question});
      QCOMPARE(Recorded.Beeps - beeps, runs ? 1 : 0);
      QCOMPARE(FileBytes(fixture.Ini()) == saved, keeps);
      QCOMPARE(title(), keeps ? QStringLiteral("Настройки *") : QStringLiteral("Настройки"));
    }
    QVERIFY(!frm.sbtnSave->font().bold());
    QCOMPARE(frm.statusBar()->currentMessage(),
             QString::fromStdString("Настройки сохранены в " + fixture.Ini()));
    Recorded.Answer = 2;
  }

  // The tester reads the settings page as it stands through the run's quote path: a day file
  // of the settings' first day, pasted lines, a pattern that does not compile.
  void patternTesterShowsEachLinesVerdict() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    const auto testerRows = [&frm](TPatternTester& aTester) {
      QStringList rows;
      for (int row = 0; row < aTester.twTestedLines->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < aTester.twTestedLines->columnCount(); ++column)
          cells << aTester.twTestedLines->item(row, column)->text();
        rows << cells.join('|');
      }
      return rows;
    };
    frm.memIni->appendPlainText(
        QStringLiteral("[SKIP INTERVALS]\nSKIPSTART1=1100\nSKIPEND1=1300"));  // not saved
    frm.sbtnTestPattern->click();
    auto* tester = frm.findChild<TPatternTester*>();
    QVERIFY(tester != nullptr);
    QCOMPARE(tester->dtpTestDay->DateTimeValue(), kStart);
    QCOMPARE(testerRows(*tester).mid(1, 2),
             (QStringList{"1|принята|101600|01.01.2009 10:01:00|10:01:00.000|RIH9;101600;01.01."
                          "2009 10:01:00|CONTRACT=101600&DT=01.01.2009 10:01:00",
                          "2|цена не число — другой контракт или строка не подошла к шаблону||||"
                          "SIH9;5000;01.01.2009 10:01:30|SIH9;5000;01.01.2009 10:01:30"}));
    QCOMPARE(tester->lblTestCounts->text(),
             QStringLiteral("Строк: 5; принято: 4; цена не число: 1; в окнах пропуска: 0; DT не "
                            "читается: 0"));
    tester->memPastedLines->setPlainText(
        QStringLiteral("RIH9;1;01.01.2009 25:00:00\nRIH9;2;01.01.2009 12:00:00"));
    tester->btnTestPasted->click();
    QCOMPARE(testerRows(*tester),
             (QStringList{"0|DT не читается: '01.01.2009 25:00:00' is not a valid date and "
                          "time|1|01.01.2009 25:00:00||RIH9;1;01.01.2009 25:00:00|CONTRACT=1&DT=01."
                          "01.2009 25:00:00",
                          "1|в окне пропуска 1|2|01.01.2009 12:00:00|12:00:00.000|RIH9;2;01.01."
                          "2009 12:00:00|CONTRACT=2&DT=01.01.2009 12:00:00"}));
    tester->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frm.findChild<TPatternTester*>() == nullptr);
    QString text = frm.memIni->toPlainText();
    frm.memIni->setPlainText(text.replace(QStringLiteral("([0-9.]+)"), QStringLiteral("([0-9.]+")));
    frm.sbtnTestPattern->click();
    tester = frm.findChild<TPatternTester*>();
    QCOMPARE(tester->lblTestCounts->text(),
             QStringLiteral("Шаблон FindWhat: missing closing parenthesis (позиция 25)"));
    QCOMPARE(tester->twTestedLines->rowCount(), 0);
    QVERIFY(Recorded.ErrorBoxes.empty());
  }

  // The map draws the last run at its own «Обновить», a day without a file apart, and a pinned
  // run's difference on the days and interval values both runs hold.
  void mapPageDrawsTheRunAndItsDifferenceFromAPinnedOne() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    TMapPage& page = *frm.tsMap;
    frm.dtpTo->SetDateTimeValue(kStart + 2);  // 3 January has no file
    frm.btnStart->click();
    QVERIFY(page.MapView->Map().Days.empty());
    page.btnMapRefresh->click();
    const TResultMap& map = page.MapView->Map();
    QCOMPARE(page.MapView->Cells().size(), QSize(16, 3));
    const TVolatilityRes& result = *Engine().CurrentResult;
    QCOMPARE(map.Count(1, 0), result.Items[0].ResultPerDays[1]);
    QCOMPARE(map.DayHasFile, (std::vector<bool>{true, true, false}));
    QCOMPARE(QColor(page.MapView->Cells().pixel(0, 2)), QColor(200, 200, 200));
    QVERIFY(
        page.MapView->CellText(0, 0).starts_with("01.01.2009, интервал 500\nзакрыто позиций: "));
    QVERIFY(page.MapView->CellText(0, 0).find("тиков: 4") != std::string::npos);
    page.btnMapPin->click();
    frm.leIntervalFrom->setText(QStringLiteral("1000"));
    frm.leIntervalTo->setText(QStringLiteral("2500"));
    frm.btnStart->click();
    page.chkMapDifference->setChecked(true);
    page.btnMapRefresh->click();
    const TResultMap& difference = page.MapView->Map();
    QCOMPARE(difference.IntervalValues.front(), 1000);
    QCOMPARE(difference.IntervalValues.back(), 2000);
    QCOMPARE(difference.Counts, std::vector<std::int32_t>(33, 0));
    QVERIFY(page.lblMapTitle->text().contains(QStringLiteral("минус закреплённый: RIH9")));
    QVERIFY(page.lblMapTitle->text().contains(QStringLiteral("только общие дни и интервалы")));
    // The scale signature of both runs, the pinned one pinned on the map page.
    TScalePage& scale = *frm.tsScale;
    scale.btnScaleRefresh->click();
    const TVolatilityRes& second = *Engine().CurrentResult;
    QCOMPARE(scale.DrawnCurrent.size(), std::size_t{16});
    QCOMPARE(scale.DrawnPinned.size(), std::size_t{16});
    QCOMPARE(scale.DrawnCurrent[0], std::pair(1000.0, 1000.0 * second.Items[0].Result));
    QCOMPARE(scale.DrawnPinned[0].first, 500.0);
    QVERIFY(scale.lblScaleTitle->text().contains(QStringLiteral("Закреплённый (красный): RIH9")));
    scale.chkScaleLogY->setChecked(true);
    scale.cbScaleMeasure->setCurrentIndex(1);
    scale.btnScaleRefresh->click();
    for (const auto& [interval, square] : scale.DrawnCurrent)
      QVERIFY(square > 0 && std::fmod(square, interval * interval) == 0);
    // Both pages leave the window as pictures of the size asked and as CSV.
    std::string target;
    UiHooks().ImageSize = [](int, int) { return std::optional(std::pair(300, 200)); };
    UiHooks().SaveFileName = [&](const std::string&) { return target; };
    target = fixture.File("map.png");
    page.MapExports.Png->trigger();
    QCOMPARE(QImage(QString::fromStdString(target)).size(), QSize(300, 200));
    target = fixture.File("map.csv");
    page.MapExports.Csv->trigger();
    QVERIFY(FileBytes(target) == page.DrawnCsv() &&
            FileBytes(target).starts_with("date,interval,closed_positions_change,"));
    target = fixture.File("scale.svg");
    scale.ScaleExports.Svg->trigger();
    QCOMPARE(QSvgRenderer(QString::fromStdString(target)).viewBox(), QRect(0, 0, 300, 200));
    target = fixture.File("scale.csv");
    scale.ScaleExports.Csv->trigger();
    QVERIFY(
        FileBytes(target).starts_with("run,interval,closed_points,square_factor\r\ncurrent,1000,"));
    UiHooks().ImageSize = {};
    UiHooks().SaveFileName = {};
  }

  void keysStartRefreshAndSaveOnTheirPages() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    frm.leIntervalStep->setFocus();
    QTest::keyClick(frm.leIntervalStep, Qt::Key_Return);
    QVERIFY(Recorded.Beeps == 1 && Engine().CurrentResult);
    QCOMPARE(frm.pc->currentWidget(), frm.tsGraph);
    fixture.Drawn.clear();
    frm.sbtnAllPeriod->setFocus();
    QTest::keyClick(frm.sbtnAllPeriod, Qt::Key_Return);
    QTest::keyClick(frm.sbtnAllPeriod, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(fixture.Drawn.empty() && Recorded.Beeps == 1);
    QTest::keyClick(frm.sbtnAllPeriod, Qt::Key_F5);
    QVERIFY(!fixture.Drawn.empty());
    frm.pc->setCurrentWidget(frm.tsSettings);
    frm.memIni->setFocus();
    frm.memIni->appendPlainText(QStringLiteral("; edited"));
    QTest::keyClick(frm.memIni, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(FileBytes(fixture.Ini()).find("; edited") != std::string::npos);
  }

  void graphDrawsTheChosenMeasureAndKeepsItUntilRefresh() {
    TWindowFixture fixture;
    fixture.Show(SmallResult());
    fixture.Window->dtpForDate->SetDateTimeValue(kStart + 1);
    const std::tuple<View, Chosen, std::string> rows[] = {
        {WholePeriod, Count, "values 500:3 600:1"},
        {WholePeriod, Points, "values 500:1500 600:600"},
        {WholePeriod, SquareFactor, "values 500:750000 600:360000"},
        {ByDay, Count, "dates 39814:0 39815:3 39816:0"},
        {ByDay, Points, "dates 39814:0 39815:1500 39816:0"},
        {ByDay, SquareFactor, "dates 39814:0 39815:750000 39816:0"},
        {SingleDay, Count, "values 500:3 600:0"},
        {SingleDay, Points, "values 500:1500 600:0"},
        {SingleDay, SquareFactor, "values 500:750000 600:0"},
    };
    for (const auto& [view, measure, drawn] : rows) {
      QCOMPARE(fixture.Draw(view, measure), drawn);
    }
    fixture.Window->cbByInterval->setCurrentIndex(1);
    QCOMPARE(fixture.Draw(ByDay, Count), "dates 39814:1 39815:0 39816:0");
    auto huge = std::make_unique<TVolatilityRes>(1, kStart, 2000000000, 1, 1);
    huge->Items[0].Result = std::numeric_limits<std::int32_t>::max();
    fixture.Show(std::move(huge));
    QCOMPARE(fixture.Draw(WholePeriod, SquareFactor), "values 2000000000:8.589934588e+27");
    // The chart keeps what it drew through a view change, a new result and a failed Start.
    fixture.Window->sbtnIntervalByDates->click();
    fixture.Show(SmallResult());
    fixture.Window->leIntervalStep->setText(QStringLiteral("abc"));
    fixture.Window->acStart->trigger();
    QVERIFY(!Engine().CurrentResult);
    fixture.Window->acRefreshGraph->trigger();
    QCOMPARE(fixture.Drawn, "values 2000000000:8.589934588e+27");
    fixture.Show(SmallResult());
    fixture.Window->acRefreshGraph->trigger();  // draws what the buttons now choose
    QCOMPARE(fixture.Drawn, "dates 39814:0 39815:750000 39816:0");
  }

  void graphRefreshPutsADateOutsideTheRunBackToTheStart() {
    TWindowFixture fixture;
    auto result = SmallResult();
    result->Items[1].ResultPerDays = {1, 0, 7};
    fixture.Show(std::move(result));
    const std::tuple<TDateTime, View, TDateTime, std::string> rows[] = {
        {kStart + 3, SingleDay, kStart, "values 500:0 600:1"},
        {kStart - 0.001, SingleDay, kStart, "values 500:0 600:1"},
        {kStart + 2.9, SingleDay, kStart + 2.9, "values 500:0 600:7"},  // the last day stays
        {kStart + 400, ByDay, kStart, "dates 39814:0 39815:3 39816:0"}};
    for (const auto& [date, view, after, drawn] : rows) {
      fixture.Window->dtpForDate->SetDateTimeValue(date);
      QCOMPARE(fixture.Draw(view, Count), drawn);
      QCOMPARE(fixture.Window->dtpForDate->DateTimeValue(), after);
    }
    const std::tuple<View, int, int> empty[] = {
        {ByDay, 2, 0}, {SingleDay, 0, 2}, {SingleDay, -3, 2}};
    for (const auto& [view, days, elements] : empty) {  // no elements, no days: an empty chart
      fixture.Show(std::make_unique<TVolatilityRes>(days, kStart, 500, 100, elements));
      QCOMPARE(fixture.Draw(view, Count), view == ByDay ? "dates" : "values");
      QCOMPARE(fixture.Window->dtpForDate->DateTimeValue(), kStart);
    }
    QVERIFY(Recorded.ErrorBoxes.empty());
  }

  void graphBarsOfANegativeStepStandInAscendingOrder() {
    TWindowFixture fixture(kDefaultSection, true);
    const TQtBarChart& chart = fixture.Window->QtChart();
    auto result = std::make_unique<TVolatilityRes>(1, kStart, 2000, -100, 16);
    QStringList intervals;
    for (int i = 15; i >= 0; --i) {
      result->Items[i].Result = 15 - i;
      intervals << QString::number(result->Items[i].IntervalValue);
    }
    fixture.Show(std::move(result));
    fixture.Draw(WholePeriod, Count);
    Engine().CurrentResult.reset();  // the chart keeps its own copy of what it drew
    QCOMPARE(intervals.front() + ' ' + intervals.back(), QStringLiteral("500 2000"));
    QCOMPARE(QStringList(chart.AxisLabels().begin(), chart.AxisLabels().end()), intervals);
    QCOMPARE(chart.ShownAxisLabels(), intervals);  // 16 labels have room enough
    QCOMPARE(std::tuple(chart.Bars()->count(), chart.Bars()->at(0), chart.Bars()->at(15)),
             std::tuple(16, 0.0, 15.0));
    QCOMPARE(fixture.Window->Series1, chart.Series());
  }

  // The application object puts the C library in the user's locale: what a Start logs, the main
  // page's fields and the chart's labels read as they do in the C locale.
  void userLocaleLeavesEveryTextAsInC_data() {
    QTest::addColumn<QString>("locale");
    for (const char* locale : kUserLocales) {
      QTest::newRow(locale) << QString::fromLatin1(locale);
    }
  }
  void userLocaleLeavesEveryTextAsInC() {
    QFETCH(QString, locale);
    const auto start = [](QString& aTexts) {
      TWindowFixture fixture(kDefaultSection, true);
      WriteBytes(fixture.File("090101.txt"),
                 "RIH9;100000.25;01.01.2009 10:00:00\r\nRIH9;101600.5;01.01.2009 10:01:00\r\n"
                 "RIH9;100000;01.01.2009 10:02:00\r\n");
      fixture.Window->btnStart->click();
      fixture.Draw(WholePeriod, Count);
      const TQtBarChart& chart = fixture.Window->QtChart();
      aTexts = Fields(*fixture.Window).join('|') + '\n' +
               QStringList(chart.AxisLabels().begin(), chart.AxisLabels().end()).join('|') + '\n' +
               QString::fromStdString(Cp1251ToUtf8(FileBytes(fixture.File("Melquon.log"))));
      aTexts.replace(QString::fromStdString(fixture.File("")), QStringLiteral("<folder>/"));
    };
    QString home, texts;
    {
      const ScopedProcessLocale c("C");
      start(home);
    }
    QVERIFY2(home.startsWith("RIH9|01.01.2009|02.01.2009|500|2000|100\n500|600|700|"),
             qPrintable(home));
    QVERIFY2(home.contains("aQuoteValue=100000,25; StartContractPrice=100000,25\r\n"),
             qPrintable(home));
    QVERIFY2(home.contains("old MaxContractPrice=101600,5; new MaxContractPrice=100000;"),
             qPrintable(home));
    const ScopedProcessLocale user(qPrintable(locale));
    if (!user.Active()) {
      QSKIP(qPrintable("the locale " + locale + " is not installed"));
    }
    start(texts);
    QCOMPARE(texts, home);
  }

  // Which labels and marks a chart of any number of bars shows, as a plain value.
  void barLayoutForAnyNumberOfBars_data() {
    QTest::addColumn<int>("bars");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<bool>("dates");
    QTest::addColumn<bool>("marksWanted");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("labelled");
    QTest::newRow("1") << 1 << 0 << 0 << false << true << 1 << "flat"
                       << "0";
    QTest::newRow("16") << 16 << 0 << 15 << false << true << 1 << "flat"
                        << "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15";
    QTest::newRow("40: marks stand") << 40 << 0 << 39 << false << true << 5 << "upright"
                                     << "0 5 10 15 20 25 30 35";
    QTest::newRow("16, no marks wanted") << 16 << 0 << 15 << false << false << 1 << "none"
                                         << "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15";
    QTest::newRow("491 days") << 491 << 0 << 490 << true << true << 20 << "none"
                              << "0 20 40 60 80 100 120 140 160 180 200 220 240 260 280 300 320 "
                                 "340 360 380 400 420 440 460 480";
    QTest::newRow("3000") << 3000 << 0 << 2999 << false << true << 200 << "none"
                          << "0 200 400 600 800 1000 1200 1400 1600 1800 2000 2200 2400 2600 2800";
    QTest::newRow("3000 zoomed to 20") << 3000 << 101 << 120 << false << true << 2 << "flat"
                                       << "102 104 106 108 110 112 114 116 118 120";
    QTest::newRow("100000") << 100000 << 0 << 99999 << false << true << 10000 << "none"
                            << "0 10000 20000 30000 40000 50000 60000 70000 80000 90000";
  }
  void barLayoutForAnyNumberOfBars() {
    QFETCH(int, bars);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(bool, dates);
    QFETCH(bool, marksWanted);
    QFETCH(int, step);
    QFETCH(QString, marks);
    QFETCH(QString, labelled);
    // An 800-pixel plot, labels 40 wide, marks 30 wide, lines 15 high.
    const TBarLayoutInput input{static_cast<std::size_t>(bars),
                                static_cast<std::size_t>(first),
                                static_cast<std::size_t>(last),
                                800.0,
                                40.0,
                                30.0,
                                15.0,
                                dates,
                                marksWanted};
    const TBarLayout layout = LayOutBars(input);
    QCOMPARE(layout.LabelStep, static_cast<std::size_t>(step));
    QCOMPARE(QString(!layout.MarksShown    ? "none"
                     : layout.UprightMarks ? "upright"
                                           : "flat"),
             marks);
    QStringList shown;
    for (const std::size_t bar : layout.LabelledBars(input.First, input.Last)) {
      shown << QString::number(bar);
    }
    QCOMPARE(shown.join(' '), labelled);
    // Neighbouring labels never touch: each has its width and a gap before the next.
    const double slot = input.PlotWidth / (last - first + 1);
    QVERIFY(static_cast<double>(layout.LabelStep) * slot >= (dates ? 15.0 : 40.0) + 6.0);
  }

  // The chart puts any number of bars in at once and lays out only what fits; zoomed, it shows
  // the labels and marks of the bars in view.
  void chartThinsItsLabelsAndZooms() {
    QChartView view;
    view.resize(900, 500);
    TQtBarChart chart(&view);
    chart.ShowMarks(true);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    chart.BeginUpdate();
    for (int bar = 0; bar < 3000; ++bar) {
      chart.AddPoint(500.0 + 100.0 * bar, bar % 7, "", kSeriesColor);
    }
    QCOMPARE(chart.Bars()->count(), 0);  // nothing reaches the drawing before the end
    chart.EndUpdate();
    QCOMPARE(chart.Bars()->count(), 3000);
    QVERIFY(!chart.Series()->isLabelsVisible());
    const QStringList all = chart.ShownAxisLabels();
    QVERIFY2(all.size() >= 5 && all.size() <= 30, qPrintable(all.join(' ')));
    QCOMPARE(all.front(), QStringLiteral("500"));
    chart.ZoomToBars(100, 109);
    QCOMPARE(std::pair(chart.XAxis()->min(), chart.XAxis()->max()), std::pair(99.5, 109.5));
    QCOMPARE(chart.ShownAxisLabels(), (QStringList{"10500", "10600", "10700", "10800", "10900",
                                                   "11000", "11100", "11200", "11300", "11400"}));
    QVERIFY(chart.Series()->isLabelsVisible());
    chart.ZoomToBars(-50, 0);  // at least two bars stay in view, none before the first
    QCOMPARE(std::pair(chart.XAxis()->min(), chart.XAxis()->max()), std::pair(-0.5, 1.5));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton);
    QCOMPARE(std::pair(chart.XAxis()->min(), chart.XAxis()->max()), std::pair(-0.5, 2999.5));
    QCOMPARE(chart.ShownAxisLabels(), all);
    QCOMPARE(chart.BarToolTip(2), QStringLiteral("700: 2"));
    QCOMPARE(chart.BarToolTip(3000), QString());
  }

  // A notice shows the start of a long text, each line cut, and "…" for the rest.
  void noticeSummaryCutsLinesAndLength() {
    // Each row: text, at most two lines of at most five characters, the summary, whether cut.
    const std::tuple<std::string, std::string, bool> rows[] = {
        {"short", "short", false},         {"a\r\nb", "a\nb", false},
        {"a\nb\rc", "a\nb\n…", true},      {"abcdefg", "abcde…", true},
        {"Отчёт за день", "Отчёт…", true}, {"", "", false}};
    for (const auto& [text, expected, cut] : rows) {
      const TNoticeSummary summary = SummarizeNotice(text, 2, 5);
      QCOMPARE(summary.Text, expected);
      QCOMPARE(summary.Cut, cut);
    }
  }

  // A notice holding a whole report stays smaller than the screen; the report scrolls in its
  // «Подробнее» part, which only a cut text has.
  void longNoticeIsBoundedByTheScreen() {
    std::string report = "error rewriting message За весь период по интервалам:\r\n\r\n";
    for (int line = 0; line < 700; ++line) {
      report +=
          "Интервал: 500     ; закрыто позиций: 12      ; закрыто пунктов: 6000    ; "
          "КвадратФактор: 3000000\r\n";
    }
    TNoticeBox box(report, false);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QRect screen = box.screen()->availableGeometry();
    QVERIFY(box.height() <= screen.height() && box.width() <= screen.width());
    QVERIFY(box.Summary()->text().startsWith(
        "error rewriting message За весь период по интервалам:\n\nИнтервал: 500"));
    QVERIFY(box.Summary()->text().endsWith("…"));
    QVERIFY(box.DetailsButton()->isVisible() && !box.WholeText()->isVisible());
    QCOMPARE(box.DetailsButton()->text(), QStringLiteral("Подробнее"));
    box.DetailsButton()->click();
    QVERIFY(box.WholeText()->isVisible());
    QCOMPARE(box.WholeText()->toPlainText(), QString::fromStdString(report).remove('\r'));
    QVERIFY(box.height() <= screen.height());
    QVERIFY(box.WholeText()->verticalScrollBar()->maximum() > 0);  // the report scrolls
    box.OkButton()->click();
    QVERIFY(!box.isVisible() && box.result() == QDialog::Accepted);

    const TNoticeBox plain("error writing message x", true);
    QCOMPARE(plain.Summary()->text(), QStringLiteral("error writing message x"));
    QVERIFY(plain.DetailsButton()->isHidden());
  }

  // Start runs in a worker thread: its log is the blocking run's line for line, and the main page
  // then says what the run read, or why it counted nothing.
  void startLogsAsTheBlockingRunAndSaysWhatItRead() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    frm.btnStart->click();
    const std::string windowLog = FileBytes(fixture.File("Melquon.log"));
    Calculate("RIH9", 500, 2000, EncodeDate(2009, 1, 1), EncodeDate(2009, 1, 3), 100);
    QCOMPARE(FileBytes(fixture.File("Melquon.log")), windowLog);
    const QString summary = frm.lblSummary->text();
    QVERIFY2(summary.startsWith("Контракт RIH9, 01.01.2009 – 02.01.2009, интервалы 500 – 2000 с "
                                "шагом 100\nДней: 2, с файлом: 2, без файла: 0\nСтрок "
                                "прочитано: 7; принято: 6; в окнах пропуска: 0; с нечитаемыми "
                                "датой и временем: 0; без цены (другие контракты и строки не по "
                                "шаблону): 1\nВремя: "),
             qPrintable(summary));
    QVERIFY(!summary.contains("Ничего не посчитано"));
    frm.pc->setCurrentWidget(frm.tsMain);
    frm.leContract->setText(QStringLiteral("LKH9"));
    frm.btnStart->click();
    QVERIFY2(frm.lblSummary->text().contains(
                 "\nНичего не посчитано: ни одна строка не подошла к шаблону FindWhat для "
                 "контракта LKH9.\nШаблон: ^LKH9;([0-9.]+);(.+)$\nПервые строки первого файла:\n"
                 "  RIH9;100000;01.01.2009 10:00:00\n"),
             qPrintable(frm.lblSummary->text()));
  }

  // Each reason why a run counted nothing reaches the main page with its evidence.
  void summarySaysWhyNothingWasCounted_data() {
    QTest::addColumn<QString>("dayFile");  // the first day's new text; empty: no files at all
    QTest::addColumn<QString>("reason");
    QTest::newRow("no file") << QString() << "Ничего не посчитано: не найден ни один файл дня.";
    QTest::newRow("no match") << "SIH9;1;01.01.2009 10:00:00\r\n"
                              << "Ничего не посчитано: ни одна строка не подошла к шаблону "
                                 "FindWhat для контракта RIH9.\nШаблон: ^RIH9;([0-9.]+);(.+)$\n"
                                 "Первые строки первого файла:\n  SIH9;1;01.01.2009 10:00:00";
    QTest::newRow("DT") << "RIH9;100;вчера\r\n"
                        << "Ничего не посчитано: ни в одной строке не прочитаны дата и время "
                           "(DT). Первое значение DT: «вчера».\nОжидаются дата в виде "
                           "dd.MM.yyyy и время в виде H:mm:ss.";
    QTest::newRow("price") << "RIH9;1.2.3;01.01.2009 10:00:00\r\n"
                           << "Ничего не посчитано: ни одна цена (CONTRACT) не прочитана. Первое "
                              "значение CONTRACT: «1.2.3».\nЦена пишется цифрами, с точкой "
                              "перед дробной частью.";
  }
  void summarySaysWhyNothingWasCounted() {
    QFETCH(QString, dayFile);
    QFETCH(QString, reason);
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    QFile::remove(QString::fromStdString(fixture.File("090102.txt")));
    if (dayFile.isEmpty()) {
      QFile::remove(QString::fromStdString(fixture.File("090101.txt")));
    } else {
      WriteBytes(fixture.File("090101.txt"), Utf8ToCp1251(dayFile.toStdString()));
    }
    frm.btnStart->click();
    const QString summary = frm.lblSummary->text();
    QVERIFY2(summary.contains("\n" + reason), qPrintable(summary));
    if (dayFile.isEmpty()) {
      QVERIFY(summary.endsWith(QString::fromStdString(fixture.File("090101.txt")) +
                               "\nПроверьте ArchivePath (в конце нужен разделитель) и "
                               "DataFileTemplate."));
    }
  }

  // «Прервать» in the progress window ends the run as a failed one: no result, the report file
  // as it was, and the message.
  void cancelledStartLeavesNoResultAndTheReport() {
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    frm.btnStart->click();
    const std::string report = FileBytes(fixture.File("report.txt"));
    QVERIFY(!report.empty());
    // Twenty thousand interval values over eighty thousand lines with prices beyond 2^30, which
    // every counter takes on every quote: seconds of work.
    std::string day;
    for (int line = 0; line < 80000; ++line) {
      day += "RIH9;" + std::to_string(2000000000 + line % 977) + ";01.01.2009 10:00:00\r\n";
    }
    WriteBytes(fixture.File("090101.txt"), day);
    frm.pc->setCurrentWidget(frm.tsMain);
    frm.leIntervalFrom->setText(QStringLiteral("1"));
    frm.leIntervalTo->setText(QStringLiteral("20000"));
    frm.leIntervalStep->setText(QStringLiteral("1"));
    QString shown;
    QTimer::singleShot(700, [&] {
      auto* window = frm.findChild<TRunProgressWindow*>("RunProgress");
      QVERIFY(window != nullptr && window->isVisible());
      shown = window->DayLabel()->text();
      window->CancelButton()->click();
    });
    frm.btnStart->click();
    QCOMPARE(shown, QStringLiteral("День 1 из 2: 01.01.2009"));
    QVERIFY(!Engine().CurrentResult);
    QCOMPARE(frm.memReport->toPlainText(), QStringLiteral("Расчёт прерван"));
    QCOMPARE(frm.lblSummary->text(), QStringLiteral("Расчёт не выполнен: Расчёт прерван"));
    QCOMPARE(FileBytes(fixture.File("report.txt")), report);
    QCOMPARE(LastLine(FileBytes(fixture.File("Melquon.log"))),
             kFixedStamp + Utf8ToCp1251("Расчёт прерван"));
    QVERIFY(frm.btnStart->isEnabled() && Recorded.Beeps == 2);
  }

  // A date typed into a picker after a click into one of its sections stays in that picker,
  // with or without its separators; every other field keeps what it had.
  void typedDatesStayInTheirPicker_data() {
    QTest::addColumn<QString>("picker");
    QTest::addColumn<int>("clickAt");  // the character clicked: 0 day, 3 month, 6 year
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    for (const char* picker : {"dtpFrom", "dtpTo"}) {
      const QString from = picker == std::string("dtpFrom") ? "01.01.2009" : "02.01.2009";
      const auto row = [&](const char* aName) -> QTestData& {
        return QTest::newRow(qPrintable(QString(picker) + ' ' + aName)) << QString(picker);
      };
      row("10.06.2010") << 0 << QString("10.06.2010") << QString("10.06.2010");
      row("10062010") << 0 << QString("10062010") << QString("10.06.2010");
      row("1.6.2010") << 0 << QString("1.6.2010") << QString("01.06.2010");
      row("month 06") << 3 << QString("06") << from.left(3) + "06.2009";
      row("year 2011, dots after") << 6 << QString("2011...") << from.left(6) + "2011";
    }
  }
  void typedDatesStayInTheirPicker() {
    QFETCH(QString, picker);
    QFETCH(int, clickAt);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    TWindowFixture fixture;
    TfrmMain& frm = *fixture.Window;
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    auto* dtp = frm.findChild<TDatePicker*>(picker);
    QStringList expected = Fields(frm);
    expected[picker == "dtpFrom" ? 1 : 2] = shown;
    QLineEdit* edit = dtp->findChild<QLineEdit*>();
    const QFontMetrics metrics(edit->font());
    const int x = edit->contentsMargins().left() + 4 +
                  metrics.horizontalAdvance(edit->text().left(clickAt)) +
                  metrics.horizontalAdvance('0') / 2;
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x, edit->height() / 2));
    QTest::keyClicks(QApplication::focusWidget(), typed);
    QCOMPARE(Fields(frm), expected);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dtp));
  }

  void chartLooks() {
    QChartView view;
    view.resize(900, 500);
    TQtBarChart chart(&view);
    chart.ShowLegend(false);
    chart.ShowMarks(true);
    QVERIFY(!chart.Chart()->legend()->isVisible() && chart.Chart()->title().isEmpty());
    QCOMPARE(chart.Bars()->color(), QColor(Qt::blue));
    QCOMPARE(chart.Series()->labelsPosition(), QAbstractBarSeries::LabelsOutsideEnd);
    QVERIFY(!chart.Series()->isLabelsVisible());  // no bars, no marks
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    chart.SetXDateTime(true);
    for (const double x : {kStart + 1, kStart, kStart + 0.5}) {  // the last reads like the second
      chart.AddPoint(x, x - kStart + 1, "", kSeriesColor);
    }
    QCOMPARE(chart.ShownAxisLabels(),
             (QStringList{"01.01.2009", "01.01.2009\u200B", "02.01.2009"}));
    QCOMPARE(std::tuple(chart.Bars()->at(0), chart.Bars()->at(1), chart.Bars()->at(2)),
             std::tuple(1.0, 1.5, 2.0));
    QTRY_VERIFY(chart.Chart()->plotArea().width() > 0);
    QVERIFY(chart.Series()->isLabelsVisible());
    QCOMPARE(chart.Series()->labelsAngle(), 0.0);
    for (int x = 0; x < 40; ++x) {
      chart.AddPoint(kStart + 2 + x, 5750000, "", kSeriesColor);
    }
    QCOMPARE(chart.Series()->labelsAngle(), -90.0);  // marks wider than their bars stand up
    QCOMPARE(chart.YAxis()->max(), ValueAxisRange(0, 5750000).Top);
    chart.Clear();
    QVERIFY(chart.Bars()->count() == 0 && chart.ShownAxisLabels().empty());
    QCOMPARE(chart.YAxis()->max(), 1.0);
  }

  void valueAxisLeavesRoomForTheMarks() {
    // Each row: lowest and highest value, then the axis's bottom, top and tick step.
    const std::array<double, 5> ranges[] = {
        {0, 0, 0, 1, 1}, {0, 3, 0, 4, 1}, {0, 60000, 0, 80000, 20000}, {-10, 20, -20, 30, 10}};
    for (const auto& [lowest, highest, bottom, top, step] : ranges) {
      const TValueRange range = ValueAxisRange(lowest, highest);
      QCOMPARE((QList<double>{range.Bottom, range.Top, range.Step}),
               (QList<double>{bottom, top, step}));
    }
  }

  // Pictures of every page after a calculation on the sample archive beside the executable,
  // for a person to look at; only when MELQUON_SCREENSHOTS names their folder.
  void screenshots() {
    const QString folder = qEnvironmentVariable("MELQUON_SCREENSHOTS");
    if (folder.isEmpty()) {
      QSKIP("MELQUON_SCREENSHOTS names no folder");
    }
    RegionalFormats() = FormatsFromSystemLocale();
    TfrmMain frm;
    frm.show();
    const auto save = [&](const QString& aName) {
      QTest::qWait(300);  // the window lays itself out and paints before it is grabbed
      QVERIFY(frm.grab().save(folder + '/' + aName + ".png"));
    };
    const auto draw = [&](QToolButton* aView, QToolButton* aMeasure, const QString& aName) {
      aView->click();
      aMeasure->click();
      frm.acRefreshGraph->trigger();
      save(aName);
    };
    save("1-main");
    frm.acStart->trigger();
    draw(frm.sbtnAllPeriod, frm.sbtnClosedSumm, "2-graph-whole-period");
    frm.cbByInterval->setCurrentIndex(frm.cbByInterval->count() / 2);
    draw(frm.sbtnIntervalByDates, frm.sbtnClosedCnt, "3-graph-by-day");
    draw(frm.sbtnForDate, frm.sbtnKFactor, "4-graph-single-day");
    // The chart as it leaves the window.
    UiHooks().ImageSize = [](int, int) { return std::optional(std::pair(800, 450)); };
    for (const QString& format : {QStringLiteral("png"), QStringLiteral("svg")}) {
      UiHooks().SaveFileName = [&](const std::string&) {
        return (folder + "/12-chart." + format).toStdString();
      };
      (format == "png" ? frm.acChartPng : frm.acChartSvg)->trigger();
    }
    UiHooks().ImageSize = {};
    UiHooks().SaveFileName = {};
    frm.pc->setCurrentWidget(frm.tsMap);
    frm.tsMap->btnMapRefresh->click();
    save("13-map");
    frm.pc->setCurrentWidget(frm.tsReport);
    save("5-report");
    frm.pc->setCurrentWidget(frm.tsSettings);
    save("6-settings");
    frm.pc->setCurrentWidget(frm.tsMoves);
    save("7-moves");
    frm.leIntervalStep->setText(QStringLiteral("1O0"));
    frm.acStart->trigger();
    save("8-start-failure");
    frm.pc->setCurrentWidget(frm.tsSettings);
    const auto saveTester = [&](const QString& aName) {
      auto* tester = frm.findChild<TPatternTester*>();
      QTest::qWait(300);
      QVERIFY(tester->grab().save(folder + '/' + aName + ".png"));
      tester->close();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    frm.sbtnTestPattern->click();
    saveTester("9-tester");
    const QString saved = frm.memIni->toPlainText();
    frm.memIni->setPlainText(
        QString(saved).replace(QStringLiteral("\\d{4}"), QStringLiteral("\\d{4")));
    frm.sbtnTestPattern->click();
    saveTester("10-tester-wrong-pattern");
    // The question Start asks, as the desktop shows it.
    QTimer::singleShot(300, [&] {
      QWidget* box = QApplication::activeModalWidget();
      QVERIFY(box != nullptr && box->grab().save(folder + "/11-unsaved-question.png"));
      box->close();
    });
    DefaultUiHooks().Ask("Настройки изменены, но не сохранены. Сохранить их перед расчётом?",
                         {"Сохранить", "Не сохранять", "Отмена"});
    frm.memIni->setPlainText(saved);
    // The sample pinned, then a sweep of 1 to 2,000 against it.
    frm.leIntervalStep->setText(QStringLiteral("100"));
    frm.acStart->trigger();
    frm.tsMap->btnMapPin->click();
    frm.leIntervalFrom->setText(QStringLiteral("1"));
    frm.leIntervalTo->setText(QStringLiteral("2000"));
    frm.leIntervalStep->setText(QStringLiteral("1"));
    frm.acStart->trigger();
    frm.pc->setCurrentWidget(frm.tsMap);
    frm.tsMap->chkMapLog->setChecked(true);
    frm.tsMap->btnMapRefresh->click();
    save("14-map-sweep");
    frm.tsMap->chkMapDifference->setChecked(true);
    frm.tsMap->btnMapRefresh->click();
    save("15-map-difference");
    frm.pc->setCurrentWidget(frm.tsScale);
    frm.tsScale->chkScaleLogX->setChecked(true);
    frm.tsScale->chkScaleLogY->setChecked(true);
    frm.tsScale->btnScaleRefresh->click();
    save("16-scale");
    QVERIFY(Recorded.ErrorBoxes.empty() && Recorded.MessageBoxes.empty());
  }
};

}  // namespace melquon::test

int main(int argc, char** argv) {
  using namespace melquon;
  TApplication application(argc, argv);
  // Home regional formats, the pinned clock, and the recorder instead of dialogs and beeps.
  RegionalFormats() = FormatSettings{};
  SetLogClock([] { return LocalDateTime{{2009, 3, 5}, {9, 5, 3, 7}}; });
  TUiHooks& hooks = UiHooks();
  hooks.MessageBox = [](const std::string& aText) { test::Recorded.MessageBoxes.push_back(aText); };
  hooks.ErrorBox = [](const std::string& aText) { test::Recorded.ErrorBoxes.push_back(aText); };
  SetLogMessageBox(
      [](const std::string& aText) { RunInGuiThread([&aText] { UiHooks().MessageBox(aText); }); });
  hooks.Beep = [] {
    ++test::Recorded.Beeps;
    test::Recorded.OnBeep();
  };
  hooks.Ask = [](const std::string& aText, const std::vector<std::string>& aAnswers) {
    std::string question = aText;
    for (const std::string& answer : aAnswers)
      question += " [" + answer + "]";
    test::Recorded.Questions.push_back(question);
    return test::Recorded.Answer;
  };
  hooks.OpenUrl = [](const QUrl& aUrl) {
    test::Recorded.OpenedUrls.push_back(aUrl);
    return true;
  };
  test::TWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
