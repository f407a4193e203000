#include "cli/cli_run.h"

#include <exception>
#include <filesystem>
#include <new>
#include <optional>

#include "cli/explain.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "engine/calculation.h"
#include "engine/csv_format.h"
#include "engine/day_figures.h"
#include "engine/engine.h"
#include "engine/ini_file.h"
#include "engine/move_table.h"
#include "engine/report.h"
#include "engine/result_csv.h"
#include "log/write_log.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/regular_file.h"
#include "runtime/text_file.h"

namespace melquon::cli {

namespace {

constexpr const char* kProgramPrefix = "melquon-cli: ";
// A log write's notice holds the whole line it failed to write, the report for one; on a
// terminal its first line, cut to this many characters, is enough to tell which write failed.
constexpr std::size_t kNoticeLength = 160;

int BadArguments(CliEnvironment& aEnvironment, const std::string& aMessage) {
  aEnvironment.Err << kProgramPrefix << aMessage << "\n\n" << CliUsageText();
  return kExitBadArguments;
}

int RunFailed(CliEnvironment& aEnvironment, const std::string& aMessage) {
  aEnvironment.Err << kProgramPrefix << aMessage << "\n";
  return kExitRunFailed;
}

// Shows the log's notices on the error stream, shortened, for as long as it lives.
class TerminalLogNotices {
 public:
  explicit TerminalLogNotices(std::ostream& aErr) {
    SetLogMessageBox([&aErr](const std::string& aText) {
      aErr << kProgramPrefix << ShortNotice(aText, kNoticeLength) << "\n";
    });
  }
  ~TerminalLogNotices() { SetLogMessageBox({}); }
  TerminalLogNotices(const TerminalLogNotices&) = delete;
  TerminalLogNotices& operator=(const TerminalLogNotices&) = delete;
};

// Absolute, so that the program folder (and with it Melquon.log) is the settings file's folder
// whatever the current directory.
std::string SettingsFileOf(const CliOptions& aOptions, const std::string& aProgramDirectory) {
  if (!aOptions.IniFileName) {
    return aProgramDirectory + "Melquon.ini";
  }
  return std::filesystem::absolute(*aOptions.IniFileName).lexically_normal().string();
}

std::int32_t StepOf(const CliOptions& aOptions, const TEngine& aEngine) {
  if (aOptions.IntervalStep) {
    return *aOptions.IntervalStep;
  }
  if (aEngine.Settings.IntervalStep == 0) {
    throw CliUsageError("the interval step is 0 (IntervalStep in " + aEngine.IniFileName +
                        "); give another with --interval-step");
  }
  return aEngine.Settings.IntervalStep;
}

// The tables a run fills as it counts, when asked for: the moves go to their file while the run
// goes on (created before it, so that a file that can't be written stops the tool at once), the
// file replacing the old one only once the run is complete; the day figures are written after.
class RunTables {
 public:
  RunTables(const CliOptions& aOptions, const TCsvFormat& aFormat)
      : dayStatsFileName_(aOptions.DayStatsFileName), format_(aFormat) {
    if (aOptions.EventsFileName) {
      TFileReplacement& file = movesFile_.emplace(*aOptions.EventsFileName);
      observers_.Add(moves_.emplace([&file, this](std::string_view aBytes) {
        file.Write(InCsvFormat(std::string(aBytes), format_));
      }));
    }
    if (dayStatsFileName_) {
      observers_.Add(dayFigures_.emplace());
    }
  }

  TRunObserver* Observer() { return observers_.Empty() ? nullptr : &observers_; }

  void Write() {
    if (movesFile_) {
      movesFile_->Commit();
    }
    if (dayStatsFileName_) {
      ReplaceFileContents(*dayStatsFileName_, InCsvFormat(DayFiguresCsv(*dayFigures_), format_));
    }
  }

