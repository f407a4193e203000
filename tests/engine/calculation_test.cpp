#include "engine/calculation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "log/write_log.h"
#include "tests/support/log_sandbox.h"
#include "tests/support/recording_run_log.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

const TDateTime kJan12 = 39825.0;  // 12 January 2009
constexpr int kDays = 4;           // 12 to 15 January; the 14th has no file
constexpr int kLinesPerDay = 9000;

// Two contracts' ticks interleaved, a seeded random walk each, some lines in the skip window.
std::string DayText(int aDay) {
  std::string text = "TICKER;TIME;PRICE\r\n";
  std::uint64_t state = 0x9E3779B97F4A7C15ULL * static_cast<std::uint64_t>(aDay + 1);
  double rih = 150000.0;
  double sih = 30000.0;
  for (int line = 0; line < kLinesPerDay; ++line) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const int step = static_cast<int>(state >> 59) - 16;
    const int second = 10 * 3600 + line;
    const auto two = [](int aValue) {
      return std::string(aValue < 10 ? "0" : "") + std::to_string(aValue);
    };
    const std::string time =
        std::to_string(second / 3600) + ":" + two(second / 60 % 60) + ":" + two(second % 60);
    if (line == 100) {
      text += "RIH9;25:61:00;1\r\n";  // no time of day: reported and passed over
    }
    if (line % 3 == 0) {
      sih += step;
      text += "SIH9;" + time + ";" + std::to_string(static_cast<int>(sih)) + ".5\r\n";
    } else {
      rih += step * 10;
      text += "RIH9;" + time + ";" + std::to_string(static_cast<int>(rih)) + "\r\n";
    }
  }
  return text;
}

// An archive in a folder of its own and the snapshots of two different runs over it.
class CalculationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = (fs::temp_directory_path() / "melquon-run-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir_.data()), nullptr);
    fs::create_directory(dir_ + "/a");
    for (int day = 0; day < kDays; ++day) {
      if (day != 2) {
        std::ofstream(dir_ + "/a/01" + std::to_string(12 + day) + ".txt", std::ios::binary)
            << DayText(day);
      }
    }
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static TRunSnapshot Snapshot(const std::string& aContract, std::int32_t aFrom, std::int32_t aTo,
                               std::int32_t aStep) {
    TRunSnapshot snapshot;
    snapshot.Settings.ArchivePath = "a/";
    snapshot.Settings.DataFileTemplate = "$MM$DD.txt";
    snapshot.Settings.FindWhat = "^$CONTRACT;([\\d:]+);([\\d.]+)$";
    snapshot.Settings.ReplaceWith = "CONTRACT=$2&DT=$1";
    snapshot.IniFileName = dir_ + "/Melquon.ini";
    snapshot.CurrentYear = 2009;
    snapshot.Contract = aContract;
    std::tie(snapshot.IntervalFrom, snapshot.IntervalTo, snapshot.IntervalStep) =
        std::tuple(aFrom, aTo, aStep);
    std::tie(snapshot.DateFrom, snapshot.DateEnd) = std::pair(kJan12, kJan12 + kDays);
    return snapshot;
  }
  // RIH9 by 500 to 2000 points; SIH9 by 20 to 100, a skip window from 10:30 to 11:00.
  static TRunSnapshot First() { return Snapshot("RIH9", 500, 2000, 500); }
  static TRunSnapshot Second() {
    TRunSnapshot snapshot = Snapshot("SIH9", 20, 100, 20);
    snapshot.SkipIntervals.Items.emplace_back(37800000, 39600000);
    snapshot.Formats.DecimalSeparator = '.';
    return snapshot;
  }

  using Counts = std::vector<std::vector<std::int32_t>>;
  static Counts CountsOf(const TVolatilityRes& aResult) {
    Counts counts;
    for (const TVolatilityResItem& item : aResult.Items) {
      counts.push_back(item.ResultPerDays);
      counts.back().push_back(item.Result);
    }
    return counts;
  }

  static std::string dir_;
};

std::string CalculationTest::dir_;

// Each run keeps to its snapshot and its log: side by side on two threads they give what each
// gives alone, line for line.
TEST_F(CalculationTest, TwoRunsOnTwoThreadsGiveWhatEachGivesAlone) {
  // The second run writes its texts with a decimal point, as its log says.
  test::TRecordingRunLog firstLog, secondLog(2, Second().Formats);
  const Counts first = CountsOf(*TCalculation(First(), firstLog).Run());
  const Counts second = CountsOf(*TCalculation(Second(), secondLog).Run());
  ASSERT_EQ(first.size(), 4u);
  ASSERT_EQ(second.size(), 5u);
  EXPECT_GT(first[0].back(), 0);
  EXPECT_GT(second[0].back(), 0);
  EXPECT_NE(firstLog.Lines, secondLog.Lines);
  EXPECT_THAT(secondLog.Lines, testing::Contains(HasSubstr(".5; StartContractPrice=")));

  for (int round = 0; round < 3; ++round) {
    test::TRecordingRunLog firstAgain, secondAgain(2, Second().Formats);
    Counts firstCounts, secondCounts;
    std::thread one([&] { firstCounts = CountsOf(*TCalculation(First(), firstAgain).Run()); });
    std::thread two([&] { secondCounts = CountsOf(*TCalculation(Second(), secondAgain).Run()); });
    one.join();
    two.join();
    EXPECT_EQ(firstCounts, first);
    EXPECT_EQ(secondCounts, second);
    EXPECT_EQ(firstAgain.Lines, firstLog.Lines);
    EXPECT_EQ(secondAgain.Lines, secondLog.Lines);
  }
}

