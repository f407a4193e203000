#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/program_folder.h"
#include "engine/quote_lines.h"
#include "engine/report.h"
#include "log/write_log.h"
#include "runtime/errors.h"
#include "runtime/formats.h"
#include "runtime/text_file.h"
#include "tests/support/log_sandbox.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::ThrowsMessage;
using namespace std::string_literals;

const TDateTime kJan12 = 39825.0;  // 12 January 2009

std::string ReadBytes(const fs::path& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines as the log file holds them under the fixed clock and the home formats.
std::string LogLines(const std::vector<std::string>& aLines) {
  std::string text;
  for (const std::string& line : aLines)
    text += "05.03.2009 9:05:03 [7]   " + line + "\r\n";
  return text;
}

// A settings file and an archive of "CONTRACT;hh:mm:ss;price" lines in a fresh folder; the
// engine runs on it from a different current folder, so relative paths must resolve against
// the settings file.
class EngineTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_ + "/a");
    WriteSettings("^$CONTRACT;([\\d:]+);([\\d.]+)$");
  }

  void TearDown() override { StopEngine(); }

  void Write(const std::string& aName, const std::string& aBytes) {
    std::ofstream(dir_ + "/" + aName, std::ios::binary) << aBytes;
  }

  void WriteSettings(const std::string& aFindWhat) {
    Write("Melquon.ini",
          "[COMMON]\r\nArchivePath=a/\r\nDataFileTemplate=$MM$DD.txt\r\nFindWhat=" + aFindWhat +
              "\r\nReplaceWith=CONTRACT=$2&DT=$1\r\n"
              "[SKIP INTERVALS]\r\nSKIPSTART1=1400\r\nSKIPEND1=1403\r\n");
  }

  void Start() { StartEngine(dir_ + "/Melquon.ini"); }
  std::string Log() const { return ReadBytes(dir_ + "/Melquon.log"); }

  // No interval values: the days are still read and logged, and no counter adds lines.
  std::unique_ptr<TVolatilityRes> RunWithoutIntervals(const std::string& aContract, int aDays) {
    return Calculate(aContract, 2000, 500, kJan12, kJan12 + aDays, 100);
  }

  // Level 3 until StartEngine sets its own, as at program start.
  test::LogSandbox sandbox_{3};
  const std::string dir_ = sandbox_.Dir();
};

TEST_F(EngineTest, StartsBesideTheSettingsFileAndStopsCleanly) {
  Write("Melquon.log", "old contents");
  Start();
  const TEngine& engine = Engine();
  EXPECT_EQ(engine.ExePath, dir_ + "/");
  EXPECT_EQ(engine.IniFileName, dir_ + "/Melquon.ini");
  EXPECT_EQ(LogFileName, dir_ + "/Melquon.log");
  EXPECT_EQ(LogLevel, 2);
  EXPECT_EQ(Log(), LogLines({"Starting.."}));
  EXPECT_TRUE(engine.RegExp && engine.RegExp->Global && engine.RegExp->IgnoreCase &&
              engine.RegExp->Multiline);
  Engine().CurrentResult = RunWithoutIntervals("RIH9", 1);
  StopEngine();
  EXPECT_EQ(engine.RegExp, nullptr);
  EXPECT_EQ(engine.SkipIntervals.Count(), 0u);
  EXPECT_EQ(engine.CurrentResult, nullptr);
  EXPECT_THROW(RunWithoutIntervals("RIH9", 1), std::logic_error);
}

