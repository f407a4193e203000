// End-to-end throughput of Calculate over 20 trading days of 1,000,000 tick lines each, with
// the default 16 interval values, beside a bare PCRE2 JIT match loop over the same lines as
// the floor. The archive is generated once into the build tree (build/bench-archive/).
//
//   calculate_bench [repetitions]

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/tick_data.h"
#include "engine/engine.h"
#include "runtime/memory.h"
#include "runtime/paths.h"
#include "runtime/text_file.h"

namespace melquon::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kTradingDays = 20;
constexpr std::int32_t kLinesPerDay = 1000000;
constexpr std::int32_t kIntervalFrom = 500;
constexpr std::int32_t kIntervalTo = 2000;
constexpr std::int32_t kIntervalStep = 100;
const TDateTime kFirstDay = 39825.0;  // Monday 12 January 2009

struct Archive {
  std::string iniFileName;
  std::vector<std::string> dayFiles;
  std::int32_t calendarDays = 0;
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
  std::uint64_t largestFile = 0;
};

std::string DayFileName(const CalendarDate& aDate) {
  char name[32];
  std::snprintf(name, sizeof name, "ticks_%02d%02d%02d.txt", aDate.year - 2000, aDate.month,
                aDate.day);
  return name;
}

void WriteFile(const fs::path& aPath, const std::string& aBytes) {
  std::ofstream out(aPath, std::ios::binary | std::ios::trunc);
  out << aBytes;
  if (!out.flush()) {
    std::fprintf(stderr, "can't write %s\n", aPath.c_str());
    std::exit(1);
  }
}

void WriteSettings(const fs::path& aIniFileName) {
  WriteFile(aIniFileName, std::string("[COMMON]\r\nArchivePath=\r\n") +
                              "DataFileTemplate=ticks_$YY$MM$DD.txt\r\n" + "FindWhat=" +
                              kTickFindWhat + "\r\n" + "ReplaceWith=" + kTickReplaceWith + "\r\n" +
                              "[SKIP INTERVALS]\r\nSKIPSTART1=1400\r\nSKIPEND1=1403\r\n");
}

// Streams the file so that counting leaves no large blocks behind to blur the memory figures.
std::uint64_t CountLines(const std::string& aFileName) {
  std::ifstream in(aFileName, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  std::uint64_t lines = 0;
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    lines +=
        static_cast<std::uint64_t>(std::count(chunk.begin(), chunk.begin() + in.gcount(), '\n'));
  }
  return lines;
}

// Weekdays from the first day on; a day file already there is kept.
Archive PrepareArchive(const fs::path& aFolder) {
  fs::create_directories(aFolder);
  Archive archive;
  archive.iniFileName = (aFolder / "Melquon.ini").string();
  WriteSettings(archive.iniFileName);
  int weekday = 0;  // Monday
  while (static_cast<int>(archive.dayFiles.size()) < kTradingDays) {
    const TDateTime day = kFirstDay + archive.calendarDays;
    ++archive.calendarDays;
    const bool weekend = weekday >= 5;
    weekday = (weekday + 1) % 7;
    if (weekend) {
      continue;
    }
    const CalendarDate date = DecodeDate(day);
    const fs::path file = aFolder / DayFileName(date);
    if (!fs::exists(file)) {
      std::printf("generating %s\n", file.c_str());
      std::fflush(stdout);
      const auto seed = static_cast<std::uint32_t>(date.year * 10000 + date.month * 100 + date.day);
      WriteFile(file, GenerateTickDay(date, TickDayOptions{kLinesPerDay, seed}));
    }
    archive.dayFiles.push_back(file.string());
  }
  for (const std::string& file : archive.dayFiles) {
    const std::uint64_t size = fs::file_size(file);
    archive.lines += CountLines(file);
    archive.bytes += size;
    archive.largestFile = std::max(archive.largestFile, size);
  }
  return archive;
}

// A field of /proc/self/status in kB, 0 when unknown.
long StatusKilobytes(const char* aField) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(aField);
  while (std::getline(status, line)) {
    if (line.compare(0, length, aField) == 0 && line.size() > length && line[length] == ':') {
      return std::atol(line.c_str() + length + 1);
    }
  }
  return 0;
}

