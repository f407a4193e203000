#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/report.h"
#include "log/write_log.h"
#include "runtime/formats.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

const TDateTime kJan12 = 39825.0;  // 12 January 2009

const std::string kHeading = "За весь период по интервалам:\r\n\r\n";
const std::string kByDate = "\r\nПо датам:\r\n";

// A result set with the given whole-run counts and per-day counts, one entry per interval.
TVolatilityRes MakeResult(std::int32_t aDays, std::int32_t aFrom, std::int32_t aStep,
                          const std::vector<std::int32_t>& aResults,
                          const std::vector<std::vector<std::int32_t>>& aPerDays = {}) {
  TVolatilityRes result(aDays, kJan12, aFrom, aStep, static_cast<std::int32_t>(aResults.size()));
  for (std::size_t i = 0; i < aResults.size(); ++i) {
    result.Items[i].Result = aResults[i];
    if (i < aPerDays.size()) {
      result.Items[i].ResultPerDays = aPerDays[i];
    }
  }
  return result;
}

class ReportTest : public testing::Test {
 protected:
  void SetUp() override { RegionalFormats() = FormatSettings{}; }
  void TearDown() override { RegionalFormats() = FormatSettings{}; }
};

TEST_F(ReportTest, FiveHundredWithThreeClosedPositions) {
  const TVolatilityRes result = MakeResult(1, 500, 100, {3}, {{3}});
  const std::string line =
      "Интервал: 500     ; закрыто позиций: 3       ; закрыто пунктов: 1500    ; "
      "КвадратФактор: 750000\r\n";
  EXPECT_EQ(GetReportText(result), kHeading + line + kByDate + "\r\n12.01.2009\r\n" + line);
}

TEST_F(ReportTest, DayBlocksFollowTheWholePeriodInIntervalOrder) {
  const TVolatilityRes result = MakeResult(2, 500, 100, {5, 0}, {{2, 3}, {0, 0}});
  EXPECT_EQ(GetReportText(result),
            kHeading +
                "Интервал: 500     ; закрыто позиций: 5       ; закрыто пунктов: 2500    ; "
                "КвадратФактор: 1250000\r\n"
                "Интервал: 600     ; закрыто позиций: 0       ; закрыто пунктов: 0       ; "
                "КвадратФактор: 0\r\n" +
                kByDate +
                "\r\n12.01.2009\r\n"
                "Интервал: 500     ; закрыто позиций: 2       ; закрыто пунктов: 1000    ; "
                "КвадратФактор: 500000\r\n"
                "Интервал: 600     ; закрыто позиций: 0       ; закрыто пунктов: 0       ; "
                "КвадратФактор: 0\r\n"
                "\r\n13.01.2009\r\n"
                "Интервал: 500     ; закрыто позиций: 3       ; закрыто пунктов: 1500    ; "
                "КвадратФактор: 750000\r\n"
                "Интервал: 600     ; закрыто позиций: 0       ; закрыто пунктов: 0       ; "
                "КвадратФактор: 0\r\n");
}

TEST_F(ReportTest, WideNumbersPushTheRestOfTheirLine) {
  const TVolatilityRes result = MakeResult(0, 123456789, 1, {12345678, 123456});
  EXPECT_EQ(GetReportText(result),
            kHeading +
                "Интервал: 123456789; закрыто позиций: 12345678; закрыто пунктов: "
                "1524157763907942; КвадратФактор: 188167623461494610918238\r\n"
                "Интервал: 123456790; закрыто позиций: 123456  ; закрыто пунктов: "
                "15241481466240; КвадратФактор: 1881664376666483769600\r\n" +
                kByDate);
}

