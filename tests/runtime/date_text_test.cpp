#include "runtime/date_text.h"

#include <gmock/gmock.h>

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "runtime/errors.h"
#include "runtime/local_clock.h"
#include "samples/split_mix64.h"

// Counts the heap allocations of the whole test program, to show that reading a text makes none.
// The replaced operators pair malloc with free on purpose; inlined into the test framework's
// code under the sanitizers, the compiler takes them for a new matched with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long> allocationCount{0};
}  // namespace

void* operator new(std::size_t size) {
  ++allocationCount;
  void* p = std::malloc(size == 0 ? 1 : size);
  return p != nullptr ? p : throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace melquon {
namespace {

const FormatSettings kHome;

// Reads as a quote's time is read, once per line: allocating nothing.
bool Read(std::string_view text, const FormatSettings& formats, int currentYear,
          TDateTime& result) {
  const long before = allocationCount;
  const bool read = TryStrToDateTime(text, formats, currentYear, result);
  EXPECT_EQ(allocationCount - before, 0) << "'" << text << "'";
  return read;
}

// Each accepted case is "text -> value read", the value written yyyy-MM-dd HH:mm:ss.zzz (a time
// alone without the date) and shortened by a zero millisecond count and a midnight time.
void CheckTexts(const FormatSettings& formats, int currentYear,
                std::initializer_list<std::string_view> accepted,
                std::initializer_list<const char*> rejected = {}) {
  for (const std::string_view c : accepted) {
    const std::string_view text = c.substr(0, c.rfind(" -> "));
    TDateTime result = -12345;
    ASSERT_TRUE(Read(text, formats, currentYear, result)) << "'" << text << "'";
    const std::string full = FormatDateTime(
        result >= 0 && result < 1 ? "HH:mm:ss.zzz" : "yyyy-MM-dd HH:mm:ss.zzz", result, kHome);
    const std::size_t cut = full.ends_with(" 00:00:00.000") ? 13 : full.ends_with(".000") ? 4 : 0;
    EXPECT_EQ(full.substr(0, full.size() - cut), c.substr(text.size() + 4)) << "'" << text << "'";
  }
  for (const char* text : rejected) {
    TDateTime result = 0;
    EXPECT_FALSE(Read(text, formats, currentYear, result)) << "'" << text << "'";
  }
}

TEST(DateTextTest, ReadsDayMonthYearTexts) {
  CheckTexts(
      kHome, 2009,
      {"12.01.2009 -> 2009-01-12", "  12.01.2009   10:05  -> 2009-01-12 10:05:00",
       "12.01.2009\t10:05:07.5 -> 2009-01-12 10:05:07.500",
       "12.01.2009 10:05:07,05 -> 2009-01-12 10:05:07.050",
       "2.1.2009 9:05:07.123 -> 2009-01-02 09:05:07.123", "12.01.09 10:05 -> 2009-01-12 10:05:00",
       "12.01 -> 2009-01-12", "01.01.0001 00:00 -> 0001-01-01",
       "31.12.9999 23:59:59.999 -> 9999-12-31 23:59:59.999", "12.01.2009 24:00 -> 2009-01-13",
       "12.01.2009 10:05 PM -> 2009-01-12 22:05:00", "2009-1-2T7:05 -> 2009-01-02 07:05:00"},
      {"29.02.2009", "31.04.2009", "32.01.2009", "12.13.2009", "0.01.2009", "01.01.0000",
       "123.01.2009", "12.001.2009", "12.01.209", "12.01.02009", "12/01/2009", "12.01.", "12..2009",
       "+12.01.2009", "2009-13-01", "09-01-12"});
  CheckTexts(kHome, 2009,
             {"10:05 -> 10:05:00", "10:05pm -> 22:05:00", "12:00 AM -> 00:00:00",
              "12:30 pm -> 12:30:00", "0:30 AM -> 00:30:00"},
             {"25:00", "10:60", "10:05:60", "100:05", "10:005", "10:05:07.", "10:05:07.1234",
              "13:00 PM", "10:05 P", "12.01.2009 24:01", "12.01.2009 24:00 PM"});
  CheckTexts(kHome, 2009, {},
             {"12.01.2009T10:05", "12.01.200910:05", "12.01.2009 10",
              "12.01.2009 10:", "12.01.2009 10:05:", "12.01.2009 10:05 x", "2009-01-12 T10:05", "",
              "   ", "abc", "10"});
}

TEST(DateTextTest, FollowsOtherOrdersSeparatorsAndDesignators) {
  CheckTexts(
      {.ShortDateFormat = "M/d/yyyy", .LongTimeFormat = "h:mm:ss AM/PM", .DateSeparator = '/'},
      2009,
      {"1/12/2009 -> 2009-01-12", "12/1/2009 -> 2009-12-01",
       "1/12/2009 10:05:00 PM -> 2009-01-12 22:05:00", "1/12/2009 12:00:00 AM -> 2009-01-12",
       "1/12/09 7:05 am -> 2009-01-12 07:05:00", "1/12/2009 19:05:00 -> 2009-01-12 19:05:00",
       "1/12 -> 2009-01-12", "10:05:00.25 PM -> 22:05:00.250",
       "2009-01-12 10:05 -> 2009-01-12 10:05:00"},
      {"13/1/2009", "2/29/2009", "12.01.2009", "1/12/2009 13:05 PM", "1/12/2009 PM"});
  CheckTexts(
      {.ShortDateFormat = "yyyy/MM/dd"}, 2009,
      {"2009.01.12 -> 2009-01-12", "1.12 -> 2009-01-12", "09.1.12 10:05 -> 2009-01-12 10:05:00"},
      {"12.01.2009"});
  CheckTexts({.TimeSeparator = '.'}, 2009,
             {"12.01.2009 10.05.30 -> 2009-01-12 10:05:30",
              "12.01.2009 10:05 -> 2009-01-12 10:05:00", "10.05 -> 2009-05-10"});
  CheckTexts({.TimeAMString = "ДП", .TimePMString = "ПП"}, 2009, {"10:05 ПП -> 22:05:00"},
             {"10:05 PM"});
  // Two-digit years lie in the hundred years centred on the current year.
  CheckTexts(kHome, 2025,
             {"1.1.75 -> 1975-01-01", "1.1.74 -> 2074-01-01", "1.1.00 -> 2000-01-01",
              "1.1.9 -> 2009-01-01", "1.1 -> 2025-01-01"});
  CheckTexts(kHome, 30, {"1.1.20 -> 0020-01-01"}, {"1.1.90"});
}

TEST(DateTextTest, StrToDateTimeNamesTheTextOnFailureAndTakesTheClocksYear) {
  EXPECT_THAT(
      [] { StrToDateTime(" 31.02.2009 10:00", kHome); },
      testing::ThrowsMessage<EConvertError>("' 31.02.2009 10:00' is not a valid date and time"));
  EXPECT_EQ(StrToDateTime("12.01", kHome), EncodeDate(CurrentYear(), 1, 12));
  const LocalDateTime now = NowLocal();
  EXPECT_NO_THROW(EncodeDateTime(now)) << now.date.month << "/" << now.time.minute;
  EXPECT_LE(now.date.year - CurrentYear(), 1);
}

// The shortcut for the common shape reads what the general reader, reached for real with the
// shortcut off, reads: the same time of day and the very same value.
void ExpectShortcutAgrees(const TDateTextReader& aReader, const std::string& aText,
                          bool& aTookShortcut) {
  long long fastMs = -1;
  aTookShortcut = aReader.TryCommonTimeOfDayMs(aText, fastMs);
  TDateTime general = 0;
  const bool generalRead = aReader.TryGeneralStrToDateTime(aText, general);
  TDateTime value = 0;
  ASSERT_EQ(aReader.TryStrToDateTime(aText, value), generalRead) << aText;
  if (generalRead) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(general)) << aText;
  }
  if (aTookShortcut) {
    ASSERT_TRUE(generalRead) << aText;
    ASSERT_EQ(fastMs, TimeOfDayMs(general)) << aText;
  }
  // Eight bytes given as one word, the first in the lowest bits, read as the text is.
  if (aText.size() == 8) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < 8; ++i)
      word |= std::uint64_t{static_cast<unsigned char>(aText[i])} << (8 * i);
    long long wordMs = -1;
    const bool wordRead = aReader.TryClockWordMs(word, wordMs);
    ASSERT_TRUE(!wordRead || (aTookShortcut && wordMs == fastMs)) << aText;
    // A time alone of this shape has no other reading.
    ASSERT_EQ(wordRead, aTookShortcut && aText.find_first_of(".:") == 2) << aText;
  }
}

