#include "engine/volatility_res.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <span>
#include <sstream>
#include <tuple>

#include "engine/counter_schedule.h"
#include "runtime/formats.h"
#include "samples/split_mix64.h"
#include "tests/support/process_locale.h"
#include "tests/support/recording_run_log.h"

namespace melquon {
namespace {

using Counts = std::vector<std::int32_t>;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
// Counters report to a run log of their own in the home formats; tests that don't look at
// it keep nothing.
class CounterTest : public testing::Test {};

test::TRecordingRunLog gQuiet(0);

// A price of a test table in C notation, read the same way in every locale.
double Price(const std::string& aWord) {
  double price = 0.0;
  std::from_chars(aWord.data(), aWord.data() + aWord.size(), price);
  return price;
}

// The quotes of a run of two days, "|" starting the next day.
TVolatilityResItem Feed(std::int32_t interval, const std::string& quotes, std::int32_t days = 2,
                        TRunLog& log = gQuiet) {
  TVolatilityResItem item(days, 39000.0);
  item.IntervalValue = interval;
  item.AttachLog(log);
  std::istringstream words(quotes);
  std::int32_t day = 0, quoteIndex = 0;
  for (std::string word; words >> word;) {
    word == "|" ? void(++day) : item.ApplyNewQuote(day, quoteIndex++, Price(word));
  }
  return item;
}

// Each case is interval, price, level. Quotients are truncated toward zero and clamped to 32
// bits; k * I is a 32-bit product.
TEST(GetIntervalLevelTest, MultiplesAtOrBelowAndStrictlyAbove) {
  const double down[][3] = {
      {500, 151230, 151000}, {500, 149000, 149000},  {500, 499.99, 0}, {100, 1500, 1500},
      {500, -1230, -1000},   {-500, 151230, 151000}, {0, 151230, 0},   {100000, 3e9, -1294967296.0},
      {1, 1e20, kInt32Max},  {1, -1e20, kInt32Min},  {1, kNan, 0}};
  const double up[][3] = {{500, 151230, 151500}, {500, 149000, 149500}, {500, 0, 500},
                          {100, 500, 600},       {500, -1230, -500},    {0, 151230, 0},
                          {1, 1e20, kInt32Min}};
  using Rows = std::span<const double[3]>;
  for (const bool isDown : {true, false}) {
    for (const auto& [interval, price, level] : isDown ? Rows(down) : Rows(up)) {
      EXPECT_EQ(GetIntervalLevel(static_cast<std::int32_t>(interval), isDown, price), level)
          << interval << (isDown ? " down " : " up ") << price;
    }
  }
}

TEST_F(CounterTest, CountsClosedPositions) {
  const struct {
    std::int32_t interval;
    const char* quotes;
    Counts perDay;
    double high, low;
  } cases[] = {
      {500, "150000 151230 150700", {0, 0}, 151230, 150000},         // short of a whole interval
      {500, "150000 151230 150700 150450", {1, 0}, 150450, 150000},  // from the high's multiple
      {500, "150000 152000 150400", {3, 0}, 150400, 150000},         // several at once
      {500, "150000 151000 150500", {1, 0}, 150500, 150000},         // high on a multiple
      {500, "150000 149000 149600 149999", {0, 0}, 150000, 149000},  // rise from the next one up
      {500, "150000 149000 149600 149999 150000", {1, 0}, 150000, 150000},
      {500, "150000 149100 149700 | 150020", {0, 1}, 150020, 150020},  // booked on its own day
      {500, "150000 149000 148000", {0, 0}, 150000, 148000},  // no fall while the high is the start
      {100, "1000 500 1500", {9, 0}, 1500, 1500},             // a new high completing a rise
      {100, "1000 500 1500 1200 | 1100", {12, 1}, 1100, 1100},  // both sides in turn
      {500, "0 150000 151000 150500", {1, 0}, 150500, 150000},  // a first 0.0 starts nothing
      {500, "150000 151000 151000", {0, 0}, 151000, 150000},
      {500, "150000 149000 149000", {0, 0}, 150000, 149000},
      {-500, "150000 152000 150400 148000 | 151000", {0, 0}, 152000, 148000},
      {0, "150000 152000 150400 148000 | 151000", {0, 0}, 152000, 148000},
  };
  for (const auto& c : cases) {
    const TVolatilityResItem item = Feed(c.interval, c.quotes);
    EXPECT_EQ(
        std::tuple(item.ResultPerDays, item.Result, item.MaxContractPrice, item.MinContractPrice),
        std::tuple(c.perDay, c.perDay[0] + c.perDay[1], c.high, c.low))
        << c.interval << ": " << c.quotes;
  }
}

TEST_F(CounterTest, IgnoresQuotesOutsideItsDaysAndStopsAtTheLargest32BitCount) {
  TVolatilityResItem item = Feed(500, "150000 152000");
  for (const std::int32_t day : {-1, 2, kInt32Max, kInt32Min}) {
    item.ApplyNewQuote(day, 0, 140000);
  }
  EXPECT_EQ(std::pair(item.Result, item.MinContractPrice), std::pair(0, 150000.0));
  for (const std::int32_t days : {0, -1, kInt32Min}) {
    const TVolatilityResItem none = Feed(500, "150000", days);
    EXPECT_EQ(std::pair(none.ResultPerDays, none.StartContractPrice), std::pair(Counts{}, 0.0));
  }
  // The rise from 5 counts a clamped quotient; the following fall would pass the limit.
  item = Feed(1, "10 5 5e9 | 4");
  EXPECT_EQ(std::pair(item.ResultPerDays, item.Result),
            std::pair(Counts{kInt32Max, kInt32Max - 4}, kInt32Max));
}

// Day 0: start, a new high, a fall of one interval; day 1: a further fall, then a rise. The
// trace of every quote is written at level 3, the counters' events at level 2.
TEST_F(CounterTest, LogLinesAtEachLevel) {
  const std::string trace = "TVolatilityResItem.ApplyNewQuote for  IntervalValue=500. aDayIndex=";
  const std::pair<std::int32_t, std::string> lines[] = {
      {3, trace + "0; aQuoteValue=150000,25"},
      {2, trace + "0; aQuoteValue=150000,25; StartContractPrice=150000,25"},
      {3, trace + "0; aQuoteValue=151230"},
      {3, trace + "0; aQuoteValue=150450"},
      {2,
       "\r\nFixing RV by descending moving. IntervalValue=500; aDayIndex=0; aQuoteValue=150450; "
       "QuoteIndex=2; Delta=1; \r\nold MaxContractPrice=151230; new MaxContractPrice=150450; "
       "new ResultPerDays^[0]=1; new common Result=1"},
      {3, trace + "1; aQuoteValue=149100"},
      {2,
       "\r\nFixing RV by descending moving. IntervalValue=500; aDayIndex=1; aQuoteValue=149100; "
       "QuoteIndex=3; Delta=1; \r\nold MaxContractPrice=150450; new MaxContractPrice=149100; "
       "new ResultPerDays^[1]=1; new common Result=2"},
      {3, trace + "1; aQuoteValue=150020"},
      {2,
       "\r\nFixing RV by ascending moving. IntervalValue=500; aDayIndex=1; aQuoteValue=150020;  "
       "QuoteIndex=4 Delta=1; \r\nold MinConrtactPrice=149100; new MinContractPrice=150020; "
       "new ResultPerDays^[1]=2"},
  };
  for (const std::int32_t level : {3, 2, 1}) {
    test::TRecordingRunLog log(level);
    Feed(500, "150000.25 151230 150450 | 149100 150020", 2, log);
    std::vector<std::string> expected;
    for (const auto& [lineLevel, text] : lines) {
      if (lineLevel <= level) {
        expected.push_back(std::to_string(lineLevel) + "|" + text);
      }
    }
    EXPECT_EQ(log.Lines, expected) << "level " << level;
    // The moves themselves reach the log whatever its level.
    ASSERT_EQ(log.Moves.size(), 3u);
    EXPECT_EQ(log.Moves[2], (TCountedMove{500, 1, 4, 150020, false, 1, 149100, 150020, 2, 3}));
  }
  // A price written with %g, and then without a format string.
  test::TRecordingRunLog log(2);
  Feed(500, "1e20", 2, log);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"2|" + trace +
                                                 "0; aQuoteValue=1E020; StartContractPrice=1E20"}));
}

