#include "runtime/date_time.h"

#include <chrono>
#include <cmath>

#include "runtime/errors.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr sys_days kEpoch = year{1899} / 12 / 30;
constexpr long long kMsPerDay = 86400000;
constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;

// The day numbers of 1 January 1 and 31 December 9999.
constexpr long long kFirstDay = (sys_days{year{kMinYear} / 1 / 1} - kEpoch).count();
constexpr long long kLastDay = (sys_days{year{kMaxYear} / 12 / 31} - kEpoch).count();

CalendarDate DateOfDayNumber(long long dayNumber) {
  if (dayNumber < kFirstDay || dayNumber > kLastDay) {
    return {};
  }
  const year_month_day ymd{kEpoch + days{dayNumber}};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

// The whole-day part (truncated toward zero) and the time of day in milliseconds; a time
// that rounds up to midnight moves to the following calendar day.
struct DaySplit {
  long long dayNumber = 0;
  long long timeMs = 0;
};

DaySplit SplitDateTime(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(kLastDay + 1)) {
    return {kLastDay + 1, 0};  // decodes as no date
  }
  const double whole = std::trunc(value);
  DaySplit split{static_cast<long long>(whole),
                 std::llround(std::fabs(value - whole) * kMillisecondsPerDay)};
  if (split.timeMs >= kMsPerDay) {
    split.timeMs -= kMsPerDay;
    ++split.dayNumber;
  }
  return split;
}

ClockTime TimeOfMs(long long ms) {
  return {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
          static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1) {
    return false;
  }
  return std::chrono::year_month_day{std::chrono::year{year},
                                     std::chrono::month{static_cast<unsigned>(month)},
                                     std::chrono::day{static_cast<unsigned>(day)}}
      .ok();
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (!IsValidDate(year, month, day)) {
    return false;
  }
  const sys_days date = std::chrono::year{year} / month / day;
  result = static_cast<double>((date - kEpoch).count());
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return result;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour == 24 && minute == 0 && second == 0 && millisecond == 0) {
    result = 1.0;
    return true;
  }
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  result = static_cast<double>(ms) / kMillisecondsPerDay;
  return true;
}

TDateTime CombineDateTime(TDateTime date, TDateTime time) {
  if (time >= 1.0) {  // 24:00 is midnight of the next day
    date += 1.0;
    time = 0.0;
  }
  return date < 0 ? date - time : date + time;
}

TDateTime EncodeDateTime(const LocalDateTime& value) {
  TDateTime date = 0;
  if (!TryEncodeDate(value.date.year, value.date.month, value.date.day, date)) {
    throw EConvertError("Invalid argument to date encode");
  }
  TDateTime time = 0;
  if (!TryEncodeTime(value.time.hour, value.time.minute, value.time.second, value.time.millisecond,
                     time)) {
    throw EConvertError("Invalid argument to time encode");
  }
  return CombineDateTime(date, time);
}

CalendarDate DecodeDate(TDateTime value) {
  return DecodeDateTime(value).date;
}

ClockTime DecodeTime(TDateTime value) {
  return DecodeDateTime(value).time;
}

LocalDateTime DecodeDateTime(TDateTime value) {
  const DaySplit split = SplitDateTime(value);
  return {DateOfDayNumber(split.dayNumber), TimeOfMs(split.timeMs)};
}

long long TimeOfDayMs(TDateTime value) {
  if (!std::isfinite(value)) {
    return 0;
  }
  return std::llround(std::fabs(value - std::trunc(value)) * kMillisecondsPerDay);
}

std::string IsoDateText(TDateTime value) {
  const CalendarDate date = DecodeDate(value);
  return IntToStrZeroPad(date.year, 4) + '-' + IntToStrZeroPad(date.month, 2) + '-' +
         IntToStrZeroPad(date.day, 2);
}

std::string ClockMsText(long long ms) {
  constexpr long long kMsPerSecond = 1000;
  constexpr long long kMsPerMinute = 60 * kMsPerSecond;
  constexpr long long kMsPerHour = 60 * kMsPerMinute;
  return IntToStrZeroPad(ms / kMsPerHour, 2) + ':' + IntToStrZeroPad(ms / kMsPerMinute % 60, 2) +
         ':' + IntToStrZeroPad(ms / kMsPerSecond % 60, 2) + '.' +
         IntToStrZeroPad(ms % kMsPerSecond, 3);
}

}  // namespace melquon
