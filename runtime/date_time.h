#pragma once

#include <string>

namespace melquon {

// Days since 30 December 1899; the fraction is the time of day. Before that day the value
// is negative while its fraction still counts forward from midnight (-1.25 is 29 December
// 1899, 06:00).
using TDateTime = double;

struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

struct ClockTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  friend bool operator==(const ClockTime&, const ClockTime&) = default;
};

// A reading of the local clock, already split into its parts.
struct LocalDateTime {
  CalendarDate date;
  ClockTime time;
};

constexpr double kMillisecondsPerDay = 86400000.0;

// Years 1 to 9999, months 1 to 12, days within the month.
bool IsValidDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
// Throws EConvertError for an invalid date.
TDateTime EncodeDate(int year, int month, int day);
// The fraction of a day; hour 24 with zero minutes is the end of the day (1.0).
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// Throws EConvertError for an invalid date or time.
TDateTime EncodeDateTime(const LocalDateTime& value);
// A whole day and a time of day (0 to 1, where 1 is 24:00, midnight of the next day) as one
// value. Before 30 December 1899 the whole days are negative and the time of day still counts
// forward, so it is subtracted there.
TDateTime CombineDateTime(TDateTime date, TDateTime time);

// The calendar date of the whole-day part of the value, except that a time of day within
// half a millisecond of the next midnight belongs to the next day (as DecodeTime reads it
// 0:00:00.000). Outside the years 1 to 9999 (and for INF and NAN) the date is all zeros.
CalendarDate DecodeDate(TDateTime value);
// The time of day, rounded to the nearest millisecond.
ClockTime DecodeTime(TDateTime value);
LocalDateTime DecodeDateTime(TDateTime value);

// The time of day of a date-time as whole milliseconds since midnight (0 .. 86400000): the
// absolute value of its fraction rounded to the nearest millisecond.
long long TimeOfDayMs(TDateTime value);

// Texts that read the same in every locale, for files other programs read.
// yyyy-mm-dd of the value's calendar date (DecodeDate).
std::string IsoDateText(TDateTime value);
// HH:MM:SS.zzz of milliseconds since midnight; 86400000 is 24:00:00.000.
std::string ClockMsText(long long ms);

}  // namespace melquon
