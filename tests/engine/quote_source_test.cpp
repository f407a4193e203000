#include "engine/quote_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/quote_lines.h"
#include "engine/reg_exp.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "log/write_log.h"
#include "runtime/date_time.h"
#include "runtime/formats.h"

namespace melquon {
namespace {

struct PadCase {
  std::int64_t value;
  int width;
  const char* expected;
};

TEST(IntToStrPad, PutsZerosInFrontUpToTheWidth) {
  const PadCase cases[] = {{5, 2, "05"}, {9, 2, "09"},  {12, 2, "12"},   {100, 2, "100"},
                           {0, 2, "00"}, {-1, 2, "-1"}, {-1, 3, "0-1"},  {-12, 2, "-12"},
                           {7, 0, "7"},  {7, -3, "7"},  {42, 5, "00042"}};
  for (const PadCase& c : cases) {
    EXPECT_EQ(IntToStrPad(c.value, c.width), c.expected) << c.value << " width " << c.width;
  }
}

struct DayFileCase {
  const char* archivePath;
  const char* fileTemplate;
  CalendarDate date;
  const char* expected;
};

TEST(GetDayFileName, FillsFirstPlaceholdersAndPrefixesArchivePath) {
  const DayFileCase cases[] = {
      {"c:\\", "$YY$MM$DD.txt", {2009, 3, 5}, "c:\\090305.txt"},
      {"c:\\", "$YY$MM$DD.txt", {2010, 12, 31}, "c:\\101231.txt"},
      // The year is not wrapped.
      {"", "$YY$MM$DD", {2100, 1, 1}, "1000101"},
      {"", "$YY$MM$DD", {1999, 12, 31}, "-11231"},
      {"arch/", "$DD-$DD.$MM", {2009, 3, 5}, "arch/05-$DD.03"},
      {"arch/", "$yy$mm$dd_$YY", {2009, 3, 5}, "arch/$yy$mm$dd_09"},
      // ArchivePath is put in front as it is, without a separator.
      {"data", "ticks", {2009, 3, 5}, "dataticks"},
  };
  for (const DayFileCase& c : cases) {
    TSettings settings;
    settings.ArchivePath = c.archivePath;
    settings.DataFileTemplate = c.fileTemplate;
    const TDateTime date = EncodeDate(c.date.year, c.date.month, c.date.day);
    EXPECT_EQ(GetDayFileName(settings, date), c.expected) << c.fileTemplate;
  }
}

TEST(GetDayFileName, IgnoresTheTimeOfDay) {
  TSettings settings;
  settings.ArchivePath = "";
  settings.DataFileTemplate = "$YY$MM$DD";
  EXPECT_EQ(GetDayFileName(settings, EncodeDate(2009, 3, 5) + 0.99), "090305");
}

struct ItemCase {
  const char* text;
  const char* name;
  const char* expected;
};

TEST(GetItemValue, CutsItemsAndFindsTheFirstByName) {
  const ItemCase cases[] = {
      {"CONTRACT=1234.5&DT=12.01.2009 10:05:12", "CONTRACT", "1234.5"},
      {"CONTRACT=1234.5&DT=12.01.2009 10:05:12", "DT", "12.01.2009 10:05:12"},
      {"contract=1234.5", "CONTRACT", "1234.5"},
      {"DT=x&A=1&CONTRACT=5&B=2", "CONTRACT", "5"},
      {"CONTRACT=1&CONTRACT=2", "CONTRACT", "1"},
      {"CONTRACTX=1&CONTRACT=2", "CONTRACT", "2"},
      {" CONTRACT=1", "CONTRACT", ""},
      {"CONTRACT", "CONTRACT", ""},
      {"CONTRACT=", "CONTRACT", ""},
      {"CONTRACT==5", "CONTRACT", "=5"},
      {"", "CONTRACT", ""},
      {"&&CONTRACT=3&&", "CONTRACT", "3"},
      {"X=1\r\nCONTRACT=7\r\n", "CONTRACT", "7"},
      {"CONTRACT=7\rDT=1", "DT", "1"},
      {"CONTRACT=7\nDT=1", "CONTRACT", "7"},
      // Quoted stretches are not cut and keep their quotes.
      {"A='x&CONTRACT=9'&CONTRACT=1", "CONTRACT", "1"},
      {"A=\"x&CONTRACT=9\"&CONTRACT=1", "CONTRACT", "1"},
      {"CONTRACT=\"a&b\"&DT=2", "CONTRACT", "\"a&b\""},
      {"CONTRACT=\"it's\"&DT=2", "DT", "2"},
      {"CONTRACT=a'\r\n'b&DT=2", "CONTRACT", "a'\r\n'b"},
      // A quote that is never closed runs to the end of the text.
      {"A=it's&CONTRACT=1", "CONTRACT", ""},
      {"CONTRACT='a&b", "CONTRACT", "'a&b"},
  };
  for (const ItemCase& c : cases) {
    EXPECT_EQ(GetItemValue(c.text, c.name), c.expected)
        << ::testing::PrintToString(std::string(c.text)) << " " << c.name;
  }
}

TEST(TryReadPrice, AcceptsTheNumberForm) {
  const std::pair<const char*, double> cases[] = {
      {"1234.5", 1234.5}, {"1.2345E3", 1234.5}, {"1.2345e+3", 1234.5}, {"123450e-2", 1234.5},
      {"  -5", -5.0},     {"+5", 5.0},          {"007", 7.0},          {"5.", 5.0},
      {".5", 0.5},        {"0", 0.0},           {"1e-400", 0.0},       {"150000", 150000.0}};
  for (const auto& [text, expected] : cases) {
    double value = -1.0;
    EXPECT_TRUE(TryReadPrice(text, value)) << text;
    EXPECT_DOUBLE_EQ(value, expected) << text;
  }
}

TEST(TryReadPrice, RefusesEverythingElse) {
  const char* cases[] = {"",     " ",   "1234.5 ", "1234,5", "1.2.3", "e5",  "1e",
                         "1e+",  ".",   "+",       "-",      "+-1",   "1 2", "\t5",
                         "0x10", "inf", "nan",     "1e400",  "5-",    "$5",  "1e5.0"};
  for (const char* text : cases) {
    double value = 0.0;
    EXPECT_FALSE(TryReadPrice(text, value)) << ::testing::PrintToString(std::string(text));
  }
}

// A run's quote source over lines given as text, with the log in a temporary file and a
// fixed clock so that log lines compare byte for byte.
class GetNextQuoteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFormats_ = RegionalFormats();
    savedLogFileName_ = LogFileName;
    savedLogLevel_ = LogLevel;
    RegionalFormats() = FormatSettings();
    logPath_ =
        std::filesystem::temp_directory_path() /
        ("melquon_quote_source_" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".log");
    std::filesystem::remove(logPath_);
    LogFileName = logPath_.string();
    LogLevel = 2;
    SetLogClock([] { return kClock; });

