#include "engine/skip_intervals.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/ini_file.h"
#include "log/write_log.h"
#include "runtime/formats.h"

namespace melquon {
namespace {

using Window = std::pair<long long, long long>;

constexpr long long kHour = 3600000;
constexpr long long kMinute = 60000;
constexpr long long kSecond = 1000;

constexpr double k12Jan2009 = 39825.0;
// 30 December 1899, 29 December 1899, 1 January 1800, 12 January 2009, 31 December 9999.
constexpr double kDays[] = {0.0, -1.0, -36522.0, k12Jan2009, 2958465.0};

// A date-time as a quote's time is built: whole days plus the time of day, which counts
// forward from midnight also before 30 December 1899, where the whole days are negative.
TDateTime At(double aDay, long long aTimeOfDayMs) {
  const double fraction = static_cast<double>(aTimeOfDayMs) / kMillisecondsPerDay;
  return aDay < 0 ? aDay - fraction : aDay + fraction;
}

std::string SkipSection(const std::vector<std::pair<std::string, std::string>>& aWindows) {
  std::string text = "[SKIP INTERVALS]\r\n";
  for (std::size_t i = 0; i < aWindows.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    text += "SKIPSTART" + n + "=" + aWindows[i].first + "\r\nSKIPEND" + n + "=" +
            aWindows[i].second + "\r\n";
  }
  return text;
}

TSkipIntervals Loaded(const std::string& aIniText) {
  TSkipIntervals list;
  list.Load(IniFile::Parse(aIniText));
  return list;
}

std::vector<Window> WindowsOf(const TSkipIntervals& aList) {
  std::vector<Window> windows;
  for (const TSkipInterval& w : aList.Items) {
    windows.emplace_back(w.StartMs, w.EndMs);
  }
  return windows;
}

// Sends the log to a file of its own with a fixed clock and the home formats.
class SkipIntervalsLogTest : public testing::Test {
 protected:
  static constexpr const char* kStamp = "05.03.2009 9:05:03 [7]   ";

  void SetUp() override {
    std::string testName = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(testName.begin(), testName.end(), '/', '_');
    dir_ = std::filesystem::path(testing::TempDir()) /
           ("melquon_skip_" + std::to_string(getpid()) + "_" + testName);
    std::filesystem::create_directories(dir_);
    savedLogFileName_ = LogFileName;
    savedLogLevel_ = LogLevel;
    savedFormats_ = RegionalFormats();
    LogFileName = (dir_ / "Melquon.log").string();
    LogLevel = 2;
    RegionalFormats() = FormatSettings{};
    SetLogClock([] { return LocalDateTime{{2009, 3, 5}, {9, 5, 3, 7}}; });
    SetLogMessageBox([this](const std::string& text) { messageBoxes_.push_back(text); });
  }

  void TearDown() override {
    SetLogMessageBox({});
    SetLogClock({});
    RegionalFormats() = savedFormats_;
    LogLevel = savedLogLevel_;
    LogFileName = savedLogFileName_;
    std::filesystem::remove_all(dir_);
    EXPECT_TRUE(messageBoxes_.empty()) << messageBoxes_.front();
  }

