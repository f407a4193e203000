#include <unistd.h>
#include <algorithm>

#include <csignal>
#include <iostream>
#include <new>
#include <string_view>
#include <vector>

#include "cli/cli_run.h"
#include "engine/program_folder.h"
#include "runtime/errors.h"
#include "runtime/formats.h"
#include "runtime/memory.h"
#include "runtime/paths.h"

int main(int argc, char** argv) {
  // A write past the file size limit is then an error the tool reports, not a silent kill.
  std::signal(SIGXFSZ, SIG_IGN);
  melquon::SetUpAllocator();
  melquon::RegionalFormats() = melquon::FormatsFromSystemLocale();
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  // The user's own folder is only needed, and made, without --ini; one that can't be made is
  // said once.
  std::string folder;
  if (std::none_of(args.begin(), args.end(),
                   [](std::string_view aArg) { return aArg.starts_with("--ini"); })) {
    try {
      folder = melquon::ProgramFolder();
    } catch (const melquon::EInOutError& e) {
      std::cerr << "melquon-cli: " << e.what() << std::endl;
      return melquon::cli::kExitRunFailed;
    }
  }
  try {
    melquon::cli::CliEnvironment environment{folder, std::cout, std::cerr,
                                             isatty(STDERR_FILENO) == 1};
    return melquon::cli::RunCli(args, environment);
  } catch (const std::bad_alloc&) {
    // Outside the run itself, where there is no room left even for the usual failure path.
    std::cerr << "melquon-cli: " << melquon::kOutOfMemoryText << std::endl;
    return melquon::cli::kExitRunFailed;
  }
}
