#include "bench/bench_support.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "engine/quote_source.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "runtime/paths.h"
#include "runtime/regular_file.h"
#include "runtime/text_file.h"

namespace melquon::bench {

namespace {

namespace fs = std::filesystem;

const TDateTime kFirstDay = 39825.0;  // Monday 12 January 2009

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

void WriteSettings(const fs::path& aIniFileName, const ArchiveShape& aShape) {
  WriteFile(aIniFileName,
            "[COMMON]\r\nArchivePath=\r\nDataFileTemplate=ticks_$YY$MM$DD.txt\r\n"
            "FindWhat=" +
                aShape.findWhat + "\r\nReplaceWith=" + aShape.replaceWith +
                "\r\n[SKIP INTERVALS]\r\nSKIPSTART1=1400\r\nSKIPEND1=1403\r\n");
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

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ArchiveShape SampleDaysShape() {
  TSettings sample;
  TSkipIntervals skipIntervals;
  LoadSettingsFrom(MELQUON_SAMPLE_INI, sample, skipIntervals);
  ArchiveShape shape;
  shape.tradingDays = 8;
  shape.day.ownContractThirds = 2;
  shape.day.junkShare = 0.0002;
  shape.findWhat = sample.FindWhat;
  shape.replaceWith = sample.ReplaceWith;
  return shape;
}

Archive PrepareArchive(const fs::path& aFolder, const ArchiveShape& aShape) {
  fs::create_directories(aFolder);
  Archive archive;
  archive.firstDay = kFirstDay;
  archive.iniFileName = (aFolder / "Melquon.ini").string();
  WriteSettings(archive.iniFileName, aShape);
  int weekday = 0;  // Monday
  while (static_cast<int>(archive.dayFiles.size()) < aShape.tradingDays) {
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
      TickDayOptions options = aShape.day;
      options.seed = static_cast<std::uint32_t>(date.year * 10000 + date.month * 100 + date.day);
      WriteFile(file, GenerateTickDay(date, options));
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

fs::path BuildTreeFolder(const std::string& aName) {
  return (fs::path(ExecutableDirectory()) / ".." / aName).lexically_normal();
}

Stopwatch::Stopwatch() : wall_(WallSeconds()), cpu_(CpuSeconds()) {}

Timing Stopwatch::Elapsed() const {
  return Timing{WallSeconds() - wall_, CpuSeconds() - cpu_};
}

struct BareMatcher::Compiled {
  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
};

BareMatcher::BareMatcher(const std::string& aFindWhat, const std::string& aContract)
    : compiled_(std::make_unique<Compiled>()) {
  const std::string pattern = ContractPattern(aFindWhat, aContract);
  int error = 0;
  PCRE2_SIZE offset = 0;
  compiled_->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), pattern.size(),
                                  PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
  if (compiled_->code == nullptr || pcre2_jit_compile(compiled_->code, PCRE2_JIT_COMPLETE) != 0) {
    std::fprintf(stderr, "the pattern doesn't compile with JIT\n");
    std::exit(1);
  }
  compiled_->match = pcre2_match_data_create_from_pattern(compiled_->code, nullptr);
}

BareMatcher::~BareMatcher() {
  pcre2_match_data_free(compiled_->match);
  pcre2_code_free(compiled_->code);
}

std::int64_t BareMatcher::CountMatches(std::string_view aText) {
  std::int64_t matches = 0;
  std::size_t begin = 0;
  while (begin < aText.size()) {
    std::size_t end = aText.find('\n', begin);
    const std::size_t next = end == std::string_view::npos ? aText.size() : end + 1;
    end = end == std::string_view::npos ? aText.size() : end;
    if (end > begin && aText[end - 1] == '\r') {
      --end;
    }
    const auto subject = reinterpret_cast<PCRE2_SPTR>(aText.data() + begin);
    if (pcre2_jit_match(compiled_->code, subject, end - begin, 0, 0, compiled_->match, nullptr) >
        0) {
      ++matches;
    }
    begin = next;
  }
  return matches;
}

namespace {

// A day file straight into aBuffer, kept from file to file as a run keeps its own.
std::string_view ReadIntoBuffer(const std::string& aFile, std::string& aBuffer) {
  TRegularFileReader file(aFile, kUnboundedFile);
  if (aBuffer.size() < file.Size() + 1)
    aBuffer.resize(static_cast<std::size_t>(file.Size()) + 1);
  std::size_t size = 0;
  while (const std::size_t got = file.Read(aBuffer.data() + size, aBuffer.size() - size)) {
    size += got;
    if (size == aBuffer.size())
      aBuffer.resize(2 * aBuffer.size());
  }
  return std::string_view(aBuffer.data(), size);
}

}  // namespace

Timing TimeBareLoop(const Archive& aArchive, const std::string& aFindWhat,
                    const std::string& aContract, std::int64_t& aMatches, int aRepetitions,
                    bool aReadingFiles) {
  BareMatcher matcher(aFindWhat, aContract);
  Timing best;
  std::string buffer;
  for (int pass = 0; pass < std::max(1, aRepetitions); ++pass) {
    Timing total;
    aMatches = 0;
    for (const std::string& file : aArchive.dayFiles) {
      const Stopwatch reading;
      const std::string_view bytes = ReadIntoBuffer(file, buffer);
      const Stopwatch matching;
      aMatches += matcher.CountMatches(bytes);
      total += (aReadingFiles ? reading : matching).Elapsed();
    }
    if (pass == 0 || total.cpu < best.cpu)
      best = total;
  }
  return best;
}

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

bool ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

double Megabytes(long aKilobytes) {
  return static_cast<double>(aKilobytes) / 1024.0;
}

double Median(std::vector<double> aValues) {
  std::sort(aValues.begin(), aValues.end());
  return aValues[aValues.size() / 2];
}

int RepetitionsFrom(int argc, char** argv) {
  return argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
}

const char* Verdict(bool aMet) {
  return aMet ? "met" : "MISSED";
}

}  // namespace melquon::bench
