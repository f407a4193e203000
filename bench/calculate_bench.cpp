// End-to-end throughput of Calculate over 20 trading days of 1,000,000 tick lines each, with
// the default 16 interval values, beside a bare PCRE2 JIT match loop over the same lines as
// the floor. The archive is generated once into the build tree (build/bench-archive/).
//
//   calculate_bench [repetitions]

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/engine.h"
#include "runtime/memory.h"

namespace melquon::bench {
namespace {

constexpr int kTradingDays = 20;
constexpr std::int32_t kIntervalFrom = 500;
constexpr std::int32_t kIntervalTo = 2000;
constexpr std::int32_t kIntervalStep = 100;

Timing TimeCalculate(const Archive& aArchive, std::int64_t& aChecksum) {
  const Stopwatch stopwatch;
  const auto result = Calculate(kTickContract, kIntervalFrom, kIntervalTo, aArchive.firstDay,
                                aArchive.firstDay + aArchive.calendarDays, kIntervalStep);
  const Timing elapsed = stopwatch.Elapsed();
  aChecksum = 0;
  for (const TVolatilityResItem& item : result->Items) {
    aChecksum += item.Result;
  }
  return elapsed;
}

int Run(int aRepetitions) {
  const std::filesystem::path folder = BuildTreeFolder("bench-archive");
  ArchiveShape shape;
  shape.tradingDays = kTradingDays;
  const Archive archive = PrepareArchive(folder, shape);
  StartEngine(archive.iniFileName);

  malloc_trim(0);
  const long rssBeforeKb = StatusKilobytes("VmRSS");
  const bool peakReset = ResetPeakMemory();
  std::vector<double> wall;
  std::vector<double> cpu;
  std::int64_t closedPositions = 0;
  // The first run shows the peak of a fresh process; later runs show what the allocator keeps
  // once earlier runs have freed their day buffers.
  long firstPeakKb = 0;
  long laterPeakKb = 0;
  for (int i = 0; i < aRepetitions; ++i) {
    const Timing run = TimeCalculate(archive, closedPositions);
    wall.push_back(run.wall);
    cpu.push_back(run.cpu);
    if (i == 0) {
      firstPeakKb = StatusKilobytes("VmHWM");
      ResetPeakMemory();
    } else {
      laterPeakKb = StatusKilobytes("VmHWM");
    }
  }
  std::int64_t matches = 0;
  const Timing bare = TimeBareLoop(archive, kTickFindWhat, kTickContract, matches);
  StopEngine();

  const double lines = static_cast<double>(archive.lines);
  const double megabytes = static_cast<double>(archive.bytes) / 1e6;
  const double bestWall = *std::min_element(wall.begin(), wall.end());
  const double bestCpu = *std::min_element(cpu.begin(), cpu.end());
  const double rate = lines / bestCpu;
  const double bareRate = lines / bare.cpu;
  const double resultSetMb =
      16.0 * (static_cast<double>(sizeof(TVolatilityResItem)) + 4.0 * archive.calendarDays) /
      1048576.0;
  const double budgetMb =
      2.0 * static_cast<double>(archive.largestFile) / 1048576.0 + resultSetMb + 16.0;

  std::printf("archive         %s\n", folder.c_str());
  std::printf("                %d day files, %.0f lines, %.1f MB, largest file %.1f MB\n",
              kTradingDays, lines, megabytes, static_cast<double>(archive.largestFile) / 1e6);
  std::printf("Calculate       %d runs, 16 intervals, %lld closed positions\n", aRepetitions,
              static_cast<long long>(closedPositions));
  std::printf("                CPU  best %.3f s, median %.3f s\n", bestCpu, Median(cpu));
  std::printf("                wall best %.3f s, median %.3f s\n", bestWall, Median(wall));
  std::printf(
      "end to end      %.2f M lines/s, %.1f MB/s per CPU second (wall: %.2f M lines/s)"
      "  [>= 5 M lines/s: %s]\n",
      rate / 1e6, megabytes / bestCpu, lines / bestWall / 1e6, Verdict(rate >= 5e6));
  std::printf(
      "bare PCRE2 JIT  %.2f M lines/s per CPU second (wall: %.2f M lines/s), %lld "
      "matching lines\n",
      bareRate / 1e6, lines / bare.wall / 1e6, static_cast<long long>(matches));
  std::printf("share of bare   %.0f%%  [>= 30%%: %s]\n", 100.0 * rate / bareRate,
              Verdict(rate >= 0.3 * bareRate));
  std::printf("peak memory     first run %.1f MB (%.1f MB held before it%s)  [%s]\n",
              Megabytes(firstPeakKb), Megabytes(rssBeforeKb),
              peakReset ? "" : ", peak not reset: includes the archive preparation",
              Verdict(Megabytes(firstPeakKb) <= budgetMb));
  if (aRepetitions > 1) {
    std::printf("                later runs %.1f MB  [%s]\n", Megabytes(laterPeakKb),
                Verdict(Megabytes(laterPeakKb) <= budgetMb));
  }
  std::printf("                budget 2 x largest file + result set + 16 MB = %.1f MB\n", budgetMb);
  return 0;
}

}  // namespace
}  // namespace melquon::bench

int main(int argc, char** argv) {
  melquon::SetUpAllocator();
  return melquon::bench::Run(melquon::bench::RepetitionsFrom(argc, argv));
}