// The window switches the C library to the user's locale; the counters' lines don't change.
class CounterLogInLocaleTest : public testing::TestWithParam<const char*> {};

TEST_P(CounterLogInLocaleTest, WritesTheHomeTexts) {
  const test::ScopedProcessLocale locale(GetParam());
  if (!locale.Active()) {
    GTEST_SKIP() << "the locale " << GetParam() << " is not installed";
  }
  test::TRecordingRunLog log(2);
  Feed(500, "150000.25 151230.5 150450", 2, log);
  EXPECT_EQ(log.Lines,
            (std::vector<std::string>{
                "2|TVolatilityResItem.ApplyNewQuote for  IntervalValue=500. aDayIndex=0; "
                "aQuoteValue=150000,25; StartContractPrice=150000,25",
                "2|\r\nFixing RV by descending moving. IntervalValue=500; aDayIndex=0; "
                "aQuoteValue=150450; QuoteIndex=2; Delta=1; \r\nold MaxContractPrice=151230,5; "
                "new MaxContractPrice=150450; new ResultPerDays^[0]=1; new common Result=1"}));
}

INSTANTIATE_TEST_SUITE_P(UserLocales, CounterLogInLocaleTest, testing::ValuesIn(test::kUserLocales),
                         [](const auto& aInfo) { return test::LocaleTestName(aInfo.param); });

