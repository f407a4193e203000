// Fills the graph page's chart offscreen with 3,000 and then 100,000 bars and prints the wall
// time of filling it and laying it out, drawn once: "bars 3000 seconds 0.123"; then the same for
// the day × interval map of 2,000 interval values over 250 days, made from a result and drawn.
// Usage: chart_bench [FOLDER]   with a folder, also saves a picture of the chart with 16, 491,
// 3,000 and 100,000 bars there, for a person to look at.
#include <QApplication>
#include <QChartView>
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/result_map.h"
#include "engine/volatility_res.h"
#include "ui/map_page.h"
#include "ui/qt_bar_chart.h"

namespace {

double FillSeconds(QChartView& aView, melquon::TQtBarChart& aChart, int aBars) {
  const auto start = std::chrono::steady_clock::now();
  aChart.BeginUpdate();
  aChart.Clear();
  for (int bar = 0; bar < aBars; ++bar) {
    // Interval values 500, 600, ... with counts that rise and fall.
    aChart.AddPoint(500.0 + 100.0 * bar, static_cast<double>((bar * 7919) % 1000), "",
                    melquon::kSeriesColor);
  }
  aChart.EndUpdate();
  QApplication::processEvents();
  static_cast<void>(aView.grab());  // one whole drawing of the laid-out chart
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  QChartView view;
  view.resize(900, 500);  // the graph page's chart at the window's design size
  melquon::TQtBarChart chart(&view);
  chart.ShowLegend(false);
  chart.ShowMarks(true);
  view.show();
  QApplication::processEvents();
  for (const int bars : {3000, 100000}) {
    std::printf("bars %d seconds %.3f\n", bars, FillSeconds(view, chart, bars));
    std::fflush(stdout);
  }
  {
    melquon::TVolatilityRes result(250, 39825.0, 1, 1, 2000);
    for (std::size_t i = 0; i < result.Items.size(); ++i) {
      for (std::size_t day = 0; day < 250; ++day)
        result.Items[i].ResultPerDays[day] = static_cast<std::int32_t>((i * 31 + day * 7) % 97);
    }
    melquon::TMapView map(nullptr);
    map.resize(900, 500);
    map.show();
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    map.Draw(melquon::MapOf(result, {}), melquon::Measure::SquareFactor, true, {});
    static_cast<void>(map.grab());
    std::printf("map 2000x250 seconds %.3f\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  if (argc > 1) {
    for (const int bars : {16, 491, 3000, 100000}) {
      FillSeconds(view, chart, bars);
      const QString file =
          QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bars-%1.png").arg(bars);
      if (!view.grab().save(file)) {
        std::fprintf(stderr, "can't save %s\n", qPrintable(file));
        return 1;
      }
    }
  }
  return 0;
}
