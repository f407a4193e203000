#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/date_time.h"

namespace melquon {

class IniFile;
class TSkipIntervals;

// The run parameters of the sections COMMON and DEFAULT; the defaults apply to missing keys.
struct TSettings {
  std::string ArchivePath = "c:\\";
  std::string DataFileTemplate;
  std::string FindWhat;
  std::string ReplaceWith;
  std::string Contract = "RIH9";
  std::string ReportFileName;
  TDateTime DateFrom = 0.0;
  TDateTime DateTo = 0.0;
  std::int32_t IntervalFrom = 500;
  std::int32_t IntervalTo = 2000;
  std::int32_t IntervalStep = 100;
};

// ddmmyyyy: characters 1-2 day, 3-4 month, 5-8 year, the rest ignored; a valid date at
// midnight, otherwise 0.0. Never throws.
TDateTime IniStrToDate(std::string_view aText);

// Reads the settings and then the skip windows of the file.
void LoadSettingsFrom(const std::string& aIniFileName, TSettings& aSettings,
                      TSkipIntervals& aSkipIntervals);
TSettings ReadSettings(const IniFile& aIni);

}  // namespace melquon