TEST(DateTextTest, CommonShapeShortcutAgreesWithTheGeneralReader) {
  FormatSettings us;
  us.ShortDateFormat = "M/d/yyyy";
  us.DateSeparator = '/';
  const TDateTextReader home(kHome, 2009);
  const TDateTextReader usa(us, 2009);
  // With '.' between hours and minutes, "10.05" is the 10th of May.
  const TDateTextReader dotTime({.TimeSeparator = '.'}, 2009);
  // Each row: the text, and whether the shortcut takes it.
  const struct {
    const TDateTextReader& reader;
    const char* text;
    bool common;
  } cases[] = {
      {home, "12.01.2009 10:05:12", true},
      {home, "1.1.2009 0:00", true},
      {home, "31.12.2010 23:59:59", true},
      {home, "29.02.2008", true},
      {home, "12.01.2009 24:00:00", true},
      {home, "29.02.2009 10:00:00", false},
      {home, "31.04.2009 10:00", false},
      {home, "12.01.2009 24:01:00", false},
      {home, "12.01.2009 10:60", false},
      {home, "12.01.2009 10:05:61", false},
      {home, "12.13.2009 10:00", false},
      {home, "12.01.2009 10:05:12 PM", false},
      {home, "12.01.09 10:05", false},
      {home, "2009-01-12 10:05", false},
      {home, "12.01.2009  10:05", true},
      {home, "12/01/2009 10:05", false},
      {home, "12.01.2009 10:05:12.5", false},
      {home, " 12.01.2009", false},
      {usa, "1/12/2009 10:05:12", true},
      {usa, "12.01.2009 10:05:12", false},
      {usa, "13/12/2009 10:05:12", false},
      {home, "10:05:12", true},
      {home, "0:00", true},
      {usa, "23:59:59", true},
      {home, "24:00", true},
      {home, "24:00:01", false},
      {home, "10:05:12 PM", false},
      {home, " 10:05", false},
      {home, "10:05:12.5", false},
      {dotTime, "10.05", false},
      {dotTime, "10:05", false},
      {dotTime, "10:05:12", false},
  };
  for (const auto& c : cases) {
    bool tookShortcut = false;
    ExpectShortcutAgrees(c.reader, c.text, tookShortcut);
    EXPECT_EQ(tookShortcut, c.common) << c.text;
  }
  // Seeded random texts of the common shape and near it, in both orders of day and month.
  SplitMix64 random(31);
  int shortcuts = 0;
  for (int i = 0; i < 20000; ++i) {
    const auto number = [&random](int aLow, int aHigh) {
      const int value = random.Between(aLow, aHigh);
      return (random.Below(3) == 0 && value < 10 ? "0" : "") + std::to_string(value);
    };
    const bool inUsa = random.Below(2) == 0;
    const char separator = random.Below(20) == 0 ? '-' : inUsa ? '/' : '.';
    // A time alone one time in four.
    const bool timeAlone = random.Below(4) == 0;
    std::string text = timeAlone ? std::string()
                                 : number(0, 32) + separator + number(0, 13) + separator +
                                       (random.Below(10) == 0 ? number(0, 99) : number(1990, 2030));
    if (timeAlone || random.Below(4) != 0) {
      text += std::string(timeAlone ? 0 : static_cast<std::size_t>(random.Between(1, 2)), ' ') +
              number(0, 25) + ':' + number(0, 61);
      if (random.Below(2) == 0) {
        text += ':' + number(0, 61);
      }
    }
    bool tookShortcut = false;
    ExpectShortcutAgrees(inUsa ? usa : home, text, tookShortcut);
    shortcuts += tookShortcut;
  }
  EXPECT_GT(shortcuts, 5000);
  // Eight bytes near HH:mm:ss: the bytes on either side of the digits, separators of both
  // readers, a byte beyond ASCII.
  static const char kClockBytes[] = "0123456789/:;.\xB0 ";
  int clocks = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text = "12:34:56";
    for (int n = static_cast<int>(random.Below(3)); n > 0; --n) {
      text[random.Below(8)] = kClockBytes[random.Below(sizeof kClockBytes - 1)];
    }
    bool tookShortcut = false;
    ExpectShortcutAgrees(random.Below(2) == 0 ? home : dotTime, text, tookShortcut);
    clocks += tookShortcut;
  }
  EXPECT_GT(clocks, 2000);
}

}  // namespace
}  // namespace melquon
