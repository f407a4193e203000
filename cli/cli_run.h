#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace melquon::cli {

enum ExitStatus { kExitDone = 0, kExitRunFailed = 1, kExitBadArguments = 2 };

// Where the tool runs: its folder (for the default settings file) and its output streams.
struct CliEnvironment {
  std::string ProgramDirectory;
  std::ostream& Out;
  std::ostream& Err;
  bool ErrIsTerminal = false;
};

// One calculation as the window's Start does it: the run, the report file, then the report on
// Out (unless --quiet) and the CSV file (with --csv).
int RunCli(const std::vector<std::string_view>& aArgs, CliEnvironment& aEnvironment);

// The first line of a notice, cut after aMaxLength characters; "..." marks a cut or lines left out.
std::string ShortNotice(std::string_view aText, std::size_t aMaxLength);

}  // namespace melquon::cli
