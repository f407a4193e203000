// Lines per second of GetNextQuote over one generated day of tick lines, beside a bare PCRE2
// JIT match loop over the same lines.
//
//   quote_bench [lines] [repetitions]

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/tick_data.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "engine/reg_exp.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "runtime/formats.h"

namespace melquon::bench {
namespace {

std::string TickPattern() {
  std::string pattern = kTickFindWhat;
  pattern.replace(pattern.find("$CONTRACT"), 9, kTickContract);
  return pattern;
}

// Wall-clock and thread CPU seconds of one pass. CPU time leaves out the time the thread waits
// for a core, so it shows the one-core rate even on a busy machine.
struct PassTime {
  double wall = 0.0;
  double cpu = 0.0;
};

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// aPass returns a checksum that keeps the work from being dropped.
PassTime TimePass(const std::function<std::int64_t()>& aPass, std::int64_t& aChecksum) {
  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = ThreadCpuSeconds();
  aChecksum = aPass();
  const double cpu = ThreadCpuSeconds() - cpuStart;
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
  return PassTime{wall.count(), cpu};
}

// Millions of lines per second: the best and the median pass.
void PrintRates(const char* aClock, std::size_t aLines, std::vector<double> aSeconds) {
  std::sort(aSeconds.begin(), aSeconds.end());
  const double lines = static_cast<double>(aLines) / 1e6;
  std::printf("  %-4s best %6.2f  median %6.2f M lines/s\n", aClock, lines / aSeconds.front(),
              lines / aSeconds[aSeconds.size() / 2]);
}

void Report(const char* aName, std::size_t aLines, const std::vector<PassTime>& aTimes,
            std::int64_t aChecksum) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (const PassTime& t : aTimes) {
    wall.push_back(t.wall);
    cpu.push_back(t.cpu);
  }
  std::printf("%s (%zu runs, result %lld)\n", aName, aTimes.size(),
              static_cast<long long>(aChecksum));
  PrintRates("wall", aLines, wall);
  PrintRates("cpu", aLines, cpu);
}

std::int64_t BarePcre2Pass(const TQuoteLines& aLines) {
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  const std::string pattern = TickPattern();
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, &errorCode,
                                   &errorOffset, nullptr);
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  std::int64_t matches = 0;
  for (std::size_t i = 0; i < aLines.Count(); ++i) {
    const std::string_view line = aLines.Line(i);
    if (pcre2_jit_match(code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0, 0, data,
                        nullptr) > 0) {
      ++matches;
    }
  }
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  return matches;
}

std::int64_t GetNextQuotePass(TQuoteSource& aSource, const TQuoteLines& aLines) {
  std::int64_t quotes = 0;
  double sum = 0.0;
  std::int32_t index = -1;
  double value = 0.0;
  while (GetNextQuote(aSource, aLines, kTickContract, index, value)) {
    ++quotes;
    sum += value;
  }
  return quotes + static_cast<std::int64_t>(sum) % 1000;
}

int Run(int aLineCount, int aRepetitions) {
  TQuoteLines lines;
  lines.SetText(GenerateTickDay(CalendarDate{2009, 1, 12}, TickDayOptions{aLineCount, 1}));
  std::printf("%zu lines, %zu bytes\n", lines.Count(), lines.ByteSize());

  TSettings settings;
  settings.FindWhat = kTickFindWhat;
  settings.ReplaceWith = kTickReplaceWith;
  TSkipIntervals skipIntervals;
  TRegExp regExp;
  regExp.Global = true;
  regExp.IgnoreCase = true;
  regExp.Multiline = true;
  RegionalFormats() = FormatSettings();
  TQuoteSource source(settings, regExp, skipIntervals);

  std::vector<PassTime> bare;
  std::vector<PassTime> quotes;
  std::int64_t bareChecksum = 0;
  std::int64_t quoteChecksum = 0;
  for (int r = 0; r < aRepetitions; ++r) {
    bare.push_back(TimePass([&] { return BarePcre2Pass(lines); }, bareChecksum));
    quotes.push_back(TimePass([&] { return GetNextQuotePass(source, lines); }, quoteChecksum));
  }
  Report("bare PCRE2 JIT", lines.Count(), bare, bareChecksum);
  Report("GetNextQuote", lines.Count(), quotes, quoteChecksum);
  return 0;
}

}  // namespace
}  // namespace melquon::bench

int main(int argc, char** argv) {
  const int lineCount = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 7;
  return melquon::bench::Run(lineCount > 0 ? lineCount : 1000000,
                             repetitions > 0 ? repetitions : 7);
}
