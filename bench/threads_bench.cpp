// A run over 8 trading days of 1,000,000 tick lines each (two thirds the run's contract, one
// line in 5,000 junk), read on one thread and on two, beside a bare PCRE2 JIT match loop over
// the same lines; the sample settings' FindWhat and ReplaceWith, the default 16 interval
// values. The report and the log of every run are checked to be those of the first one-thread
// run. The archive is generated once into the build tree (build/bench-archive-days/).
//
//   threads_bench [repetitions]

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "engine/calculation.h"
#include "engine/engine.h"
#include "engine/report.h"
#include "log/write_log.h"
#include "runtime/memory.h"
#include "runtime/text_file.h"

namespace melquon::bench {
namespace {

constexpr std::int32_t kThreadCounts[] = {1, 2};

// What a run leaves for the user: the report and the log file.
struct RunOutput {
  std::string report;
  std::string log;
};

Timing TimeRun(const Archive& aArchive, std::int32_t aThreads, RunOutput& aOutput) {
  TRunSnapshot snapshot = EngineSnapshot(kTickContract, 500, 2000, aArchive.firstDay,
                                         aArchive.firstDay + aArchive.calendarDays, 100);
  snapshot.Threads = aThreads;
  TWriteLogRunLog log;
  TCalculation run(std::move(snapshot), log);
  const Stopwatch stopwatch;
  const auto result = run.Run();
  const Timing elapsed = stopwatch.Elapsed();
  aOutput = {GetReportText(*result), ReadFileBytes(LogFileName)};
  return elapsed;
}

struct ThreadFigures {
  std::int32_t threads = 0;
  std::vector<double> wall;
  long peakKb = 0;
  bool sameOutput = true;
};

// The bare loop over the day files already in memory, the days shared out between the threads:
// how the floor itself scales on this machine, the ceiling for reading days in parallel.
double BareLoopWall(const std::vector<std::string>& aDays, const std::string& aFindWhat,
                    int aThreads) {
  const Stopwatch stopwatch;
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < aThreads; ++t) {
      threads.emplace_back([&, t] {
        BareMatcher matcher(aFindWhat, kTickContract);
        for (std::size_t day = static_cast<std::size_t>(t); day < aDays.size();
             day += static_cast<std::size_t>(aThreads))
          matcher.CountMatches(aDays[day]);
      });
    }
  }
  return stopwatch.Elapsed().wall;
}

int Run(int aRepetitions) {
  const Archive archive = PrepareArchive(BuildTreeFolder("bench-archive-days"), SampleDaysShape());
  StartEngine(archive.iniFileName);
  // A fixed clock, so that the log files of two runs compare byte for byte.
  SetLogClock([] { return LocalDateTime{{2009, 1, 12}, {10, 0, 0, 0}}; });

  // One thread and two take turns, so that a busy spell of a shared machine falls on both.
  RunOutput first;
  std::vector<ThreadFigures> figures;
  for (const std::int32_t threads : kThreadCounts)
    figures.emplace_back().threads = threads;
  for (int i = 0; i < aRepetitions; ++i) {
    for (ThreadFigures& these : figures) {
      malloc_trim(0);
      ResetPeakMemory();
      RunOutput output;
      these.wall.push_back(TimeRun(archive, these.threads, output).wall);
      these.peakKb = std::max(these.peakKb, StatusKilobytes("VmHWM"));
      if (first.report.empty())
        first = output;
      these.sameOutput =
          these.sameOutput && output.report == first.report && output.log == first.log;
    }
  }
  const std::string findWhat = SampleDaysShape().findWhat;
  std::vector<std::string> days;
  for (const std::string& file : archive.dayFiles)
    days.push_back(ReadFileBytes(file));
  std::int64_t matches = 0;
  {
    BareMatcher matcher(findWhat, kTickContract);
    for (const std::string& day : days)
      matches += matcher.CountMatches(day);
  }
  std::vector<double> bareWall[2];
  for (int i = 0; i < aRepetitions; ++i) {
    for (int threads = 1; threads <= 2; ++threads)
      bareWall[threads - 1].push_back(BareLoopWall(days, findWhat, threads));
  }
  const double bareOneWall = *std::min_element(bareWall[0].begin(), bareWall[0].end());
  const double bareTwoWall = *std::min_element(bareWall[1].begin(), bareWall[1].end());
  StopEngine();

  const double lines = static_cast<double>(archive.lines);
  const double largestMb = static_cast<double>(archive.largestFile) / 1048576.0;
  const double bareRate = lines / bareOneWall;
  std::printf("archive         %s\n", archive.iniFileName.c_str());
  std::printf("                %d day files, %.0f lines, %.1f MB largest file, log %zu bytes\n",
              static_cast<int>(archive.dayFiles.size()), lines, largestMb, first.log.size());
  std::printf("bare PCRE2 JIT  %.2f M lines/s on one thread, %lld matching lines\n", bareRate / 1e6,
              static_cast<long long>(matches));
  std::printf(
      "                %.2f M lines/s on two threads, %.2f x one thread: the ceiling of "
      "this machine\n",
      lines / bareTwoWall / 1e6, bareOneWall / bareTwoWall);
  double oneThreadRate = 0.0;
  for (const ThreadFigures& these : figures) {
    const double rate = lines / *std::min_element(these.wall.begin(), these.wall.end());
    oneThreadRate = these.threads == 1 ? rate : oneThreadRate;
    const double budgetMb = (these.threads + 1) * 2.0 * largestMb + 16.0 + 1.0;
    std::printf("%d thread%s       %.2f M lines/s (best of %d, median %.3f s), %.2f of bare on one",
                these.threads, these.threads == 1 ? " " : "s", rate / 1e6, aRepetitions,
                Median(these.wall), rate / bareRate);
    if (these.threads > 1) {
      std::printf(", %.2f x one thread  [>= 1.8: %s]", rate / oneThreadRate,
                  Verdict(rate >= 1.8 * oneThreadRate));
    }
    std::printf(
        "\n                peak memory %.1f MB  [<= (threads + 1) x 2 x largest file + "
        "16 MB + result set = %.1f MB: %s]\n",
        Megabytes(these.peakKb), budgetMb, Verdict(Megabytes(these.peakKb) <= budgetMb));
    std::printf("                report and log as the first one-thread run's: %s\n",
                these.sameOutput ? "yes" : "NO");
  }
  return 0;
}

}  // namespace
}  // namespace melquon::bench

int main(int argc, char** argv) {
  melquon::SetUpAllocator();
  return melquon::bench::Run(melquon::bench::RepetitionsFrom(argc, argv));
}
