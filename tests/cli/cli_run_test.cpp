#include "cli/cli_run.h"
#include "cli/options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "log/write_log.h"
#include "runtime/cp1251.h"
#include "runtime/formats.h"

namespace melquon::cli {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& aPath, const std::string& aBytes) {
  std::ofstream(aPath, std::ios::binary) << aBytes;
}

const std::string kLine500 =
    "Интервал: 500     ; закрыто позиций: 6       ; закрыто пунктов: 3000    ; "
    "КвадратФактор: 1500000\r\n";

// The tool inside the test process, on a three-day archive whose counts are known by hand.
class CliRunTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fs::create_directory(dir_ / "archive");
    RegionalFormats() = FormatSettings{};
    WriteBytes(dir_ / "Melquon.ini",
               "; \xCF\xF0\xEE\xE1\xED\xFB\xE9 \xE0\xF0\xF5\xE8\xE2\r\n"
               "[COMMON]\r\nArchivePath=archive/\r\nDataFileTemplate=D$YY$MM$DD.txt\r\n"
               "FindWhat=^$CONTRACT;([\\d:]+);([\\d.]+)$\r\nReplaceWith=CONTRACT=$2&DT=$1\r\n"
               "ReportFileName=report.txt\r\n"
               "[DEFAULT]\r\nContract=RIH9\r\nDateFrom=12012009\r\nDateTo=14012009\r\n"
               "IntervalFrom=500\r\nIntervalTo=1000\r\nIntervalStep=500\r\n");
    WriteBytes(dir_ / "archive" / "D090112.txt",
               "RIH9;10:30:00;150000\r\nRIH9;10:31:00;151230\r\nRIH9;10:32:00;150700\r\n"
               "RIH9;10:33:00;150450\r\n");
    WriteBytes(dir_ / "archive" / "D090114.txt",
               "RIH9;11:00:00;149000\r\nRIH9;11:01:00;151000\r\n");
    WriteBytes(dir_ / "archive" / "D090115.txt", "RIH9;11:00:00;100000\r\n");
  }

  void TearDown() override {
    LogFileName.clear();
    LogLevel = 3;
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  int Run(std::vector<std::string_view> aArgs, const std::string& aProgramDirectory = "/none/") {
    out_.str("");
    err_.str("");
    CliEnvironment environment{aProgramDirectory, out_, err_, false};
    return RunCli(aArgs, environment);
  }

  std::string IniArg() const { return (dir_ / "Melquon.ini").string(); }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(CliRunTest, SettingsDefaultsGiveTheRunAndTheReportGoesToFileAndOutput) {
  ASSERT_EQ(Run({"--ini", IniArg()}), kExitDone) << err_.str();
  const std::string report = out_.str();
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(report.rfind("За весь период по интервалам:\r\n\r\n" + kLine500, 0), 0u) << report;
  EXPECT_NE(report.find("\r\n14.01.2009\r\n"), std::string::npos);
  EXPECT_EQ(report.find("15.01.2009"), std::string::npos) << "the last day is included, no more";
  EXPECT_EQ(Cp1251ToUtf8(ReadBytes(dir_ / "report.txt")), report + "\r\n");
  EXPECT_NE(ReadBytes(dir_ / "Melquon.log").find("Calculating done"), std::string::npos);
}

TEST_F(CliRunTest, OptionsReplaceTheDefaults) {
  ASSERT_EQ(Run({"--ini", IniArg(), "--from", "15012009", "--to", "15012009", "--interval-from",
                 "1000", "--interval-step", "100", "--interval-to", "1100"}),
            kExitDone);
  EXPECT_EQ(out_.str(),
            "За весь период по интервалам:\r\n\r\n"
            "Интервал: 1000    ; закрыто позиций: 0       ; закрыто пунктов: 0       ; "
            "КвадратФактор: 0\r\n"
            "Интервал: 1100    ; закрыто позиций: 0       ; закрыто пунктов: 0       ; "
            "КвадратФактор: 0\r\n"
            "\r\nПо датам:\r\n\r\n15.01.2009\r\n"
            "Интервал: 1000    ; закрыто позиций: 0       ; закрыто пунктов: 0       ; "
            "КвадратФактор: 0\r\n"
            "Интервал: 1100    ; закрыто позиций: 0       ; закрыто пунктов: 0       ; "
            "КвадратФактор: 0\r\n");
}

TEST_F(CliRunTest, SettingsFileBesideTheProgramByDefault) {
  ASSERT_EQ(Run({"--quiet"}, dir_.string() + "/"), kExitDone) << err_.str();
  EXPECT_EQ(out_.str(), "");
  EXPECT_NE(ReadBytes(dir_ / "report.txt").find("\r\n12.01.2009\r\n"), std::string::npos);
}

TEST_F(CliRunTest, MissingSettingsFile) {
  EXPECT_EQ(Run({}, dir_.string() + "/archive/"), kExitRunFailed);
  EXPECT_EQ(err_.str(), "Settings file " + dir_.string() + "/archive/Melquon.ini not found\n");
  EXPECT_EQ(Run({"--ini", (dir_ / "missing.ini").string()}), kExitBadArguments);
  EXPECT_EQ(err_.str().rfind("melquon-cli: --ini: settings file '", 0), 0u) << err_.str();
  EXPECT_EQ(out_.str(), "");
  EXPECT_FALSE(fs::exists(dir_ / "Melquon.log"));
}

TEST_F(CliRunTest, FailedRunWritesOnlyItsMessage) {
  EXPECT_EQ(Run({"--ini", IniArg(), "--interval-step", "0", "--csv", (dir_ / "x.csv").string()}),
            kExitRunFailed);
  EXPECT_EQ(err_.str(), "Division by zero\n");
  EXPECT_EQ(out_.str(), "");
  EXPECT_FALSE(fs::exists(dir_ / "report.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "x.csv"));
}

TEST_F(CliRunTest, CsvFileHoldsTheFigures) {
  const fs::path csv = dir_ / "figures.csv";
  ASSERT_EQ(Run({"--ini", IniArg(), "--csv", csv.string(), "--quiet", "--to", "13012009"}),
            kExitDone);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(ReadBytes(csv),
            "date,interval,closed_positions,closed_points,square_factor\r\n"
            "all,500,1,500,250000\r\n"
            "all,1000,0,0,0\r\n"
            "2009-01-12,500,1,500,250000\r\n"
            "2009-01-12,1000,0,0,0\r\n"
            "2009-01-13,500,0,0,0\r\n"
            "2009-01-13,1000,0,0,0\r\n");
}

TEST_F(CliRunTest, UnwritableCsvFailsTheRun) {
  EXPECT_EQ(Run({"--ini", IniArg(), "--csv", (dir_ / "no" / "such" / "x.csv").string()}),
            kExitRunFailed);
  EXPECT_NE(err_.str(), "");
  EXPECT_EQ(out_.str(), "");
}

TEST_F(CliRunTest, HelpAndBadArguments) {
  EXPECT_EQ(Run({"--help"}), kExitDone);
  EXPECT_EQ(out_.str(), CliUsageText());
  EXPECT_EQ(Run({"--ini", IniArg(), "--interval-step", "ten"}), kExitBadArguments);
  EXPECT_EQ(err_.str(),
            "melquon-cli: --interval-step: 'ten' is not a 32-bit integer\n\n" + CliUsageText());
  EXPECT_EQ(out_.str(), "");
  EXPECT_FALSE(fs::exists(dir_ / "Melquon.log"));
}

}  // namespace
}  // namespace melquon::cli
