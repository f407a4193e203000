#pragma once

#include <string>
#include <string_view>

#include "runtime/date_time.h"

namespace melquon {

// The user's regional formats. Patterns use d, dd, M, MM, yy, yyyy, h, hh, H, HH, m, mm, s,
// ss, z, zzz, AM/PM, "/" for the date separator and ":" for the time separator; text in
// quotes is copied. The defaults are the program's home formats.
struct FormatSettings {
  std::string ShortDateFormat = "dd.MM.yyyy";
  std::string LongTimeFormat = "H:mm:ss";
  char DateSeparator = '.';
  char TimeSeparator = ':';
  char DecimalSeparator = ',';
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
};

// The formats of the locale named by the environment (LC_ALL, LC_TIME, LC_NUMERIC, LANG);
// the home formats where that is C or POSIX or unknown. Dates and times follow the time
// category, the decimal separator the numeric one.
FormatSettings FormatsFromSystemLocale();

// The formats of one named locale (for example "en_US.UTF-8"); the home formats where the
// name is C or POSIX or the locale is not installed.
FormatSettings FormatsFromLocaleName(const std::string& name);

// What a locale says about dates, times and numbers in nl_langinfo's terms (strftime
// formats D_FMT, T_FMT and T_FMT_AMPM, the strings AM_STR, PM_STR and RADIXCHAR), in UTF-8.
// An empty format or string leaves the home value in place.
struct LocaleTexts {
  std::string dateFormat;
  std::string timeFormat;
  std::string timeFormatAmPm;
  std::string amString;
  std::string pmString;
  std::string radixChar;
};

// The short date format keeps the locale's order of day, month and year and its separator
// but always reads dd/MM/yyyy-style (two-digit day and month, four-digit year); the long
// time format follows the locale's time format.
FormatSettings FormatsFromLocaleTexts(const LocaleTexts& texts);

// The formats the program currently uses; the program start sets them once.
FormatSettings& RegionalFormats();

std::string FormatDateTime(std::string_view pattern, const LocalDateTime& value,
                           const FormatSettings& formats);
std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const FormatSettings& formats);

// The date in the short date format.
std::string DateToStr(TDateTime value, const FormatSettings& formats = RegionalFormats());

}  // namespace melquon
