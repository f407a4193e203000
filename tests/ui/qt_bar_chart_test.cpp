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

  void valueAxisFollowsThePoints() {
    QChartView view;
    TQtBarChart chart(&view);
    chart.AddPoint(500, 750000, "", kSeriesColor);
    QCOMPARE(chart.YAxis()->min(), 0.0);
    QCOMPARE(chart.YAxis()->max(), 1000000.0);
    QCOMPARE(chart.YAxis()->tickInterval(), 200000.0);
    chart.Clear();
    QCOMPARE(chart.YAxis()->min(), 0.0);
    QCOMPARE(chart.YAxis()->max(), 1.0);
  }

  void valueAxisRanges_data() {
    QTest::addColumn<double>("lowest");
    QTest::addColumn<double>("highest");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("step");
    QTest::newRow("nothing") << 0.0 << 0.0 << 0.0 << 1.0 << 1.0;
    QTest::newRow("small counts") << 0.0 << 3.0 << 0.0 << 4.0 << 1.0;
    QTest::newRow("room for the mark") << 0.0 << 59000.0 << 0.0 << 80000.0 << 20000.0;
    QTest::newRow("a top on a tick still gets room") << 0.0 << 60000.0 << 0.0 << 80000.0 << 20000.0;
    QTest::newRow("below zero") << -10.0 << 20.0 << -20.0 << 30.0 << 10.0;
  }
  void valueAxisRanges() {
    QFETCH(double, lowest);
    QFETCH(double, highest);
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(double, step);
    const TValueRange range = ValueAxisRange(lowest, highest);
    QCOMPARE(range.Bottom, bottom);
    QCOMPARE(range.Top, top);
    QCOMPARE(range.Step, step);
  }

  void marksStandUprightWhenTheyDontFitTheirBar() {
    QChartView view;
    view.resize(900, 500);
    TQtBarChart chart(&view);
    chart.ShowMarks(true);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    chart.AddPoint(500, 3, "", kSeriesColor);
    chart.AddPoint(600, 1, "", kSeriesColor);
    QTRY_VERIFY(chart.Chart()->plotArea().width() > 0);
    QCOMPARE(chart.Series()->labelsAngle(), 0.0);
    for (int x = 700; x <= 5000; x += 100) {
      chart.AddPoint(x, 5750000, "", kSeriesColor);
    }
    QCOMPARE(chart.Series()->labelsAngle(), -90.0);
    chart.Clear();
    chart.AddPoint(1, 5750000, "", kSeriesColor);
    QCOMPARE(chart.Series()->labelsAngle(), 0.0);
  }

  void niceTickSteps_data() {
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("step");
    QTest::newRow("nothing to show") << 0.0 << 1.0;
    QTest::newRow("small counts stay whole") << 3.0 << 1.0;
    QTest::newRow("twos") << 80.0 << 20.0;
    QTest::newRow("fives") << 20.0 << 5.0;
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