// A range as a run builds it: from, step and the number of interval values.
TVolatilityRes ForRange(std::int32_t from, std::int32_t to, std::int32_t step,
                        std::int32_t days = 3) {
  return TVolatilityRes(days, 39876.0, from, step, (to - from) / step + 1);
}

Counts IntervalValues(const TVolatilityRes& set) {
  Counts values;
  for (const TVolatilityResItem& item : set.Items) {
    values.push_back(item.IntervalValue);
    EXPECT_EQ(std::tuple(item.DaysCount, item.StartDate, item.ResultPerDays),
              std::tuple(set.DaysCount, set.StartDate, Counts(std::max(set.DaysCount, 0), 0)));
  }
  return values;
}

TEST_F(CounterTest, ResultSetHasOneCounterPerIntervalValueInOrder) {
  const struct {
    std::int32_t from, to, step, days;
    Counts values;
  } cases[] = {
      {500, 1950, 500, 4, {500, 1000, 1500}},
      {2000, 1950, 100, 0, {2000}},
      {2000, 500, 100, 3, {}},
      {2000, 500, -500, -5, {2000, 1500, 1000, 500}},
      {-100, 100, 100, 3, {-100, 0, 100}},
  };
  for (const auto& c : cases) {
    const TVolatilityRes set = ForRange(c.from, c.to, c.step, c.days);
    EXPECT_EQ(IntervalValues(set), c.values) << c.from << ".." << c.to << " step " << c.step;
    EXPECT_EQ(std::pair(set.DaysCount, set.StartDate), std::pair(c.days, 39876.0));
  }
  EXPECT_EQ(IntervalValues(ForRange(500, 2000, 100)),
            (Counts{500, 600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800,
                    1900, 2000}));
  EXPECT_EQ(IntervalValues(TVolatilityRes(1, 0.0, kInt32Max - 1, 1, 3)),
            (Counts{kInt32Max - 1, kInt32Max, kInt32Min}));  // 32-bit, wrapping
}

