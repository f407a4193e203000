// One thread over the sample-shaped archive (see SampleDaysShape) with 16, 160 and 2,000
// interval values, beside the bare PCRE2 JIT match loop over the same lines in the same run,
// best of as many passes, timed with the files in memory and, as a run is, reading them.
// The log keeps errors only (level 1) but for one run of 16 values at level 2, the level of the
// window; 2,000 values (1 to 2,000 step 1) run over the first day only.
//
//   intervals_bench [repetitions]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/calculation.h"
#include "engine/engine.h"
#include "log/write_log.h"
#include "runtime/memory.h"

namespace melquon::bench {
namespace {

struct Sweep {
  const char* name;
  std::int32_t from, to, step;
  std::int32_t logLevel;
  bool firstDayOnly;
};

constexpr Sweep kSweeps[] = {
    {"16 values, log level 2", 500, 2000, 100, 2, false},
    {"16 values", 500, 2000, 100, 1, false},
    {"160 values", 100, 16000, 100, 1, false},
    {"2,000 values", 1, 2000, 1, 1, true},
};

double RunSeconds(const Archive& aArchive, const Sweep& aSweep) {
  LogLevel = aSweep.logLevel;
  const std::int32_t days = aSweep.firstDayOnly ? 1 : aArchive.calendarDays;
  TRunSnapshot snapshot = EngineSnapshot(kTickContract, aSweep.from, aSweep.to, aArchive.firstDay,
                                         aArchive.firstDay + days, aSweep.step);
  TWriteLogRunLog log;
  TCalculation run(std::move(snapshot), log);
  const Stopwatch stopwatch;
  run.Run();
  return stopwatch.Elapsed().cpu;
}

int Run(int aRepetitions) {
  const Archive archive = PrepareArchive(BuildTreeFolder("bench-archive-days"), SampleDaysShape());
  StartEngine(archive.iniFileName);
  const std::string findWhat = SampleDaysShape().findWhat;
  std::int64_t matches = 0;
  const Timing bare = TimeBareLoop(archive, findWhat, kTickContract, matches, aRepetitions);
  const Timing bareReading =
      TimeBareLoop(archive, findWhat, kTickContract, matches, aRepetitions, true);
  const double bareRate = static_cast<double>(archive.lines) / bare.cpu;
  const double bareReadingRate = static_cast<double>(archive.lines) / bareReading.cpu;
  std::printf("archive         %s, %zu day files, %llu lines\n", archive.iniFileName.c_str(),
              archive.dayFiles.size(), static_cast<unsigned long long>(archive.lines));
  std::printf("bare PCRE2 JIT  %.2f M lines/s per CPU second (files in memory)\n", bareRate / 1e6);
  std::printf("                %.2f M lines/s per CPU second reading the files too\n",
              bareReadingRate / 1e6);
  const double firstDayLines = static_cast<double>(archive.lines) / archive.dayFiles.size();
  for (const Sweep& sweep : kSweeps) {
    std::vector<double> seconds;
    for (int i = 0; i < aRepetitions; ++i)
      seconds.push_back(RunSeconds(archive, sweep));
    const double lines = sweep.firstDayOnly ? firstDayLines : static_cast<double>(archive.lines);
    const double rate = lines / *std::min_element(seconds.begin(), seconds.end());
    std::printf("%-24s %6.2f M lines/s per CPU second, %.2f x bare (%.2f x reading too)\n",
                sweep.name, rate / 1e6, rate / bareRate, rate / bareReadingRate);
  }
  StopEngine();
  return 0;
}

}  // namespace
}  // namespace melquon::bench

int main(int argc, char** argv) {
  melquon::SetUpAllocator();
  return melquon::bench::Run(melquon::bench::RepetitionsFrom(argc, argv));
}
