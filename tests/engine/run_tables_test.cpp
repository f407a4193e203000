// The table of counted moves and the day figures of a small archive worked out by hand, on one
// thread and on two.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>

#include "engine/calculation.h"
#include "engine/day_figures.h"
#include "engine/move_table.h"
#include "tests/support/recording_run_log.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

const TDateTime kJan12 = 39825.0;  // 12 January 2009

// 12 January: another contract, a quote in the skip window, a line without a time; the 13th has
// no file; the 14th one quote.
constexpr std::string_view kJan12Text =
    "RIH9;10:00:00;100\r\n"
    "SIH9;10:00:01;5\r\n"
    "RIH9;10:30:00;500\r\n"
    "RIH9;10:50:00;102\r\n"
    "RIH9;;99\r\n"
    "RIH9;11:00:00;101\r\n";
constexpr std::string_view kJan14Text = "RIH9;12:00:00;50\r\n";

// Interval 1 starts at 100, its high 102 falls to 99 (3 intervals), its low 99 rises to 101
// (from the level 100: 1), the high 101 falls to 50 (51). Interval 2 counts the first fall once
// (from the level 102), the rise not (101 is below 100 + 2), the last fall from the level 100.
constexpr std::string_view kMoves =
    "date,time,line,interval,side,count,old_extreme,new_extreme\r\n"
    "2009-01-12,,4,1,down,3,102,99\r\n"
    "2009-01-12,,4,2,down,1,102,99\r\n"
    "2009-01-12,11:00:00.000,5,1,up,1,99,101\r\n"
    "2009-01-14,12:00:00.000,0,1,down,51,101,50\r\n"
    "2009-01-14,12:00:00.000,0,2,down,25,101,50\r\n";

// Realized variance 2² + 3² + 2²; Parkinson ln(102 / 99)² / (4 ln 2).
constexpr std::string_view kDayFigures =
    "date,ticks,first,high,low,last,range,realized_variance,parkinson\r\n"
    "2009-01-12,4,100,102,99,101,3,17,0.00032143224188558396\r\n"
    "2009-01-13,0,,,,,,,\r\n"
    "2009-01-14,1,50,50,50,50,0,0,0\r\n";

class RunTablesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = (fs::temp_directory_path() / "melquon-tables-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir_.data()), nullptr);
    std::ofstream(dir_ + "/0112.txt", std::ios::binary) << kJan12Text;
    std::ofstream(dir_ + "/0114.txt", std::ios::binary) << kJan14Text;
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static TRunSnapshot Snapshot(std::int32_t aThreads) {
    TRunSnapshot snapshot;
    snapshot.Settings.ArchivePath = "";
    snapshot.Settings.DataFileTemplate = "$MM$DD.txt";
    snapshot.Settings.FindWhat = "^$CONTRACT;([^;]*);(.*)$";
    snapshot.Settings.ReplaceWith = "CONTRACT=$2&DT=$1";
    snapshot.SkipIntervals.Items.emplace_back(10 * 3600000 + 15 * 60000, 10 * 3600000 + 45 * 60000);
    snapshot.IniFileName = dir_ + "/Melquon.ini";
    snapshot.CurrentYear = 2009;
    snapshot.Contract = "RIH9";
    std::tie(snapshot.IntervalFrom, snapshot.IntervalTo, snapshot.IntervalStep) =
        std::tuple(1, 2, 1);
    std::tie(snapshot.DateFrom, snapshot.DateEnd) = std::pair(kJan12, kJan12 + 3);
    snapshot.Threads = aThreads;
    return snapshot;
  }

  static std::string dir_;
};

std::string RunTablesTest::dir_;

TEST_F(RunTablesTest, MovesAndDayFiguresOfAHandWorkedArchive) {
  for (const std::int32_t threads : {1, 2}) {
    std::string moves;
    TMoveTableWriter table([&moves](std::string_view aBytes) { moves += aBytes; });
    TDayFiguresCollector days;
    TMoveRowsCollector firstRows(3);
    TRunObservers observers;
    observers.Add(table);
    observers.Add(days);
    observers.Add(firstRows);
    test::TRecordingRunLog log(1);
    TCalculation run(Snapshot(threads), log);
    run.Observe(&observers);
    run.Run();
    EXPECT_EQ(moves, kMoves) << threads << " threads";
    EXPECT_EQ(table.Rows(), 5);
    EXPECT_EQ(DayFiguresCsv(days), kDayFigures) << threads << " threads";
    EXPECT_EQ((std::vector{days.Days()[0].HasFile, days.Days()[1].HasFile, days.Days()[2].HasFile}),
              (std::vector{true, false, true}));
    // The window keeps the first rows and counts them all; it exports those it shows.
    EXPECT_EQ(firstRows.Total(), 5);
    EXPECT_EQ(MoveTableCsv(firstRows.DateFrom(), firstRows.Rows(), {0, 1, 2}),
              kMoves.substr(0, kMoves.find("2009-01-14")));
    EXPECT_EQ(MoveTableCsv(firstRows.DateFrom(), firstRows.Rows(), {2}),
              std::string(kMoveTableHeader) + "2009-01-12,11:00:00.000,5,1,up,1,99,101\r\n");
  }
}

}  // namespace
}  // namespace melquon