TEST_F(CounterTest, ResultSetHandsEveryQuoteToEveryCounterInOrder) {
  TVolatilityRes set = ForRange(500, 2000, 100);
  set.AttachLog(gQuiet);
  set.ApplyNewQuote(0, 0, 150000);
  set.ApplyNewQuote(0, 1, 152000);
  set.ApplyNewQuote(2, 2, 150400);
  // Falls of 1600 from the multiple of each interval at or below 152000.
  const std::pair<std::int32_t, std::int32_t> expected[] = {
      {500, 3}, {600, 2}, {700, 2}, {800, 2}, {1000, 1}, {1600, 1}, {1700, 0}, {2000, 0}};
  for (const auto& [interval, count] : expected) {
    const TVolatilityResItem& item = set[(interval - 500) / 100];
    EXPECT_EQ(std::tuple(item.IntervalValue, item.ResultPerDays, item.Result),
              std::tuple(interval, Counts{0, 0, count}, count));
  }
  test::TRecordingRunLog traced(3), counted(2);
  const auto attached = [](TVolatilityRes aSet, TRunLog& aLog) {
    aSet.AttachLog(aLog);
    return aSet;
  };
  attached(ForRange(500, 600, 100), traced).ApplyNewQuote(1, 9, 150000.5);
  attached(ForRange(2000, 500, 100), traced).ApplyNewQuote(0, 0, 150000);  // only its trace
  attached(ForRange(2000, 500, 100), counted).ApplyNewQuote(0, 0, 150000);
  std::vector<std::string> expectedLines{
      "3|TVolatilityRes.ApplyNewQuote aDayIndex=1; aQuoteValue=150000,5"};
  for (const char* interval : {"500", "600"}) {
    const std::string trace = std::string("TVolatilityResItem.ApplyNewQuote for  IntervalValue=") +
                              interval + ". aDayIndex=1; aQuoteValue=150000,5";
    expectedLines.push_back("3|" + trace);
    expectedLines.push_back("2|" + trace + "; StartContractPrice=150000,5");
  }
  expectedLines.push_back("3|TVolatilityRes.ApplyNewQuote aDayIndex=0; aQuoteValue=150000");
  EXPECT_EQ(traced.Lines, expectedLines);
  EXPECT_TRUE(counted.Lines.empty());
}

// The counting steps written out literally: the level worked out from the extreme on every
// quote and the distance divided on every quote, with no cache and no early way out.
struct LiteralCounter {
  std::int32_t interval;
  std::vector<std::int32_t> perDay;
  std::int32_t result = 0;
  double start = 0.0, high = 0.0, low = 0.0;

  static std::int32_t Whole(double aDelta, std::int32_t aInterval) {
    return aDelta < 0 ? 0 : static_cast<std::int32_t>(std::trunc(aDelta / aInterval));
  }
  void Count(std::int32_t aDay, std::int32_t aCount) {
    perDay[static_cast<std::size_t>(aDay)] += aCount;
    result += aCount;
  }
  void Apply(std::int32_t aDay, double aPrice) {
    if (start == 0.0) {
      start = high = low = aPrice;
      return;
    }
    if (aPrice > high) {
      high = aPrice;
    } else if (high > start) {
      const std::int32_t n = Whole(GetIntervalLevel(interval, true, high) - aPrice, interval);
      if (n > 0) {
        Count(aDay, n);
        high = aPrice;
      }
    }
    if (aPrice < low) {
      low = aPrice;
    } else if (low < start) {
      const std::int32_t n = Whole(aPrice - GetIntervalLevel(interval, false, low), interval);
      if (n > 0) {
        Count(aDay, n);
        low = aPrice;
      }
    }
  }
};

