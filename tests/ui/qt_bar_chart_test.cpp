#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QValueAxis>
#include <limits>

#include "runtime/date_time.h"
#include "tests/ui/ui_test_support.h"
#include "ui/qt_bar_chart.h"

namespace melquon::test {

namespace {

QList<qreal> BarValues(const TQtBarChart& aChart) {
  QList<qreal> values;
  for (int i = 0; i < aChart.Bars()->count(); ++i) {
    values.append(aChart.Bars()->at(i));
  }
  return values;
}

}  // namespace

class TQtBarChartTest : public QObject {
  Q_OBJECT

 private slots:
  void startsEmptyWithoutLegendOrTitle() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.ShowLegend(false);
    QCOMPARE(view.chart(), chart.Chart());
    QVERIFY(!chart.Chart()->legend()->isVisible());
    QVERIFY(chart.Chart()->title().isEmpty());
    QCOMPARE(chart.Series()->objectName(), QStringLiteral("Series1"));
    QCOMPARE(chart.Bars()->count(), 0);
    QCOMPARE(chart.Bars()->color(), QColor(Qt::blue));
  }

  void keepsPointsInAscendingX() {
    QChartView view;
    TQtBarChart chart(&view);
    for (const int x : {2000, 500, 1500, 1000}) {
      chart.AddPoint(x, x / 100.0, "", kSeriesColor);
    }
    QCOMPARE(chart.XAxis()->categories(), (QStringList{"500", "1000", "1500", "2000"}));
    QCOMPARE(BarValues(chart), (QList<qreal>{5, 10, 15, 20}));
    QCOMPARE(chart.Points().front().X, 500.0);
    QCOMPARE(chart.Points().back().X, 2000.0);
  }

  void clearEmptiesEverything() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.AddPoint(1, 1, "", kSeriesColor);
    chart.AddPoint(2, 2, "", kSeriesColor);
    chart.Clear();
    QCOMPARE(chart.Bars()->count(), 0);
    QVERIFY(chart.XAxis()->categories().isEmpty());
    QVERIFY(chart.Points().empty());
    chart.AddPoint(3, 7, "", kSeriesColor);
    QCOMPARE(BarValues(chart), QList<qreal>{7});
  }

  void datesLabelTheAxisInTheShortDateFormat() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.SetXDateTime(true);
    chart.AddPoint(EncodeDate(2009, 1, 2), 1, "", kSeriesColor);
    chart.AddPoint(EncodeDate(2009, 1, 1), 2, "", kSeriesColor);
    QCOMPARE(chart.XAxis()->categories(), (QStringList{"01.01.2009", "02.01.2009"}));
    chart.SetXDateTime(false);
    QCOMPARE(chart.XAxis()->categories(), (QStringList{"39814", "39815"}));
  }

  void aLabelNamesItsBar() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.AddPoint(1, 1, "один", kSeriesColor);
    QCOMPARE(chart.XAxis()->categories(), QStringList{QStringLiteral("один")});
  }

  void pointsThatReadAlikeStillGetTheirOwnBar() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.SetXDateTime(true);
    chart.AddPoint(EncodeDate(2009, 1, 1), 1, "", kSeriesColor);
    chart.AddPoint(EncodeDate(2009, 1, 1) + 0.5, 2, "", kSeriesColor);
    QCOMPARE(chart.XAxis()->count(), 2);
    QCOMPARE(BarValues(chart), (QList<qreal>{1, 2}));
  }

  void marksShowTheValues() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.ShowMarks(true);
    QVERIFY(chart.Series()->isLabelsVisible());
    QCOMPARE(chart.Series()->labelsPosition(), QAbstractBarSeries::LabelsOutsideEnd);
    QCOMPARE(chart.Bars()->labelColor(), QColor(Qt::black));
    chart.ShowMarks(false);
    QVERIFY(!chart.Series()->isLabelsVisible());
  }

  void valueAxisLeavesRoomAboveTheHighestBar() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.AddPoint(500, 750000, "", kSeriesColor);
    QCOMPARE(chart.YAxis()->min(), 0.0);
    QVERIFY(chart.YAxis()->max() > 750000);
    chart.Clear();
    QCOMPARE(chart.YAxis()->min(), 0.0);
    QVERIFY(chart.YAxis()->max() >= 1.0);
  }

  void niceTickSteps_data() {
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("step");
    QTest::newRow("nothing to show") << 0.0 << 1.0;
    QTest::newRow("small counts stay whole") << 3.0 << 1.0;
    QTest::newRow("tens") << 50.0 << 10.0;
    QTest::newRow("twos") << 80.0 << 20.0;
    QTest::newRow("fives") << 20.0 << 5.0;
    QTest::newRow("large") << 750000.0 << 200000.0;
    QTest::newRow("not finite") << std::numeric_limits<double>::infinity() << 1.0;
  }
  void niceTickSteps() {
    QFETCH(double, span);
    QFETCH(double, step);
    QCOMPARE(NiceTickStep(span), step);
  }
};

}  // namespace melquon::test

MELQUON_UI_TEST_MAIN(melquon::test::TQtBarChartTest)
#include "qt_bar_chart_test.moc"
