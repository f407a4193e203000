#include "engine/settings.h"

#include "engine/ini_file.h"
#include "engine/skip_intervals.h"
#include "runtime/number_text.h"
#include "runtime/paths.h"

namespace melquon {

namespace {

constexpr std::string_view kCommon = "COMMON";
constexpr std::string_view kDefault = "DEFAULT";
constexpr std::string_view kDefaultDateFrom = "01012009";
constexpr std::string_view kDefaultDateTo = "02012009";

}  // namespace

TDateTime IniStrToDate(std::string_view aText) {
  std::int32_t day = 0;
  std::int32_t month = 0;
  std::int32_t year = 0;
  TDateTime date = 0.0;
  if (TryStrToInt(IniValueField(aText, 1, 2), day) &&
      TryStrToInt(IniValueField(aText, 3, 2), month) &&
      TryStrToInt(IniValueField(aText, 5, 4), year) && TryEncodeDate(year, month, day, date)) {
    return date;
  }
  return 0.0;
}

TSettings ReadSettings(const IniFile& aIni) {
  const TSettings defaults;
  TSettings settings;
  settings.ArchivePath = aIni.ReadString(kCommon, "ArchivePath", defaults.ArchivePath);
  settings.DataFileTemplate =
      aIni.ReadString(kCommon, "DataFileTemplate", defaults.DataFileTemplate);
  settings.FindWhat = aIni.ReadString(kCommon, "FindWhat", defaults.FindWhat);
  settings.ReplaceWith = aIni.ReadString(kCommon, "ReplaceWith", defaults.ReplaceWith);
  settings.ReportFileName = aIni.ReadString(kCommon, "ReportFileName", defaults.ReportFileName);
  settings.MaxDayFileMB = aIni.ReadInteger(kCommon, "MaxDayFileMB", defaults.MaxDayFileMB);
  if (settings.MaxDayFileMB < 1) {
    settings.MaxDayFileMB = defaults.MaxDayFileMB;
  }

  settings.Contract = aIni.ReadString(kDefault, "Contract", defaults.Contract);
  const std::string dateFrom = aIni.ReadString(kDefault, "DateFrom", std::string(kDefaultDateFrom));
  const std::string dateTo = aIni.ReadString(kDefault, "DateTo", std::string(kDefaultDateTo));
  settings.IntervalFrom = aIni.ReadInteger(kDefault, "IntervalFrom", defaults.IntervalFrom);
  settings.IntervalTo = aIni.ReadInteger(kDefault, "IntervalTo", defaults.IntervalTo);
  settings.IntervalStep = aIni.ReadInteger(kDefault, "IntervalStep", defaults.IntervalStep);

  settings.DateFrom = IniStrToDate(dateFrom);
  settings.DateTo = IniStrToDate(dateTo);
  return settings;
}

void LoadSettingsFrom(const std::string& aIniFileName, TSettings& aSettings,
                      TSkipIntervals& aSkipIntervals) {
  const IniFile ini = IniFile::Load(aIniFileName);
  aSettings = ReadSettings(ini);
  aSkipIntervals.Load(ini);
}

std::string ResolveSettingsPath(const std::string& aIniFileName, const std::string& aPath) {
  return ResolveAgainst(DirectoryOf(aIniFileName), aPath);
}

}  // namespace melquon
