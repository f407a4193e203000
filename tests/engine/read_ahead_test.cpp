// Days read ahead on other threads are counted exactly as days read and counted on one: the
// same log lines in the same order, the same counts and summary, the same failure at the same
// day, whatever the number of threads.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "engine/calculation.h"
#include "engine/day_figures.h"
#include "engine/line_explainer.h"
#include "engine/move_table.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"
#include "samples/split_mix64.h"
#include "tests/support/recording_run_log.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

const TDateTime kFirstDay = 39825.0;  // 12 January 2009
constexpr int kDays = 10;
constexpr std::int32_t kThreadCounts[] = {2, 7};

// A seeded walk of one contract among others' ticks, with what real exports hold besides:
// header and empty lines, times of day that are no times, Cyrillic text, bad prices.
std::string DayText(std::uint64_t aSeed, int aLines) {
  SplitMix64 random(aSeed);
  std::string text = "Тикер;Время;Цена\r\n";
  int price = 150000;
  for (int line = 0; line < aLines; ++line) {
    const int second = 36000 + line % 30000;
    const std::string time = std::to_string(second / 3600) + ":" +
                             std::to_string(10 + second / 60 % 50) + ":" +
                             std::to_string(10 + second % 50);
    price += random.Between(-60, 60) * 10;
    // The last line before the first look at the token is reported before that look.
    if (line + 1 == 4095) {
      text += "RIH9;25:61:00;1\r\n";
      continue;
    }
    switch (random.Below(200)) {
      case 0:
        text += "\r\n";
        break;
      case 1:
        text += "RIH9;25:61:00;" + std::to_string(price) + "\r\n";
        break;
      case 2:
        text += "RIH9;" + time + ";1.2.3\r\n";
        break;
      case 3:
        text += "Тикер;Время;Цена\r\n";
        break;
      case 4:
        text += "RIH9;;" + std::to_string(price) + "\r\n";  // no time of day of its own
        break;
      default:
        text += (random.Below(3) == 0 ? "SIH9;" : "RIH9;") + time + ";" + std::to_string(price) +
                "\r\n";
    }
  }
  return text;
}

// Day files by day: a length in lines, or none (no file), or a FIFO in the file's place.
constexpr int kNoFile = -1;
constexpr int kFifo = -2;
constexpr int kDayLines[kDays] = {9000, kNoFile, 0, 13000, kFifo, 40, 70000, kNoFile, 5000, 8200};
// Day 6 is over 1 MB: the day that fails when the settings allow no more.
constexpr int kLargeDay = 6;

class ReadAheadTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = (fs::temp_directory_path() / "melquon-ahead-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir_.data()), nullptr);
    for (int day = 0; day < kDays; ++day) {
      const std::string name = dir_ + "/01" + std::to_string(12 + day) + ".txt";
      if (kDayLines[day] == kFifo) {
        ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
      } else if (kDayLines[day] != kNoFile) {
        std::ofstream(name, std::ios::binary) << DayText(day + 1, kDayLines[day]);
      }
    }
    ASSERT_GT(fs::file_size(dir_ + "/0118.txt"), 1u << 20);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static TRunSnapshot Snapshot(std::int32_t aThreads) {
    TRunSnapshot snapshot;
    snapshot.Settings.ArchivePath = "";
    snapshot.Settings.DataFileTemplate = "$MM$DD.txt";
    snapshot.Settings.FindWhat = "^$CONTRACT;([^;]*);(.*)$";
    snapshot.Settings.ReplaceWith = "CONTRACT=$2&DT=$1";
    snapshot.SkipIntervals.Items.emplace_back(40000000, 41000000);
    snapshot.IniFileName = dir_ + "/Melquon.ini";
    snapshot.CurrentYear = 2009;
    snapshot.Contract = "RIH9";
    std::tie(snapshot.IntervalFrom, snapshot.IntervalTo, snapshot.IntervalStep) =
        std::tuple(500, 2000, 500);
    std::tie(snapshot.DateFrom, snapshot.DateEnd) = std::pair(kFirstDay, kFirstDay + kDays);
    snapshot.Threads = aThreads;
    return snapshot;
  }

  // Everything a run leaves: its log, its moves, its counts, its summary, or what it raised.
  struct Outcome {
    std::vector<std::string> lines;
    std::vector<TCountedMove> moves;
    std::vector<std::vector<std::int32_t>> counts;
    std::string summary;
    std::string error;

    friend bool operator==(const Outcome&, const Outcome&) = default;
  };

  template <typename Log = test::TRecordingRunLog>
  static Outcome RunOf(const TRunSnapshot& aSnapshot, Log&& aLog = Log(3),
                       const TCancelToken* aCancel = nullptr, const RunProgress& aProgress = {}) {
    Outcome outcome;
    TCalculation run(aSnapshot, aLog);
    try {
      const auto result = run.Run(aProgress, aCancel);
      for (const TVolatilityResItem& item : result->Items) {
        outcome.counts.push_back(item.ResultPerDays);
        outcome.counts.back().push_back(item.Result);
      }
      const TRunSummary& s = run.Summary();
      outcome.summary =
          s.FirstDayFile + "|" + std::to_string(s.DayFiles) + "|" + std::to_string(s.Lines) + "|" +
          std::to_string(s.Quotes.Accepted) + "|" + std::to_string(s.Quotes.Skipped) + "|" +
          std::to_string(s.Quotes.Unreadable) + "|" + std::to_string(s.Quotes.NoPrice) + "|" +
          s.Quotes.FirstUnreadableDateTime + "|" + s.Quotes.FirstBadPrice;
      for (const std::string& line : s.FirstLines)
        outcome.summary += "|" + line;
    } catch (const std::exception& e) {
      outcome.error = typeid(e).name() + std::string(": ") + e.what();
    }
    outcome.lines = aLog.Lines;
    outcome.moves = aLog.Moves;
    return outcome;
  }

  static std::string dir_;
};

std::string ReadAheadTest::dir_;

TEST_F(ReadAheadTest, EveryThreadCountLogsCountsAndSumsUpAsOneThread) {
  const Outcome alone = RunOf(Snapshot(1));
  ASSERT_EQ(alone.error, "");
  // The archive gives every kind of line: unreadable times, days not found and not read.
  ASSERT_GT(alone.moves.size(), 100u);
  for (const char* expected :
       {"1|GetNextQuote exception", "1|File 0113.txt not exists.", "1|File 0116.txt not read."}) {
    EXPECT_TRUE(std::any_of(alone.lines.begin(), alone.lines.end(), [&](const std::string& aLine) {
      return aLine.starts_with(expected);
    })) << expected;
  }
  for (const std::int32_t threads : kThreadCounts) {
    const Outcome ahead = RunOf(Snapshot(threads));
    EXPECT_TRUE(ahead == alone) << threads << " threads";
  }
}

