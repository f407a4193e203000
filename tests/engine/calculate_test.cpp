#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "log/write_log.h"
#include "runtime/formats.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

// The stamp of every line under the fixed clock and the home formats.
constexpr const char* kStamp = "05.03.2009 9:05:03 [7]   ";

const TDateTime kJan12 = 39825.0;  // 12 January 2009

std::string ReadBytes(const fs::path& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& aPath, const std::string& aBytes) {
  std::ofstream(aPath, std::ios::binary) << aBytes;
}

std::string LogLines(const std::vector<std::string>& aLines) {
  std::string text;
  for (const std::string& line : aLines) {
    text += kStamp + line + "\r\n";
  }
  return text;
}

// A settings file and an archive of "CONTRACT;hh:mm:ss;price" lines in a fresh folder; the
// engine runs on it from a different current folder, so relative paths must resolve against
// the settings file.
class CalculateTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-calc-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fs::create_directory(dir_ / "archive");
    RegionalFormats() = FormatSettings{};
    SetLogClock([] { return LocalDateTime{CalendarDate{2009, 3, 5}, ClockTime{9, 5, 3, 7}}; });
    SetLogMessageBox([this](const std::string& aText) { boxes_.push_back(aText); });
    WriteSettings("^$CONTRACT;([\\d:]+);([\\d.]+)$");
  }

  void TearDown() override {
    StopEngine();
    SetLogClock({});
    SetLogMessageBox({});
    LogLevel = 3;
    LogFileName.clear();
    EXPECT_TRUE(boxes_.empty()) << boxes_.front();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  void WriteSettings(const std::string& aFindWhat) {
    WriteBytes(dir_ / "Melquon.ini",
               "[COMMON]\r\nArchivePath=archive/\r\nDataFileTemplate=D$YY$MM$DD.txt\r\n"
               "FindWhat=" +
                   aFindWhat +
                   "\r\nReplaceWith=CONTRACT=$2&DT=$1\r\n"
                   "[DEFAULT]\r\nContract=RIM9\r\n"
                   "[SKIP INTERVALS]\r\nSKIPSTART1=1400\r\nSKIPEND1=1403\r\n");
  }

  void WriteDay(const std::string& aName, const std::string& aBytes) {
    WriteBytes(dir_ / "archive" / aName, aBytes);
  }

  void Start() { StartEngine((dir_ / "Melquon.ini").string()); }

  std::string Log() const { return ReadBytes(dir_ / "Melquon.log"); }

  // No interval values: the days are still read and logged, and no counter adds lines.
  std::unique_ptr<TVolatilityRes> RunWithoutIntervals(const std::string& aContract, int aDays) {
    return Calculate(aContract, 2000, 500, kJan12, kJan12 + aDays, 100);
  }

  fs::path dir_;
  std::vector<std::string> boxes_;
};

TEST_F(CalculateTest, StartEngineNamesFilesBesideTheSettingsAndStartsTheLog) {
  WriteBytes(dir_ / "Melquon.log", "old contents");
  Start();
  const TEngine& engine = Engine();
  EXPECT_EQ(engine.ExePath, dir_.string() + "/");
  EXPECT_EQ(engine.IniFileName, (dir_ / "Melquon.ini").string());
  EXPECT_EQ(LogFileName, (dir_ / "Melquon.log").string());
  EXPECT_EQ(LogLevel, 2);
  EXPECT_EQ(Log(), LogLines({"Starting.."}));
  EXPECT_EQ(engine.Settings.Contract, "RIM9");
  EXPECT_EQ(engine.Settings.DataFileTemplate, "D$YY$MM$DD.txt");
  EXPECT_EQ(engine.SkipIntervals.Count(), 1u);
  EXPECT_EQ(engine.CurrentResult, nullptr);
  ASSERT_NE(engine.RegExp, nullptr);
  EXPECT_TRUE(engine.RegExp->Global);
  EXPECT_TRUE(engine.RegExp->IgnoreCase);
  EXPECT_TRUE(engine.RegExp->Multiline);
}