// The counter keeps the level of its extremes and divides only when a whole interval can be
// there; over thousands of seeded price walks it counts what the literal steps count.
TEST(FastPathTest, CounterCountsWhatTheLiteralStepsCount) {
  SplitMix64 random(37);
  std::int64_t counted = 0;
  for (int walk = 0; walk < 2000; ++walk) {
    const auto interval = static_cast<std::int32_t>(
        random.Below(4) == 0 ? random.Between(1, 10) : random.Between(100, 3000));
    constexpr std::int32_t kDays = 3;
    TVolatilityResItem item(kDays, 39000.0);
    item.IntervalValue = interval;
    item.AttachLog(gQuiet);
    LiteralCounter literal{interval, std::vector<std::int32_t>(kDays, 0)};
    // Prices in whole points, in tenths, or exactly on multiples of the interval.
    const int kind = static_cast<int>(random.Below(3));
    double price = 100000.0 + static_cast<double>(random.Below(20000));
    for (int quote = 0; quote < 300; ++quote) {
      const double step = static_cast<double>(random.Between(-3, 3)) * interval / 2.0 +
                          static_cast<double>(random.Between(-50, 50)) / (kind == 1 ? 10.0 : 1.0);
      price = kind == 2 ? std::round((price + step) / interval) * interval : price + step;
      const auto day = static_cast<std::int32_t>(quote * kDays / 300);
      item.ApplyNewQuote(day, quote, price);
      literal.Apply(day, price);
    }
    ASSERT_EQ(std::tuple(item.ResultPerDays, item.Result, item.MaxContractPrice,
                         item.MinContractPrice, item.StartContractPrice),
              std::tuple(literal.perDay, literal.result, literal.high, literal.low, literal.start))
        << "walk " << walk << " interval " << interval;
    counted += item.Result;
  }
  EXPECT_GT(counted, 10000);
}

}  // namespace
}  // namespace melquon

