#include "engine/volatility_res_item.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "log/write_log.h"
#include "runtime/formats.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// Counters log through WriteLog; every test gets its own log file, home formats and a fixed
// clock, and the log settings are put back afterwards.
class CounterTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-counter-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    RegionalFormats() = FormatSettings{};
    LogFileName = (dir_ / "Melquon.log").string();
    LogLevel = 0;
    SetLogClock([] { return LocalDateTime{CalendarDate{2009, 3, 5}, ClockTime{9, 5, 3, 7}}; });
  }

  void TearDown() override {
    SetLogClock({});
    LogFileName = savedFileName_;
    LogLevel = savedLevel_;
    RegionalFormats() = savedFormats_;
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string LogBytes() const {
    std::ifstream in(LogFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;

 private:
  const std::string savedFileName_ = LogFileName;
  const std::int32_t savedLevel_ = LogLevel;
  const FormatSettings savedFormats_ = RegionalFormats();
};

struct LevelCase {
  std::int32_t interval;
  bool down;
  double price;
  double expected;
};

TEST(GetIntervalLevelTest, MultiplesAtOrBelowAndStrictlyAbove) {
  const LevelCase cases[] = {
      {500, true, 151230, 151000},
      {500, false, 151230, 151500},
      {500, true, 149000, 149000},
      {500, false, 149000, 149500},
      {500, true, 499.99, 0},
      {500, false, 0, 500},
      {100, false, 500, 600},
      {100, true, 1500, 1500},
      // The quotient truncates toward zero, also below zero.
      {500, true, -1230, -1000},
      {500, false, -1230, -500},
      {-500, true, 151230, 151000},
      {0, true, 151230, 0},
      {0, false, 151230, 0},
      // k * I is a 32-bit product: 30000 * 100000 wraps.
      {100000, true, 3e9, 3e9 - 4294967296.0},
      // Quotients beyond the 32-bit range are clamped.
      {1, true, 1e20, kInt32Max},
      {1, true, -1e20, kInt32Min},
      {1, false, 1e20, kInt32Min},
      {1, true, std::nan(""), 0},
  };
  for (const LevelCase& c : cases) {
    EXPECT_EQ(GetIntervalLevel(c.interval, c.down, c.price), c.expected)
        << "interval " << c.interval << " down " << c.down << " price " << c.price;
  }
}

struct Quote {
  std::int32_t day;
  double price;
};

struct CounterCase {
  const char* name;
  std::int32_t interval;
  std::vector<Quote> quotes;
  std::vector<std::int32_t> perDay;
  double high;
  double low;
};

TVolatilityResItem Feed(std::int32_t interval, const std::vector<Quote>& quotes) {
  TVolatilityResItem item(2, 39000.0);
  item.IntervalValue = interval;
  std::int32_t quoteIndex = 0;
  for (const Quote& q : quotes) {
    item.ApplyNewQuote(q.day, quoteIndex++, q.price);
  }
  return item;
}

TEST_F(CounterTest, CountsClosedPositions) {
  const CounterCase cases[] = {
      {"fall short of a whole interval",
       500,
       {{0, 150000}, {0, 151230}, {0, 150700}},
       {0, 0},
       151230,
       150000},
      {"fall of one interval from the high's multiple",
       500,
       {{0, 150000}, {0, 151230}, {0, 150700}, {0, 150450}},
       {1, 0},
       150450,
       150000},
      {"several intervals in one quote",
       500,
       {{0, 150000}, {0, 152000}, {0, 150400}},
       {3, 0},
       150400,
       150000},
      {"high on a multiple", 500, {{0, 150000}, {0, 151000}, {0, 150500}}, {1, 0}, 150500, 150000},
      {"low on a multiple: rise measured from the next multiple up",
       500,
       {{0, 150000}, {0, 149000}, {0, 149600}, {0, 149999}},
       {0, 0},
       150000,
       149000},
      {"low on a multiple: completed rise",
       500,
       {{0, 150000}, {0, 149000}, {0, 149600}, {0, 149999}, {0, 150000}},
       {1, 0},
       150000,
       150000},
      {"rise completed on the next day is booked there",
       500,
       {{0, 150000}, {0, 149100}, {0, 149700}, {1, 150020}},
       {0, 1},
       150020,
       150020},
      {"no fall counted while the high stays at the start",
       500,
       {{0, 150000}, {0, 149000}, {0, 148000}},
       {0, 0},
       150000,
       148000},
      {"new high that completes a rise", 100, {{0, 1000}, {0, 500}, {0, 1500}}, {9, 0}, 1500, 1500},
      {"both sides in turn",
       100,
       {{0, 1000}, {0, 500}, {0, 1500}, {0, 1200}, {1, 1100}},
       {12, 1},
       1100,
       1100},
      {"first quote of 0.0 leaves the counter unstarted",
       500,
       {{0, 0.0}, {0, 150000}, {0, 151000}, {0, 150500}},
       {1, 0},
       150500,
       150000},
      {"quote equal to the high",
       500,
       {{0, 150000}, {0, 151000}, {0, 151000}},
       {0, 0},
       151000,
       150000},
      {"quote equal to the low",
       500,
       {{0, 150000}, {0, 149000}, {0, 149000}},
       {0, 0},
       150000,
       149000},
      {"negative interval never counts",
       -500,
       {{0, 150000}, {0, 152000}, {0, 150400}, {0, 148000}, {1, 151000}},
       {0, 0},
       152000,
       148000},
      {"zero interval never counts",
       0,
       {{0, 150000}, {0, 152000}, {0, 150400}, {0, 148000}, {1, 151000}},
       {0, 0},
       152000,
       148000},
  };
  for (const CounterCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TVolatilityResItem item = Feed(c.interval, c.quotes);
    EXPECT_EQ(item.ResultPerDays, c.perDay);
    EXPECT_EQ(item.Result, c.perDay[0] + c.perDay[1]);
    EXPECT_EQ(item.MaxContractPrice, c.high);
    EXPECT_EQ(item.MinContractPrice, c.low);
  }
}

TEST_F(CounterTest, ConstructionClearsEverything) {
  const TVolatilityResItem item(3, 39876.0);
  EXPECT_EQ(item.DaysCount, 3);
  EXPECT_EQ(item.StartDate, 39876.0);
  EXPECT_EQ(item.IntervalValue, 0);
  EXPECT_EQ(item.Result, 0);
  EXPECT_EQ(item.ResultPerDays, (std::vector<std::int32_t>{0, 0, 0}));
  EXPECT_EQ(item.StartContractPrice, 0.0);
  EXPECT_EQ(item.MaxContractPrice, 0.0);
  EXPECT_EQ(item.MinContractPrice, 0.0);
}

TEST_F(CounterTest, NoDaysMeansNoPerDayStorageAndNoQuoteTaken) {
  for (const std::int32_t days : {0, -1, kInt32Min}) {
    TVolatilityResItem item(days, 0.0);
    item.IntervalValue = 500;
    EXPECT_EQ(item.DaysCount, days);
    EXPECT_TRUE(item.ResultPerDays.empty());
    item.ApplyNewQuote(0, 0, 150000);
    EXPECT_EQ(item.StartContractPrice, 0.0);
  }
}

TEST_F(CounterTest, DayIndexOutsideTheRunIsIgnored) {
  TVolatilityResItem item = Feed(500, {{0, 150000}, {0, 152000}});
  for (const std::int32_t day : {-1, 2, kInt32Max, kInt32Min}) {
    item.ApplyNewQuote(day, 0, 140000);
  }
  EXPECT_EQ(item.Result, 0);
  EXPECT_EQ(item.MaxContractPrice, 152000);
  EXPECT_EQ(item.MinContractPrice, 150000);
}

TEST_F(CounterTest, HugeMovesStopAtTheLargest32BitCount) {
  // The rise from 5 counts a clamped quotient; the following fall would pass the limit.
  const TVolatilityResItem item = Feed(1, {{0, 10}, {0, 5}, {0, 5e9}, {1, 4}});
  EXPECT_EQ(item.ResultPerDays[0], kInt32Max);
  EXPECT_EQ(item.ResultPerDays[1], kInt32Max - 4);
  EXPECT_EQ(item.Result, kInt32Max);
}

constexpr const char* kStamp = "05.03.2009 9:05:03 [7]   ";

std::string Line(const std::string& text) {
  return kStamp + text + "\r\n";
}

std::string Trace(std::int32_t day, const std::string& price) {
  return "TVolatilityResItem.ApplyNewQuote for  IntervalValue=500. aDayIndex=" +
         std::to_string(day) + "; aQuoteValue=" + price;
}

// Day 0: start, a new high, a fall of one interval; day 1: a further fall, then a rise.
void FeedLoggedSequence() {
  TVolatilityResItem item(2, 39000.0);
  item.IntervalValue = 500;
  item.ApplyNewQuote(0, 3, 150000.25);
  item.ApplyNewQuote(0, 4, 151230);
  item.ApplyNewQuote(0, 7, 150450);
  item.ApplyNewQuote(1, 0, 149100);
  item.ApplyNewQuote(1, 2, 150020);
}

const std::string kStartLine = Line(Trace(0, "150000,25") + "; StartContractPrice=150000,25");
const std::string kFirstFallLine = Line(
    "\r\nFixing RV by descending moving. IntervalValue=500; aDayIndex=0; aQuoteValue=150450; "
    "QuoteIndex=7; Delta=1; \r\nold MaxContractPrice=151230; new MaxContractPrice=150450; "
    "new ResultPerDays^[0]=1; new common Result=1");
const std::string kSecondFallLine = Line(
    "\r\nFixing RV by descending moving. IntervalValue=500; aDayIndex=1; aQuoteValue=149100; "
    "QuoteIndex=0; Delta=1; \r\nold MaxContractPrice=150450; new MaxContractPrice=149100; "
    "new ResultPerDays^[1]=1; new common Result=2");
const std::string kRiseLine = Line(
    "\r\nFixing RV by ascending moving. IntervalValue=500; aDayIndex=1; aQuoteValue=150020;  "
    "QuoteIndex=2 Delta=1; \r\nold MinConrtactPrice=149100; new MinContractPrice=150020; "
    "new ResultPerDays^[1]=2");

TEST_F(CounterTest, LogLinesAtLevel3) {
  LogLevel = 3;
  FeedLoggedSequence();
  const std::string expected = Line(Trace(0, "150000,25")) + kStartLine + Line(Trace(0, "151230")) +
                               Line(Trace(0, "150450")) + kFirstFallLine +
                               Line(Trace(1, "149100")) + kSecondFallLine +
                               Line(Trace(1, "150020")) + kRiseLine;
  EXPECT_EQ(LogBytes(), expected);
}

TEST_F(CounterTest, LogLinesAtLevel2LeaveOutTheTrace) {
  LogLevel = 2;
  FeedLoggedSequence();
  EXPECT_EQ(LogBytes(), kStartLine + kFirstFallLine + kSecondFallLine + kRiseLine);
}

TEST_F(CounterTest, NothingIsLoggedAtLevel1) {
  LogLevel = 1;
  FeedLoggedSequence();
  EXPECT_FALSE(fs::exists(LogFileName));
}

TEST_F(CounterTest, StartLineWritesLargePricesWithoutExponentPadding) {
  LogLevel = 2;
  TVolatilityResItem item(1, 0.0);
  item.IntervalValue = 500;
  item.ApplyNewQuote(0, 0, 1e20);
  EXPECT_EQ(LogBytes(),
            Line("TVolatilityResItem.ApplyNewQuote for  IntervalValue=500. aDayIndex=0; "
                 "aQuoteValue=1E020; StartContractPrice=1E20"));
}

}  // namespace
}  // namespace melquon