TEST_F(CalculateTest, StopEngineReleasesTheLongLivedObjectsAndAStartAfterwardsWorks) {
  Start();
  Engine().CurrentResult = RunWithoutIntervals("RIH9", 1);
  StopEngine();
  EXPECT_EQ(Engine().RegExp, nullptr);
  EXPECT_EQ(Engine().SkipIntervals.Count(), 0u);
  EXPECT_EQ(Engine().CurrentResult, nullptr);
  Start();
  EXPECT_EQ(Engine().SkipIntervals.Count(), 1u);
  EXPECT_NE(RunWithoutIntervals("RIH9", 1), nullptr);
}

TEST_F(CalculateTest, LoadSettingsRereadsTheFile) {
  Start();
  WriteBytes(dir_ / "Melquon.ini", "[DEFAULT]\r\nContract=SiH9\r\n");
  LoadSettings();
  EXPECT_EQ(Engine().Settings.Contract, "SiH9");
  EXPECT_EQ(Engine().Settings.ArchivePath, "c:\\");
  EXPECT_EQ(Engine().SkipIntervals.Count(), 0u);
}

TEST_F(CalculateTest, MissingDayKeepsItsIndexAndAnEmptyFileIsRead) {
  WriteDay("D090112.txt", "RIH9;10:30:00;150000\r\n");
  WriteDay("D090113.txt", "RIH9;10:30:00;150000\r\n");
  WriteDay("D090115.txt", "");
  WriteDay("D090116.txt", "RIH9;10:30:00;150000\r\n");
  Start();
  const auto result = RunWithoutIntervals("RIH9", 5);
  EXPECT_EQ(result->DaysCount, 5);
  EXPECT_EQ(result->StartDate, kJan12);
  EXPECT_EQ(Log(), LogLines({
                       "Starting to calculate...",
                       "Calculating day 0 filename=archive/D090112.txt",
                       "Calculating day 1 filename=archive/D090113.txt",
                       "Calculating day 2 filename=archive/D090114.txt",
                       "File archive/D090114.txt not exists.",
                       "Calculating day 3 filename=archive/D090115.txt",
                       "Calculating day 4 filename=archive/D090116.txt",
                       "Calculating done",
                   }));
}

TEST_F(CalculateTest, DetailLinesAppearOnlyAboveTheUsualThreshold) {
  WriteDay("D090112.txt", "header\r\nRIH9;10:30:00;150000\nlast line without an ending");
  WriteDay("D090113.txt", "");
  Start();
  LogLevel = 3;
  RunWithoutIntervals("NONE", 3);
  EXPECT_EQ(Log(), LogLines({
                       "Starting to calculate...",
                       "Total days to calculate:3",
                       "Calculating day 0 filename=archive/D090112.txt",
                       "File archive/D090112.txt exists. Extracting Data...",
                       "QuoteSL lines count =3",
                       "No more quotes in archive/D090112.txt",
                       "Calculating day 1 filename=archive/D090113.txt",
                       "File archive/D090113.txt exists. Extracting Data...",
                       "QuoteSL lines count =0",
                       "No more quotes in archive/D090113.txt",
                       "Calculating day 2 filename=archive/D090114.txt",
                       "File archive/D090114.txt not exists.",
                       "Calculating done",
                   }));
}

TEST_F(CalculateTest, TwoRunsInARowLeaveOnlyTheSecondRunsLines) {
  Start();
  RunWithoutIntervals("RIH9", 3);
  Calculate("RIH9", 2000, 500, kJan12 + 5, kJan12 + 6, 100);
  EXPECT_EQ(Log(), LogLines({
                       "Starting to calculate...",
                       "Calculating day 0 filename=archive/D090117.txt",
                       "File archive/D090117.txt not exists.",
                       "Calculating done",
                   }));
}

TEST_F(CalculateTest, ZeroStepFailsAfterTheFirstLineWithoutCreatingAnything) {
  Start();
  int progressCalls = 0;
  try {
    Calculate("RIH9", 500, 2000, kJan12, kJan12 + 2, 0,
              [&](std::int32_t, std::int32_t) { ++progressCalls; });
    FAIL() << "a zero step must fail";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Division by zero");
  }
  EXPECT_EQ(progressCalls, 0);
  EXPECT_EQ(Log(), LogLines({"Starting to calculate..."}));
}