// The table of moves has one row for each counting log line, with the numbers of its move, the
// date of its day and the time of day written on its line; it and the day figures are the same
// for every thread count.
TEST_F(ReadAheadTest, TheTableOfMovesFollowsTheLogForEveryThreadCount) {
  const auto tables = [](std::int32_t aThreads, test::TRecordingRunLog& aLog) {
    std::string moves;
    TMoveTableWriter table([&moves](std::string_view aBytes) { moves += aBytes; });
    TDayFiguresCollector days;
    TRunObservers observers;
    observers.Add(table);
    observers.Add(days);
    TCalculation run(Snapshot(aThreads), aLog);
    run.Observe(&observers);
    run.Run();
    std::int64_t ticks = 0;
    for (const TDayFigures& day : days.Days())
      ticks += day.Ticks;
    EXPECT_EQ(ticks, run.Summary().Quotes.Accepted);
    return std::pair(moves, DayFiguresCsv(days));
  };
  test::TRecordingRunLog log(2);
  const auto alone = tables(1, log);
  const std::vector<std::string> rows = SplitTextLines(alone.first);
  ASSERT_EQ(rows.size(), log.Moves.size() + 1);
  EXPECT_EQ(
      std::count_if(log.Lines.begin(), log.Lines.end(),
                    [](const std::string& aLine) { return aLine.starts_with("2|\r\nFixing RV"); }),
      static_cast<std::ptrdiff_t>(log.Moves.size()));
  std::vector<std::vector<std::string>> dayLines(kDays);
  for (int day = 0; day < kDays; ++day) {
    if (kDayLines[day] > 0)
      dayLines[day] =
          SplitTextLines(ReadFileBytes(dir_ + "/01" + std::to_string(12 + day) + ".txt"));
  }
  std::size_t withoutTime = 0;
  for (std::size_t i = 0; i < log.Moves.size(); ++i) {
    const TCountedMove& move = log.Moves[i];
    const std::string& line = dayLines.at(static_cast<std::size_t>(move.DayIndex))
                                  .at(static_cast<std::size_t>(move.QuoteIndex));
    const std::string time = line.substr(5, line.find(';', 5) - 5);
    withoutTime += time.empty() ? 1 : 0;
    EXPECT_EQ(rows[i + 1],
              "2009-01-" + std::to_string(12 + move.DayIndex) + "," +
                  (time.empty() ? "" : time + ".000") + "," + std::to_string(move.QuoteIndex) +
                  "," + std::to_string(move.IntervalValue) + "," +
                  (move.Descending ? "down," : "up,") + std::to_string(move.Count) + "," +
                  ShortestFloatText(move.OldExtreme) + "," + ShortestFloatText(move.NewExtreme))
        << line;
  }
  EXPECT_GT(withoutTime, 0u);
  for (const std::int32_t threads : kThreadCounts) {
    test::TRecordingRunLog aheadLog(2);
    EXPECT_TRUE(tables(threads, aheadLog) == alone) << threads << " threads";
  }
}

// Each line's verdict, explained one line at a time, is what a run of the same day counts.
TEST_F(ReadAheadTest, ExplainedVerdictsAreTheRunsCounts) {
  TRunSnapshot day = Snapshot(1);
  day.DateEnd = day.DateFrom + 1.0;
  test::TRecordingRunLog log(0);
  TCalculation counted(day, log);
  counted.Run();
  TQuoteLines lines;
  lines.LoadFromFile(dir_ + "/0112.txt");
  const TLinesExplained explained = ExplainLines(day, lines, lines.Count());
  ASSERT_EQ(explained.Lines.size(), lines.Count());
  std::uint64_t verdicts[4] = {};
  for (const TExplainedLine& line : explained.Lines)
    ++verdicts[static_cast<int>(line.Verdict)];
  const TQuoteStats& runs = counted.Summary().Quotes;
  EXPECT_EQ(std::vector(std::begin(verdicts), std::end(verdicts)),
            (std::vector{runs.Accepted, runs.NoPrice, runs.Skipped, runs.Unreadable}));
  EXPECT_EQ(explained.Counts.Lines(), runs.Lines());
  EXPECT_TRUE(runs.Skipped > 0 && runs.Unreadable > 0 && runs.NoPrice > 0);
  // Only the first lines are explained; all are counted.
  const TLinesExplained first = ExplainLines(day, lines, 10);
  EXPECT_EQ(first.Lines.size(), 10u);
  EXPECT_EQ(first.Counts.Accepted, runs.Accepted);
}

