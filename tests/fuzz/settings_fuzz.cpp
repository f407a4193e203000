// The settings file as the program reads it: every key of COMMON and DEFAULT, the dates, and
// the skip windows.
#include <cstdint>
#include <string_view>

#include "engine/ini_file.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "log/write_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace melquon;
  LogLevel = 0;  // the skip windows' fault lines are built but not written
  const IniFile ini = IniFile::Parse(std::string_view(reinterpret_cast<const char*>(aData), aSize));
  const TSettings settings = ReadSettings(ini);
  TSkipIntervals windows;
  windows.Load(ini);
  static_cast<void>(settings.MaxDayFileBytes());
  static_cast<void>(windows.IsSkippedMs(12 * 3600 * 1000));
  return 0;
}