TEST_F(EngineTest, MissingDayKeepsItsIndexAndEachRunStartsTheLogAfresh) {
  Write("a/0112.txt", "header\r\nRIH9;10:30:00;150000\nlast line without an ending");
  Write("a/0113.txt", "");
  Write("a/0115.txt", "RIH9;10:30:00;150000\r\n");
  Start();
  const auto result = RunWithoutIntervals("RIH9", 4);
  EXPECT_EQ(result->StartDate, kJan12);
  EXPECT_EQ(Log(), LogLines({"Starting to calculate...", "Calculating day 0 filename=a/0112.txt",
                             "Calculating day 1 filename=a/0113.txt",
                             "Calculating day 2 filename=a/0114.txt", "File a/0114.txt not exists.",
                             "Calculating day 3 filename=a/0115.txt", "Calculating done"}));
  LogLevel = 3;
  RunWithoutIntervals("NONE", 3);
  EXPECT_EQ(Log(),
            LogLines({"Starting to calculate...", "Total days to calculate:3",
                      "Calculating day 0 filename=a/0112.txt",
                      "File a/0112.txt exists. Extracting Data...", "QuoteSL lines count =3",
                      "No more quotes in a/0112.txt", "Calculating day 1 filename=a/0113.txt",
                      "File a/0113.txt exists. Extracting Data...", "QuoteSL lines count =0",
                      "No more quotes in a/0113.txt", "Calculating day 2 filename=a/0114.txt",
                      "File a/0114.txt not exists.", "Calculating done"}));
  // The pattern is set by the first day file read, and the run ends there.
  WriteSettings("^$CONTRACT;([");
  LoadSettings();
  EXPECT_ANY_THROW(RunWithoutIntervals("RIH9", 3));
  EXPECT_EQ(Log(),
            LogLines({"Starting to calculate...", "Total days to calculate:3",
                      "Calculating day 0 filename=a/0112.txt",
                      "File a/0112.txt exists. Extracting Data...", "QuoteSL lines count =3"}));
}

using Intervals = std::array<std::int32_t, 4>;

TEST_F(EngineTest, IntervalValuesFollowTheTruncatingCountAndDaysCountIsRoundedHalfToEven) {
  Start();
  for (const auto& [from, to, step, count] :
       {Intervals{500, 2000, 100, 16}, Intervals{500, 1950, 100, 15},
        Intervals{2000, 500, -100, 16}, Intervals{2000, 1950, 100, 1}, Intervals{2000, 500, 100, 0},
        Intervals{INT_MAX, INT_MIN, 1, 0}, Intervals{INT_MIN, INT_MAX, -1, 0}}) {
    const auto result = Calculate("RIH9", from, to, kJan12, kJan12 + 1, step);
    ASSERT_EQ(result->Count(), count) << from << ".." << to << " step " << step;
    for (std::int32_t i = 0; i < count; ++i)
      EXPECT_EQ((*result)[i].IntervalValue, from + i * step);
  }
  for (const auto& [days, expected] :
       {std::pair{2.5, 2}, std::pair{3.5, 4}, std::pair{0.5, 0}, std::pair{1.4, 1},
        std::pair{1.6, 2}, std::pair{-0.5, 0}, std::pair{-2.5, -2}, std::pair{-3.0, -3},
        std::pair{2.9999999, 3}}) {
    const auto result = Calculate("RIH9", 500, 500, kJan12, kJan12 + days, 100);
    EXPECT_EQ(result->DaysCount, expected) << days;
  }
}

using Ranges = std::tuple<std::int32_t, std::int32_t, std::int32_t, TDateTime, TDateTime>;

// Interval counts of 2^31 and 2^32 and INT_MIN / -1, 300000 intervals over 1000 days, day counts
// beyond the calendar or 32 bits, NaN and infinity, dates outside years 1 to 9999, and a zero step.
TEST_F(EngineTest, BadRangesFailAfterTheFirstLineBeforeAnythingIsAllocated) {
  Start();
  for (const auto& [from, to, step, dateFrom, dateEnd] :
       {Ranges{0, INT_MAX, 1, kJan12, kJan12 + 1}, Ranges{INT_MIN, INT_MAX, 1, kJan12, kJan12 + 1},
        Ranges{0, INT_MIN, -1, kJan12, kJan12 + 1}, Ranges{1, 300000, 1, kJan12, kJan12 + 1000},
        Ranges{500, 2000, 100, kJan12, kJan12 + 1e7}, Ranges{500, 2000, 100, kJan12, kJan12 - 1e12},
        Ranges{500, 2000, 100, kJan12, NAN}, Ranges{500, 2000, 100, kJan12, INFINITY},
        Ranges{500, 2000, 100, 2958465.0, 2958467.0},
        Ranges{500, 2000, 100, -693594.0, -693592.0}}) {
    EXPECT_ANY_THROW(Calculate("RIH9", from, to, dateFrom, dateEnd, step))
        << from << ".." << to << " step " << step << " days " << dateEnd - dateFrom;
    EXPECT_EQ(Log(), LogLines({"Starting to calculate..."}));
  }
  EXPECT_THAT(
      [] { Calculate("RIH9", 0, INT_MAX, kJan12, kJan12 + 1, 1); },
      ThrowsMessage<std::length_error>(HasSubstr("2147483648 interval values over 1 days")));
  int progressCalls = 0;
  const DayProgress progress = [&](std::int32_t, std::int32_t) { ++progressCalls; };
  EXPECT_THAT([&] { Calculate("RIH9", 500, 2000, kJan12, kJan12 + 2, 0, progress); },
              ThrowsMessage<std::exception>("Division by zero"));
  EXPECT_EQ(progressCalls, 0);
  EXPECT_EQ(Log(), LogLines({"Starting to calculate..."}));
}

