#include "runtime/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/errors.h"
#include "runtime/local_clock.h"

namespace melquon {
namespace {

struct DateCase {
  int year, month, day;
  double value;
};

const DateCase kDates[] = {
    {1899, 12, 30, 0.0},   {1899, 12, 31, 1.0},   {1900, 1, 1, 2.0},         {1899, 12, 29, -1.0},
    {1900, 3, 1, 61.0},    {2009, 1, 1, 39814.0}, {2009, 1, 12, 39825.0},    {2000, 2, 29, 36585.0},
    {2100, 3, 1, 73110.0}, {1, 1, 1, -693593.0},  {9999, 12, 31, 2958465.0},
};

TEST(DateTimeTest, EncodesAndDecodesKnownDates) {
  for (const DateCase& c : kDates) {
    TDateTime value = 12345;
    ASSERT_TRUE(TryEncodeDate(c.year, c.month, c.day, value)) << c.year << "-" << c.month;
    EXPECT_EQ(value, c.value) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(DecodeDate(c.value), (CalendarDate{c.year, c.month, c.day})) << c.value;
  }
}

TEST(DateTimeTest, EveryDayOfTheRangeRoundTrips) {
  const long long first = static_cast<long long>(EncodeDate(1, 1, 1));
  const long long last = static_cast<long long>(EncodeDate(9999, 12, 31));
  CalendarDate previous = DecodeDate(static_cast<double>(first));
  for (long long day = first + 1; day <= last; ++day) {
    const CalendarDate date = DecodeDate(static_cast<double>(day));
    ASSERT_EQ(EncodeDate(date.year, date.month, date.day), static_cast<double>(day));
    const bool nextDay = date.day == previous.day + 1 && date.month == previous.month;
    const bool nextMonth = date.day == 1 && (date.month == previous.month + 1 ||
                                             (date.month == 1 && date.year == previous.year + 1));
    ASSERT_TRUE(nextDay || nextMonth) << day;
    previous = date;
  }
}

TEST(DateTimeTest, RejectsInvalidDates) {
  const int invalid[][3] = {{2009, 2, 29}, {1900, 2, 29}, {2100, 2, 29}, {2009, 4, 31},
                            {2009, 13, 1}, {2009, 0, 1},  {2009, 1, 0},  {2009, 1, 32},
                            {0, 12, 31},   {10000, 1, 1}, {-1, 1, 1},    {2009, -1, 1}};
  for (const auto& d : invalid) {
    TDateTime value = 7;
    EXPECT_FALSE(IsValidDate(d[0], d[1], d[2])) << d[0] << "-" << d[1] << "-" << d[2];
    EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], value));
    EXPECT_EQ(value, 7);
  }
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_TRUE(IsValidDate(2008, 2, 29));
  EXPECT_THROW(EncodeDate(2009, 2, 29), EConvertError);
}

TEST(DateTimeTest, EncodesTimesOfDay) {
  TDateTime value = 0;
  ASSERT_TRUE(TryEncodeTime(12, 0, 0, 0, value));
  EXPECT_EQ(value, 0.5);
  ASSERT_TRUE(TryEncodeTime(6, 0, 0, 0, value));
  EXPECT_EQ(value, 0.25);
  ASSERT_TRUE(TryEncodeTime(24, 0, 0, 0, value));
  EXPECT_EQ(value, 1.0);
  ASSERT_TRUE(TryEncodeTime(23, 59, 59, 999, value));
  EXPECT_EQ(TimeOfDayMs(value), 86399999);
  const int invalid[][4] = {{24, 0, 0, 1}, {24, 1, 0, 0}, {25, 0, 0, 0},   {-1, 0, 0, 0},
                            {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {0, 0, 0, -1}};
  for (const auto& t : invalid) {
    EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], value)) << t[0] << ":" << t[1];
  }
}

