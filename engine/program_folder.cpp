#include "engine/program_folder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/ini_file.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/text_file.h"

namespace melquon {

namespace {

constexpr const char* kSettingsFileName = "Melquon.ini";
constexpr const char* kGuideFileName = "user-guide.html";

std::string WithSeparator(std::string aFolder) {
  if (!aFolder.empty() && aFolder.back() != '/')
    aFolder += '/';
  return aFolder;
}

// The installed sample settings, reading the installed sample archive.
void CopySampleSettings(const std::string& aDataFolder, const std::string& aFolder) {
  const std::string sample = aDataFolder + kSettingsFileName;
  if (!FileExists(sample))
    return;
  const std::string archive =
      std::filesystem::weakly_canonical(aDataFolder + "archive").string() + "/";
  ReplaceFileContents(aFolder + kSettingsFileName,
                      WithIniValue(ReadFileBytes(sample, IniFile::kMaxFileBytes), "COMMON",
                                   "ArchivePath", archive));
}

}  // namespace

std::string ProgramFolder(const std::string& aExecutableFolder, const std::string& aConfigHome,
                          const std::string& aDataFolder) {
  if (FileExists(aExecutableFolder + kSettingsFileName))
    return aExecutableFolder;
  const std::string folder = WithSeparator(aConfigHome) + "melquon/";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder)) {
    throw EInOutError("Cannot create folder \"" + folder + "\". " +
                      SystemErrorText(error ? error.value() : ENOTDIR));
  }
  if (!FileExists(folder + kSettingsFileName))
    CopySampleSettings(aDataFolder, folder);
  return folder;
}

std::string ProgramFolder() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::string config = configHome != nullptr && configHome[0] == '/'
                                 ? std::string(configHome)
                                 : WithSeparator(home != nullptr ? home : "") + ".config";
  return ProgramFolder(ExecutableDirectory(), config, ExecutableDirectory() + "../share/melquon/");
}

std::string UserGuideFile(const std::string& aProgramFolder) {
  const std::string inFolder = aProgramFolder + kGuideFileName;
  const std::string installed = ExecutableDirectory() + "../share/doc/melquon/" + kGuideFileName;
  return !FileExists(inFolder) && FileExists(installed) ? installed : inFolder;
}

}  // namespace melquon