TEST_F(EngineTest, QuotesReachTheCountersByDayAndNulBinaryOrHugeLinesDoNoHarm) {
  // A header, another contract and a line inside the skip window are passed over.
  Write("a/0112.txt",
        "TICKER;TIME;PRICE\r\nRIH9;10:30:00;150000\r\nRIM9;10:30:01;990000\r\n"
        "RIH9;10:31:00;151230\r\nRIH9;14:01:00;100000\r\nRIH9;10:32:00;150700\r\n"
        "RIH9;10:33:00;150450\r\n");
  Write("a/0114.txt", "RIH9;11:00:00;149000\r\nRIH9;11:01:00;151000\r\n");
  Start();
  std::string progress;
  const auto result =
      Calculate("RIH9", 500, 1000, kJan12, kJan12 + 3, 500, [&](auto aDay, auto aDays) {
        progress += std::to_string(aDay) + "/" + std::to_string(aDays) + " ";
      });
  ASSERT_EQ(result->Count(), 2);
  EXPECT_EQ((*result)[0].Result, 6);
  EXPECT_EQ((*result)[0].ResultPerDays, (std::vector<std::int32_t>{1, 0, 5}));
  EXPECT_EQ((*result)[1].Result, 3);
  EXPECT_EQ((*result)[1].ResultPerDays, (std::vector<std::int32_t>{0, 0, 3}));
  EXPECT_EQ(progress, "0/3 1/3 2/3 ");
  // A rise of 1000 and a fall of 600 close one position of 500.
  const std::string rise = "RIH9;10:30:00;150000\r\nRIH9;10:31:00;151000\r\n";
  const std::string fall = "RIH9;10:32:00;150400\r\n";
  std::string binary;
  for (std::uint32_t state = 12345; binary.size() < 200000; state = state * 1103515245u + 12345u)
    binary += static_cast<char>(state >> 24);
  for (const auto& [bytes, closed] :
       {std::pair{rise + fall, 1}, std::pair{rise + '\0' + fall, 0}, std::pair{binary, 0},
        std::pair{rise + std::string(10 << 20, '7') + "\r\n" + fall, 1}}) {
    Write("a/0112.txt", bytes);
    EXPECT_EQ((*Calculate("RIH9", 500, 500, kJan12, kJan12 + 1, 100))[0].Result, closed);
  }
}

