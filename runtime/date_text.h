#pragma once

#include <string_view>

#include "runtime/date_time.h"
#include "runtime/formats.h"

namespace melquon {

// Reads a date, a date and a time, or a time alone in the regional short date and time
// formats. currentYear completes a date written without a year and anchors the window for
// two-digit years.
//   date: day, month and year in the short date format's order, separated by DateSeparator
//         (or the separator the pattern writes literally); one or two digits for day and
//         month, a year of four digits or of one or two (then within the hundred years
//         centred on currentYear); two numbers alone are day and month of currentYear.
//         yyyy-M-d is read in every locale.
//   time: h:mm with optional :ss and .zzz (one to three digits, a fraction of a second; "."
//         or DecimalSeparator), TimeSeparator or ':' between the fields, then optionally
//         TimeAMString or TimePMString (any letter case) with the 12-hour rules; 24:00 is
//         midnight of the next day.
//   One or more blanks between date and time (or a T after an ISO date); blanks around the
//   whole text are ignored. Invalid calendar dates and times are rejected. Allocates nothing.
bool TryStrToDateTime(std::string_view text, const FormatSettings& formats, int currentYear,
                      TDateTime& result);
// The time of day, in milliseconds, of a text of the shape nearly all texts read by the
// million have: d.M.yyyy, optionally followed by H:mm or H:mm:ss (in the regional order and
// separators). False for any other text, which StrToDateTime then reads or rejects; when true,
// StrToDateTime reads the text to a value whose TimeOfDayMs is ms.
bool TryCommonTimeOfDayMs(std::string_view text, const FormatSettings& formats, long long& ms);
// Throws EConvertError "'<text>' is not a valid date and time".
TDateTime StrToDateTime(std::string_view text, const FormatSettings& formats = RegionalFormats());

}  // namespace melquon