// Lets the peak that follows be the run's own rather than the archive generation's.
bool ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

// Wall-clock and CPU seconds: on a shared machine the CPU time shows what one core achieves.
struct Timing {
  double wall = 0.0;
  double cpu = 0.0;

  Timing& operator+=(const Timing& aOther) {
    wall += aOther.wall;
    cpu += aOther.cpu;
    return *this;
  }
};

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

class Stopwatch {
 public:
  Timing Elapsed() const {
    return Timing{std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(),
                  CpuSeconds() - cpu_};
  }

 private:
  std::chrono::steady_clock::time_point wall_ = std::chrono::steady_clock::now();
  double cpu_ = CpuSeconds();
};

Timing TimeCalculate(const Archive& aArchive, std::int64_t& aChecksum) {
  const Stopwatch stopwatch;
  const auto result = Calculate(kTickContract, kIntervalFrom, kIntervalTo, kFirstDay,
                                kFirstDay + aArchive.calendarDays, kIntervalStep);
  const Timing elapsed = stopwatch.Elapsed();
  aChecksum = 0;
  for (const TVolatilityResItem& item : result->Items) {
    aChecksum += item.Result;
  }
  return elapsed;
}

// Matching only: each file is read before its clock starts.
Timing TimeBareLoop(const Archive& aArchive, std::int64_t& aMatches) {
  std::string pattern = kTickFindWhat;
  pattern.replace(pattern.find("$CONTRACT"), 9, kTickContract);
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), pattern.size(),
                                   PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
  if (code == nullptr || pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) != 0) {
    std::fprintf(stderr, "the tick pattern doesn't compile with JIT\n");
    std::exit(1);
  }
  pcre2_match_data* match = pcre2_match_data_create_from_pattern(code, nullptr);
  Timing total;
  aMatches = 0;
  for (const std::string& file : aArchive.dayFiles) {
    const std::string bytes = ReadFileBytes(file);
    const Stopwatch stopwatch;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
      std::size_t end = bytes.find('\n', begin);
      const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
      end = end == std::string::npos ? bytes.size() : end;
      if (end > begin && bytes[end - 1] == '\r') {
        --end;
      }
      const auto subject = reinterpret_cast<PCRE2_SPTR>(bytes.data() + begin);
      if (pcre2_jit_match(code, subject, end - begin, 0, 0, match, nullptr) > 0) {
        ++aMatches;
      }
      begin = next;
    }
    total += stopwatch.Elapsed();
  }
  pcre2_match_data_free(match);
  pcre2_code_free(code);
  return total;
}

double Median(std::vector<double> aValues) {
  std::sort(aValues.begin(), aValues.end());
  return aValues[aValues.size() / 2];
}

const char* Verdict(bool aMet) {
  return aMet ? "met" : "MISSED";
}

int Run(int aRepetitions) {
  const fs::path folder =
      (fs::path(ExecutableDirectory()) / ".." / "bench-archive").lexically_normal();
  const Archive archive = PrepareArchive(folder);
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
  const Timing bare = TimeBareLoop(archive, matches);
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
  const auto megabytesOf = [](long aKb) { return static_cast<double>(aKb) / 1024.0; };

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
              megabytesOf(firstPeakKb), megabytesOf(rssBeforeKb),
              peakReset ? "" : ", peak not reset: includes the archive preparation",
              Verdict(megabytesOf(firstPeakKb) <= budgetMb));
  if (aRepetitions > 1) {
    std::printf("                later runs %.1f MB  [%s]\n", megabytesOf(laterPeakKb),
                Verdict(megabytesOf(laterPeakKb) <= budgetMb));
  }
  std::printf("                budget 2 x largest file + result set + 16 MB = %.1f MB\n", budgetMb);
  return 0;
}

}  // namespace
}  // namespace melquon::bench

int main(int argc, char** argv) {
  melquon::KeepLargeBlocksMapped();
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  return melquon::bench::Run(repetitions);
}