    settings_.FindWhat = R"(^$CONTRACT,(\d\d):(\d\d),([^,]*)$)";
    settings_.ReplaceWith = "CONTRACT=$3&DT=12.01.2009 $1:$2";
    regExp_.Global = true;
    regExp_.IgnoreCase = true;
    regExp_.Multiline = true;
  }

  void TearDown() override {
    SetLogClock(nullptr);
    RegionalFormats() = savedFormats_;
    LogFileName = savedLogFileName_;
    LogLevel = savedLogLevel_;
    std::filesystem::remove(logPath_);
  }

  struct Quote {
    std::int32_t index;
    double value;
    friend bool operator==(const Quote&, const Quote&) = default;
    friend void PrintTo(const Quote& q, std::ostream* os) { *os << q.index << ":" << q.value; }
  };

  // Every quote of the day, and the index the last call left behind.
  std::vector<Quote> ReadAll(std::string_view aBytes, const std::string& aContract = "RIH9") {
    lines_.SetText(aBytes);
    std::vector<Quote> quotes;
    std::int32_t index = -1;
    double value = 0.0;
    while (GetNextQuote(source_, lines_, aContract, index, value)) {
      quotes.push_back(Quote{index, value});
    }
    finalIndex_ = index;
    return quotes;
  }

  std::string LogBytes() const {
    std::ifstream in(logPath_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static std::string ExpectedLogLine(const std::string& aMessage) {
    return LogTimeStamp(kClock) + aMessage + "\r\n";
  }

  static constexpr LocalDateTime kClock{{2009, 1, 12}, {9, 5, 3, 7}};

  TSettings settings_;
  TRegExp regExp_;
  TSkipIntervals skipIntervals_;
  TQuoteSource source_{settings_, regExp_, skipIntervals_, {}, {}, {}};
  TQuoteLines lines_;
  std::int32_t finalIndex_ = 0;

 private:
  FormatSettings savedFormats_;
  std::string savedLogFileName_;
  std::int32_t savedLogLevel_ = 0;
  std::filesystem::path logPath_;
};

long long Ms(int aHour, int aMinute, int aSecond = 0) {
  return ((aHour * 60LL + aMinute) * 60 + aSecond) * 1000;
}

TEST_F(GetNextQuoteTest, ReturnsOnlyTheContractsLinesInFileOrder) {
  const auto quotes = ReadAll(
      "RIH9,10:00,150000\r\nSIH9,10:00,36000\r\nrih9,10:01,150005\r\nRIH9,10:02,bad\r\n"
      "GZH9,10:02,13000\r\nRIH9,10:01,149990\r\n");
  EXPECT_EQ(quotes, (std::vector<Quote>{{0, 150000}, {2, 150005}, {5, 149990}}));
  EXPECT_EQ(finalIndex_, 6);
  EXPECT_EQ(LogBytes(), "");
}

TEST_F(GetNextQuoteTest, NoQuoteLeavesTheIndexAtTheLineCount) {
  EXPECT_TRUE(ReadAll("").empty());
  EXPECT_EQ(finalIndex_, 0);
  EXPECT_TRUE(ReadAll("SIH9,10:00,1\r\nGZH9,10:00,2\r\nRIH9,10:00,\r\n").empty());
  EXPECT_EQ(finalIndex_, 3);
}

TEST_F(GetNextQuoteTest, BadDateTimeInTheMiddleLineIsLoggedOnceAndPassedOver) {
  settings_.FindWhat = R"(^$CONTRACT,(..):(\d\d),([^,]*)$)";
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\nRIH9,xx:00,2\r\nRIH9,10:02,3\r\n"),
            (std::vector<Quote>{{0, 1}, {2, 3}}));
  EXPECT_EQ(finalIndex_, 3);
  EXPECT_EQ(LogBytes(), ExpectedLogLine("GetNextQuote exception '12.01.2009 xx:00' is not a valid "
                                        "date and time"));
}

TEST_F(GetNextQuoteTest, BadDateTimeIsReportedEvenWithoutAPrice) {
  settings_.ReplaceWith = "DT=$1:$2";
  settings_.FindWhat = R"(^$CONTRACT,(..):(\d\d),([^,]*)$)";
  EXPECT_TRUE(ReadAll("RIH9,1x:00,1\r\n").empty());
  EXPECT_EQ(LogBytes(),
            ExpectedLogLine("GetNextQuote exception '1x:00' is not a valid date and time"));
}

TEST_F(GetNextQuoteTest, FindsItemsInAnyOrder) {
  settings_.ReplaceWith = "A=1&DT=$1:$2&B=x&contract=$3&C=2";
  EXPECT_EQ(ReadAll("RIH9,10:00,1.2345E3\r\n"), (std::vector<Quote>{{0, 1234.5}}));
}

TEST_F(GetNextQuoteTest, RefusedPriceFormsArePassedOverSilently) {
  EXPECT_EQ(ReadAll("RIH9,10:00,1234.5 \r\nRIH9,10:00,1234,5\r\nRIH9,10:00,\r\nRIH9,10:00,7\r\n"),
            (std::vector<Quote>{{3, 7}}));
  EXPECT_EQ(LogBytes(), "");
}

TEST_F(GetNextQuoteTest, ContractCodeIsPutIntoThePatternUnescaped) {
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\nRIM9,10:00,2\r\nSIH9,10:00,3\r\n", "RI.9"),
            (std::vector<Quote>{{0, 1}, {1, 2}}));
  settings_.FindWhat = "^$CONTRACT,(\\d\\d):(\\d\\d),([^,]*)$|$CONTRACT";
  ReadAll("", "RIH9");
  EXPECT_EQ(regExp_.Pattern(), "^RIH9,(\\d\\d):(\\d\\d),([^,]*)$|$CONTRACT");
}

