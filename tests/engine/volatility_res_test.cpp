#include "engine/volatility_res.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "log/write_log.h"
#include "runtime/formats.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

class ResultSetTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-result-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    RegionalFormats() = FormatSettings{};
    LogFileName = (dir_ / "Melquon.log").string();
    LogLevel = 0;
    SetLogClock([] { return LocalDateTime{CalendarDate{2009, 3, 5}, ClockTime{0, 0, 0, 42}}; });
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

// The set as a run builds it from an interval range.
TVolatilityRes ForRange(std::int32_t from, std::int32_t to, std::int32_t step,
                        std::int32_t days = 3) {
  return TVolatilityRes(days, 39876.0, from, step, (to - from) / step + 1);
}

std::vector<std::int32_t> IntervalValues(const TVolatilityRes& set) {
  std::vector<std::int32_t> values;
  for (std::int32_t i = 0; i < set.Count(); ++i) {
    values.push_back(set[i].IntervalValue);
  }
  return values;
}

std::vector<std::int32_t> Sequence(std::int32_t first, std::int32_t last, std::int32_t step) {
  std::vector<std::int32_t> values;
  for (std::int32_t v = first; step > 0 ? v <= last : v >= last; v += step) {
    values.push_back(v);
  }
  return values;
}

struct RangeCase {
  std::int32_t from;
  std::int32_t to;
  std::int32_t step;
  std::vector<std::int32_t> values;
};

TEST_F(ResultSetTest, OneCounterPerIntervalValueInOrder) {
  const RangeCase cases[] = {
      {500, 2000, 100, Sequence(500, 2000, 100)},
      {500, 1950, 100, Sequence(500, 1900, 100)},
      {2000, 1950, 100, {2000}},
      {2000, 500, 100, {}},
      {2000, 500, -100, Sequence(2000, 500, -100)},
      {-100, 100, 100, {-100, 0, 100}},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << ".." << c.to << " step " << c.step);
    const TVolatilityRes set = ForRange(c.from, c.to, c.step);
    EXPECT_EQ(IntervalValues(set), c.values);
    EXPECT_EQ(set.Count(), static_cast<std::int32_t>(c.values.size()));
  }
  EXPECT_EQ(ForRange(500, 2000, 100).Count(), 16);
  EXPECT_EQ(ForRange(2000, 500, -100).Count(), 16);
}

TEST_F(ResultSetTest, IntervalValuesWrapIn32Bits) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const TVolatilityRes set(1, 0.0, max - 1, 1, 3);
  EXPECT_EQ(IntervalValues(set),
            (std::vector<std::int32_t>{max - 1, max, std::numeric_limits<std::int32_t>::min()}));
}

TEST_F(ResultSetTest, CountersShareDaysAndStartDate) {
  const TVolatilityRes set = ForRange(500, 700, 100, 4);
  EXPECT_EQ(set.DaysCount, 4);
  EXPECT_EQ(set.StartDate, 39876.0);
  for (const TVolatilityResItem& item : set.Items) {
    EXPECT_EQ(item.DaysCount, 4);
    EXPECT_EQ(item.StartDate, 39876.0);
    EXPECT_EQ(item.ResultPerDays.size(), 4u);
  }
}

TEST_F(ResultSetTest, NoDaysGivesCountersWithoutPerDayStorage) {
  for (const std::int32_t days : {0, -5}) {
    const TVolatilityRes set = ForRange(500, 2000, 100, days);
    EXPECT_EQ(set.DaysCount, days);
    ASSERT_EQ(set.Count(), 16);
    for (const TVolatilityResItem& item : set.Items) {
      EXPECT_TRUE(item.ResultPerDays.empty());
    }
  }
}

TEST_F(ResultSetTest, EveryCounterCountsTheSameQuotes) {
  TVolatilityRes set = ForRange(500, 2000, 100);
  set.ApplyNewQuote(0, 0, 150000);
  set.ApplyNewQuote(0, 1, 152000);
  set.ApplyNewQuote(2, 2, 150400);
  // Falls of 1600 from the multiple of each interval at or below 152000.
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
      {500, 3}, {600, 2}, {700, 2}, {800, 2}, {1000, 1}, {1600, 1}, {1700, 0}, {2000, 0}};
  for (const auto& [interval, count] : expected) {
    const TVolatilityResItem& item = set[(interval - 500) / 100];
    ASSERT_EQ(item.IntervalValue, interval);
    EXPECT_EQ(item.Result, count) << "interval " << interval;
    EXPECT_EQ(item.ResultPerDays, (std::vector<std::int32_t>{0, 0, count}))
        << "interval " << interval;
  }
}

const char* const kStamp = "05.03.2009 [42]  ";

TEST_F(ResultSetTest, QuoteReachesCountersInOrderAfterTheSetsTrace) {
  LogLevel = 3;
  TVolatilityRes set = ForRange(500, 600, 100);
  set.ApplyNewQuote(1, 9, 150000.5);
  const std::string counterTrace = ". aDayIndex=1; aQuoteValue=150000,5";
  std::string expected =
      std::string(kStamp) + "TVolatilityRes.ApplyNewQuote aDayIndex=1; aQuoteValue=150000,5\r\n";
  for (const char* interval : {"500", "600"}) {
    const std::string trace = std::string("TVolatilityResItem.ApplyNewQuote for  IntervalValue=") +
                              interval + counterTrace;
    expected += kStamp + trace + "\r\n";
    expected += kStamp + trace + "; StartContractPrice=150000,5\r\n";
  }
  EXPECT_EQ(LogBytes(), expected);
}

TEST_F(ResultSetTest, EmptySetOnlyWritesItsTrace) {
  LogLevel = 3;
  TVolatilityRes set = ForRange(2000, 500, 100);
  set.ApplyNewQuote(0, 0, 150000);
  EXPECT_EQ(LogBytes(), std::string(kStamp) +
                            "TVolatilityRes.ApplyNewQuote aDayIndex=0; aQuoteValue=150000\r\n");
}

TEST_F(ResultSetTest, TraceIsNotWrittenAtLevel2) {
  LogLevel = 2;
  TVolatilityRes set = ForRange(2000, 500, 100);
  set.ApplyNewQuote(0, 0, 150000);
  EXPECT_FALSE(fs::exists(LogFileName));
}

}  // namespace
}  // namespace melquon
