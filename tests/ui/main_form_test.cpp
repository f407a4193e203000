#include <QAction>
#include <QComboBox>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "engine/engine.h"
#include "engine/report.h"
#include "runtime/cp1251.h"
#include "tests/ui/ui_test_support.h"
#include "ui/date_picker.h"
#include "ui/main_form.h"

namespace melquon::test {

namespace {

const std::string kDefaultSection =
    "Contract=RIH9\r\n"
    "DateFrom=01012009\r\n"
    "DateTo=02012009\r\n"
    "IntervalFrom=500\r\n"
    "IntervalTo=2000\r\n"
    "IntervalStep=100\r\n";

std::string WithLineFeeds(std::string aText) {
  std::string result;
  for (const char c : aText) {
    if (c != '\r') {
      result += c;
    }
  }
  return result;
}

std::string EditorText(const QPlainTextEdit* aEditor) {
  return aEditor->toPlainText().toStdString();
}

std::string LastLine(const std::string& aText) {
  const std::string body = aText.substr(0, aText.size() - 2);
  const auto start = body.rfind("\r\n");
  return start == std::string::npos ? body : body.substr(start + 2);
}

// A folder with the tiny archive and its settings file; the window is created on it.
class TWindowFixture {
 public:
  explicit TWindowFixture(const std::string& aDefaultSection = kDefaultSection) {
    WriteTinyArchive(folder.Path());
    settingsText = TinySettingsText(folder.Path(), aDefaultSection);
    WriteCp1251Text(IniFileName(), settingsText);
    window = std::make_unique<TfrmMain>(TfrmMain::TOptions{IniFileName(), nullptr});
  }

  std::string IniFileName() const { return folder.File("Melquon.ini"); }
  std::string ReportFileName() const { return folder.File("report.txt"); }
  std::string LogFileName() const { return folder.File("Melquon.log"); }
  TfrmMain& frm() const { return *window; }