TEST_F(GetNextQuoteTest, ContractPlaceholderInReplaceWithIsLeftAlone) {
  settings_.ReplaceWith = "CONTRACT=$3&DT=$CONTRACT";
  EXPECT_TRUE(ReadAll("RIH9,10:00,1\r\n").empty());
  EXPECT_EQ(LogBytes(),
            ExpectedLogLine("GetNextQuote exception '$CONTRACT' is not a valid date and time"));
}

TEST_F(GetNextQuoteTest, CyrillicContractMatchesAWindows1251LineInAnyCase) {
  EXPECT_EQ(ReadAll("\xD0\xC8\xD5\x39,10:00,5\r\nSIH9,10:00,6\r\n", "рих9"),
            (std::vector<Quote>{{0, 5}}));
}

TEST_F(GetNextQuoteTest, LineWithoutAMatchIsReadAsItStands) {
  settings_.ReplaceWith = "ignored";
  EXPECT_EQ(ReadAll("OTHER&CONTRACT=42\r\n"), (std::vector<Quote>{{0, 42}}));
}

TEST_F(GetNextQuoteTest, SkipWindowsPassOverLinesInsideThem) {
  skipIntervals_.Items.emplace_back(Ms(10, 1), Ms(10, 2));
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\nRIH9,10:01,2\r\nRIH9,10:02,3\r\nRIH9,10:03,4\r\n"),
            (std::vector<Quote>{{0, 1}, {3, 4}}));
  EXPECT_EQ(LogBytes(), "");
}