TEST_F(ReportTest, ProductsBeyondThirtyTwoBitsAreExact) {
  struct Case {
    std::int32_t count, interval;
    std::string points, square;
  };
  const std::vector<Case> cases = {
      {3000, 2000, "6000000 ", "12000000000"},
      {INT_MAX, INT_MAX, "4611686014132420609", "9903520300447984150353281023"},
      {INT_MIN, INT_MIN, "4611686018427387904", "-9903520314283042199192993792"},
      {0, INT_MIN, "0       ", "0"},
      {-2, 100, "-200    ", "-20000"},
  };
  for (const Case& c : cases) {
    const TVolatilityRes result = MakeResult(0, c.interval, 1, {c.count});
    const std::string text = GetReportText(result);
    EXPECT_NE(text.find("; закрыто пунктов: " + c.points + "; КвадратФактор: " + c.square + "\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(SquareFactorText(c.count, c.interval), c.square);
  }
}

TEST_F(ReportTest, SetWithoutElementsGivesHeadingsAndDateLinesOnly) {
  const TVolatilityRes result = MakeResult(2, 500, 100, {});
  EXPECT_EQ(GetReportText(result), kHeading + kByDate + "\r\n12.01.2009\r\n\r\n13.01.2009\r\n");
}

TEST_F(ReportTest, NoDaysEndsAfterTheByDateHeading) {
  const TVolatilityRes result = MakeResult(0, 500, 100, {1});
  EXPECT_EQ(GetReportText(result),
            kHeading +
                "Интервал: 500     ; закрыто позиций: 1       ; закрыто пунктов: 500     ; "
                "КвадратФактор: 250000\r\n" +
                kByDate);
  EXPECT_EQ(GetReportText(MakeResult(-3, 500, 100, {})), kHeading + kByDate);
}

TEST_F(ReportTest, DatesFollowTheRegionalShortDateFormat) {
  const TVolatilityRes result = MakeResult(2, 500, 100, {});
  RegionalFormats().ShortDateFormat = "M/d/yyyy";
  RegionalFormats().DateSeparator = '/';
  EXPECT_EQ(GetReportText(result), kHeading + kByDate + "\r\n1/12/2009\r\n\r\n1/13/2009\r\n");
}

TEST_F(ReportTest, ReplacesWhatTheTextHeld) {
  std::string text = "previous contents";
  GetReportText(MakeResult(0, 500, 100, {}), text);
  EXPECT_EQ(text, kHeading + kByDate);
}

std::string ReadBytes(const fs::path& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ReportFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-report-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    engine_.IniFileName = (dir_ / "Melquon.ini").string();
    LogFileName = (dir_ / "Melquon.log").string();
    LogLevel = 2;
    std::ofstream(dir_ / "Melquon.log", std::ios::binary) << "log lines\r\n";
  }
  void TearDown() override {
    LogFileName.clear();
    LogLevel = 3;
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path dir_;
  TEngine engine_;
};

const std::string kReportBytes =
    "\xC7\xE0 \xE2\xE5\xF1\xFC \xEF\xE5\xF0\xE8\xEE\xE4 \xEF\xEE "
    "\xE8\xED\xF2\xE5\xF0\xE2\xE0\xEB\xE0\xEC:\r\n\r\n\r\n\xCF\xEE \xE4\xE0\xF2\xE0\xEC:\r\n\r\n";

TEST_F(ReportFileTest, RelativeNameIsWrittenBesideTheSettingsInWindows1251) {
  engine_.Settings.ReportFileName = "report.txt";
  WriteReportFile(engine_, GetReportText(MakeResult(0, 500, 100, {})));
  EXPECT_EQ(ReadBytes(dir_ / "report.txt"), kReportBytes);
  EXPECT_EQ(ReadBytes(dir_ / "Melquon.log"), "log lines\r\n");
}

TEST_F(ReportFileTest, ExistingReportIsReplaced) {
  const fs::path absolute = dir_ / "elsewhere.txt";
  std::ofstream(absolute, std::ios::binary) << "an older and much longer report text";
  engine_.Settings.ReportFileName = absolute.string();
  WriteReportFile(engine_, GetReportText(MakeResult(0, 500, 100, {})));
  EXPECT_EQ(ReadBytes(absolute), kReportBytes);
}

TEST_F(ReportFileTest, EmptyNameReplacesTheLogFile) {
  engine_.Settings.ReportFileName.clear();
  WriteReportFile(engine_, GetReportText(MakeResult(0, 500, 100, {})));
  EXPECT_EQ(ReadBytes(dir_ / "Melquon.log"), kReportBytes);
}

}  // namespace
}  // namespace melquon
