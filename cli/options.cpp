#include "cli/options.h"

#include <algorithm>
#include <functional>
#include <map>

#include "runtime/number_text.h"

namespace melquon::cli {

namespace {

bool IsDigits(std::string_view aText) {
  return std::all_of(aText.begin(), aText.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int DigitsValue(std::string_view aText) {
  int value = 0;
  for (char c : aText) {
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string Quoted(std::string_view aText) {
  return "'" + std::string(aText) + "'";
}

std::int32_t ParseInteger(std::string_view aOption, std::string_view aValue) {
  std::int32_t value = 0;
  if (aValue.empty() || !TryStrToInt(aValue, value)) {
    throw CliUsageError(std::string(aOption) + ": " + Quoted(aValue) + " is not a 32-bit integer");
  }
  return value;
}

TDateTime ParseDate(std::string_view aOption, std::string_view aValue) {
  TDateTime date = 0.0;
  if (!TryParseCliDate(aValue, date)) {
    throw CliUsageError(std::string(aOption) + ": " + Quoted(aValue) +
                        " is not a date of the form DDMMYYYY");
  }
  return date;
}

std::int32_t ParseStep(std::string_view aOption, std::string_view aValue) {
  const std::int32_t step = ParseInteger(aOption, aValue);
  if (step == 0) {
    throw CliUsageError(std::string(aOption) + ": the interval step can't be 0");
  }
  return step;
}

std::int32_t ParseThreads(std::string_view aOption, std::string_view aValue) {
  const std::int32_t threads = ParseInteger(aOption, aValue);
  if (threads < 1 || threads > kMaxThreads) {
    throw CliUsageError(std::string(aOption) + ": the number of threads must be from 1 to " +
                        std::to_string(kMaxThreads));
  }
  return threads;
}

std::int32_t ParseLogLevel(std::string_view aOption, std::string_view aValue) {
  const std::int32_t level = ParseInteger(aOption, aValue);
  if (level < 0 || level > 3) {
    throw CliUsageError(std::string(aOption) + ": the log level must be from 0 to 3");
  }
  return level;
}

std::int32_t ParseLineCount(std::string_view aOption, std::string_view aValue) {
  const std::int32_t lines = ParseInteger(aOption, aValue);
  if (lines < 0) {
    throw CliUsageError(std::string(aOption) + ": the number of lines can't be negative");
  }
  return lines;
}

char ParseSeparator(std::string_view aOption, std::string_view aValue) {
  if (aValue != "," && aValue != ";") {
    throw CliUsageError(std::string(aOption) + ": the separator must be , or ;");
  }
  return aValue.front();
}

// An argument that is itself an option can't be the value of the one before it: "--contract
// --quiet" lacks the contract. Negative numbers are values.
bool IsOptionName(std::string_view aArg) {
  return aArg.starts_with("--") || aArg == "-h";
}

using ValueSetter = std::function<void(CliOptions&, std::string_view aOption, std::string_view)>;

const std::map<std::string_view, ValueSetter>& ValueOptions() {
  static const std::map<std::string_view, ValueSetter> options = {
      {"--ini", [](CliOptions& o, auto, auto v) { o.IniFileName = std::string(v); }},
      {"--contract", [](CliOptions& o, auto, auto v) { o.Contract = std::string(v); }},
      {"--from", [](CliOptions& o, auto n, auto v) { o.DateFrom = ParseDate(n, v); }},
      {"--to", [](CliOptions& o, auto n, auto v) { o.DateTo = ParseDate(n, v); }},
      {"--interval-from",
       [](CliOptions& o, auto n, auto v) { o.IntervalFrom = ParseInteger(n, v); }},
      {"--interval-to", [](CliOptions& o, auto n, auto v) { o.IntervalTo = ParseInteger(n, v); }},
      {"--interval-step", [](CliOptions& o, auto n, auto v) { o.IntervalStep = ParseStep(n, v); }},
      {"--csv", [](CliOptions& o, auto, auto v) { o.CsvFileName = std::string(v); }},
      {"--events", [](CliOptions& o, auto, auto v) { o.EventsFileName = std::string(v); }},
      {"--day-stats", [](CliOptions& o, auto, auto v) { o.DayStatsFileName = std::string(v); }},
      {"--summary-json",
       [](CliOptions& o, auto, auto v) { o.SummaryJsonFileName = std::string(v); }},
      {"--threads", [](CliOptions& o, auto n, auto v) { o.Threads = ParseThreads(n, v); }},
      {"--log-level", [](CliOptions& o, auto n, auto v) { o.LogLevel = ParseLogLevel(n, v); }},
      {"--csv-separator",
       [](CliOptions& o, auto n, auto v) { o.CsvSeparator = ParseSeparator(n, v); }},
      {"--explain", [](CliOptions& o, auto n, auto v) { o.ExplainLines = ParseLineCount(n, v); }},
  };
  return options;
}

bool* FlagOf(CliOptions& aOptions, std::string_view aName) {
  if (aName == "--quiet") {
    return &aOptions.Quiet;
  }
  if (aName == "--help" || aName == "-h") {
    return &aOptions.Help;
  }
  if (aName == "--version") {
    return &aOptions.Version;
  }
  if (aName == "--csv-decimal-comma") {
    return &aOptions.CsvDecimalComma;
  }
  return nullptr;
}

}  // namespace

bool TryParseCliDate(std::string_view aText, TDateTime& aDate) {
  if (aText.size() != 8 || !IsDigits(aText)) {
    return false;
  }
  return TryEncodeDate(DigitsValue(aText.substr(4, 4)), DigitsValue(aText.substr(2, 2)),
                       DigitsValue(aText.substr(0, 2)), aDate);
}

CliOptions ParseCliOptions(const std::vector<std::string_view>& aArgs) {
  CliOptions options;
  for (std::size_t i = 0; i < aArgs.size(); ++i) {
    const std::string_view arg = aArgs[i];
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const auto option = arg.starts_with("--") ? ValueOptions().find(name) : ValueOptions().end();
    if (option != ValueOptions().end()) {
      if (equals != std::string_view::npos) {
        option->second(options, name, arg.substr(equals + 1));
      } else if (i + 1 < aArgs.size() && !IsOptionName(aArgs[i + 1])) {
        option->second(options, name, aArgs[++i]);
      } else {
        throw CliUsageError(std::string(name) + " needs a value");
      }
    } else if (bool* flag = FlagOf(options, name)) {
      if (equals != std::string_view::npos) {
        throw CliUsageError(std::string(name) + " takes no value");
      }
      *flag = true;
    } else if (arg.starts_with("-")) {
      throw CliUsageError("unknown option " + Quoted(arg));
    } else {
      throw CliUsageError("unexpected argument " + Quoted(arg));
    }
  }
  if (options.CsvDecimalComma && options.CsvSeparator != ';') {
    throw CliUsageError("--csv-decimal-comma needs --csv-separator ';'");
  }
  return options;
}

std::string CliUsageText() {
  return "Usage: melquon-cli [--ini FILE] [--contract CODE] [--from DDMMYYYY] [--to DDMMYYYY]\n"
         "                   [--interval-from N] [--interval-to N] [--interval-step N]\n"
         "                   [--csv FILE] [--events FILE] [--day-stats FILE]\n"
         "                   [--summary-json FILE] [--threads N] [--log-level N] [--quiet]\n"
         "                   [--csv-separator , | ;] [--csv-decimal-comma] [--explain N]\n"
         "\n"
         "Runs one calculation over the quote archive named by the settings file, writes the\n"
         "report file and prints the report, and on standard error what the run read.\n"
         "\n"
         "  --ini FILE           settings file (default: Melquon.ini beside the program);\n"
         "                       Melquon.log is written in its folder\n"
         "  --contract CODE      contract code (default: Contract of the DEFAULT section)\n"
         "  --from DDMMYYYY      first day (default: DateFrom)\n"
         "  --to DDMMYYYY        last day, included (default: DateTo)\n"
         "  --interval-from N    first interval value (default: IntervalFrom)\n"
         "  --interval-to N      last interval value (default: IntervalTo)\n"
         "  --interval-step N    step between interval values (default: IntervalStep)\n"
         "  --csv FILE           also write the figures to FILE as CSV (UTF-8)\n"
         "  --events FILE        also write every counted move to FILE as CSV: date, time\n"
         "                       and line of the quote, interval, side, count, extremes\n"
         "  --day-stats FILE     also write each day's ticks, first, high, low, last,\n"
         "                       range, realized variance and Parkinson figure as CSV\n"
         "  --summary-json FILE  also write what the run read to FILE as JSON\n"
         "  --threads N          read day files on N threads, 1 to 256 (default: the\n"
         "                       machine's hardware threads); the report and the log are\n"
         "                       the same for every N\n"
         "  --log-level N        what Melquon.log keeps: 0 nothing, 1 errors, 2 the run and\n"
         "                       every count (default, as the window), 3 every quote; the\n"
         "                       report is the same at every level\n"
         "  --quiet              print neither the report nor the summary of what the run\n"
         "                       read (a run that counted nothing still says why)\n"
         "  --csv-separator C    the CSV files' field separator: , (default) or ; for\n"
         "                       spreadsheets set to a Russian locale\n"
         "  --csv-decimal-comma  numbers in the CSV files with the program's decimal\n"
         "                       separator instead of . (needs --csv-separator ;)\n"
         "  --explain N          instead of the run, show what the quote path makes of the\n"
         "                       first N lines of the run's first day file (tab-separated:\n"
         "                       line, verdict, CONTRACT, DT, time of day, reason) and count\n"
         "                       the verdicts of all its lines\n"
         "  --help               show this text\n"
         "  --version            show the version\n"
         "\n"
         "Exit status: 0 done, 1 the run failed or the report or a CSV file was not written,\n"
         "2 bad arguments.\n";
}

}  // namespace melquon::cli
