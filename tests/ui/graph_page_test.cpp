#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <limits>

#include "engine/engine.h"
#include "tests/ui/recording_chart.h"
#include "tests/ui/ui_test_support.h"
#include "ui/date_picker.h"
#include "ui/main_form.h"
#include "ui/qt_bar_chart.h"

namespace melquon::test {

namespace {

const TDateTime kStart = EncodeDate(2009, 1, 1);

enum View { SingleDay, WholePeriod, ByDay };
enum Chosen { Count, Points, SquareFactor };

// Two elements, 500 and 600, over three days: 500 closed 3 positions on day 1, 600 one on day 0.
std::unique_ptr<TVolatilityRes> SmallResult() {
  auto result = std::make_unique<TVolatilityRes>(3, kStart, 500, 100, 2);
  result->Items[0].Result = 3;
  result->Items[0].ResultPerDays = {0, 3, 0};
  result->Items[1].Result = 1;
  result->Items[1].ResultPerDays = {1, 0, 0};
  return result;
}

std::vector<double> Heights(const std::vector<TChartPoint>& aPoints) {
  std::vector<double> heights;
  for (const TChartPoint& point : aPoints) {
    heights.push_back(point.Y);
  }
  return heights;
}

std::vector<double> Xs(const std::vector<TChartPoint>& aPoints) {
  std::vector<double> xs;
  for (const TChartPoint& point : aPoints) {
    xs.push_back(point.X);
  }
  return xs;
}

// The window on an empty settings folder; the graph page draws into a recording chart unless
// the Qt chart is asked for.
class TGraphFixture {
 public:
  explicit TGraphFixture(bool aQtChart = false) {
    WriteCp1251Text(folder.File("Melquon.ini"), TinySettingsText(folder.Path(), ""));
    auto recording = std::make_unique<TRecordingChart>();
    chart = recording.get();
    std::unique_ptr<TChartAdapter> adapter;
    if (!aQtChart) {
      adapter = std::move(recording);
    }
    window = std::make_unique<TfrmMain>(
        TfrmMain::TOptions{folder.File("Melquon.ini"), std::move(adapter)});
    if (aQtChart) {
      chart = nullptr;
    }
  }

  TfrmMain& frm() const { return *window; }

  // Makes aResult the current result and shows the graph page.
  void ShowResult(std::unique_ptr<TVolatilityRes> aResult) const {
    Engine().CurrentResult = std::move(aResult);
    window->pc->setCurrentWidget(window->tsMain);
    window->pc->setCurrentWidget(window->tsGraph);
  }

  void Choose(View aView, Chosen aMeasure) const {
    const QList<QToolButton*> views{frm().sbtnForDate, frm().sbtnAllPeriod,
                                    frm().sbtnIntervalByDates};
    const QList<QToolButton*> measures{frm().sbtnClosedCnt, frm().sbtnClosedSumm,
                                       frm().sbtnKFactor};
    views[aView]->click();
    measures[aMeasure]->click();
  }

