#include "engine/quote_source.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/quote_lines.h"
#include "engine/reg_exp.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "runtime/errors.h"
#include "runtime/formats.h"
#include "samples/split_mix64.h"
#include "tests/support/recording_run_log.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using ::testing::ThrowsMessage;
using Texts = std::pair<std::string, std::string>;

// Every line in brackets, so that no line and one empty line differ.
std::string LinesOf(const TQuoteLines& aLines) {
  std::string result;
  for (std::size_t i = 0; i < aLines.Count(); ++i)
    result += "[" + std::string(aLines.Line(i)) + "]";
  return result;
}

TEST(QuoteSource, DayFileNamesFillTheFirstPlaceholdersOnly) {
  EXPECT_EQ(IntToStrPad(-1, 3), "0-1");
  TSettings settings;
  settings.ArchivePath = "arch";  // put in front as it is, no separator added
  const auto name = [&settings](const char* aTemplate, int aYear, int aMonth, int aDay) {
    settings.DataFileTemplate = aTemplate;
    return GetDayFileName(settings, EncodeDate(aYear, aMonth, aDay) + 0.99);
  };
  EXPECT_EQ(name("$YY$MM$DD.txt", 2009, 3, 5), "arch090305.txt");
  EXPECT_EQ(name("$YY$MM$DD", 2010, 12, 31), "arch101231");
  EXPECT_EQ(name("$YY$MM$DD", 2100, 1, 1), "arch1000101");
  EXPECT_EQ(name("$YY$MM$DD", 1999, 12, 31), "arch-11231");
  EXPECT_EQ(name("$DD-$DD.$MM", 2009, 3, 5), "arch05-$DD.03");
  EXPECT_EQ(name("$yy$mm$dd_$YY", 2009, 3, 5), "arch$yy$mm$dd_09");
}

using Price = std::pair<const char*, double>;