TEST_F(CalculateTest, IntervalValuesFollowTheTruncatingCount) {
  struct Case {
    std::int32_t from, to, step;
    std::vector<std::int32_t> values;
  };
  const std::vector<Case> cases = {
      {500,
       2000,
       100,
       {500, 600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800, 1900, 2000}},
      {500,
       1950,
       100,
       {500, 600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800, 1900}},
      {2000,
       500,
       -100,
       {2000, 1900, 1800, 1700, 1600, 1500, 1400, 1300, 1200, 1100, 1000, 900, 800, 700, 600, 500}},
      {2000, 1950, 100, {2000}},
      {2000, 500, 100, {}},
      {INT_MAX, INT_MIN, 1, {}},
      {INT_MIN, INT_MAX, -1, {}},
  };
  Start();
  for (const Case& c : cases) {
    const auto result = Calculate("RIH9", c.from, c.to, kJan12, kJan12 + 1, c.step);
    std::vector<std::int32_t> values;
    for (const TVolatilityResItem& item : result->Items) {
      values.push_back(item.IntervalValue);
    }
    EXPECT_EQ(values, c.values) << c.from << ".." << c.to << " step " << c.step;
  }
}

TEST_F(CalculateTest, DaysCountIsRoundedHalfToEven) {
  struct Case {
    double days;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {{1.0, 1},   {2.5, 2},   {3.5, 4},      {0.5, 0},
                                   {1.4, 1},   {1.6, 2},   {0.0, 0},      {-0.5, 0},
                                   {-3.0, -3}, {-2.5, -2}, {2.9999999, 3}};
  Start();
  for (const Case& c : cases) {
    const auto run = Calculate("RIH9", 500, 600, kJan12, kJan12 + c.days, 100);
    EXPECT_EQ(run->DaysCount, c.expected) << c.days;
    for (const TVolatilityResItem& item : run->Items) {
      EXPECT_EQ(item.ResultPerDays.size(), static_cast<std::size_t>(std::max(c.expected, 0)));
    }
  }
}

TEST_F(CalculateTest, OversizedRangesAreRefusedBeforeAnythingIsAllocated) {
  struct Case {
    std::int32_t from, to, step;
    TDateTime dateFrom, dateEnd;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {0, INT_MAX, 1, kJan12, kJan12 + 1},        // 2^31 interval values
      {INT_MIN, INT_MAX, 1, kJan12, kJan12 + 1},  // 2^32 interval values
      {0, INT_MIN, -1, kJan12, kJan12 + 1},       // INT_MIN / -1 in 32 bits would trap
      {1, 300000, 1, kJan12, kJan12 + 1000},      // 300000 values x 1000 days
      {500, 2000, 100, kJan12, kJan12 + 1e7},     // longer than the calendar
      {500, 2000, 100, kJan12, kJan12 - 1e12},    // far more than 32 bits of days
      {500, 2000, 100, kJan12, nan},
      {500, 2000, 100, kJan12, inf},
      {500, 2000, 100, 2958465.0, 2958467.0},  // 31 December 9999 and a day beyond
      {500, 2000, 100, -693594.0, -693592.0},  // a day before 1 January of year 1
  };
  Start();
  for (const Case& c : cases) {
    EXPECT_ANY_THROW(Calculate("RIH9", c.from, c.to, c.dateFrom, c.dateEnd, c.step))
        << c.from << ".." << c.to << " step " << c.step << " days " << c.dateEnd - c.dateFrom;
    EXPECT_EQ(Log(), LogLines({"Starting to calculate..."}));
  }
  try {
    Calculate("RIH9", 0, INT_MAX, kJan12, kJan12 + 1, 1);
  } catch (const std::length_error& e) {
    EXPECT_NE(std::string(e.what()).find("2147483648 interval values over 1 days"),
              std::string::npos)
        << e.what();
  }
}

TEST_F(CalculateTest, AcceptedQuotesReachTheCountersWithTheirDayIndex) {
  WriteDay("D090112.txt",
           "TICKER;TIME;PRICE\r\n"
           "RIH9;10:30:00;150000\r\n"
           "RIM9;10:30:01;990000\r\n"  // another contract
           "RIH9;10:31:00;151230\r\n"
           "RIH9;14:01:00;100000\r\n"  // inside the skip window
           "RIH9;10:32:00;150700\r\n"
           "RIH9;10:33:00;150450\r\n");
  WriteDay("D090114.txt", "RIH9;11:00:00;149000\r\nRIH9;11:01:00;151000\r\n");
  Start();
  const auto result = Calculate("RIH9", 500, 1000, kJan12, kJan12 + 3, 500);
  ASSERT_EQ(result->Count(), 2);
  EXPECT_EQ((*result)[0].Result, 6);
  EXPECT_EQ((*result)[0].ResultPerDays, (std::vector<std::int32_t>{1, 0, 5}));
  EXPECT_EQ((*result)[1].Result, 3);
  EXPECT_EQ((*result)[1].ResultPerDays, (std::vector<std::int32_t>{0, 0, 3}));
}

TEST_F(CalculateTest, ANulByteEndsTheDayFile) {
  WriteDay("D090112.txt", std::string("RIH9;10:30:00;150000\r\nRIH9;10:31:00;151000\0", 43) +
                              "RIH9;10:32:00;150400\r\n");
  Start();
  const auto result = Calculate("RIH9", 500, 500, kJan12, kJan12 + 1, 100);
  // 150400 after the NUL would have counted one fall from 151000.
  EXPECT_EQ((*result)[0].Result, 0);
  WriteDay("D090112.txt", "RIH9;10:30:00;150000\r\nRIH9;10:31:00;151000\r\nRIH9;10:32:00;150400");
  EXPECT_EQ((*Calculate("RIH9", 500, 500, kJan12, kJan12 + 1, 100))[0].Result, 1);
}

TEST_F(CalculateTest, BinaryDayFileIsReadWithoutHarm) {
  std::string bytes;
  std::uint32_t state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>(state >> 24);
  }
  WriteDay("D090112.txt", bytes);
  WriteDay("D090113.txt", "RIH9;10:30:00;150000\r\nRIH9;10:31:00;151000\r\nRIH9;10:32:00;150400");
  Start();
  const auto result = Calculate("RIH9", 500, 500, kJan12, kJan12 + 2, 100);
  EXPECT_EQ((*result)[0].ResultPerDays, (std::vector<std::int32_t>{0, 1}));
  EXPECT_NE(Log().find("Calculating done"), std::string::npos);
}