  TTempFolder folder;
  TRecordingChart* chart = nullptr;
  std::unique_ptr<TfrmMain> window;
};

}  // namespace

class TGraphPageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ResetRecorder(); }

  void opensWithTheWholePeriodAndTheClosedSum() {
    TGraphFixture fixture;
    const TfrmMain& frm = fixture.frm();
    QVERIFY(frm.sbtnAllPeriod->isChecked());
    QVERIFY(!frm.sbtnForDate->isChecked() && !frm.sbtnIntervalByDates->isChecked());
    QVERIFY(frm.sbtnClosedSumm->isChecked());
    QVERIFY(!frm.sbtnClosedCnt->isChecked() && !frm.sbtnKFactor->isChecked());
    QVERIFY(!frm.dtpForDate->isEnabled());
    QVERIFY(!frm.cbByInterval->isEnabled());
    QVERIFY(!frm.cbByInterval->isEditable());
    for (const QToolButton* button : {frm.sbtnForDate, frm.sbtnClosedCnt, frm.sbtnKFactor}) {
      QVERIFY(button->isCheckable());
      QVERIFY(button->autoRaise());
    }
    QVERIFY(fixture.chart->MarksVisible);
    QVERIFY(!fixture.chart->LegendVisible);
    QVERIFY(fixture.chart->Points.empty());
    QCOMPARE(fixture.chart->Clears, 0);
  }

  void pageIsDisabledWithoutResult() {
    TGraphFixture fixture;
    TfrmMain& frm = fixture.frm();
    frm.pc->setCurrentWidget(frm.tsGraph);
    QVERIFY(!frm.tsGraph->isEnabled());
    frm.acRefreshGraphExecute();
    QCOMPARE(fixture.chart->Clears, 0);
  }

  void showingThePageResetsDateAndInterval() {
    TGraphFixture fixture;
    TfrmMain& frm = fixture.frm();
    auto result = SmallResult();
    result->StartDate = kStart + 0.5;
    fixture.ShowResult(std::move(result));
    QVERIFY(frm.tsGraph->isEnabled());
    QCOMPARE(frm.dtpForDate->DateTimeValue(), kStart + 0.5);
    QCOMPARE(frm.cbByInterval->count(), 2);
    QCOMPARE(frm.cbByInterval->itemText(0), QStringLiteral("500"));
    QCOMPARE(frm.cbByInterval->itemText(1), QStringLiteral("600"));
    QCOMPARE(frm.cbByInterval->currentIndex(), 0);
    frm.cbByInterval->setCurrentIndex(1);
    frm.dtpForDate->SetDateTimeValue(kStart + 2);
    frm.pc->setCurrentWidget(frm.tsReport);
    frm.pc->setCurrentWidget(frm.tsGraph);
    QCOMPARE(frm.dtpForDate->DateTimeValue(), kStart + 0.5);
    QCOMPARE(frm.cbByInterval->currentIndex(), 0);
  }

  void viewButtonsEnableTheirChooser_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<bool>("dateEnabled");
    QTest::addColumn<bool>("intervalEnabled");
    QTest::newRow("single day") << int{SingleDay} << true << false;
    QTest::newRow("whole period") << int{WholePeriod} << false << false;
    QTest::newRow("by day") << int{ByDay} << false << true;
  }
  void viewButtonsEnableTheirChooser() {
    QFETCH(int, view);
    QFETCH(bool, dateEnabled);
    QFETCH(bool, intervalEnabled);
    TGraphFixture fixture;
    fixture.ShowResult(SmallResult());
    fixture.Choose(ByDay, Points);
    fixture.Choose(SingleDay, Points);
    fixture.Choose(static_cast<View>(view), Points);
    QCOMPARE(fixture.frm().dtpForDate->isEnabled(), dateEnabled);
    QCOMPARE(fixture.frm().cbByInterval->isEnabled(), intervalEnabled);
    QCOMPARE(fixture.frm().ViewButtons->checkedButton(),
             fixture.frm().ViewButtons->buttons().at(view));
    // Pressing the button that is down leaves it down.
    fixture.Choose(static_cast<View>(view), SquareFactor);
    fixture.Choose(static_cast<View>(view), SquareFactor);
    QCOMPARE(fixture.frm().ViewButtons->checkedButton(),
             fixture.frm().ViewButtons->buttons().at(view));
    QCOMPARE(fixture.frm().MeasureButtons->checkedButton(), fixture.frm().sbtnKFactor);
  }

  void barsShowTheChosenMeasure_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("measure");
    QTest::addColumn<bool>("dates");
    QTest::addColumn<std::vector<double>>("xs");
    QTest::addColumn<std::vector<double>>("heights");
    const std::vector<double> intervals{500, 600};
    const std::vector<double> days{kStart, kStart + 1, kStart + 2};
    QTest::newRow("whole period, count")
        << int{WholePeriod} << int{Count} << false << intervals << std::vector<double>{3, 1};
    QTest::newRow("whole period, points")
        << int{WholePeriod} << int{Points} << false << intervals << std::vector<double>{1500, 600};
    QTest::newRow("whole period, square factor")
        << int{WholePeriod} << int{SquareFactor} << false << intervals
        << std::vector<double>{750000, 360000};
    QTest::newRow("day 1, count") << int{SingleDay} << int{Count} << false << intervals
                                  << std::vector<double>{3, 0};
    QTest::newRow("day 1, points")
        << int{SingleDay} << int{Points} << false << intervals << std::vector<double>{1500, 0};
    QTest::newRow("day 1, square factor") << int{SingleDay} << int{SquareFactor} << false
                                          << intervals << std::vector<double>{750000, 0};
    QTest::newRow("by day, count")
        << int{ByDay} << int{Count} << true << days << std::vector<double>{0, 3, 0};
    QTest::newRow("by day, points")
        << int{ByDay} << int{Points} << true << days << std::vector<double>{0, 1500, 0};
    QTest::newRow("by day, square factor")
        << int{ByDay} << int{SquareFactor} << true << days << std::vector<double>{0, 750000, 0};
  }
  void barsShowTheChosenMeasure() {
    QFETCH(int, view);
    QFETCH(int, measure);
    QFETCH(bool, dates);
    QFETCH(std::vector<double>, xs);
    QFETCH(std::vector<double>, heights);
    TGraphFixture fixture;
    fixture.ShowResult(SmallResult());
    fixture.Choose(static_cast<View>(view), static_cast<Chosen>(measure));
    fixture.frm().dtpForDate->SetDateTimeValue(kStart + 1);
    fixture.frm().sbtnRefresh->click();
    QCOMPARE(fixture.chart->Clears, 1);
    QCOMPARE(fixture.chart->XDateTime, dates);
    QCOMPARE(Xs(fixture.chart->Points), xs);
    QCOMPARE(Heights(fixture.chart->Points), heights);
    for (const TChartPoint& point : fixture.chart->Points) {
      QVERIFY(point.Label.empty());
      QCOMPARE(point.Color, kSeriesColor);
    }
  }

  void byDayDrawsTheChosenInterval() {
    TGraphFixture fixture;
    fixture.ShowResult(SmallResult());
    fixture.Choose(ByDay, Count);
    fixture.frm().cbByInterval->setCurrentIndex(1);
    fixture.frm().acRefreshGraph->trigger();
    QCOMPARE(Heights(fixture.chart->Points), (std::vector<double>{1, 0, 0}));
  }

  void squareFactorBeyond64BitsStillDraws() {
    TGraphFixture fixture;
    auto result = std::make_unique<TVolatilityRes>(1, kStart, 2000000000, 1, 1);
    result->Items[0].Result = std::numeric_limits<std::int32_t>::max();
    fixture.ShowResult(std::move(result));
    fixture.Choose(WholePeriod, SquareFactor);
    fixture.frm().acRefreshGraph->trigger();
    QCOMPARE(Heights(fixture.chart->Points),
             std::vector<double>{2147483647.0 * 2000000000.0 * 2000000000.0});
  }

  void refreshPutsADateOutsideTheRunBackToTheStart_data() {
    QTest::addColumn<double>("date");
    QTest::addColumn<int>("view");
    QTest::addColumn<double>("after");
    QTest::newRow("day after the last") << kStart + 3 << int{SingleDay} << kStart;
    QTest::newRow("day before the first") << kStart - 1 << int{SingleDay} << kStart;
    QTest::newRow("a moment before the first") << kStart - 0.001 << int{SingleDay} << kStart;
    QTest::newRow("any view") << kStart + 400 << int{ByDay} << kStart;
    QTest::newRow("last day stays") << kStart + 2.9 << int{SingleDay} << kStart + 2.9;
  }
  void refreshPutsADateOutsideTheRunBackToTheStart() {
    QFETCH(double, date);
    QFETCH(int, view);
    QFETCH(double, after);
    TGraphFixture fixture;
    auto result = SmallResult();
    result->Items[1].ResultPerDays = {1, 0, 7};
    fixture.ShowResult(std::move(result));
    fixture.Choose(static_cast<View>(view), Count);
    fixture.frm().dtpForDate->SetDateTimeValue(date);
    fixture.frm().acRefreshGraph->trigger();
    QCOMPARE(fixture.frm().dtpForDate->DateTimeValue(), after);
    if (view == SingleDay) {
      const std::vector<double> dayHeights =
          after == kStart ? std::vector<double>{0, 1} : std::vector<double>{0, 7};
      QCOMPARE(Heights(fixture.chart->Points), dayHeights);
    }
  }

  void chartStaysUntilRefresh() {
    TGraphFixture fixture;
    TfrmMain& frm = fixture.frm();
    fixture.ShowResult(SmallResult());
    frm.acRefreshGraph->trigger();
    const std::vector<double> drawn = Heights(fixture.chart->Points);
    QCOMPARE(drawn, (std::vector<double>{1500, 600}));
    fixture.Choose(ByDay, SquareFactor);
    frm.pc->setCurrentWidget(frm.tsReport);
    fixture.ShowResult(std::make_unique<TVolatilityRes>(1, kStart, 100, 100, 1));
    frm.leIntervalStep->setText(QStringLiteral("abc"));
    frm.acStart->trigger();
    QVERIFY(!Engine().CurrentResult);
    frm.acRefreshGraph->trigger();
    QCOMPARE(fixture.chart->Clears, 1);
    QCOMPARE(Heights(fixture.chart->Points), drawn);
    fixture.ShowResult(SmallResult());
    frm.acRefreshGraph->trigger();
    QCOMPARE(fixture.chart->Clears, 2);
    QCOMPARE(Heights(fixture.chart->Points), (std::vector<double>{0, 750000, 0}));
  }

  void emptyResultsDrawAnEmptyChart_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("elements");
    QTest::newRow("by day without elements") << int{ByDay} << 2 << 0;
    QTest::newRow("single day without days") << int{SingleDay} << 0 << 2;
    QTest::newRow("single day, negative days") << int{SingleDay} << -3 << 2;
    QTest::newRow("by day without days") << int{ByDay} << 0 << 2;
  }
  void emptyResultsDrawAnEmptyChart() {
    QFETCH(int, view);
    QFETCH(int, days);
    QFETCH(int, elements);
    TGraphFixture fixture;
    fixture.ShowResult(std::make_unique<TVolatilityRes>(days, kStart, 500, 100, elements));
    QCOMPARE(fixture.frm().cbByInterval->currentIndex(), elements > 0 ? 0 : -1);
    fixture.Choose(static_cast<View>(view), Count);
    fixture.frm().acRefreshGraph->trigger();
    QCOMPARE(fixture.chart->Clears, 1);
    QVERIFY(fixture.chart->Points.empty());
    QVERIFY(Recorder().ErrorBoxes.empty());
    QCOMPARE(fixture.frm().dtpForDate->DateTimeValue(), kStart);
  }

  void negativeStepBarsStandInAscendingOrder() {
    TGraphFixture fixture(true);
    TfrmMain& frm = fixture.frm();
    auto result = std::make_unique<TVolatilityRes>(1, kStart, 2000, -100, 16);
    for (TVolatilityResItem& item : result->Items) {
      item.Result = item.IntervalValue / 100;
      item.ResultPerDays = {item.IntervalValue / 500};
    }
    fixture.ShowResult(std::move(result));
    QCOMPARE(frm.cbByInterval->itemText(0), QStringLiteral("2000"));
    fixture.Choose(WholePeriod, Count);
    frm.acRefreshGraph->trigger();
    const QStringList categories = frm.QtChart().XAxis()->categories();
    QCOMPARE(categories.size(), 16);
    QCOMPARE(categories.front(), QStringLiteral("500"));
    QCOMPARE(categories.back(), QStringLiteral("2000"));
    QCOMPARE(frm.QtChart().Bars()->at(0), 5.0);
    QCOMPARE(frm.QtChart().Bars()->at(15), 20.0);
    fixture.Choose(SingleDay, Count);
    frm.acRefreshGraph->trigger();
    QCOMPARE(frm.QtChart().XAxis()->categories(), categories);
    QCOMPARE(frm.QtChart().Bars()->at(0), 1.0);
    QCOMPARE(frm.QtChart().Bars()->at(15), 4.0);
    // The chart keeps its own copy of what it drew.
    Engine().CurrentResult.reset();
    QCOMPARE(frm.QtChart().Bars()->count(), 16);
    QCOMPARE(frm.Series1, frm.QtChart().Series());
  }
};

}  // namespace melquon::test

MELQUON_UI_TEST_MAIN(melquon::test::TGraphPageTest)
#include "graph_page_test.moc"