TEST(QuoteSource, TryReadPriceAcceptsOnlyTheNumberForm) {
  double value = 0.0;
  for (const auto& [text, expected] :
       {Price{"1234.5", 1234.5}, Price{"1.2345E3", 1234.5}, Price{"1.2345e+3", 1234.5},
        Price{"123450e-2", 1234.5}, Price{"  -5", -5.0}, Price{"+5", 5.0}, Price{"5.", 5.0},
        Price{".5", 0.5}, Price{"1e-400", 0.0}}) {
    EXPECT_TRUE(TryReadPrice(text, value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  for (const char* text :
       {"",  " ",   "1234.5 ", "1234,5", "1.2.3", "e5",  "1e",  "1e+",   ".",  "+",
        "-", "+-1", "1 2",     "\t5",    "0x10",  "inf", "nan", "1e400", "5-", "1e5.0"})
    EXPECT_FALSE(TryReadPrice(text, value)) << ::testing::PrintToString(text);
}

constexpr long long Ms(int aHour, int aMinute, int aSecond = 0, int aMillisecond = 0) {
  return ((aHour * 60LL + aMinute) * 60 + aSecond) * 1000 + aMillisecond;
}

std::string BadDateTimeLine(const char* aDateTime) {
  return "1|GetNextQuote exception '" + std::string(aDateTime) + "' is not a valid date and time\n";
}

// A day's lines read through a quote source of the home formats in 2009, reporting to a log of
// its own; day files go to a fresh folder.
class QuoteSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.FindWhat = R"(^$CONTRACT,(..):(\d\d),([^,]*)$)";
    settings_.ReplaceWith = "CONTRACT=$3&DT=12.01.2009 $1:$2";
    regExp_.Global = regExp_.IgnoreCase = regExp_.Multiline = true;
  }

  // Each quote as "index:price;", then the index the last call left behind.
  std::string ReadAll(std::string_view aBytes, const std::string& aContract = "RIH9") {
    return ReadAllWith(source_, aBytes, aContract);
  }
  std::string ReadAllWith(TQuoteSource& aSource, std::string_view aBytes,
                          const std::string& aContract = "RIH9") {
    lines_.SetText(aBytes);
    std::ostringstream quotes;
    std::int32_t index = -1;
    for (double value = 0.0; GetNextQuote(aSource, lines_, aContract, index, value);)
      quotes << index << ":" << value << ";";
    quotes << "end " << index;
    return quotes.str();
  }

  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The lines reported, each ended by a line feed.
  std::string Log() const {
    std::string text;
    for (const std::string& line : log_.Lines) {
      text += line + "\n";
    }
    return text;
  }

  static std::string MakeFolder() {
    std::string dir = (std::filesystem::temp_directory_path() / "melquon-quotes-XXXXXX").string();
    return ::mkdtemp(dir.data()) != nullptr ? dir : std::string();
  }

  const std::string dir_ = MakeFolder();
  test::TRecordingRunLog log_{1};
  TSettings settings_;
  TRegExp regExp_;
  TSkipIntervals skipIntervals_;
  TQuoteSource source_{settings_, regExp_, skipIntervals_, TDateTextReader(FormatSettings{}, 2009),
                       log_};
  TQuoteLines lines_;
};

TEST_F(QuoteSourceTest, DayFilesAreReadUnconvertedAndCutAtEveryLineEndAndAtANulByte) {
  const std::string day = dir_ + "/day.txt";
  for (const auto& [bytes, lines] :
       {Texts{"\xD0\xC8\xD5\x39,1\r\nSIH9,2\r\n", "[\xD0\xC8\xD5\x39,1][SIH9,2]"}, Texts{"", ""},
        Texts{"a", "[a]"}, Texts{"a\r\nb", "[a][b]"}, Texts{"a\rb", "[a][b]"},
        Texts{"a\nb", "[a][b]"}, Texts{"a\r\n", "[a]"}, Texts{"\r\n", "[]"},
        Texts{"a\r\n\r\n", "[a][]"}, Texts{"a\n\nb", "[a][][b]"}, Texts{"a\r\r\nb", "[a][][b]"},
        Texts{"a\n\rb", "[a][][b]"}, Texts{"a\0b\r\nc"s, "[a]"}, Texts{"\0a"s, ""},
        Texts{" x \t\r\n", "[ x \t]"}}) {
    std::ofstream(day, std::ios::binary) << bytes;
    lines_.LoadFromFile(day);
    EXPECT_EQ(LinesOf(lines_), lines) << ::testing::PrintToString(bytes);
  }
  EXPECT_THAT([&] { lines_.LoadFromFile(dir_); },
              ThrowsMessage<EInOutError>("Cannot read file \"" + dir_ + "\". Is a directory"));
  fs::remove(day);
  EXPECT_THAT(
      [&] { lines_.LoadFromFile(day); },
      ThrowsMessage<EInOutError>("Cannot open file \"" + day + "\". No such file or directory"));
}

// The replaced line is ReplaceWith itself, so that the run reads the same items GetItemValue does.
TEST_F(QuoteSourceTest, ItemsAreCutAtAmpersandsAndLineEndsOutsideQuotesAndFoundByName) {
  settings_.FindWhat = "^$CONTRACT$";
  for (const auto& [text, value] :
       {Texts{"DT=12.01.2009 10:05:12&A=1&contract=1234.5&B=2", "1234.5"},
        Texts{"CONTRACT=1&CONTRACT=2", "1"}, Texts{"CONTRACTX=1&CONTRACT=2", "2"},
        Texts{" CONTRACT=1", ""}, Texts{"CONTRACT", ""}, Texts{"CONTRACT==5", "=5"},
        Texts{"&&CONTRACT=3&&", "3"}, Texts{"X=1\r\nCONTRACT=7\r\n", "7"},
        Texts{"A='x&CONTRACT=9'&CONTRACT=1", "1"}, Texts{"CONTRACT=\"a&b\"&DT=2", "\"a&b\""},
        Texts{"X=\"it's\"&CONTRACT=2", "2"}, Texts{"CONTRACT=a'\r\n'b&DT=2", "a'\r\n'b"},
        // A quote that is never closed runs to the end of the text.
        Texts{"A=it's&CONTRACT=1", ""}, Texts{"CONTRACT='a&b", "'a&b"}}) {
    EXPECT_EQ(GetItemValue(text, "CONTRACT"), value) << ::testing::PrintToString(text);
    settings_.ReplaceWith = text;
    double price = 0.0;
    EXPECT_EQ(ReadAll("RIH9"), TryReadPrice(value, price) ? "0:" + value + ";end 1" : "end 1");
  }
}

TEST_F(QuoteSourceTest, AcceptsTheContractsValidPricesInFileOrderAndPassesOverTheRestSilently) {
  EXPECT_EQ(
      ReadAll("RIH9,10:00,150000\r\nSIH9,10:00,36000\r\nrih9,10:01,150005\r\nRIH9,10:02,bad\r\n"
              "RIH9,10:02,1234.5 \r\nRIH9,10:02,1234,5\r\nRIH9,10:02,\r\nGZH9,10:02,13000\r\n"
              "RIH9,10:01,149990\r\n"),
      "0:150000;2:150005;8:149990;end 9");
  EXPECT_EQ(ReadAll(""), "end 0");
  EXPECT_EQ(ReadAll("SIH9,10:00,1\r\nGZH9,10:00,2\r\nRIH9,10:00,\r\n"), "end 3");
  settings_.ReplaceWith = "A=1&DT=$1:$2&B=x&contract=$3&C=2";
  EXPECT_EQ(ReadAll("RIH9,10:00,1.2345E3\r\n"), "0:1234.5;end 1");
  settings_.ReplaceWith = "ignored";
  EXPECT_EQ(ReadAll("OTHER&CONTRACT=42\r\n"), "0:42;end 1");
  EXPECT_EQ(Log(), "");
}

TEST_F(QuoteSourceTest, BadDateTimeIsLoggedEvenWithoutAPriceAndPassedOver) {
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\nRIH9,xx:00,2\r\nRIH9,10:02,3\r\n"), "0:1;2:3;end 3");
  EXPECT_EQ(Log(), BadDateTimeLine("12.01.2009 xx:00"));
  settings_.ReplaceWith = "DT=$1:$2";
  EXPECT_EQ(ReadAll("RIH9,1x:00,1\r\n"), "end 1");
  EXPECT_EQ(Log(), BadDateTimeLine("12.01.2009 xx:00") + BadDateTimeLine("1x:00"));
}

TEST_F(QuoteSourceTest, ContractCodeGoesUnescapedIntoFindWhatOnly) {
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\nRIM9,10:00,2\r\nSIH9,10:00,3\r\n", "RI.9"), "0:1;1:2;end 3");
  EXPECT_EQ(ReadAll("\xD0\xC8\xD5\x39,10:00,5\r\nSIH9,10:00,6\r\n", "рих9"), "0:5;end 2");
  settings_.FindWhat = "^$CONTRACT,(..):(\\d\\d),([^,]*)$|$CONTRACT";
  settings_.ReplaceWith = "CONTRACT=$3&DT=$CONTRACT";
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\n"), "end 1");
  EXPECT_EQ(regExp_.Pattern(), "^RIH9,(..):(\\d\\d),([^,]*)$|$CONTRACT");
  settings_.FindWhat = "($CONTRACT";
  EXPECT_THROW(ReadAll("RIH9,10:00,1\r\n"), std::runtime_error);
  EXPECT_EQ(Log(), BadDateTimeLine("$CONTRACT")) << "an invalid pattern is not logged here";
}

TEST_F(QuoteSourceTest, SkipWindowsPassOverLinesWithATimeOfDayInsideThem) {
  skipIntervals_.Items.emplace_back(Ms(10, 1), Ms(10, 2));
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\nRIH9,10:01,2\r\nRIH9,10:02,3\r\nRIH9,10:03,4\r\n"),
            "0:1;3:4;end 4");
  skipIntervals_.Items.assign(1, TSkipInterval(Ms(0, 0), Ms(23, 59, 59)));
  for (const char* replaceWith : {"CONTRACT=$3", "CONTRACT=$3&DT="}) {
    settings_.ReplaceWith = replaceWith;
    EXPECT_EQ(ReadAll("RIH9,10:00,1\r\n"), "0:1;end 1") << "no time of day, no skip test";
  }
  EXPECT_EQ(Log(), "");
}

