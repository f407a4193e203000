#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/date_time.h"

namespace melquon {

class IniFile;
class TSkipIntervals;

// The run parameters of the sections COMMON and DEFAULT. A default-constructed value holds
// what a settings file without any of these keys gives.
struct TSettings {
  std::string ArchivePath = "c:\\";
  std::string DataFileTemplate;
  std::string FindWhat;
  std::string ReplaceWith;
  std::string Contract = "RIH9";
  std::string ReportFileName;
  TDateTime DateFrom = 39814.0;  // 1 January 2009
  TDateTime DateTo = 39815.0;    // 2 January 2009
  std::int32_t IntervalFrom = 500;
  std::int32_t IntervalTo = 2000;
  std::int32_t IntervalStep = 100;
  // The largest day file a run reads, in MB ([COMMON] MaxDayFileMB); a larger one fails the
  // run with a message that names this key. Values below 1 give the default.
  std::int32_t MaxDayFileMB = 2048;

  // The bound in bytes.
  std::uint64_t MaxDayFileBytes() const { return std::uint64_t(MaxDayFileMB) << 20; }

  friend bool operator==(const TSettings&, const TSettings&) = default;
};

// ddmmyyyy: characters 1-2 day, 3-4 month, 5-8 year, the rest ignored; a valid date at
// midnight, otherwise 0.0. Never throws.
TDateTime IniStrToDate(std::string_view aText);

// Reads the settings and then the skip windows of the file, which is parsed once.
void LoadSettingsFrom(const std::string& aIniFileName, TSettings& aSettings,
                      TSkipIntervals& aSkipIntervals);
TSettings ReadSettings(const IniFile& aIni);

// A path from the settings (ArchivePath, ReportFileName) as the program uses it: a relative
// one is taken relative to the settings file's folder, so the program finds its files
// whatever folder it was started from. Absolute and empty paths come back unchanged; the
// settings themselves keep the text the user wrote.
std::string ResolveSettingsPath(const std::string& aIniFileName, const std::string& aPath);

}  // namespace melquon
