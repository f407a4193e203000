#include "runtime/date_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "runtime/errors.h"
#include "runtime/local_clock.h"

// Counts the heap allocations of the whole test program, so a test can show that a piece
// of code makes none.
namespace {
std::atomic<long> allocationCount{0};
}  // namespace

void* operator new(std::size_t size) {
  ++allocationCount;
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace melquon {
namespace {

FormatSettings UsFormats() {
  FormatSettings formats;
  formats.ShortDateFormat = "M/d/yyyy";
  formats.LongTimeFormat = "h:mm:ss AM/PM";
  formats.DateSeparator = '/';
  formats.DecimalSeparator = '.';
  return formats;
}

FormatSettings IsoOrderFormats() {
  FormatSettings formats;
  formats.ShortDateFormat = "yyyy/MM/dd";
  return formats;
}

FormatSettings DottedTimeFormats() {
  FormatSettings formats;
  formats.LongTimeFormat = "H:mm:ss";
  formats.TimeSeparator = '.';
  return formats;
}

// year 0 stands for a time alone; valid false for a rejected text.
struct Row {
  const char* text;
  bool valid;
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, ms = 0;
};

TDateTime Expected(const Row& row) {
  if (row.year == 0) {
    TDateTime time = 0;
    EXPECT_TRUE(TryEncodeTime(row.hour, row.minute, row.second, row.ms, time)) << row.text;
    return time;
  }
  return EncodeDateTime(
      {{row.year, row.month, row.day}, {row.hour, row.minute, row.second, row.ms}});
}

void CheckRows(const FormatSettings& formats, int currentYear, std::initializer_list<Row> rows) {
  for (const Row& row : rows) {
    TDateTime result = -12345;
    const bool valid = TryStrToDateTime(row.text, formats, currentYear, result);
    EXPECT_EQ(valid, row.valid) << "'" << row.text << "'";
    if (valid && row.valid) {
      EXPECT_EQ(result, Expected(row)) << "'" << row.text << "'";
    }
  }
}

TEST(DateTextTest, ReadsDayMonthYearTexts) {
  CheckRows(FormatSettings{}, 2009,
            {
                {"12.01.2009", true, 2009, 1, 12},
                {"12.01.2009 10:05:00", true, 2009, 1, 12, 10, 5},
                {"  12.01.2009   10:05  ", true, 2009, 1, 12, 10, 5},
                {"12.01.2009\t10:05:07.5", true, 2009, 1, 12, 10, 5, 7, 500},
                {"12.01.2009 10:05:07,05", true, 2009, 1, 12, 10, 5, 7, 50},
                {"2.1.2009 9:05:07.123", true, 2009, 1, 2, 9, 5, 7, 123},
                {"12.01.09 10:05", true, 2009, 1, 12, 10, 5},
                {"12.01.59", true, 1959, 1, 12},
                {"12.01.58", true, 2058, 1, 12},
                {"12.01", true, 2009, 1, 12},
                {"29.02.2008", true, 2008, 2, 29},
                {"01.01.0001 00:00", true, 1, 1, 1},
                {"31.12.9999 23:59:59.999", true, 9999, 12, 31, 23, 59, 59, 999},
                {"12.01.2009 24:00", true, 2009, 1, 13},
                {"12.01.2009 10:05 PM", true, 2009, 1, 12, 22, 5},
                {"10:05", true, 0, 0, 0, 10, 5},
                {"0:00:00", true, 0, 0, 0, 0, 0},
                {"23:59:59.999", true, 0, 0, 0, 23, 59, 59, 999},
                {"10:05pm", true, 0, 0, 0, 22, 5},
                {"12:00 AM", true, 0, 0, 0, 0, 0},
                {"12:30 pm", true, 0, 0, 0, 12, 30},
                {"0:30 AM", true, 0, 0, 0, 0, 30},
                {"2009-01-12", true, 2009, 1, 12},
                {"2009-01-12 10:05:00", true, 2009, 1, 12, 10, 5},
                {"2009-1-2T7:05", true, 2009, 1, 2, 7, 5},
                {"29.02.2009", false},
                {"31.04.2009", false},
                {"32.01.2009", false},
                {"12.13.2009", false},
                {"0.01.2009", false},
                {"01.01.0000", false},
                {"123.01.2009", false},
                {"12.001.2009", false},
                {"12.01.209", false},
                {"12.01.02009", false},
                {"12/01/2009", false},
                {"12.01.", false},
                {"12..2009", false},
                {"+12.01.2009", false},
                {"12.01.2009T10:05", false},
                {"12.01.200910:05", false},
                {"12.01.2009 10", false},
                {"12.01.2009 10:", false},
                {"12.01.2009 10:05:", false},
                {"12.01.2009 10:05 x", false},
                {"12.01.2009 24:01", false},
                {"12.01.2009 24:00 PM", false},
                {"25:00", false},
                {"10:60", false},
                {"10:05:60", false},
                {"100:05", false},
                {"10:005", false},
                {"10:05:07.", false},
                {"10:05:07.1234", false},
                {"13:00 PM", false},
                {"10:05 P", false},
                {"2009-13-01", false},
                {"2009-01-12 T10:05", false},
                {"09-01-12", false},
                {"", false},
                {"   ", false},
                {"abc", false},
                {"10", false},
            });
}

TEST(DateTextTest, ReadsMonthDayYearTextsWithDesignators) {
  CheckRows(UsFormats(), 2009,
            {
                {"1/12/2009", true, 2009, 1, 12},
                {"12/1/2009", true, 2009, 12, 1},
                {"1/12/2009 10:05:00 PM", true, 2009, 1, 12, 22, 5},
                {"1/12/2009 12:00:00 AM", true, 2009, 1, 12, 0, 0},
                {"1/12/2009 12:00:00 pm", true, 2009, 1, 12, 12, 0},
                {"1/12/09 7:05 am", true, 2009, 1, 12, 7, 5},
                {"1/12/2009 19:05:00", true, 2009, 1, 12, 19, 5},
                {"1/12", true, 2009, 1, 12},
                {"10:05:00 PM", true, 0, 0, 0, 22, 5},
                {"10:05:00.25 PM", true, 0, 0, 0, 22, 5, 0, 250},
                {"2009-01-12 10:05", true, 2009, 1, 12, 10, 5},
                {"13/1/2009", false},
                {"2/29/2009", false},
                {"12.01.2009", false},
                {"1/12/2009 13:05 PM", false},
                {"1/12/2009 PM", false},
            });
}

TEST(DateTextTest, FollowsOtherOrdersAndSeparators) {
  CheckRows(IsoOrderFormats(), 2009,
            {
                {"2009.01.12", true, 2009, 1, 12},
                {"1.12", true, 2009, 1, 12},
                {"09.1.12 10:05", true, 2009, 1, 12, 10, 5},
                {"12.01.2009", false},
            });
  CheckRows(DottedTimeFormats(), 2009,
            {
                {"12.01.2009 10.05.30", true, 2009, 1, 12, 10, 5, 30},
                {"12.01.2009 10:05", true, 2009, 1, 12, 10, 5},
                {"10.05", true, 2009, 5, 10},
            });
}

TEST(DateTextTest, TwoDigitYearsLieInAWindowAroundTheCurrentYear) {
  CheckRows(FormatSettings{}, 2025,
            {
                {"1.1.75", true, 1975, 1, 1},
                {"1.1.74", true, 2074, 1, 1},
                {"1.1.00", true, 2000, 1, 1},
                {"1.1.9", true, 2009, 1, 1},
                {"1.1", true, 2025, 1, 1},
            });
  CheckRows(FormatSettings{}, 30, {{"1.1.90", false}, {"1.1.20", true, 20, 1, 1}});
}

TEST(DateTextTest, RegionalDesignatorsAreUsed) {
  FormatSettings formats;
  formats.TimeAMString = "ДП";
  formats.TimePMString = "ПП";
  CheckRows(formats, 2009, {{"10:05 ПП", true, 0, 0, 0, 22, 5}, {"10:05 PM", false}});
}

TEST(DateTextTest, ReadingAllocatesNothing) {
  const FormatSettings home;
  const FormatSettings us = UsFormats();
  CurrentYear();  // the clock's first reading may set up the time zone
  TDateTime result = 0;
  const long before = allocationCount;
  EXPECT_EQ(StrToDateTime("12.01.2009 10:05:07.5", home),
            39825.0 + 36307500.0 / kMillisecondsPerDay);
  EXPECT_TRUE(TryStrToDateTime("1/12/09 10:05:00 PM", us, 2009, result));
  EXPECT_TRUE(TryStrToDateTime("2009-01-12T10:05", home, 2009, result));
  EXPECT_FALSE(TryStrToDateTime("31.02.2009", home, 2009, result));
  EXPECT_EQ(allocationCount - before, 0);
}

TEST(DateTextTest, StrToDateTimeNamesTheTextOnFailure) {
  try {
    StrToDateTime(" 31.02.2009 10:00", FormatSettings{});
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "' 31.02.2009 10:00' is not a valid date and time");
  }
  EXPECT_EQ(StrToDateTime("12.01.2009 10:05", FormatSettings{}),
            EncodeDateTime({{2009, 1, 12}, {10, 5, 0, 0}}));
  EXPECT_EQ(StrToDateTime("12.01", FormatSettings{}), EncodeDate(CurrentYear(), 1, 12));
}

}  // namespace
}  // namespace melquon
