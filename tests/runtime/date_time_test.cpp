#include "runtime/date_time.h"

#include <gtest/gtest.h>

#include <limits>

#include "runtime/errors.h"

namespace melquon {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// Day -693593 is 1 January of the year 1 and every later day follows the one before, up to
// 31 December 9999; so every date is where it belongs, 30 December 1899 at 0 included.
TEST(DateTimeTest, EveryDayOfTheRangeRoundTripsAndFollowsThePreviousOne) {
  CalendarDate previous{0, 12, 31};
  for (long long day = -693593; day <= 2958465; ++day) {
    const CalendarDate date = DecodeDate(static_cast<double>(day));
    ASSERT_EQ(EncodeDate(date.year, date.month, date.day), static_cast<double>(day));
    const bool nextDay = date.day == previous.day + 1 && date.month == previous.month;
    const bool nextMonth = date.day == 1 && (date.month == previous.month + 1 ||
                                             (date.month == 1 && date.year == previous.year + 1));
    ASSERT_TRUE(nextDay || nextMonth) << day;
    previous = date;
  }
  EXPECT_EQ(previous, (CalendarDate{9999, 12, 31}));
}

TEST(DateTimeTest, RejectsInvalidDatesAndTimes) {
  const int dates[][3] = {{2009, 2, 29}, {1900, 2, 29}, {2100, 2, 29}, {2009, 4, 31},
                          {2009, 13, 1}, {2009, 0, 1},  {2009, 1, 0},  {2009, 1, 32},
                          {0, 12, 31},   {10000, 1, 1}, {-1, 1, 1},    {2009, -1, 1}};
  for (const auto& d : dates) {
    TDateTime value = 7;
    EXPECT_FALSE(IsValidDate(d[0], d[1], d[2])) << d[0] << "-" << d[1] << "-" << d[2];
    EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], value));
    EXPECT_EQ(value, 7);
  }
  EXPECT_THROW(EncodeDate(2009, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDateTime({{2009, 2, 3}, {0, 61, 0, 0}}), EConvertError);
  const int times[][4] = {{24, 0, 0, 1}, {24, 1, 0, 0}, {25, 0, 0, 0},   {-1, 0, 0, 0},
                          {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {0, 0, 0, -1}};
  for (const auto& t : times) {
    TDateTime value = 0;
    EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], value)) << t[0] << ":" << t[1];
  }
}

// Decoding rounds to the millisecond and carries into the next day, also before 1899, where
// the time still counts forward from midnight.
TEST(DateTimeTest, DecodesAndEncodesDateTimes) {
  const double day = 39825.0;  // 12 January 2009
  const double lastMs = 86399999 / kMillisecondsPerDay;
  const std::pair<double, LocalDateTime> cases[] = {
      {-1.25, {{1899, 12, 29}, {6, 0, 0, 0}}},
      {-0.75, {{1899, 12, 30}, {18, 0, 0, 0}}},
      {-1.9999999999, {{1899, 12, 30}, {0, 0, 0, 0}}},
      {day + (86400000 - 0.4) / kMillisecondsPerDay, {{2009, 1, 13}, {0, 0, 0, 0}}},
      {day + (36300000 + 0.6) / kMillisecondsPerDay, {{2009, 1, 12}, {10, 5, 0, 1}}},
      {-693593 - lastMs, {{1, 1, 1}, {23, 59, 59, 999}}},
      {2958465 + lastMs, {{9999, 12, 31}, {23, 59, 59, 999}}},
  };
  for (const auto& [value, moment] : cases) {
    EXPECT_EQ(DecodeDate(value), moment.date) << value;
    EXPECT_EQ(DecodeTime(value), moment.time) << value;
  }
  EXPECT_EQ(EncodeDateTime({{1899, 12, 29}, {6, 0, 0, 0}}), -1.25);
  EXPECT_EQ(EncodeDateTime({{1, 1, 1}, {23, 59, 59, 999}}), -693593 - lastMs);
  EXPECT_EQ(EncodeDateTime({{9999, 12, 31}, {23, 59, 59, 999}}), 2958465 + lastMs);
  EXPECT_EQ(EncodeDateTime({{2009, 1, 12}, {24, 0, 0, 0}}), day + 1);
  EXPECT_EQ(EncodeDateTime({{1899, 12, 29}, {24, 0, 0, 0}}), 0.0);
  for (double outside :
       {-693594.0, 2958466.0, 1e300, -1e300, std::numeric_limits<double>::infinity(), kNan}) {
    EXPECT_EQ(DecodeDate(outside), CalendarDate{}) << outside;
  }
}

TEST(DateTimeTest, TimeOfDayIsExactToTheMillisecond) {
  const TDateTime day = EncodeDate(2009, 1, 12);
  for (long long ms = 0; ms < 86400000; ms += 997) {
    ASSERT_EQ(TimeOfDayMs(day + static_cast<double>(ms) / kMillisecondsPerDay), ms);
  }
  EXPECT_EQ(TimeOfDayMs(-1.25), 21600000);
  EXPECT_EQ(TimeOfDayMs(kNan), 0);
}

}  // namespace
}  // namespace melquon