TEST(DateTimeTest, TimeOfDayIsExactToTheMillisecond) {
  const TDateTime day = EncodeDate(2009, 1, 12);
  EXPECT_EQ(TimeOfDayMs(day + 10.0 / 24), 36000000);
  EXPECT_EQ(TimeOfDayMs(day + (10 * 60 + 5) / 1440.0), 36300000);
  EXPECT_EQ(TimeOfDayMs(EncodeDateTime({{2009, 1, 12}, {10, 5, 0, 0}})), 36300000);
  // Every millisecond of a day survives a trip through a date-time of 2009.
  for (long long ms = 0; ms < 86400000; ms += 997) {
    const TDateTime value = day + static_cast<double>(ms) / kMillisecondsPerDay;
    ASSERT_EQ(TimeOfDayMs(value), ms);
  }
  EXPECT_EQ(TimeOfDayMs(-1.25), 21600000);
  EXPECT_EQ(TimeOfDayMs(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(DateTimeTest, NegativeValuesCountTheTimeForwardFromMidnight) {
  const LocalDateTime decoded = DecodeDateTime(-1.25);
  EXPECT_EQ(decoded.date, (CalendarDate{1899, 12, 29}));
  EXPECT_EQ(decoded.time, (ClockTime{6, 0, 0, 0}));
  EXPECT_EQ(EncodeDateTime({{1899, 12, 29}, {6, 0, 0, 0}}), -1.25);
  EXPECT_EQ(EncodeDateTime({{1899, 12, 30}, {6, 0, 0, 0}}), 0.25);
  EXPECT_EQ(DecodeDateTime(-0.75).date, (CalendarDate{1899, 12, 30}));
  EXPECT_EQ(DecodeDateTime(-0.75).time, (ClockTime{18, 0, 0, 0}));
  const TDateTime yearOne = EncodeDateTime({{1, 1, 1}, {23, 59, 59, 999}});
  EXPECT_EQ(DecodeDateTime(yearOne).date, (CalendarDate{1, 1, 1}));
  EXPECT_EQ(DecodeDateTime(yearOne).time, (ClockTime{23, 59, 59, 999}));
}

TEST(DateTimeTest, MidnightOfTheNextDayIsEncodedAsThatDay) {
  EXPECT_EQ(EncodeDateTime({{2009, 1, 12}, {24, 0, 0, 0}}), EncodeDate(2009, 1, 13));
  EXPECT_EQ(EncodeDateTime({{1899, 12, 29}, {24, 0, 0, 0}}), 0.0);
  EXPECT_THROW(EncodeDateTime({{2009, 2, 30}, {0, 0, 0, 0}}), EConvertError);
  EXPECT_THROW(EncodeDateTime({{2009, 2, 3}, {0, 61, 0, 0}}), EConvertError);
}

TEST(DateTimeTest, DecodingRoundsToTheMillisecondAndCarriesIntoTheDate) {
  const TDateTime day = EncodeDate(2009, 1, 12);
  const TDateTime almostMidnight = day + (86400000 - 0.4) / kMillisecondsPerDay;
  EXPECT_EQ(DecodeDateTime(almostMidnight).date, (CalendarDate{2009, 1, 13}));
  EXPECT_EQ(DecodeTime(almostMidnight), (ClockTime{0, 0, 0, 0}));
  EXPECT_EQ(DecodeDate(almostMidnight), (CalendarDate{2009, 1, 13}));
  const TDateTime halfPast = day + (36300000 + 0.6) / kMillisecondsPerDay;
  EXPECT_EQ(DecodeTime(halfPast), (ClockTime{10, 5, 0, 1}));
  // Before 1899 the carry also moves forward in the calendar.
  EXPECT_EQ(DecodeDateTime(-1.9999999999).date, (CalendarDate{1899, 12, 30}));
  EXPECT_EQ(DecodeDate(EncodeDateTime({{9999, 12, 31}, {23, 59, 59, 999}})),
            (CalendarDate{9999, 12, 31}));
}

TEST(DateTimeTest, ValuesOutsideTheCalendarDecodeToZeros) {
  const double outside[] = {-693594.0,
                            2958466.0,
                            1e300,
                            -1e300,
                            std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  for (double value : outside) {
    EXPECT_EQ(DecodeDate(value), CalendarDate{}) << value;
  }
}

TEST(LocalClockTest, ReadingsAreValidDatesAndTimes) {
  const LocalDateTime now = NowLocal();
  EXPECT_TRUE(IsValidDate(now.date.year, now.date.month, now.date.day));
  TDateTime time = 0;
  EXPECT_TRUE(
      TryEncodeTime(now.time.hour, now.time.minute, now.time.second, now.time.millisecond, time));
  const int year = CurrentYear();
  EXPECT_TRUE(year == now.date.year || year == now.date.year + 1);
  EXPECT_EQ(CurrentYear(), CurrentYear());
}

}  // namespace
}  // namespace melquon