// A FIFO or a device in place of a day file is passed over like a missing one; a day file past
// the bound fails the run before it is read; a NUL ends the text, however much follows.
TEST_F(EngineTest, HostileDayFilesAreBoundedAndPassedOver) {
  const std::string rise = "RIH9;10:30:00;150000\r\nRIH9;10:31:00;151000\r\n";
  const std::string fall = "RIH9;10:32:00;150400\r\n";
  Write("a/0112.txt", rise + fall);
  ASSERT_EQ(::mkfifo((dir_ + "/a/0113.txt").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir_ + "/a/0114.txt");
  Write("a/0115.txt", rise + fall);
  Start();
  const auto result = Calculate("RIH9", 500, 500, kJan12, kJan12 + 4, 100);
  EXPECT_EQ((*result)[0].ResultPerDays, (std::vector<std::int32_t>{1, 0, 0, 1}));
  EXPECT_THAT(Log(), HasSubstr("   File a/0113.txt not read. Cannot read file \"" + dir_ +
                               "/a/0113.txt\". Not a regular file (a FIFO)\r\n"));
  EXPECT_THAT(Log(), HasSubstr("   File a/0114.txt not read. Cannot read file \"" + dir_ +
                               "/a/0114.txt\". Not a regular file (a device)\r\n"));
  EXPECT_THAT(Log(), HasSubstr("Calculating done"));

  // 1 MB and one byte, past a bound of 1 MB.
  std::string ini = ReadBytes(dir_ + "/Melquon.ini");
  ini.insert(ini.find("ArchivePath"), "MaxDayFileMB=1\r\n");
  Write("Melquon.ini", ini);
  LoadSettings();
  ASSERT_EQ(Engine().Settings.MaxDayFileMB, 1);
  Write("a/0112.txt", rise + fall + std::string((1 << 20) + 1 - rise.size() - fall.size(), ' '));
  EXPECT_THAT([&] { Calculate("RIH9", 500, 500, kJan12, kJan12 + 1, 100); },
              ThrowsMessage<EFileTooLarge>("Cannot read file \"" + dir_ +
                                           "/a/0112.txt\". It is larger than 1 MB; MaxDayFileMB "
                                           "in the COMMON section of the settings file raises it"));
  EXPECT_THAT(Log(), Not(HasSubstr("Calculating done")));
  Write("a/0112.txt", rise + fall + std::string((1 << 20) - rise.size() - fall.size(), ' '));
  EXPECT_EQ((*Calculate("RIH9", 500, 500, kJan12, kJan12 + 1, 100))[0].Result, 1);

  // A sparse file of 3 GB: its text ends at the first of its NUL bytes, read in one piece.
  ini.replace(ini.find("MaxDayFileMB=1\r\n"), 16, "MaxDayFileMB=4096\r\n");
  Write("Melquon.ini", ini);
  LoadSettings();
  Write("a/0112.txt", rise + fall);
  fs::resize_file(dir_ + "/a/0112.txt", std::uint64_t{3} << 30);
  TQuoteLines lines;
  lines.LoadFromFile(dir_ + "/a/0112.txt", Engine().Settings.MaxDayFileBytes());
  EXPECT_EQ(std::pair(lines.Count(), lines.ByteSize()),
            std::pair(std::size_t{3}, (rise + fall).size()));
  EXPECT_EQ((*Calculate("RIH9", 500, 500, kJan12, kJan12 + 1, 100))[0].Result, 1);
}

// The interval line with its columns as printed.
std::string Line(const char* aInterval, const char* aCount, const char* aPoints,
                 const char* aSquare) {
  return std::string("Интервал: ") + aInterval + "; закрыто позиций: " + aCount +
         "; закрыто пунктов: " + aPoints + "; КвадратФактор: " + aSquare + "\r\n";
}

const std::string kHeading = "За весь период по интервалам:\r\n\r\n";
const std::string kByDate = "\r\nПо датам:\r\n";

TEST_F(EngineTest, ReportTextHasTheWholePeriodThenOneBlockPerDay) {
  TVolatilityRes result(2, kJan12, 500, 100, 2);
  result.Items[0].Result = 3;
  result.Items[0].ResultPerDays = {0, 3};
  const std::string closed3 = Line("500     ", "3       ", "1500    ", "750000");
  const std::string none600 = Line("600     ", "0       ", "0       ", "0");
  std::string text = "previous contents";
  GetReportText(result, text);
  EXPECT_EQ(text, kHeading + closed3 + none600 + kByDate + "\r\n12.01.2009\r\n" +
                      Line("500     ", "0       ", "0       ", "0") + none600 +
                      "\r\n13.01.2009\r\n" + closed3 + none600);
  // Numbers wider than their column push the rest of the line; products are exact.
  TVolatilityRes wide(0, kJan12, 123456789, 1, 2);
  wide.Items[0].Result = 12345678;
  wide.Items[1].Result = 123456;
  EXPECT_EQ(
      GetReportText(wide),
      kHeading + Line("123456789", "12345678", "1524157763907942", "188167623461494610918238") +
          Line("123456790", "123456  ", "15241481466240", "1881664376666483769600") + kByDate);
  EXPECT_EQ(SquareFactorText(INT_MIN, INT_MIN), "-9903520314283042199192993792");
  EXPECT_EQ(GetReportText(TVolatilityRes(-3, kJan12, 500, 100, 0)), kHeading + kByDate);
  RegionalFormats().ShortDateFormat = "M/d/yyyy";
  RegionalFormats().DateSeparator = '/';
  EXPECT_EQ(GetReportText(TVolatilityRes(2, kJan12, 500, 100, 0)),
            kHeading + kByDate + "\r\n1/12/2009\r\n\r\n1/13/2009\r\n");
}

TEST_F(EngineTest, ReportFileGetsWindows1251BytesBesideTheSettingsOrInPlaceOfTheLog) {
  const std::string bytes =
      "\xC7\xE0 \xE2\xE5\xF1\xFC \xEF\xE5\xF0\xE8\xEE\xE4 \xEF\xEE "
      "\xE8\xED\xF2\xE5\xF0\xE2\xE0\xEB\xE0\xEC:\r\n\r\n\r\n\xCF\xEE \xE4\xE0\xF2\xE0\xEC:\r\n\r\n";
  const std::string text = GetReportText(TVolatilityRes(0, kJan12, 500, 100, 0));
  Start();
  Write("elsewhere.txt", "an older and much longer report text");
  for (const std::string& name : {dir_ + "/elsewhere.txt", "report.txt"s}) {
    Engine().Settings.ReportFileName = name;
    WriteReportFile(Engine(), text);
    EXPECT_EQ(ReadBytes(fs::path(dir_) / name), bytes) << name;
  }
  Engine().Settings.ReportFileName.clear();
  WriteReportFile(Engine(), text);
  EXPECT_EQ(Log(), bytes);
}

}  // namespace
}  // namespace melquon

