#include "engine/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/ini_file.h"
#include "engine/skip_intervals.h"

namespace melquon {
namespace {

constexpr TDateTime k1Jan2009 = 39814.0;
constexpr TDateTime k2Jan2009 = 39815.0;
constexpr TDateTime k12Jan2009 = 39825.0;
constexpr TDateTime k16Jan2009 = 39829.0;
constexpr TDateTime k1Jan200 = -620910.0;

TSettings SettingsOf(const std::string& aText) {
  return ReadSettings(IniFile::Parse(aText));
}

TEST(IniStrToDateTest, ConvertsDdMmYyyyOrGivesTheZeroDate) {
  const struct {
    const char* text;
    TDateTime expected;
  } cases[] = {
      {"01012009", k1Jan2009},
      {"12012009", k12Jan2009},
      {"010120091530", k1Jan2009},
      {"0101200", k1Jan200},
      {"29022008", 39507.0},
      {"01010001", -693593.0},
      {"31129999", 2958465.0},
      {"31022009", 0.0},
      {"29022009", 0.0},
      {"00012009", 0.0},
      {"01002009", 0.0},
      {"01132009", 0.0},
      {"01010000", 0.0},
      {"1.01.2009", 0.0},
      {"010120", -686654.0},  // 1 January of the year 20
      {"0101", 0.0},
      {"", 0.0},
      {"-1012009", 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniStrToDate(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(ReadSettingsTest, EmptyFileGivesEveryDefault) {
  const TSettings settings = ReadSettings(IniFile{});
  EXPECT_EQ(settings.ArchivePath, "c:\\");
  EXPECT_EQ(settings.DataFileTemplate, "");
  EXPECT_EQ(settings.FindWhat, "");
  EXPECT_EQ(settings.ReplaceWith, "");
  EXPECT_EQ(settings.ReportFileName, "");
  EXPECT_EQ(settings.Contract, "RIH9");
  EXPECT_EQ(settings.DateFrom, k1Jan2009);
  EXPECT_EQ(settings.DateTo, k2Jan2009);
  EXPECT_EQ(settings.IntervalFrom, 500);
  EXPECT_EQ(settings.IntervalTo, 2000);
  EXPECT_EQ(settings.IntervalStep, 100);
  EXPECT_EQ(settings, TSettings{});
}

TEST(ReadSettingsTest, PresentEmptyTextKeysGiveEmptyTexts) {
  const TSettings settings = SettingsOf(
      "[COMMON]\r\nArchivePath=\r\nDataFileTemplate=\r\nFindWhat=\r\nReplaceWith=\r\n"
      "ReportFileName=\r\n[DEFAULT]\r\nContract=\r\nDateFrom=\r\nDateTo=\r\n");
  EXPECT_EQ(settings.ArchivePath, "");
  EXPECT_EQ(settings.Contract, "");
  // An empty date text is no date: the zero date-time, not the default.
  EXPECT_EQ(settings.DateFrom, 0.0);
  EXPECT_EQ(settings.DateTo, 0.0);
}

TEST(ReadSettingsTest, KeysAreFoundWhateverTheirCase) {
  const TSettings settings = SettingsOf(
      "[common]\r\narchivepath=d:\\quotes\\\r\nDATAFILETEMPLATE=$YY$MM$DD.txt\r\n"
      "[Default]\r\ncontract=SiH9\r\nintervalstep=50\r\n");
  EXPECT_EQ(settings.ArchivePath, "d:\\quotes\\");
  EXPECT_EQ(settings.DataFileTemplate, "$YY$MM$DD.txt");
  EXPECT_EQ(settings.Contract, "SiH9");
  EXPECT_EQ(settings.IntervalStep, 50);
}

TEST(ReadSettingsTest, IntegerKeys) {
  const struct {
    const char* lines;
    std::int32_t from;
    std::int32_t to;
    std::int32_t step;
  } cases[] = {
      {"IntervalStep=abc", 500, 2000, 100},
      {"IntervalStep=", 500, 2000, 100},
      {"IntervalFrom=0x1F4", 500, 2000, 100},
      {"IntervalFrom=$64\r\nIntervalTo=-300\r\nIntervalStep=7", 100, -300, 7},
  };
  for (const auto& c : cases) {
    const TSettings settings = SettingsOf(std::string("[DEFAULT]\r\n") + c.lines + "\r\n");
    EXPECT_EQ(settings.IntervalFrom, c.from) << c.lines;
    EXPECT_EQ(settings.IntervalTo, c.to) << c.lines;
    EXPECT_EQ(settings.IntervalStep, c.step) << c.lines;
  }
}

TEST(ReadSettingsTest, DateKeys) {
  const struct {
    const char* lines;
    TDateTime from;
    TDateTime to;
  } cases[] = {
      {"DateFrom=31022009", 0.0, k2Jan2009},
      {"DateTo=010120091530", k1Jan2009, k1Jan2009},
      {"DateFrom=0101200", k1Jan200, k2Jan2009},
      {"DateFrom=1.01.2009", 0.0, k2Jan2009},
      {"DateFrom=12012009\r\nDateTo=\"16012009\"", k12Jan2009, k16Jan2009},
  };
  for (const auto& c : cases) {
    const TSettings settings = SettingsOf(std::string("[DEFAULT]\r\n") + c.lines + "\r\n");
    EXPECT_EQ(settings.DateFrom, c.from) << c.lines;
    EXPECT_EQ(settings.DateTo, c.to) << c.lines;
  }
}

TEST(ReadSettingsTest, QuotedAndLongValues) {
  const TSettings settings = SettingsOf(
      "[COMMON]\r\nReportFileName=\"c:\\My Reports\\rv.txt\"\r\n"
      "FindWhat=" +
      std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(settings.ReportFileName, "c:\\My Reports\\rv.txt");
  EXPECT_EQ(settings.FindWhat, std::string(2047, 'x'));
}

class LoadSettingsFromTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(testing::TempDir()) /
           ("melquon_settings_" + std::to_string(getpid()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    iniFileName_ = (dir_ / "Melquon.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void WriteIni(const std::string& aBytes) const {
    std::ofstream(iniFileName_, std::ios::binary | std::ios::trunc) << aBytes;
  }

  std::filesystem::path dir_;
  std::string iniFileName_;
};

TEST_F(LoadSettingsFromTest, MissingFileGivesDefaultsAndNoWindows) {
  TSettings settings;
  settings.Contract = "stale";
  TSkipIntervals skip;
  skip.Items.emplace_back(0, 86400000);
  LoadSettingsFrom(iniFileName_, settings, skip);
  EXPECT_EQ(settings, TSettings{});
  EXPECT_EQ(skip.Count(), 0u);
}

TEST_F(LoadSettingsFromTest, ReloadReplacesEveryValue) {
  TSettings settings;
  TSkipIntervals skip;
  WriteIni(
      "[COMMON]\r\nArchivePath=a\\\r\n[DEFAULT]\r\nIntervalTo=900\r\n"
      "[SKIP INTERVALS]\r\nSKIPSTART1=1000\r\nSKIPEND1=1005\r\n");
  LoadSettingsFrom(iniFileName_, settings, skip);
  EXPECT_EQ(settings.ArchivePath, "a\\");
  EXPECT_EQ(settings.IntervalTo, 900);
  EXPECT_EQ(skip.Count(), 1u);

  WriteIni("[DEFAULT]\r\nIntervalFrom=600\r\n");
  LoadSettingsFrom(iniFileName_, settings, skip);
  TSettings expected;
  expected.IntervalFrom = 600;
  EXPECT_EQ(settings, expected);
  EXPECT_EQ(skip.Count(), 0u);
}

std::filesystem::path FixtureFile(const std::string& aName) {
  const char* root = std::getenv("MELQUON_TEST_DATA");
  if (root == nullptr) {
    return {};
  }
  std::filesystem::path dir = root;
  // The variable names either the tests folder or this test's own folder.
  if (std::filesystem::exists(dir / "engine" / "data")) {
    dir /= "engine";
  }
  return dir / "data" / aName;
}

TEST_F(LoadSettingsFromTest, ReadsAWindows1251FileWithRussianComments) {
  const std::filesystem::path fixture = FixtureFile("russian_comments.ini");
  ASSERT_TRUE(std::filesystem::exists(fixture)) << fixture;
  TSettings settings;
  TSkipIntervals skip;
  LoadSettingsFrom(fixture.string(), settings, skip);

  EXPECT_EQ(settings.ArchivePath, "Архив\\RTS\\");
  EXPECT_EQ(settings.DataFileTemplate, "RTS_$YY$MM$DD.txt");
  EXPECT_EQ(settings.FindWhat,
            "^(\\d\\d)\\.(\\d\\d)\\.(\\d{4}) (\\d+:\\d\\d:\\d\\d);$CONTRACT;(\\d+(\\.\\d+)?)$");
  EXPECT_EQ(settings.ReplaceWith, "CONTRACT=$5&DT=$1.$2.$3 $4");
  EXPECT_EQ(settings.ReportFileName, "Отчёт по волатильности.txt");
  EXPECT_EQ(settings.Contract, "Фьючерс RTS-3.09");
  EXPECT_EQ(settings.DateFrom, k12Jan2009);
  EXPECT_EQ(settings.DateTo, k16Jan2009);
  EXPECT_EQ(settings.IntervalFrom, 500);
  EXPECT_EQ(settings.IntervalTo, 1500);
  EXPECT_EQ(settings.IntervalStep, 250);

  ASSERT_EQ(skip.Count(), 2u);
  EXPECT_EQ(skip.Items[0].StartMs, 14 * 3600000LL);
  EXPECT_EQ(skip.Items[0].EndMs, 14 * 3600000LL + 3 * 60000);
  EXPECT_EQ(skip.Items[1].StartMs, 18 * 3600000LL + 45 * 60000);
  EXPECT_EQ(skip.Items[1].EndMs, 19 * 3600000LL);
}

TEST(ResolveSettingsPathTest, RelativePathsFollowTheSettingsFile) {
  const struct {
    const char* iniFileName;
    const char* path;
    const char* expected;
  } cases[] = {
      {"/opt/melquon/Melquon.ini", "archive/", "/opt/melquon/archive/"},
      {"/opt/melquon/Melquon.ini", "reports/rv.txt", "/opt/melquon/reports/rv.txt"},
      {"/opt/melquon/Melquon.ini", "/data/archive/", "/data/archive/"},
      {"/opt/melquon/Melquon.ini", "", ""},
      {"/opt/melquon/Melquon.ini", "Отчёт.txt", "/opt/melquon/Отчёт.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveSettingsPath(c.iniFileName, c.path), c.expected) << c.path;
  }
}

}  // namespace
}  // namespace melquon