// A clock is read once for the lines that repeat it; each line still gets the time of day a
// source reading that line alone gives it, and a bad clock is still bad.
TEST_F(QuoteSourceTest, LinesRepeatingAClockReadAsTheyWouldAlone) {
  settings_.FindWhat = R"(^$CONTRACT,(\d\d)(\d\d)(\d\d),([\d.]+)$)";
  settings_.ReplaceWith = "CONTRACT=$4&DT=$1:$2:$3";
  static const char* const kClocks[] = {"100000", "100001", "235959", "240000",
                                        "250000", "126000", "125960", "000000"};
  // Each quote's line and time of day.
  const auto timesOfDay = [this](TQuoteSource& aSource, const std::string& aText) {
    lines_.SetText(aText);
    std::string times;
    std::int32_t index = -1;
    for (double value = 0.0; GetNextQuote(aSource, lines_, "RIH9", index, value);)
      times += std::to_string(index) + "@" + std::to_string(aSource.QuoteTimeOfDayMs()) + ";";
    return times;
  };
  SplitMix64 random(2909);
  std::vector<std::string> day;
  for (int i = 0; i < 3000; ++i)
    day.push_back("RIH9,"s + kClocks[random.Below(std::size(kClocks))] + ",1");
  std::string whole;
  std::string alone;
  for (std::size_t i = 0; i < day.size(); ++i) {
    whole += day[i] + "\n";
    TQuoteSource fresh{settings_, regExp_, skipIntervals_, TDateTextReader(FormatSettings{}, 2009),
                       log_};
    const std::string time = timesOfDay(fresh, day[i]);
    if (!time.empty())
      alone += std::to_string(i) + time.substr(1);
  }
  EXPECT_EQ(timesOfDay(source_, whole), alone);
  EXPECT_THAT(alone, ::testing::HasSubstr("@86399000;"));
}