// A day that fails fails the run there, after the days before it are counted and logged.
TEST_F(ReadAheadTest, AFailingDayFailsTheRunAtThatDayWithTheSameLog) {
  const auto failing = [](std::int32_t aThreads) {
    TRunSnapshot snapshot = Snapshot(aThreads);
    snapshot.Settings.MaxDayFileMB = 1;
    return snapshot;
  };
  const Outcome alone = RunOf(failing(1));
  ASSERT_NE(alone.error.find("MaxDayFileMB"), std::string::npos) << alone.error;
  EXPECT_EQ(alone.lines.back(), "3|File 0118.txt exists. Extracting Data...");
  for (const std::int32_t threads : kThreadCounts)
    EXPECT_TRUE(RunOf(failing(threads)) == alone) << threads << " threads";
}

// Asks for a cancel when the counting reaches a given day's first move.
class CancellingLog : public test::TRecordingRunLog {
 public:
  CancellingLog(TCancelToken& aToken, std::int32_t aDay, std::int32_t aThreshold = 3)
      : TRecordingRunLog(aThreshold), token_(aToken), day_(aDay) {}
  void MoveCounted(const TCountedMove& aMove) override {
    if (aMove.DayIndex == day_)
      token_.Cancel();
    TRecordingRunLog::MoveCounted(aMove);
  }

 private:
  TCancelToken& token_;
  std::int32_t day_;
};

TEST_F(ReadAheadTest, ACancelLeavesNoResultAndTheSameLogUpToIt) {
  for (const std::int32_t day : {0, kLargeDay}) {
    const auto cancelled = [day](std::int32_t aThreads) {
      TCancelToken token;
      return RunOf(Snapshot(aThreads), CancellingLog(token, day), &token);
    };
    const Outcome alone = cancelled(1);
    ASSERT_NE(alone.error.find("cancelled"), std::string::npos) << alone.error;
    EXPECT_TRUE(alone.counts.empty());
    for (const std::int32_t threads : kThreadCounts)
      EXPECT_TRUE(cancelled(threads) == alone) << threads << " threads, day " << day;
  }
}

// A day file read a piece at a time, as it is but where the detail lines are kept, counts, logs
// and stops at a cancel as it does read whole first, on one thread or many; the large day spans
// several pieces.
TEST_F(ReadAheadTest, ADayReadInPiecesCountsLogsAndStopsAsOneReadWhole) {
  const auto withoutDetail = [](Outcome aOutcome) {
    std::erase_if(aOutcome.lines, [](const std::string& aLine) { return aLine.starts_with("3|"); });
    return aOutcome;
  };
  const auto cancelled = [](std::int32_t aThreads, std::int32_t aThreshold) {
    TCancelToken token;
    return RunOf(Snapshot(aThreads), CancellingLog(token, kLargeDay, aThreshold), &token);
  };
  const Outcome whole = withoutDetail(RunOf(Snapshot(1)));
  const Outcome wholeCancelled = withoutDetail(cancelled(1, 3));
  ASSERT_NE(wholeCancelled.error.find("cancelled"), std::string::npos) << wholeCancelled.error;
  for (const std::int32_t threads : {1, 2, 7}) {
    EXPECT_TRUE(RunOf(Snapshot(threads), test::TRecordingRunLog(2)) == whole) << threads;
    EXPECT_TRUE(cancelled(threads, 2) == wholeCancelled) << threads;
  }
}

// A cancel from another thread while days are read ahead: the run ends without a result and the
// workers are stopped and joined before Run returns.
TEST_F(ReadAheadTest, ACancelFromOutsideStopsTheWorkers) {
  TCancelToken token;
  const Outcome outcome =
      RunOf(Snapshot(7), test::TRecordingRunLog(3), &token, [&](const TRunProgress& aDay) {
        if (aDay.DayIndex == 3)
          token.Cancel();
      });
  EXPECT_NE(outcome.error.find("cancelled"), std::string::npos) << outcome.error;
  EXPECT_TRUE(outcome.counts.empty());
  EXPECT_EQ(outcome.lines.back(), "3|No more quotes in 0114.txt");
}

}  // namespace
}  // namespace melquon