namespace melquon {
namespace {

// Prices for the quiet band: walks with repeats, steps of a point down to 1/10000, and now and then
// a jump far away, a zero, a negative price or a quote for a day outside the run.
struct BandWalk {
  std::int32_t from, step, count, days;
  std::vector<std::pair<std::int32_t, double>> quotes;  // day, price
};

BandWalk RandomBandWalk(SplitMix64& aRandom) {
  BandWalk walk;
  walk.step = static_cast<std::int32_t>(aRandom.Below(3) == 0 ? 1 : aRandom.Between(-50, 400));
  walk.from = static_cast<std::int32_t>(aRandom.Between(-20, 1500));
  // A few counters share one band, many are visited by their own.
  const std::int64_t size = aRandom.Below(8);
  walk.count = static_cast<std::int32_t>(size == 0  ? aRandom.Between(500, 2000)
                                         : size < 3 ? aRandom.Between(41, 200)
                                                    : aRandom.Between(0, 40));
  walk.days = static_cast<std::int32_t>(aRandom.Between(1, 4));
  // Some walks are long enough for the band to be left out for a while and taken up again, or,
  // with many counters, for most counters to be passed over for long and the busiest to be
  // handed every quote for a while.
  const int quotes = walk.count > 100         ? (aRandom.Below(4) == 0 ? 3000 : 150)
                     : aRandom.Below(10) == 0 ? 3000
                                              : 600;
  constexpr double kTicks[] = {1.0, 10.0, 100.0, 10000.0};
  const double tick = kTicks[aRandom.Below(4)];
  const double drift =
      aRandom.Below(3) == 0 ? static_cast<double>(aRandom.Between(-60, 60)) / tick : 0.0;
  // Half the walks stay positive and never jump, as real prices do.
  const bool plain = aRandom.Below(2) == 0;
  double price = static_cast<double>(aRandom.Between(plain ? 1000 : -2000, 200000));
  for (int i = 0; i < quotes; ++i) {
    const std::int64_t kind = aRandom.Below(100);
    if (kind < 30) {
      // the same price again
    } else if (kind < 32 && !plain) {
      price = kind == 30 ? 0.0 : -price;
    } else if (kind < 34 && !plain) {
      price += static_cast<double>(aRandom.Between(-100000, 100000));
    } else {
      price += static_cast<double>(aRandom.Between(-300, 300)) / tick + drift;
      price = plain && price <= 0.0 ? 1.0 - price : price;
    }
    const auto day =
        static_cast<std::int32_t>(aRandom.Below(50) == 0 ? walk.days : i * walk.days / quotes);
    walk.quotes.emplace_back(day, price);
  }
  return walk;
}

// The result set that passes over prices in its quiet band counts, and reports in the same
// order, what the plain sweep of every counter on every quote does.
TEST(FastPathTest, QuietBandSkipsOnlyWhatChangesNoCounter) {
  SplitMix64 random(2024);
  std::int64_t skipped = 0, moves = 0;
  // Repeated prices where a repeat still changes counters: zeros before any other price (each
  // starts the counters again) and prices whose levels are clamped (each counts again).
  const std::vector<BandWalk> edgeWalks{
      {1, 1, 64, 1, {{0, 0.0}, {0, 0.0}, {0, 0.0}, {0, 150000.0}, {0, 150000.0}}},
      {500, 7, 64, 1, {{0, 5e9}, {0, 4e9}, {0, 4e9}, {0, 4e9}, {0, -1e12}, {0, -1e12}, {0, 1.0}}},
      {1, 1, 64, 2, {{0, 1500.0}, {0, 1490.0}, {2, 1480.0}, {2, 1480.0}, {1, 1480.0}}}};
  for (int walkIndex = 0; walkIndex < 400 + static_cast<int>(edgeWalks.size()); ++walkIndex) {
    // Half the walks look at the members of a block two at a time, half four at a time where
    // the processor can.
    TCounterSchedule::AllowWideScan(walkIndex % 2 == 0);
    const BandWalk walk = walkIndex < 400 ? RandomBandWalk(random)
                                          : edgeWalks[static_cast<std::size_t>(walkIndex - 400)];
    TVolatilityRes banded(walk.days, 39000.0, walk.from, walk.step, walk.count);
    TVolatilityRes swept(walk.days, 39000.0, walk.from, walk.step, walk.count);
    test::TRecordingRunLog bandedLog(2), sweptLog(2);
    banded.AttachLog(bandedLog);
    swept.AttachLog(sweptLog);
    std::int32_t quoteIndex = 0;
    for (const auto& [day, price] : walk.quotes) {
      const std::size_t before = bandedLog.Lines.size();
      banded.ApplyNewQuote(day, quoteIndex, price);
      // Folding the passed-over prices into the counters midway changes nothing.
      if (random.Below(500) == 0)
        banded.SettleExtremes();
      for (TVolatilityResItem& item : swept.Items)
        item.ApplyNewQuote(day, quoteIndex, price);
      skipped += bandedLog.Lines.size() == before ? 1 : 0;
      ++quoteIndex;
    }
    ASSERT_EQ(bandedLog.Lines, sweptLog.Lines) << "walk " << walkIndex;
    banded.SettleExtremes();
    for (std::int32_t i = 0; i < walk.count; ++i) {
      const TVolatilityResItem& a = banded[i];
      const TVolatilityResItem& b = swept[i];
      ASSERT_EQ(std::tuple(a.ResultPerDays, a.Result, a.StartContractPrice, a.MaxContractPrice,
                           a.MinContractPrice),
                std::tuple(b.ResultPerDays, b.Result, b.StartContractPrice, b.MaxContractPrice,
                           b.MinContractPrice))
          << "walk " << walkIndex << " counter " << i;
    }
    moves += static_cast<std::int64_t>(sweptLog.Moves.size());
  }
  TCounterSchedule::AllowWideScan(true);
  // The walks count plenty, and plenty of their quotes change nothing.
  EXPECT_GT(moves, 20000);
  EXPECT_GT(skipped, 50000);
}

}  // namespace
}  // namespace melquon