using TimeOfDay = std::pair<const char*, long long>;

TEST_F(QuoteSourceTest, DateTimeFormsOfTheLocaleGiveTheirTimeOfDay) {
  settings_.FindWhat = "^$CONTRACT,(.*)$";
  settings_.ReplaceWith = "CONTRACT=1&DT=$1";
  // A skip window of exactly that millisecond passes the line over.
  const auto expectTimesOfDay = [this](TQuoteSource& aSource,
                                       std::initializer_list<TimeOfDay> aCases) {
    for (const auto& [text, ms] : aCases) {
      skipIntervals_.Items.assign(1, TSkipInterval(ms, ms));
      EXPECT_EQ(ReadAllWith(aSource, "RIH9,"s + text), "end 1") << text;
    }
  };
  expectTimesOfDay(
      source_,
      {TimeOfDay{"12.01.2009 10:05:12", Ms(10, 5, 12)}, TimeOfDay{"1.2.2009 9:05", Ms(9, 5)},
       TimeOfDay{"12.01.09  23:59:59", Ms(23, 59, 59)}, TimeOfDay{"12.01.2009", 0},
       TimeOfDay{"10:05:12", Ms(10, 5, 12)}, TimeOfDay{"2009-01-12 10:05:12", Ms(10, 5, 12)},
       TimeOfDay{"12.01.2009 10:05:12.250", Ms(10, 5, 12, 250)}});
  // A source reads dates in the formats it was given, whatever the program's are.
  FormatSettings us;
  us.ShortDateFormat = "M/d/yyyy";
  us.DateSeparator = '/';
  us.LongTimeFormat = "h:mm:ss AM/PM";
  TQuoteSource usSource(settings_, regExp_, skipIntervals_, TDateTextReader(us, 2009), log_);
  expectTimesOfDay(usSource, {TimeOfDay{"1/12/2009 10:05:12 AM", Ms(10, 5, 12)},
                              TimeOfDay{"1/12/2009 10:05:12 PM", Ms(22, 5, 12)},
                              TimeOfDay{"12/31/2009 23:00", Ms(23, 0)},
                              TimeOfDay{"2009-12-31 01:02:03", Ms(1, 2, 3)}});
  EXPECT_EQ(ReadAllWith(usSource, "RIH9,31/12/2009 10:00"), "end 1");
  EXPECT_EQ(Log(), BadDateTimeLine("31/12/2009 10:00"));
}

}  // namespace
}  // namespace melquon
