#include "cli/cli_run.h"

#include <exception>
#include <filesystem>

#include "cli/csv.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "engine/engine.h"
#include "engine/report.h"
#include "runtime/text_file.h"

namespace melquon::cli {

namespace {

int BadArguments(CliEnvironment& aEnvironment, const std::string& aMessage) {
  aEnvironment.Err << "melquon-cli: " << aMessage << "\n\n" << CliUsageText();
  return kExitBadArguments;
}

// Absolute, so that the program folder (and with it Melquon.log) is the settings file's folder
// whatever the current directory.
std::string SettingsFileOf(const CliOptions& aOptions, const std::string& aProgramDirectory) {
  if (!aOptions.IniFileName) {
    return aProgramDirectory + "Melquon.ini";
  }
  return std::filesystem::absolute(*aOptions.IniFileName).lexically_normal().string();
}

void CalculateAndReport(const CliOptions& aOptions, CliEnvironment& aEnvironment) {
  TEngine& engine = Engine();
  const TSettings& defaults = engine.Settings;
  const TDateTime dateTo = aOptions.DateTo.value_or(defaults.DateTo);
  DayProgressDisplay progress(aEnvironment.Err, aEnvironment.ErrIsTerminal);
  engine.CurrentResult.reset();
  try {
    engine.CurrentResult = Calculate(aOptions.Contract.value_or(defaults.Contract),
                                     aOptions.IntervalFrom.value_or(defaults.IntervalFrom),
                                     aOptions.IntervalTo.value_or(defaults.IntervalTo),
                                     aOptions.DateFrom.value_or(defaults.DateFrom), dateTo + 1.0,
                                     aOptions.IntervalStep.value_or(defaults.IntervalStep),
                                     [&](std::int32_t aDayIndex, std::int32_t aDaysCount) {
                                       progress.Show(aDayIndex, aDaysCount);
                                     });
  } catch (...) {
    progress.Finish();
    throw;
  }
  progress.Finish();
  const std::string report = GetReportText(*engine.CurrentResult);
  // The CSV file is the one write here that can fail; written first, its failure leaves the
  // report file as it was.
  if (aOptions.CsvFileName) {
    ReplaceFileContents(*aOptions.CsvFileName, GetCsvText(*engine.CurrentResult));
  }
  WriteReportFile(engine, report);
  if (!aOptions.Quiet) {
    aEnvironment.Out << report << std::flush;
  }
}

}  // namespace

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
  const std::string iniFileName = SettingsFileOf(options, aEnvironment.ProgramDirectory);
  if (!FileExists(iniFileName)) {
    if (options.IniFileName) {
      return BadArguments(aEnvironment, "--ini: settings file '" + iniFileName + "' not found");
    }
    aEnvironment.Err << "Settings file " << iniFileName << " not found\n";
    return kExitRunFailed;
  }
  StartEngine(iniFileName);
  int status = kExitDone;
  try {
    CalculateAndReport(options, aEnvironment);
  } catch (const std::exception& e) {
    aEnvironment.Err << e.what() << "\n";
    status = kExitRunFailed;
  }
  StopEngine();
  return status;
}

}  // namespace melquon::cli