  std::string LogBytes() const {
    std::ifstream file(LogFileName, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }

  static std::string LogLine(const std::string& aFault) {
    return kStamp + std::string("TSkipIntervals.Load ") + aFault + "\r\n";
  }

  void WriteIni(const std::string& aBytes) const {
    std::ofstream(iniFileName(), std::ios::binary | std::ios::trunc) << aBytes;
  }
  std::string iniFileName() const { return (dir_ / "Melquon.ini").string(); }

  std::filesystem::path dir_;

 private:
  std::string savedLogFileName_;
  std::int32_t savedLogLevel_ = 3;
  FormatSettings savedFormats_;
  std::vector<std::string> messageBoxes_;
};

struct LoadCase {
  const char* name;
  std::string iniText;
  std::vector<Window> windows;
  std::string logFaults;  // the log lines' faults, each followed by '\n'
};

void PrintTo(const LoadCase& aCase, std::ostream* aStream) {
  *aStream << aCase.name;
}

class SkipIntervalsLoadTest : public SkipIntervalsLogTest,
                              public testing::WithParamInterface<LoadCase> {};

TEST_P(SkipIntervalsLoadTest, LoadsWindowsAndLogsFaults) {
  const LoadCase& c = GetParam();
  EXPECT_EQ(WindowsOf(Loaded(c.iniText)), c.windows);

  std::string expectedLog;
  std::istringstream faults(c.logFaults);
  for (std::string fault; std::getline(faults, fault);) {
    expectedLog += LogLine(fault);
  }
  EXPECT_EQ(LogBytes(), expectedLog);
}

const std::string kCp1251Ya = "\xFF";  // the letter ya in Windows-1251

const Window k1000To1005{10 * kHour, 10 * kHour + 5 * kMinute};
const Window k1400To1403{14 * kHour, 14 * kHour + 3 * kMinute};

INSTANTIATE_TEST_SUITE_P(
    Numbering, SkipIntervalsLoadTest,
    testing::Values(
        LoadCase{"EmptyFile", "", {}, ""},
        LoadCase{"NoSection", "[COMMON]\r\nSKIPSTART1=1000\r\nSKIPEND1=1005\r\n", {}, ""},
        LoadCase{"OneWindow", SkipSection({{"1000", "1005"}}), {k1000To1005}, ""},
        LoadCase{"TwoWindows",
                 SkipSection({{"1000", "1005"}, {"1400", "1403"}}),
                 {k1000To1005, k1400To1403},
                 ""},
        LoadCase{"GapEndsTheList",
                 "[SKIP INTERVALS]\r\nSKIPSTART1=1000\r\nSKIPEND1=1005\r\n"
                 "SKIPSTART3=1400\r\nSKIPEND3=1403\r\n",
                 {k1000To1005},
                 ""},
        LoadCase{"StartWithoutEndEndsTheList",
                 "[SKIP INTERVALS]\r\nSKIPSTART1=1000\r\nSKIPEND1=1005\r\nSKIPSTART2=1400\r\n"
                 "SKIPSTART3=1500\r\nSKIPEND3=1505\r\n",
                 {k1000To1005},
                 ""},
        LoadCase{"EmptyValueEndsTheList", SkipSection({{"1000", ""}, {"1400", "1403"}}), {}, ""},
        LoadCase{"BlankValueEndsTheList", SkipSection({{"   ", "1005"}, {"1400", "1403"}}), {}, ""},
        LoadCase{"QuotedEmptyValueEndsTheList", SkipSection({{"''", "1005"}}), {}, ""},
        LoadCase{"LeadingZeroInNumberIsAnotherKey",
                 "[SKIP INTERVALS]\r\nSKIPSTART01=1000\r\nSKIPEND01=1005\r\n",
                 {},
                 ""},
        LoadCase{"NamesIgnoreCase",
                 "[skip intervals]\r\nskipstart1=1000\r\nSkipEnd1=1005\r\n",
                 {k1000To1005},
                 ""}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Values, SkipIntervalsLoadTest,
    testing::Values(
        LoadCase{"QuotedAndBlanks", SkipSection({{"'1000'", " \"1005\" "}}), {k1000To1005}, ""},
        LoadCase{"CharactersAfterTheFourthIgnored",
                 SkipSection({{"10005", "1005 lunch"}}),
                 {k1000To1005},
                 ""},
        LoadCase{"ThreeCharactersAreHoursAndOneMinuteDigit",
                 SkipSection({{"930", "0935"}}),
                 {{93 * kHour, 9 * kHour + 35 * kMinute}},
                 ""}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Faults, SkipIntervalsLoadTest,
    testing::Values(LoadCase{"ColonFailsInTheMinutes",
                             SkipSection({{"0900", "0905"}, {"09:30", "0935"}, {"1000", "1005"}}),
                             {{9 * kHour, 9 * kHour + 5 * kMinute}, k1000To1005},
                             "':3' is not a valid integer value\n"},
                    LoadCase{"ColonFailsInTheHours",
                             SkipSection({{"9:30", "0935"}}),
                             {},
                             "'9:' is not a valid integer value\n"},
                    LoadCase{"EndValueFails",
                             SkipSection({{"1000", "10x5"}}),
                             {},
                             "'x5' is not a valid integer value\n"},
                    LoadCase{"StartFailsFirst",
                             SkipSection({{"ab00", "cd00"}}),
                             {},
                             "'ab' is not a valid integer value\n"},
                    LoadCase{"MissingMinutes",
                             SkipSection({{"9", "1005"}}),
                             {},
                             "'' is not a valid integer value\n"},
                    LoadCase{
                        "EachBadWindowLogged",
                        SkipSection({{"1x00", "1005"}, {"1400", "1403"}, {"1500", "15.5"}}),
                        {k1400To1403},
                        "'1x' is not a valid integer value\n'.5' is not a valid integer value\n"},
                    // The failing field is cut by characters, and the log holds Windows-1251 bytes.
                    LoadCase{"CyrillicCharacterInTheMinutes",
                             SkipSection({{"09" + kCp1251Ya + "0", "1005"}}),
                             {},
                             "'" + kCp1251Ya + "0' is not a valid integer value\n"}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST_F(SkipIntervalsLogTest, ReloadForgetsAWindowTakenOutOfTheFile) {
  TSkipIntervals list;
  WriteIni(SkipSection({{"1000", "1005"}, {"1400", "1403"}}));
  list.Load(iniFileName());
  EXPECT_TRUE(list.IsSkipped(At(k12Jan2009, 14 * kHour + kMinute)));

  WriteIni(SkipSection({{"1000", "1005"}}));
  list.Load(iniFileName());
  EXPECT_EQ(WindowsOf(list), std::vector<Window>{k1000To1005});
  EXPECT_FALSE(list.IsSkipped(At(k12Jan2009, 14 * kHour + kMinute)));

  std::filesystem::remove(iniFileName());
  list.Load(iniFileName());
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(LogBytes(), "");
}

TEST(SkipIntervalTest, BothBoundsBelongToTheWindowOnAnyDay) {
  const TSkipIntervals list = Loaded(SkipSection({{"1000", "1005"}}));
  const struct {
    long long timeOfDay;
    bool skipped;
  } cases[] = {
      {9 * kHour + 59 * kMinute + 59 * kSecond, false},
      {9 * kHour + 59 * kMinute + 59 * kSecond + 999, false},
      {10 * kHour, true},
      {10 * kHour + 2 * kMinute, true},
      {10 * kHour + 4 * kMinute + 59 * kSecond + 999, true},
      {10 * kHour + 5 * kMinute, true},
      {10 * kHour + 5 * kMinute + 1, false},
      {10 * kHour + 5 * kMinute + kSecond, false},
      {0, false},
      {22 * kHour + 2 * kMinute, false},
  };
  for (const double day : kDays) {
    for (const auto& c : cases) {
      EXPECT_EQ(list.IsSkipped(At(day, c.timeOfDay)), c.skipped)
          << "day " << day << ", " << c.timeOfDay << " ms";
      EXPECT_EQ(list.Items[0].Contains(At(day, c.timeOfDay)), c.skipped);
    }
  }
}

TEST(SkipIntervalTest, EveryWholeMinuteIsExactlyABound) {
  std::vector<std::pair<std::string, std::string>> windows;
  for (int minute = 0; minute < 24 * 60; ++minute) {
    char hhmm[8];
    std::snprintf(hhmm, sizeof hhmm, "%02d%02d", minute / 60, minute % 60);
    windows.emplace_back(hhmm, hhmm);
  }
  const TSkipIntervals list = Loaded(SkipSection(windows));
  ASSERT_EQ(list.Count(), windows.size());

  for (const double day : kDays) {
    std::vector<int> missed;
    std::vector<int> overreached;
    for (int minute = 0; minute < 24 * 60; ++minute) {
      const long long bound = minute * kMinute;
      if (!list.Items[minute].Contains(At(day, bound))) {
        missed.push_back(minute);
      }
      if (list.IsSkipped(At(day, bound + 1)) || (bound > 0 && list.IsSkipped(At(day, bound - 1)))) {
        overreached.push_back(minute);
      }
    }
    EXPECT_TRUE(missed.empty()) << "day " << day << ": " << missed.size()
                                << " minutes outside their own window, first " << missed.front();
    EXPECT_TRUE(overreached.empty())
        << "day " << day << ": " << overreached.size() << " windows reach one millisecond too far";
  }
}

TEST(SkipIntervalTest, SpecialWindows) {
  const struct {
    const char* start;
    const char* end;
    std::vector<long long> inside;
    std::vector<long long> outside;
  } cases[] = {
      // Windows don't wrap past midnight: this one holds no time at all.
      {"2300",
       "0100",
       {},
       {0, kHour - 1, kHour, 12 * kHour, 23 * kHour, 23 * kHour + 30 * kMinute, 24 * kHour - 1}},
      {"0000", "2400", {0, 1, 12 * kHour, 24 * kHour - 1}, {}},
      {"0975", "0975", {10 * kHour + 15 * kMinute}, {10 * kHour + 15 * kMinute + 1}},
      // 93 hours starts after every time of day.
      {"930", "2400", {}, {0, 9 * kHour + 30 * kMinute, 24 * kHour - 1}},
  };
  for (const auto& c : cases) {
    const TSkipIntervals list = Loaded(SkipSection({{c.start, c.end}}));
    for (const double day : kDays) {
      for (const long long t : c.inside) {
        EXPECT_TRUE(list.IsSkipped(At(day, t))) << c.start << "-" << c.end << " at " << t;
      }
      for (const long long t : c.outside) {
        EXPECT_FALSE(list.IsSkipped(At(day, t))) << c.start << "-" << c.end << " at " << t;
      }
    }
  }
}

TEST(SkipIntervalsTest, EmptyListSkipsNothing) {
  const TSkipIntervals list;
  for (const double day : kDays) {
    for (const long long t : {0LL, 10 * kHour, 24 * kHour - 1}) {
      EXPECT_FALSE(list.IsSkipped(At(day, t)));
    }
  }
}

}  // namespace
}  // namespace melquon
