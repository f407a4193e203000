#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/tick_data.h"
#include "runtime/date_time.h"

namespace melquon::bench {

// What the end-to-end benchmarks share: a generated archive kept in the build tree, a bare
// PCRE2 JIT match loop over it, clocks and the process's memory figures.

// An archive of trading days from Monday 12 January 2009, weekends without files, and the
// settings file that reads it.
struct ArchiveShape {
  int tradingDays = 20;
  TickDayOptions day;  // its seed is made from each day's date
  std::string findWhat = kTickFindWhat;
  std::string replaceWith = kTickReplaceWith;
};

// 8 trading days of 1,000,000 lines, two thirds the benchmarks' contract, one line in 5,000
// junk (headers, empty lines, times and dates that are none), read with the sample settings'
// FindWhat and ReplaceWith: kept in build/bench-archive-days/.
ArchiveShape SampleDaysShape();

struct Archive {
  std::string iniFileName;
  std::vector<std::string> dayFiles;
  TDateTime firstDay = 0.0;
  std::int32_t calendarDays = 0;
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
  std::uint64_t largestFile = 0;
};

// Writes the settings file and the day files not already in aFolder: a day file there is kept,
// so a folder serves one shape only.
Archive PrepareArchive(const std::filesystem::path& aFolder, const ArchiveShape& aShape);

// A folder beside the build's executables.
std::filesystem::path BuildTreeFolder(const std::string& aName);

// Wall-clock and process CPU seconds: on a shared machine the CPU time shows what one core
// achieves, the wall clock what several threads achieve together.
struct Timing {
  double wall = 0.0;
  double cpu = 0.0;

  Timing& operator+=(const Timing& aOther) {
    wall += aOther.wall;
    cpu += aOther.cpu;
    return *this;
  }
};

class Stopwatch {
 public:
  Stopwatch();
  Timing Elapsed() const;

 private:
  double wall_;
  double cpu_;
};

// FindWhat with aContract put in, compiled with JIT, matched line by line: the floor that
// reading quotes is measured against.
class BareMatcher {
 public:
  BareMatcher(const std::string& aFindWhat, const std::string& aContract);
  ~BareMatcher();
  BareMatcher(const BareMatcher&) = delete;
  BareMatcher& operator=(const BareMatcher&) = delete;

  // The lines of aText that match.
  std::int64_t CountMatches(std::string_view aText);

 private:
  struct Compiled;
  std::unique_ptr<Compiled> compiled_;
};

// The bare loop over each day file, its clock running once the file is in memory or, with
// aReadingFiles, while the file is read as well (as a run's clock does): the best pass over
// the archive by CPU time of aRepetitions.
Timing TimeBareLoop(const Archive& aArchive, const std::string& aFindWhat,
                    const std::string& aContract, std::int64_t& aMatches, int aRepetitions = 1,
                    bool aReadingFiles = false);

// A field of /proc/self/status in kB, 0 when unknown.
long StatusKilobytes(const char* aField);
// Lets the peak that follows be what comes next rather than what came before.
bool ResetPeakMemory();
double Megabytes(long aKilobytes);

double Median(std::vector<double> aValues);
// The repetitions named by the first argument, 3 without one.
int RepetitionsFrom(int argc, char** argv);
const char* Verdict(bool aMet);

}  // namespace melquon::bench