  TTempFolder folder;
  std::string settingsText;
  std::unique_ptr<TfrmMain> window;
};

}  // namespace

class TMainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ResetRecorder(); }

  void windowMatchesTheDesign() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    QCOMPARE(frm.windowTitle(), QStringLiteral("Melquon"));
    QCOMPARE(frm.size(), QSize(922, 640));
    QCOMPARE(frm.pos(), QPoint(112, 187));
    QCOMPARE(frm.font().pixelSize(), 11);
    QCOMPARE(frm.pc->count(), 4);
    const QStringList tabs{"Основное", "Графики", "Отчет", "Настройки"};
    const QList<QWidget*> pages{frm.tsMain, frm.tsGraph, frm.tsReport, frm.tsSettings};
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(frm.pc->tabText(i), tabs[i]);
      QCOMPARE(frm.pc->widget(i), pages[i]);
    }
    QCOMPARE(frm.pc->currentWidget(), frm.tsMain);
  }

  void controlsSitWhereDesigned_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("leContract") << "leContract" << QRect(24, 32, 109, 21);
    QTest::newRow("dtpFrom") << "dtpFrom" << QRect(152, 32, 109, 21);
    QTest::newRow("dtpTo") << "dtpTo" << QRect(280, 32, 109, 21);
    QTest::newRow("leIntervalFrom") << "leIntervalFrom" << QRect(24, 80, 109, 21);
    QTest::newRow("leIntervalTo") << "leIntervalTo" << QRect(152, 80, 109, 21);
    QTest::newRow("leIntervalStep") << "leIntervalStep" << QRect(280, 80, 109, 21);
    QTest::newRow("btnStart") << "btnStart" << QRect(24, 123, 75, 25);
    QTest::newRow("sbtnLoad") << "sbtnLoad" << QRect(0, 2, 73, 22);
    QTest::newRow("sbtnSave") << "sbtnSave" << QRect(73, 2, 73, 22);
    QTest::newRow("sbtnForDate") << "sbtnForDate" << QRect(0, 2, 73, 21);
    QTest::newRow("dtpForDate") << "dtpForDate" << QRect(73, 2, 96, 21);
    QTest::newRow("ToolButton3") << "ToolButton3" << QRect(169, 2, 8, 21);
    QTest::newRow("sbtnAllPeriod") << "sbtnAllPeriod" << QRect(177, 2, 95, 21);
    QTest::newRow("ToolButton2") << "ToolButton2" << QRect(272, 2, 8, 21);
    QTest::newRow("cbByInterval") << "cbByInterval" << QRect(280, 2, 120, 21);
    QTest::newRow("sbtnIntervalByDates") << "sbtnIntervalByDates" << QRect(400, 2, 112, 21);
    QTest::newRow("ToolButton4") << "ToolButton4" << QRect(512, 2, 8, 21);
    QTest::newRow("sbtnClosedCnt") << "sbtnClosedCnt" << QRect(520, 2, 104, 21);
    QTest::newRow("sbtnClosedSumm") << "sbtnClosedSumm" << QRect(624, 2, 104, 21);
    QTest::newRow("sbtnKFactor") << "sbtnKFactor" << QRect(728, 2, 96, 21);
    QTest::newRow("ToolButton1") << "ToolButton1" << QRect(824, 2, 8, 21);
    QTest::newRow("sbtnRefresh") << "sbtnRefresh" << QRect(832, 2, 64, 21);
  }
  void controlsSitWhereDesigned() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    TWindowFixture fixture;
    const auto* control = fixture.frm().findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), geometry);
  }

  void captionsAreRussian_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("leContractLabel") << "leContractLabel"
                                     << "Контракт:";
    QTest::newRow("leIntervalFromLabel") << "leIntervalFromLabel"
                                         << "Начальный интервал";
    QTest::newRow("leIntervalToLabel") << "leIntervalToLabel"
                                       << "Конечный интервал";
    QTest::newRow("leIntervalStepLabel") << "leIntervalStepLabel"
                                         << "Шаг интервала";
    QTest::newRow("Label1") << "Label1"
                            << "Начальная дата:";
    QTest::newRow("Label2") << "Label2"
                            << "Конечная дата:";
    QTest::newRow("lblLink") << "lblLink"
                             << "Сайт программы";
    QTest::newRow("btnStart") << "btnStart"
                              << "Старт";
    QTest::newRow("sbtnLoad") << "sbtnLoad"
                              << "Загрузить";
    QTest::newRow("sbtnSave") << "sbtnSave"
                              << "Сохранить";
    QTest::newRow("sbtnForDate") << "sbtnForDate"
                                 << "На дату:";
    QTest::newRow("sbtnAllPeriod") << "sbtnAllPeriod"
                                   << "На весь период";
    QTest::newRow("sbtnIntervalByDates") << "sbtnIntervalByDates"
                                         << "Интервал по датам";
    QTest::newRow("sbtnClosedCnt") << "sbtnClosedCnt"
                                   << "Кол-во закрытых";
    QTest::newRow("sbtnClosedSumm") << "sbtnClosedSumm"
                                    << "Сумма закрытых";
    QTest::newRow("sbtnKFactor") << "sbtnKFactor"
                                 << "КвадратФактор";
    QTest::newRow("sbtnRefresh") << "sbtnRefresh"
                                 << "Обновить";
  }
  void captionsAreRussian() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    TWindowFixture fixture;
    const QObject* control = fixture.frm().findChild<QObject*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->property("text").toString(), caption);
  }

  void editorsUseFixedWidthFonts() {
    TWindowFixture fixture;
    const TfrmMain& frm = fixture.frm();
    QCOMPARE(frm.memIni->font().pixelSize(), 13);
    QVERIFY(frm.memIni->font().bold());
    QVERIFY(!frm.memIni->isReadOnly());
    QCOMPARE(frm.memReport->font().pixelSize(), 13);
    QVERIFY(!frm.memReport->font().bold());
    QVERIFY(frm.memReport->isReadOnly());
    QVERIFY(QFontInfo(frm.memReport->font()).fixedPitch());
  }

  void tabMovesThroughTheMainPageInOrder() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    frm.show();
    frm.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    const QList<QWidget*> order{frm.dtpFrom,        frm.dtpTo,        frm.leContract,
                                frm.leIntervalFrom, frm.leIntervalTo, frm.leIntervalStep,
                                frm.btnStart};
    order.front()->setFocus();
    for (QWidget* expected : order) {
      QWidget* focused = QApplication::focusWidget();
      QVERIFY(focused == expected || expected->isAncestorOf(focused));
      QTest::keyClick(focused, Qt::Key_Tab);
    }
  }

  void startUpShowsTheSettingsFile() {
    TWindowFixture fixture(
        "; Значения полей при запуске.\r\n"
        "Contract=SiM9\r\nDateFrom=05032009\r\nDateTo=06032009\r\n"
        "IntervalFrom=300\r\nIntervalTo=900\r\nIntervalStep=-50\r\n");
    const TfrmMain& frm = fixture.frm();
    QVERIFY(Recorder().ErrorBoxes.empty());
    QCOMPARE(Engine().IniFileName, fixture.IniFileName());
    // The file's last line end adds no line to the editor.
    const std::string expected = WithLineFeeds(fixture.settingsText);
    QCOMPARE(EditorText(frm.memIni), expected.substr(0, expected.size() - 1));
    QVERIFY(frm.memIni->toPlainText().startsWith(QStringLiteral("; Настройки для проверки окна.")));
    QCOMPARE(frm.leContract->text(), QStringLiteral("SiM9"));
    QCOMPARE(frm.dtpFrom->DateTimeValue(), EncodeDate(2009, 3, 5));
    QCOMPARE(frm.dtpTo->DateTimeValue(), EncodeDate(2009, 3, 6));
    QCOMPARE(frm.leIntervalFrom->text(), QStringLiteral("300"));
    QCOMPARE(frm.leIntervalTo->text(), QStringLiteral("900"));
    QCOMPARE(frm.leIntervalStep->text(), QStringLiteral("-50"));
    QVERIFY(!Engine().CurrentResult);
    QVERIFY(frm.memReport->toPlainText().isEmpty());
  }

  void startUpWithoutSettingsFileReportsAndKeepsDesignValues() {
    TTempFolder folder;
    const TfrmMain frm(TfrmMain::TOptions{folder.File("Melquon.ini"), nullptr});
    QCOMPARE(Recorder().ErrorBoxes.size(), std::size_t{1});
    const std::string message = Recorder().ErrorBoxes.front();
    QVERIFY(!message.empty());
    QCOMPARE(LastLine(FileBytesOrEmpty(folder.File("Melquon.log"))),
             std::string(kFixedStamp) + Utf8ToCp1251(message));
    QVERIFY(frm.memIni->toPlainText().isEmpty());
    QCOMPARE(frm.leContract->text(), QStringLiteral("RIH9"));
    QCOMPARE(frm.leIntervalFrom->text(), QStringLiteral("500"));
    QCOMPARE(frm.leIntervalTo->text(), QStringLiteral("2000"));
    QCOMPARE(frm.leIntervalStep->text(), QStringLiteral("100"));
    QCOMPARE(frm.dtpFrom->DateTimeValue(), EncodeDate(2009, 3, 4));
    QCOMPARE(frm.dtpTo->DateTimeValue(), EncodeDate(2009, 3, 4));
    QCOMPARE(frm.dtpForDate->DateTimeValue(), EncodeDate(2009, 3, 10));
  }

  void startRunsTheCalculationAndShowsTheReport() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    std::vector<bool> startEnabledAtBeep;
    Recorder().OnBeep = [&] { startEnabledAtBeep.push_back(frm.acStart->isEnabled()); };
    frm.btnStart->click();
    QCOMPARE(startEnabledAtBeep, std::vector<bool>{false});
    QVERIFY(frm.acStart->isEnabled() && frm.btnStart->isEnabled());
    const TVolatilityRes* result = Engine().CurrentResult.get();
    QVERIFY(result != nullptr);
    QCOMPARE(result->Count(), 16);
    QCOMPARE(result->Items.front().IntervalValue, 500);
    QCOMPARE(result->Items.back().IntervalValue, 2000);
    QCOMPARE(result->DaysCount, 2);
    QCOMPARE(result->StartDate, EncodeDate(2009, 1, 1));
    QVERIFY2(result->Items.front().Result > 0, "the archive was not read");
    const std::string report = GetReportText(*result);
    QCOMPARE(EditorText(frm.memReport), WithLineFeeds(report));
    QCOMPARE(FileBytesOrEmpty(fixture.ReportFileName()), Utf8ToCp1251(report) + "\r\n");
    QCOMPARE(frm.pc->currentWidget(), frm.tsGraph);
    QVERIFY(frm.tsGraph->isEnabled());
    QCOMPARE(frm.cbByInterval->count(), 16);
    QCOMPARE(frm.cbByInterval->currentText(), QStringLiteral("500"));
    QVERIFY(Recorder().ErrorBoxes.empty());
  }

  void startPassesTheFieldsAsTyped() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    frm.leIntervalFrom->setText(QStringLiteral("2000"));
    frm.leIntervalTo->setText(QStringLiteral("500"));
    frm.leIntervalStep->setText(QStringLiteral("-500"));
    frm.dtpTo->SetDateTimeValue(EncodeDate(2009, 1, 1));
    frm.acStart->trigger();
    const TVolatilityRes* result = Engine().CurrentResult.get();
    QVERIFY(result != nullptr);
    QCOMPARE(result->Count(), 4);
    QCOMPARE(result->Items.front().IntervalValue, 2000);
    QCOMPARE(result->DaysCount, 1);
    QCOMPARE(frm.cbByInterval->itemText(0), QStringLiteral("2000"));
    // The settings keep their DEFAULT values: Start passes the fields to the run only.
    QCOMPARE(Engine().Settings.IntervalFrom, 500);
  }

  void secondStartReplacesTheFirst() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    frm.acStart->trigger();
    frm.leIntervalTo->setText(QStringLiteral("600"));
    bool previousSeenWhileWaiting = false;
    bool startEnabledWhileWaiting = true;
    QTimer::singleShot(0, &frm, [&] {
      previousSeenWhileWaiting = Engine().CurrentResult != nullptr;
      startEnabledWhileWaiting = frm.acStart->isEnabled();
    });
    frm.acStart->trigger();
    QVERIFY(previousSeenWhileWaiting);
    QVERIFY(!startEnabledWhileWaiting);
    QCOMPARE(Engine().CurrentResult->Count(), 2);
    const std::string report = GetReportText(*Engine().CurrentResult);
    QCOMPARE(FileBytesOrEmpty(fixture.ReportFileName()), Utf8ToCp1251(report) + "\r\n");
    QCOMPARE(EditorText(frm.memReport), WithLineFeeds(report));
  }

  void failedStartLeavesNoResult_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    QTest::newRow("letters") << "abc"
                             << "'abc' is not a valid integer value";
    QTest::newRow("empty") << ""
                           << "'' is not a valid integer value";
    QTest::newRow("zero: the run fails") << "0" << QString();
  }
  void failedStartLeavesNoResult() {
    QFETCH(QString, step);
    QFETCH(QString, message);
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    frm.acStart->trigger();
    const std::string reportFile = FileBytesOrEmpty(fixture.ReportFileName());
    QVERIFY(!reportFile.empty());
    frm.pc->setCurrentWidget(frm.tsMain);
    frm.leIntervalStep->setText(step);
    frm.btnStart->click();
    QVERIFY(!Engine().CurrentResult);
    QCOMPARE(Recorder().Beeps, 2);
    QVERIFY(frm.acStart->isEnabled());
    QCOMPARE(frm.pc->currentWidget(), frm.tsGraph);
    QVERIFY(!frm.tsGraph->isEnabled());
    QCOMPARE(FileBytesOrEmpty(fixture.ReportFileName()), reportFile);
    const std::string shown = EditorText(frm.memReport);
    QVERIFY(!shown.empty());
    if (!message.isEmpty()) {
      QCOMPARE(shown, message.toStdString());
    }
    QCOMPARE(LastLine(FileBytesOrEmpty(fixture.LogFileName())),
             std::string(kFixedStamp) + Utf8ToCp1251(shown));
    QVERIFY(Recorder().ErrorBoxes.empty());
  }

  void startReadsStepThenLastThenFirst_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    QTest::newRow("step first") << "y"
                                << "x"
                                << "s"
                                << "'s' is not a valid integer value";
    QTest::newRow("then last") << "y"
                               << "x"
                               << "100"
                               << "'x' is not a valid integer value";
    QTest::newRow("then first") << "y"
                                << "900"
                                << "100"
                                << "'y' is not a valid integer value";
    QTest::newRow("blanks count") << "500"
                                  << "900 "
                                  << "100"
                                  << "'900 ' is not a valid integer value";
  }
  void startReadsStepThenLastThenFirst() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, step);
    QFETCH(QString, message);
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    frm.leIntervalFrom->setText(first);
    frm.leIntervalTo->setText(last);
    frm.leIntervalStep->setText(step);
    frm.acStart->trigger();
    QCOMPARE(frm.memReport->toPlainText(), message);
  }

  void loadDiscardsUnsavedEditsAndAppliesTheFile() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    frm.memIni->setPlainText(QStringLiteral("[COMMON]\nnot saved"));
    WriteCp1251Text(fixture.IniFileName(), "; Новый файл\r\n[DEFAULT]\r\nContract=LOADED\r\n");
    frm.sbtnLoad->click();
    QCOMPARE(frm.memIni->toPlainText(), QStringLiteral("; Новый файл\n[DEFAULT]\nContract=LOADED"));
    QCOMPARE(Engine().Settings.Contract, std::string("LOADED"));
    QCOMPARE(frm.leContract->text(), QStringLiteral("RIH9"));
  }

  void loadWithoutFileChangesNothing() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    QVERIFY(QFile::remove(QString::fromStdString(fixture.IniFileName())));
    frm.memIni->setPlainText(QStringLiteral("kept"));
    frm.acLoadINI->trigger();
    QCOMPARE(frm.memIni->toPlainText(), QStringLiteral("kept"));
    QCOMPARE(Engine().Settings.Contract, std::string("RIH9"));
    QVERIFY(Recorder().ErrorBoxes.empty());
    QVERIFY(Recorder().MessageBoxes.empty());
  }

  void saveCreatesAMissingFileWithExactlyTheEditorText() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    QVERIFY(QFile::remove(QString::fromStdString(fixture.IniFileName())));
    frm.memIni->setPlainText(
        QStringLiteral("; Сохранено\n[DEFAULT]\nContract=SAVED\nIntervalFrom=700"));
    frm.sbtnSave->click();
    QCOMPARE(FileBytesOrEmpty(fixture.IniFileName()),
             Utf8ToCp1251("; Сохранено\r\n[DEFAULT]\r\nContract=SAVED\r\nIntervalFrom=700"));
    QCOMPARE(Engine().Settings.Contract, std::string("SAVED"));
    QCOMPARE(Engine().Settings.IntervalFrom, 700);
    QCOMPARE(frm.leContract->text(), QStringLiteral("RIH9"));
    QCOMPARE(frm.leIntervalFrom->text(), QStringLiteral("500"));
    QVERIFY(Recorder().ErrorBoxes.empty());
    QVERIFY(Recorder().MessageBoxes.empty());
  }

  void saveFailureReachesErrorReporting() {
    TTempFolder folder;
    TfrmMain frm(TfrmMain::TOptions{folder.File("missing/Melquon.ini"), nullptr});
    ResetRecorder();
    frm.memIni->setPlainText(QStringLiteral("[DEFAULT]"));
    frm.sbtnSave->click();
    QCOMPARE(Recorder().ErrorBoxes.size(), std::size_t{1});
    QVERIFY(!Recorder().MessageBoxes.empty());
    QCOMPARE(Recorder().MessageBoxes.front(), std::string("error rewriting message "));
    QVERIFY(!QFile::exists(QString::fromStdString(folder.File("missing/Melquon.ini"))));
  }

  void linkOpensTheUserGuide() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    QCOMPARE(frm.lblLink->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(frm.lblLink->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(frm.lblLink, Qt::LeftButton);
    QCOMPARE(Recorder().OpenedUrls, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(
                                        fixture.folder.File("user-guide.html")))});
  }

  void linkUnderlinesWhileTheMouseIsOverIt() {
    TWindowFixture fixture;
    TfrmMain& frm = fixture.frm();
    QVERIFY(!frm.lblLink->font().underline());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(frm.lblLink, &enter);
    QVERIFY(frm.lblLink->font().underline());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(frm.lblLink, &leave);
    QVERIFY(!frm.lblLink->font().underline());
  }

  void destroyingTheWindowStopsTheEngine() {
    {
      TWindowFixture fixture;
      fixture.frm().acStart->trigger();
      QVERIFY(Engine().CurrentResult != nullptr);
    }
    QVERIFY(!Engine().CurrentResult);
  }
};

}  // namespace melquon::test

MELQUON_UI_TEST_MAIN(melquon::test::TMainFormTest)
#include "main_form_test.moc"