TEST_F(CalculateTest, TenMegabyteLineIsPassedOver) {
  WriteDay("D090112.txt", "RIH9;10:30:00;150000\r\nRIH9;10:31:00;151000\r\n" +
                              std::string(10 * 1024 * 1024, '7') + "\r\nRIH9;10:32:00;150400\r\n");
  Start();
  const auto result = Calculate("RIH9", 500, 500, kJan12, kJan12 + 1, 100);
  EXPECT_EQ((*result)[0].Result, 1);
}

TEST_F(CalculateTest, InvalidPatternEndsTheRunAtTheFirstDayFile) {
  WriteSettings("^$CONTRACT;([");
  WriteDay("D090113.txt", "RIH9;10:30:00;150000\r\n");
  Start();
  EXPECT_ANY_THROW(RunWithoutIntervals("RIH9", 3));
  EXPECT_EQ(Log(), LogLines({
                       "Starting to calculate...",
                       "Calculating day 0 filename=archive/D090112.txt",
                       "File archive/D090112.txt not exists.",
                       "Calculating day 1 filename=archive/D090113.txt",
                   }));
}

TEST_F(CalculateTest, ProgressIsReportedBeforeEachDay) {
  Start();
  std::vector<std::pair<std::int32_t, std::int32_t>> calls;
  Calculate("RIH9", 500, 2000, kJan12, kJan12 + 3, 100,
            [&](std::int32_t aDay, std::int32_t aDays) { calls.emplace_back(aDay, aDays); });
  EXPECT_EQ(calls, (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 3}, {1, 3}, {2, 3}}));
}

TEST_F(CalculateTest, RunWithoutAStartedEngineFails) {
  Start();
  StopEngine();
  EXPECT_THROW(RunWithoutIntervals("RIH9", 1), std::logic_error);
}

}  // namespace
}  // namespace melquon