namespace melquon {
namespace {

// Settings beside the executable keep the program there; otherwise the user's own folder is
// made once, with the installed sample settings reading the installed sample archive.
TEST(ProgramFolderTest, BesideTheExecutableOrTheUsersOwnFolder) {
  namespace fs = std::filesystem;
  std::string root = (fs::temp_directory_path() / "melquon-folder-XXXXXX").string();
  ASSERT_NE(::mkdtemp(root.data()), nullptr);
  const std::string exe = root + "/bin/", data = root + "/share/melquon/", home = root + "/home";
  fs::create_directories(exe);
  fs::create_directories(data + "archive");
  std::ofstream(data + "Melquon.ini", std::ios::binary)
      << "; \xCF\xF0\xE8\xEC\xE5\xF0\r\n[COMMON]\r\nArchivePath=archive/\r\nFindWhat=x\r\n";
  const std::string folder = ProgramFolder(exe, home, data);
  EXPECT_EQ(folder, home + "/melquon/");
  EXPECT_EQ(ReadFileBytes(folder + "Melquon.ini"),
            "; \xCF\xF0\xE8\xEC\xE5\xF0\r\n[COMMON]\r\nArchivePath=" + root +
                "/share/melquon/archive/\r\nFindWhat=x\r\n");
  // The user's own settings stay as the user left them.
  std::ofstream(folder + "Melquon.ini", std::ios::binary) << "[COMMON]\r\n";
  EXPECT_EQ(ProgramFolder(exe, home, data), folder);
  EXPECT_EQ(ReadFileBytes(folder + "Melquon.ini"), "[COMMON]\r\n");
  std::ofstream(exe + "Melquon.ini") << "";
  EXPECT_EQ(ProgramFolder(exe, home, data), exe);
  fs::remove(exe + "Melquon.ini");
  std::ofstream(root + "/file") << "";
  EXPECT_THAT([&] { ProgramFolder(exe, root + "/file", data); },
              testing::ThrowsMessage<EInOutError>(
                  testing::StartsWith("Cannot create folder \"" + root + "/file/melquon/\".")));
  fs::remove_all(root);
}

}  // namespace
}  // namespace melquon