// The program's log gets through WriteLog exactly the lines a run reports, at every level.
TEST_F(CalculationTest, ProgramLogWritesEveryLineTheRunReports) {
  for (const std::int32_t level : {1, 2, 3}) {
    const test::LogSandbox sandbox(level);
    test::TRecordingRunLog recorded(level);
    TCalculation(First(), recorded).Run();
    TWriteLogRunLog programLog(FormatSettings{});
    TCalculation(First(), programLog).Run();
    std::string expected;
    for (const std::string& line : recorded.Lines) {
      expected += "05.03.2009 9:05:03 [7]   " + line.substr(2) + "\r\n";
    }
    std::ifstream in(LogFileName, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected) << level;
    EXPECT_THAT(recorded.Lines,
                testing::Contains("1|GetNextQuote exception '25:61:00' is not a valid date and "
                                  "time"));
    if (level >= 2) {
      EXPECT_EQ(recorded.Lines.front(), "2|Starting to calculate...");
      EXPECT_EQ(recorded.Lines.back(), "2|Calculating done");
    }
  }
}

TEST_F(CalculationTest, ProgressTellsEveryDayInOrderWithTheLinesReadBeforeIt) {
  test::TRecordingRunLog log;
  std::vector<std::tuple<std::int32_t, std::int32_t, TDateTime, std::uint64_t>> days;
  TCalculation(First(), log).Run([&](const TRunProgress& aDay) {
    days.emplace_back(aDay.DayIndex, aDay.DaysCount, aDay.Date, aDay.LinesRead);
  });
  constexpr std::uint64_t kLines = kLinesPerDay + 2;  // and the header and the bad line
  EXPECT_THAT(days, ElementsAreArray({std::tuple(0, kDays, kJan12, std::uint64_t{0}),
                                      std::tuple(1, kDays, kJan12 + 1, kLines),
                                      std::tuple(2, kDays, kJan12 + 2, 2 * kLines),
                                      std::tuple(3, kDays, kJan12 + 3, 2 * kLines)}));
}

// A run log that asks for a cancel at the first move counted on a given day.
class CancellingLog : public test::TRecordingRunLog {
 public:
  CancellingLog(TCancelToken& aToken, std::int32_t aDay) : token_(aToken), day_(aDay) {}
  void MoveCounted(const TCountedMove& aMove) override {
    if (aMove.DayIndex == day_ && !token_.Cancelled()) {
      token_.Cancel();
      CancelledAt = aMove.QuoteIndex;
    }
    TRecordingRunLog::MoveCounted(aMove);
  }
  std::int32_t CancelledAt = -1;

 private:
  TCancelToken& token_;
  std::int32_t day_;
};

// A cancelled run ends as a failed one: no result, no "Calculating done", nothing read after
// the next look at the token.
TEST_F(CalculationTest, CancelAtTheFirstDayMidDayOrTheLastDayLeavesNoResult) {
  const auto lastDayLine = [](const test::TRecordingRunLog& aLog) {
    std::string last;
    for (const std::string& line : aLog.Lines) {
      last = line.find("Calculating day") != std::string::npos ? line : last;
    }
    return last;
  };
  {
    TCancelToken token;
    token.Cancel();
    test::TRecordingRunLog log;
    EXPECT_THROW(TCalculation(First(), log).Run({}, &token), ERunCancelled);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"2|Starting to calculate..."}));
  }
  {
    TCancelToken token;
    CancellingLog log(token, 1);
    EXPECT_THROW(TCalculation(First(), log).Run({}, &token), ERunCancelled);
    ASSERT_GE(log.CancelledAt, 0);
    // The day is left at the next multiple of 4096 lines.
    const std::int32_t leftAt = (log.CancelledAt / 4096 + 1) * 4096;
    EXPECT_LT(leftAt, kLinesPerDay);
    for (const TCountedMove& move : log.Moves) {
      EXPECT_TRUE(move.DayIndex < 1 || (move.DayIndex == 1 && move.QuoteIndex < leftAt))
          << move.DayIndex << " " << move.QuoteIndex;
    }
    EXPECT_EQ(lastDayLine(log), "2|Calculating day 1 filename=a/0113.txt");
    EXPECT_THAT(log.Lines, Not(testing::Contains("2|Calculating done")));
  }
  {
    TCancelToken token;
    test::TRecordingRunLog log;
    EXPECT_THROW(TCalculation(First(), log)
                     .Run(
                         [&](const TRunProgress& aDay) {
                           if (aDay.DayIndex == kDays - 1)
                             token.Cancel();
                         },
                         &token),
                 ERunCancelled);
    EXPECT_EQ(lastDayLine(log), "2|Calculating day 2 filename=a/0114.txt");
    EXPECT_THAT(log.Lines, Not(testing::Contains("2|Calculating done")));
  }
}

}  // namespace
}  // namespace melquon
