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

// Seconds for one pass; aPass returns a checksum that keeps the work from being dropped.
double TimePass(const std::function<std::int64_t()>& aPass, std::int64_t& aChecksum) {
  const auto start = std::chrono::steady_clock::now();
  aChecksum = aPass();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count();
}

void Report(const char* aName, std::size_t aLines, std::vector<double> aSeconds,
            std::int64_t aChecksum) {
  std::sort(aSeconds.begin(), aSeconds.end());
  const double best = static_cast<double>(aLines) / aSeconds.front();
  const double median = static_cast<double>(aLines) / aSeconds[aSeconds.size() / 2];
  std::printf("%-14s best %6.2f M lines/s   median %6.2f M lines/s   (%zu runs, result %lld)\n",
              aName, best / 1e6, median / 1e6, aSeconds.size(), static_cast<long long>(aChecksum));
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
  TQuoteSource source{settings, regExp, skipIntervals, {}, {}, {}};

  std::vector<double> bare;
  std::vector<double> quotes;
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
