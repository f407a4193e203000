#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/date_time.h"

namespace melquon::cli {

// What the command line asks for; options not given fall back to the settings file's DEFAULT
// section once it is loaded.
struct CliOptions {
  std::optional<std::string> IniFileName;
  std::optional<std::string> Contract;
  std::optional<TDateTime> DateFrom;
  std::optional<TDateTime> DateTo;  // the last day, included
  std::optional<std::int32_t> IntervalFrom;
  std::optional<std::int32_t> IntervalTo;
  std::optional<std::int32_t> IntervalStep;
  std::optional<std::string> CsvFileName;
  bool Quiet = false;
  bool Help = false;
  std::optional<std::string> SummaryJsonFileName;
  // Threads that read day files; the machine's hardware threads when not given.
  std::optional<std::int32_t> Threads;
  // The log's threshold: 1 errors only, 2 the run's course and every count, 3 every quote.
  std::optional<std::int32_t> LogLevel;
  // The table of counted moves and the per-day figures as CSV.
  std::optional<std::string> EventsFileName;
  std::optional<std::string> DayStatsFileName;
  // Explain the first N lines of the first day file instead of running.
  std::optional<std::int32_t> ExplainLines;
  // The CSV files' field separator, and whether their numbers take the program's decimal
  // separator.
  char CsvSeparator = ',';
  bool CsvDecimalComma = false;
  bool Version = false;
};

// The most threads a run is given: beyond the cores of any desktop, more only cost memory.
inline constexpr std::int32_t kMaxThreads = 256;

// A command line that can't be used; the message names the option and the value.
class CliUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The arguments after the program name. Options take their value as the next argument or
// after "="; a next argument that starts with "--" is not taken as a value, so a value that
// does is given after "=". A repeated option keeps its last value. Throws CliUsageError.
CliOptions ParseCliOptions(const std::vector<std::string_view>& aArgs);

// DDMMYYYY, exactly eight digits forming a real date.
bool TryParseCliDate(std::string_view aText, TDateTime& aDate);

std::string CliUsageText();

}  // namespace melquon::cli
