#pragma once

#include <string_view>

#include "runtime/date_time.h"
#include "runtime/formats.h"

namespace melquon {

// Reads a date, a date and a time, or a time alone in the regional short date and time
// formats (see the implementation for the accepted forms). currentYear completes a date
// written without a year and anchors the window for two-digit years.
bool TryStrToDateTime(std::string_view text, const FormatSettings& formats, int currentYear,
                      TDateTime& result);
// Throws EConvertError "'<text>' is not a valid date and time".
TDateTime StrToDateTime(std::string_view text,
                        const FormatSettings& formats = RegionalFormats());

}  // namespace melquon
