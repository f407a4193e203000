// End-to-end throughput of Calculate over 20 trading days of 1,000,000 tick lines each, with
// the default 16 interval values, beside a bare PCRE2 JIT match loop over the same lines as
// the floor. The archive is generated once into the build tree (build/bench-archive/).
//
//   calculate_bench [repetitions]

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

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
    const std::string bytes = ReadFileBytes(file);
    archive.lines += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    archive.bytes += bytes.size();
    archive.largestFile = std::max<std::uint64_t>(archive.largestFile, bytes.size());
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

double Seconds(std::chrono::steady_clock::time_point aStart) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - aStart).count();
}

double TimeCalculate(const Archive& aArchive, std::int64_t& aChecksum) {
  const auto start = std::chrono::steady_clock::now();
  const auto result = Calculate(kTickContract, kIntervalFrom, kIntervalTo, kFirstDay,
                                kFirstDay + aArchive.calendarDays, kIntervalStep);
  const double seconds = Seconds(start);
  aChecksum = 0;
  for (const TVolatilityResItem& item : result->Items) {
    aChecksum += item.Result;
  }
  return seconds;
}

// Matching only: each file is read before its clock starts.
double TimeBareLoop(const Archive& aArchive, std::int64_t& aMatches) {
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
  double seconds = 0.0;
  aMatches = 0;
  for (const std::string& file : aArchive.dayFiles) {
    const std::string bytes = ReadFileBytes(file);
    const auto start = std::chrono::steady_clock::now();
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
    seconds += Seconds(start);
  }
  pcre2_match_data_free(match);
  pcre2_code_free(code);
  return seconds;
}

int Run(int aRepetitions) {
  const fs::path folder = fs::path(ExecutableDirectory()) / ".." / "bench-archive";
  const Archive archive = PrepareArchive(folder.lexically_normal());
  StartEngine(archive.iniFileName);

  const long rssBefore = StatusKilobytes("VmRSS");
  const bool peakReset = ResetPeakMemory();
  std::vector<double> runs;
  std::int64_t closedPositions = 0;
  for (int i = 0; i < aRepetitions; ++i) {
    runs.push_back(TimeCalculate(archive, closedPositions));
  }
  const long peakKb = StatusKilobytes("VmHWM");
  std::int64_t matches = 0;
  const double bareSeconds = TimeBareLoop(archive, matches);
  StopEngine();

  std::sort(runs.begin(), runs.end());
  const double lines = static_cast<double>(archive.lines);
  const double megabytes = static_cast<double>(archive.bytes) / 1e6;
  const double best = lines / runs.front();
  const double bare = lines / bareSeconds;
  const double resultSetMb =
      (16.0 * (sizeof(TVolatilityResItem) + 4.0 * archive.calendarDays)) / 1048576.0;
  const double budgetMb =
      2.0 * static_cast<double>(archive.largestFile) / 1048576.0 + resultSetMb + 16.0;
  const double peakMb = peakKb / 1024.0;

  std::printf("archive          %s: %d day files, %.0f lines, %.1f MB, largest %.1f MB\n",
              folder.lexically_normal().c_str(), kTradingDays, lines, megabytes,
              static_cast<double>(archive.largestFile) / 1e6);
  std::printf("Calculate        best %.3f s, median %.3f s over %d runs; %lld closed positions\n",
              runs.front(), runs[runs.size() / 2], aRepetitions,
              static_cast<long long>(closedPositions));
  std::printf("end to end       %.2f M lines/s, %.1f MB/s          [target >= 5 M lines/s: %s]\n",
              best / 1e6, megabytes / runs.front(), best >= 5e6 ? "met" : "MISSED");
  std::printf("bare PCRE2 JIT   %.2f M lines/s (%lld matching lines, match loop only)\n",
              bare / 1e6, static_cast<long long>(matches));
  std::printf("share of bare    %.0f%%                           [target >= 30%%: %s]\n",
              100.0 * best / bare, best >= 0.3 * bare ? "met" : "MISSED");
  std::printf(
      "peak memory      %.1f MB (%.1f MB before the runs%s); budget %.1f MB "
      "[%s]\n",
      peakMb, rssBefore / 1024.0, peakReset ? "" : ", peak not reset", budgetMb,
      peakMb <= budgetMb ? "met" : "MISSED");
  return 0;
}

}  // namespace
}  // namespace melquon::bench

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  return melquon::bench::Run(repetitions);
}