 private:
  std::optional<std::string> dayStatsFileName_;
  TCsvFormat format_;
  std::optional<TFileReplacement> movesFile_;
  std::optional<TMoveTableWriter> moves_;
  std::optional<TDayFiguresCollector> dayFigures_;
  TRunObservers observers_;
};

// Writes the files and prints the report; a report file that could not be written is an error
// only after the report was printed, so the figures reach the user all the same.
// The run the options ask for, what they don't give taken from the settings.
TRunSnapshot SnapshotOf(const CliOptions& aOptions) {
  const TEngine& engine = Engine();
  const TSettings& defaults = engine.Settings;
  const std::int32_t step = StepOf(aOptions, engine);
  const TDateTime dateTo = aOptions.DateTo.value_or(defaults.DateTo);
  TRunSnapshot snapshot =
      EngineSnapshot(aOptions.Contract.value_or(defaults.Contract),
                     aOptions.IntervalFrom.value_or(defaults.IntervalFrom),
                     aOptions.IntervalTo.value_or(defaults.IntervalTo),
                     aOptions.DateFrom.value_or(defaults.DateFrom), dateTo + 1.0, step);
  snapshot.Threads = aOptions.Threads.value_or(DefaultRunThreads());
  return snapshot;
}

// The CSV files' format the options ask for, in the program's regional formats.
TCsvFormat CsvFormatOf(const CliOptions& aOptions) {
  const TCsvFormat format{aOptions.CsvSeparator,
                          aOptions.CsvDecimalComma ? RegionalFormats().DecimalSeparator : '.'};
  if (!format.Valid()) {
    throw CliUsageError(
        "--csv-decimal-comma: the decimal separator of the regional formats is "
        "the CSV separator");
  }
  return format;
}

void CalculateAndReport(const CliOptions& aOptions, CliEnvironment& aEnvironment) {
  TEngine& engine = Engine();
  const TCsvFormat csvFormat = CsvFormatOf(aOptions);
  if (aOptions.ExplainLines) {
    ExplainFirstDayFile(SnapshotOf(aOptions), *aOptions.ExplainLines, aEnvironment.Out);
    return;
  }
  DayProgressDisplay progress(aEnvironment.Err, aEnvironment.ErrIsTerminal);
  engine.CurrentResult.reset();
  TWriteLogRunLog log(RegionalFormats());
  TCalculation run(SnapshotOf(aOptions), log);
  RunTables tables(aOptions, csvFormat);
  run.Observe(tables.Observer());
  try {
    engine.CurrentResult =
        run.Run([&](const TRunProgress& aDay) { progress.Show(aDay.DayIndex, aDay.DaysCount); });
  } catch (...) {
    progress.Finish();
    throw;
  }
  progress.Finish();
  const TRunSummary& summary = run.Summary();
  if (!aOptions.Quiet) {
    aEnvironment.Err << RunSummaryText(summary) << "\n";
  } else if (const std::string reason = NothingCountedReason(summary); !reason.empty()) {
    aEnvironment.Err << reason << "\n";
  }
  const std::string report = GetReportText(*engine.CurrentResult);
  // Written first, a failed CSV or summary file leaves the report file as it was.
  if (aOptions.CsvFileName) {
    ReplaceFileContents(*aOptions.CsvFileName,
                        InCsvFormat(GetCsvText(*engine.CurrentResult), csvFormat));
  }
  tables.Write();
  if (aOptions.SummaryJsonFileName) {
    ReplaceFileContents(*aOptions.SummaryJsonFileName, RunSummaryJson(summary));
  }
  const TReportFileStatus written = WriteReportFile(engine, report);
  if (!aOptions.Quiet) {
    aEnvironment.Out << report << std::flush;
  }
  if (written.Error != 0) {
    throw EInOutError("Cannot write file \"" + written.FileName + "\". " +
                      SystemErrorText(written.Error));
  }
}

}  // namespace

std::string ShortNotice(std::string_view aText, std::size_t aMaxLength) {
  const std::size_t lineEnd = aText.find_first_of("\r\n");
  const std::string_view line = aText.substr(0, lineEnd);
  const std::size_t cut = Utf8PrefixLength(line, aMaxLength);
  std::string shown(line.substr(0, cut));
  if (cut < aText.size()) {
    shown += "...";
  }
  return shown;
}

int RunCli(const std::vector<std::string_view>& aArgs, CliEnvironment& aEnvironment) {
  CliOptions options;
  try {
    options = ParseCliOptions(aArgs);
  } catch (const CliUsageError& e) {
    return BadArguments(aEnvironment, e.what());
  }
  if (options.Help) {
    aEnvironment.Out << CliUsageText();
    return kExitDone;
  }
  if (options.Version) {
    aEnvironment.Out << "melquon-cli " << MELQUON_VERSION << "\n";
    return kExitDone;
  }
  const std::string iniFileName = SettingsFileOf(options, aEnvironment.ProgramDirectory);
  if (!FileExists(iniFileName)) {
    if (options.IniFileName) {
      return BadArguments(aEnvironment, "--ini: settings file '" + iniFileName + "' not found");
    }
    return RunFailed(aEnvironment, "Settings file " + iniFileName + " not found");
  }
  // The engine takes a settings file it can't read as an empty one; here that is an error. An
  // open shows it (no FIFO, device or file past the bound) without reading it twice.
  try {
    const TRegularFileReader settingsFile(iniFileName, IniFile::kMaxFileBytes);
  } catch (const EInOutError& e) {
    return options.IniFileName ? BadArguments(aEnvironment, std::string("--ini: ") + e.what())
                               : RunFailed(aEnvironment, e.what());
  }
  const TerminalLogNotices notices(aEnvironment.Err);
  StartEngine(iniFileName);
  if (options.LogLevel)
    LogLevel = *options.LogLevel;
  int status = kExitDone;
  try {
    CalculateAndReport(options, aEnvironment);
  } catch (const CliUsageError& e) {
    status = BadArguments(aEnvironment, e.what());
  } catch (const std::bad_alloc&) {
    status = RunFailed(aEnvironment, kOutOfMemoryText);
  } catch (const std::exception& e) {
    status = RunFailed(aEnvironment, e.what());
  }
  StopEngine();
  return status;
}

}  // namespace melquon::cli
