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
// the home formats where that is C or POSIX or unknown.
FormatSettings FormatsFromSystemLocale();

// The formats the program currently uses; the program start sets them once.
FormatSettings& RegionalFormats();

std::string FormatDateTime(std::string_view pattern, const LocalDateTime& value,
                           const FormatSettings& formats);
std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const FormatSettings& formats);

// The date in the short date format.
std::string DateToStr(TDateTime value, const FormatSettings& formats = RegionalFormats());

}  // namespace melquon