TEST_F(GetNextQuoteTest, LineWithoutDateTimeIsNotSkipTested) {
  skipIntervals_.Items.emplace_back(Ms(0, 0), Ms(23, 59, 59));
  settings_.ReplaceWith = "CONTRACT=$3";
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\n"), (std::vector<Quote>{{0, 1}}));
  settings_.ReplaceWith = "CONTRACT=$3&DT=";
  EXPECT_EQ(ReadAll("RIH9,10:00,1\r\n"), (std::vector<Quote>{{0, 1}}));
}

TEST_F(GetNextQuoteTest, InvalidPatternEndsTheCallUnlogged) {
  settings_.FindWhat = "($CONTRACT";
  lines_.SetText("RIH9,10:00,1\r\n");
  std::int32_t index = -1;
  double value = 0.0;
  EXPECT_THROW(GetNextQuote(source_, lines_, "RIH9", index, value), std::runtime_error);
  EXPECT_EQ(LogBytes(), "");
}

struct DateTimeCase {
  const char* dt;
  long long timeOfDayMs;
};

// Each DT text is accepted and read at the given time of day: a skip window of exactly that
// millisecond passes the line over, one a millisecond later doesn't.
class DateTimeForms : public GetNextQuoteTest {
 protected:
  void ExpectTimeOfDay(const DateTimeCase& c) {
    settings_.FindWhat = "^$CONTRACT,(.*)$";
    settings_.ReplaceWith = "CONTRACT=1&DT=$1";
    const std::string line = std::string("RIH9,") + c.dt;
    skipIntervals_.Items.assign(1, TSkipInterval(c.timeOfDayMs, c.timeOfDayMs));
    EXPECT_TRUE(ReadAll(line).empty()) << c.dt;
    skipIntervals_.Items.assign(1, TSkipInterval(c.timeOfDayMs + 1, c.timeOfDayMs + 1));
    EXPECT_EQ(ReadAll(line).size(), 1u) << c.dt;
    EXPECT_EQ(LogBytes(), "") << c.dt;
  }
};

TEST_F(DateTimeForms, DayMonthYearLocale) {
  RegionalFormats().ShortDateFormat = "dd.MM.yyyy";
  RegionalFormats().DateSeparator = '.';
  RegionalFormats().LongTimeFormat = "H:mm:ss";
  const DateTimeCase cases[] = {{"12.01.2009 10:05:12", Ms(10, 5, 12)},
                                {"1.2.2009 9:05", Ms(9, 5)},
                                {"12.01.09  23:59:59", Ms(23, 59, 59)},
                                {"12.01.2009", 0},
                                {"10:05:12", Ms(10, 5, 12)},
                                {"2009-01-12 10:05:12", Ms(10, 5, 12)},
                                {"12.01.2009 10:05:12.250", Ms(10, 5, 12) + 250}};
  for (const DateTimeCase& c : cases)
    ExpectTimeOfDay(c);
}

TEST_F(DateTimeForms, MonthDayYearLocale) {
  RegionalFormats().ShortDateFormat = "M/d/yyyy";
  RegionalFormats().DateSeparator = '/';
  RegionalFormats().LongTimeFormat = "h:mm:ss AM/PM";
  const DateTimeCase cases[] = {{"1/12/2009 10:05:12 AM", Ms(10, 5, 12)},
                                {"1/12/2009 10:05:12 PM", Ms(22, 5, 12)},
                                {"12/31/2009 23:00", Ms(23, 0)},
                                {"2009-12-31 01:02:03", Ms(1, 2, 3)}};
  for (const DateTimeCase& c : cases)
    ExpectTimeOfDay(c);
}

TEST_F(DateTimeForms, DayFirstTextIsNotADateInAMonthFirstLocale) {
  RegionalFormats().ShortDateFormat = "M/d/yyyy";
  RegionalFormats().DateSeparator = '/';
  settings_.FindWhat = "^$CONTRACT,(.*)$";
  settings_.ReplaceWith = "CONTRACT=1&DT=$1";
  EXPECT_TRUE(ReadAll("RIH9,31/12/2009 10:00").empty());
  EXPECT_EQ(
      LogBytes(),
      ExpectedLogLine("GetNextQuote exception '31/12/2009 10:00' is not a valid date and time"));
}

}  // namespace
}  // namespace melquon
