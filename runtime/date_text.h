#pragma once

#include <cstdint>
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
// The time of day, in milliseconds, of a text of the shapes nearly all texts read by the
// million have: d.M.yyyy, optionally followed by H:mm or H:mm:ss (in the regional order and
// separators), or H:mm or H:mm:ss alone. False for any other text, which StrToDateTime then reads
// or rejects; when true, StrToDateTime reads the text to a value whose TimeOfDayMs is ms.
bool TryCommonTimeOfDayMs(std::string_view text, const FormatSettings& formats, long long& ms);
// Throws EConvertError "'<text>' is not a valid date and time".
TDateTime StrToDateTime(std::string_view text, const FormatSettings& formats = RegionalFormats());

// What the short date format says about reading dates.
struct TDateLayout {
  enum class Order { kDayMonthYear, kMonthDayYear, kYearMonthDay };
  Order order = Order::kDayMonthYear;
  char separator = '.';
  char literalSeparator = '\0';  // a separator written literally in the pattern, if any
};
TDateLayout DateLayoutOf(const FormatSettings& formats);

// The readers above for one set of formats and one current year, with the layout of the
// short date format worked out once: what a run uses to read texts by the million, holding
// everything it needs instead of reading the clock or the program's formats.
class TDateTextReader {
 public:
  TDateTextReader(const FormatSettings& aFormats, int aCurrentYear);

  bool TryStrToDateTime(std::string_view text, TDateTime& result) const;
  // The same without the shortcut for the common shape: what the shortcut is held to.
  bool TryGeneralStrToDateTime(std::string_view text, TDateTime& result) const;
  bool TryCommonTimeOfDayMs(std::string_view text, long long& ms) const;
  // The same for an HH:mm:ss text given as its eight bytes in one word, the first in the
  // lowest bits; false where TryCommonTimeOfDayMs would look further.
  bool TryClockWordMs(std::uint64_t word, long long& ms) const;
  // Throws EConvertError "'<text>' is not a valid date and time".
  TDateTime StrToDateTime(std::string_view text) const;
  const FormatSettings& Formats() const { return formats_; }

 private:
  FormatSettings formats_;
  TDateLayout layout_;
  int currentYear_;
  // A time alone of the HH:mm:ss shape is read by position in these formats.
  bool clockByPosition_;
};

}  // namespace melquon
