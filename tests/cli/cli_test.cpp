#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/cli_run.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "runtime/cp1251.h"

namespace melquon::cli {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Args = std::vector<std::string_view>;

auto Fields(const CliOptions& o) {
  return std::tuple(o.IniFileName, o.Contract, o.DateFrom, o.DateTo, o.IntervalFrom, o.IntervalTo,
                    o.IntervalStep, o.CsvFileName, o.Quiet, o.Help, o.SummaryJsonFileName,
                    o.Threads, o.EventsFileName, o.DayStatsFileName, o.ExplainLines, o.CsvSeparator,
                    o.CsvDecimalComma);
}

TEST(CliOptions, EveryOptionTakesItsValueEitherWayAndTheLastOneWins) {
  EXPECT_EQ(Fields(ParseCliOptions({})), Fields(CliOptions{}));
  const CliOptions all{"a.ini", "SiH9",    39825.0, 39836.0, -500,     2000,
                       100,     "out.csv", true,    false,   "s.json", 3,
                       1,       "ev.csv",  "d.csv", 5,       ';',      true};
  EXPECT_EQ(Fields(ParseCliOptions({"--ini",
                                    "a.ini",
                                    "--contract",
                                    "SiH9",
                                    "--from",
                                    "12012009",
                                    "--to",
                                    "23012009",
                                    "--interval-from",
                                    "-500",
                                    "--interval-to",
                                    "0x7D0",
                                    "--interval-step",
                                    "100",
                                    "--csv",
                                    "out.csv",
                                    "--quiet",
                                    "--summary-json",
                                    "s.json",
                                    "--threads",
                                    "3",
                                    "--events",
                                    "ev.csv",
                                    "--day-stats",
                                    "d.csv",
                                    "--explain",
                                    "5",
                                    "--csv-separator",
                                    ";",
                                    "--csv-decimal-comma"})),
            Fields(all));
  EXPECT_EQ(
      Fields(ParseCliOptions({"--ini=a.ini", "--contract=SiH9", "--from=12012009", "--to=23012009",
                              "--interval-from=-500", "--interval-to=0x7D0", "--interval-step=100",
                              "--csv=out.csv", "--quiet", "--summary-json=s.json", "--threads=3",
                              "--log-level=1", "--events=ev.csv", "--day-stats=d.csv",
                              "--explain=5", "--csv-separator=;", "--csv-decimal-comma"})),
      Fields(all));
  EXPECT_EQ(
      Fields(ParseCliOptions({"--contract", "RIH9", "--contract=--quiet", "-h"})),
      Fields(CliOptions{
          {}, "--quiet", {}, {}, {}, {}, {}, {}, false, true, {}, {}, {}, {}, {}, {}, ',', false}));
}

TEST(CliOptions, BadCommandLinesNameTheirFault) {
  for (const auto& [args, message] :
       {std::pair{Args{"--from", "31022009"},
                  "--from: '31022009' is not a date of the form DDMMYYYY"},
        std::pair{Args{"--interval-to", "2147483648"},
                  "--interval-to: '2147483648' is not a 32-bit integer"},
        std::pair{Args{"--interval-step="}, "--interval-step: '' is not a 32-bit integer"},
        std::pair{Args{"--ini"}, "--ini needs a value"},
        std::pair{Args{"--quiet", "--csv"}, "--csv needs a value"},
        std::pair{Args{"--quiet=yes"}, "--quiet takes no value"},
        std::pair{Args{"--contract", "-h"}, "--contract needs a value"},
        std::pair{Args{"--interval-step", "0"}, "--interval-step: the interval step can't be 0"},
        std::pair{Args{"--interval-step=-0"}, "--interval-step: the interval step can't be 0"},
        std::pair{Args{"--explain", "-1"}, "--explain: the number of lines can't be negative"},
        std::pair{Args{"--csv-separator", "tab"}, "--csv-separator: the separator must be , or ;"},
        std::pair{Args{"--csv-decimal-comma"}, "--csv-decimal-comma needs --csv-separator ';'"},
        std::pair{Args{"--threads", "0"}, "--threads: the number of threads must be from 1 to 256"},
        std::pair{Args{"--threads=257"}, "--threads: the number of threads must be from 1 to 256"},
        std::pair{Args{"--threads=two"}, "--threads: 'two' is not a 32-bit integer"},
        std::pair{Args{"--log-level=4"}, "--log-level: the log level must be from 0 to 3"},
        std::pair{Args{"--log-level", "-1"}, "--log-level: the log level must be from 0 to 3"},
        std::pair{Args{"report.txt"}, "unexpected argument 'report.txt'"}})
    EXPECT_THAT([&] { ParseCliOptions(args); }, ThrowsMessage<CliUsageError>(message));
  // An option followed by another option lacks its value, whichever it is.
  for (const std::string_view option : {"--ini", "--contract", "--from", "--to", "--interval-from",
                                        "--interval-to", "--interval-step", "--csv"}) {
    for (const std::string_view next : {"--quiet", "--help", "--contract", "--csv=x"}) {
      EXPECT_THAT(
          [&] {
            ParseCliOptions({option, next, "x"});
          },
          ThrowsMessage<CliUsageError>(std::string(option) + " needs a value"))
          << next;
    }
  }
  TDateTime date = 0.0;
  EXPECT_TRUE(TryParseCliDate("29022008", date));
  EXPECT_EQ(date, 39507.0);
  EXPECT_TRUE(TryParseCliDate("01010001", date));
  for (const char* text :
       {"29022009", "01010000", "00002009", "1.01.2009", "+1012009", "2301200", "230120091", ""})
    EXPECT_FALSE(TryParseCliDate(text, date)) << text;
}

TEST(CliNotices, ShowTheFirstLineCutByCharacters) {
  // Each case: the notice, the longest shown, what is shown.
  for (const auto& [text, length, shown] :
       {std::tuple{"error writing message x", 160, "error writing message x"},
        std::tuple{"error writing message a\r\nb\r\n", 160, "error writing message a..."},
        std::tuple{"a\nb", 160, "a..."}, std::tuple{"abcdef", 3, "abc..."},
        std::tuple{"abc", 3, "abc"}, std::tuple{"Отчёт", 3, "Отч..."},
        std::tuple{"Отчёт", 5, "Отчёт"}, std::tuple{"", 3, ""}})
    EXPECT_EQ(ShortNotice(text, static_cast<std::size_t>(length)), shown) << text;
  EXPECT_EQ(ShortNotice(std::string(1000, 'x'), 160), std::string(160, 'x') + "...");
}

TEST(CliProgress, ShowsOnATerminalOnlyAfterTheFirstSecondAndBlanksItsLineAtTheEnd) {
  std::ostringstream out;
  std::chrono::steady_clock::time_point now{};
  DayProgressDisplay display(out, true, [&now] { return now; });
  DayProgressDisplay noTerminal(out, false, [&now] { return now; });
  display.Show(0, 10);
  now += std::chrono::seconds(1);
  display.Show(1, 10);
  now += std::chrono::milliseconds(1);
  noTerminal.Show(3, 10);
  noTerminal.Finish();
  EXPECT_EQ(out.str(), "");
  display.Show(8, 10);
  display.Show(9, 10);
  display.Show(0, 9);
  display.Finish();
  EXPECT_EQ(out.str(), "\rday 9 of 10\rday 10 of 10\rday 1 of 9  \r" + std::string(12, ' ') + "\r");
}

std::string ReadBytes(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The tool in a fresh folder: inside the test process on a settings file with a Russian comment
// and a three-day archive whose counts are known by hand, or built as a user starts it.
class CliRunTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = (fs::temp_directory_path() / "melquon-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir_.data()), nullptr);
    ini_ = dir_ + "/Melquon.ini";
    std::ofstream(ini_, std::ios::binary)
        << "; \xCF\xF0\xEE\xE1\xED\xFB\xE9 \xE0\xF0\xF5\xE8\xE2\r\n[COMMON]\r\nArchivePath=a/\r\n"
           "DataFileTemplate=$MM$DD.txt\r\nFindWhat=^$CONTRACT;([\\d:]+);([\\d.]+)$\r\n"
           "ReplaceWith=CONTRACT=$2&DT=$1\r\nReportFileName=report.txt\r\n[DEFAULT]\r\n"
           "Contract=RIH9\r\nDateFrom=11012009\r\nDateTo=14012009\r\nIntervalFrom=500\r\n"
           "IntervalTo=1000\r\nIntervalStep=500\r\n";
    fs::create_directory(dir_ + "/a");
    std::ofstream(dir_ + "/a/0112.txt") << "RIH9;10:30:00;150000\r\nRIH9;10:31:00;151230\r\n"
                                           "RIH9;10:32:00;150700\r\nRIH9;10:33:00;150450\r\n";
    std::ofstream(dir_ + "/a/0114.txt") << "RIH9;11:00:00;149000\r\nRIH9;11:01:00;151000\r\n";
    std::ofstream(dir_ + "/a/0115.txt") << "RIH9;11:00:00;100000\r\n";
  }

  void TearDown() override { fs::remove_all(dir_); }

  int Run(const Args& aArgs, const std::string& aProgramDirectory = "/none/") {
    out_.str("");
    err_.str("");
    CliEnvironment environment{aProgramDirectory, out_, err_, false};
    return RunCli(aArgs, environment);
  }

  // The exit status of a built program, its standard output in the file "out". In the C locale,
  // so that the regional formats are the home formats; no argument holds a single quote.
  int Spawn(const std::string& aProgram, const std::vector<std::string>& aArgs) const {
    std::string command = "LC_ALL=C '" + aProgram + "'";
    for (const std::string& arg : aArgs)
      command += " '" + arg + "'";
    const int status = std::system((command + " >" + dir_ + "/out 2>/dev/null </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string dir_, ini_;
  std::ostringstream out_, err_;
};

TEST_F(CliRunTest, SettingsGiveWhatOptionsDontAndTheReportGoesToOutputAndFile) {
  ASSERT_EQ(Run({"--ini", ini_}), kExitDone) << err_.str();
  EXPECT_THAT(
      out_.str(),
      StartsWith("За весь период по интервалам:\r\n\r\nИнтервал: 500     ; закрыто "
                 "позиций: 6       ; закрыто пунктов: 3000    ; КвадратФактор: 1500000\r\n"));
  // The last day is included, no more: its block is the last, with no dot after its date.
  EXPECT_THAT(out_.str(), ContainsRegex("\r\n14\\.01\\.2009\r\n[^.]*$"));
  EXPECT_EQ(Cp1251ToUtf8(ReadBytes(dir_ + "/report.txt")), out_.str() + "\r\n");
  // Read on one thread or several, at any log level, the report is the same; the log keeps
  // what its level asks for.
  for (const auto& [threads, level, logged] :
       {std::tuple("1", "2", true), std::tuple("5", "2", true), std::tuple("2", "1", false)}) {
    const std::string report = out_.str();
    ASSERT_EQ(Run({"--ini", ini_, "--threads", threads, "--log-level", level}), kExitDone)
        << err_.str();
    EXPECT_EQ(out_.str(), report) << threads;
    EXPECT_EQ(ReadBytes(dir_ + "/Melquon.log").find("Calculating done") != std::string::npos,
              logged)
        << level;
  }
  // The settings file beside the program by default.
  ASSERT_EQ(Run({"--quiet", "--csv", dir_ + "/f.csv", "--from", "12012009", "--to", "13012009",
                 "--interval-from", "1000", "--interval-step", "-500", "--interval-to", "500"},
                dir_ + "/"),
            kExitDone);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(ReadBytes(dir_ + "/f.csv"),
            "date,interval,closed_positions,closed_points,square_factor\r\nall,1000,0,0,0\r\n"
            "all,500,1,500,250000\r\n2009-01-12,1000,0,0,0\r\n2009-01-12,500,1,500,250000\r\n"
            "2009-01-13,1000,0,0,0\r\n2009-01-13,500,0,0,0\r\n");
  // The moves and the day figures of the same run, as they are and for a spreadsheet set to a
  // Russian locale.
  for (const auto& [options, moves, days] :
       {std::tuple(Args{},
                   "date,time,line,interval,side,count,old_extreme,new_extreme\r\n"
                   "2009-01-12,10:33:00.000,3,500,down,1,151230,150450\r\n",
                   "date,ticks,first,high,low,last,range,realized_variance,parkinson\r\n"
                   "2009-01-12,4,150000,151230,150000,150450,1230,1856300,0.00002405432340150835"
                   "\r\n2009-01-13,0,,,,,,,\r\n"),
        std::tuple(Args{"--csv-separator", ";", "--csv-decimal-comma"},
                   "date;time;line;interval;side;count;old_extreme;new_extreme\r\n"
                   "2009-01-12;10:33:00,000;3;500;down;1;151230;150450\r\n",
                   "date;ticks;first;high;low;last;range;realized_variance;parkinson\r\n"
                   "2009-01-12;4;150000;151230;150000;150450;1230;1856300;0,00002405432340150835"
                   "\r\n2009-01-13;0;;;;;;;\r\n")}) {
    const std::string events = dir_ + "/e.csv", dayStats = dir_ + "/d.csv", csv = dir_ + "/f.csv";
    Args args{"--ini",    ini_,   "--quiet",     "--from", "12012009", "--to", "13012009",
              "--events", events, "--day-stats", dayStats, "--csv",    csv};
    args.insert(args.end(), options.begin(), options.end());
    ASSERT_EQ(Run(args), kExitDone) << err_.str();
    EXPECT_EQ(ReadBytes(events), moves);
    EXPECT_EQ(ReadBytes(dayStats), days);
  }
  EXPECT_EQ(ReadBytes(dir_ + "/f.csv").substr(0, 70),
            "date;interval;closed_positions;closed_points;square_factor\r\nall;500;1;");
  EXPECT_EQ(Run({"--help"}), kExitDone);
  EXPECT_EQ(out_.str(), CliUsageText());
  EXPECT_EQ(Run({"--version"}), kExitDone);
  EXPECT_THAT(out_.str(), MatchesRegex("melquon-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

using Failure = std::tuple<Args, int, std::string>;

TEST_F(CliRunTest, FailuresWriteOnlyTheirMessage) {
  const std::string csv = dir_ + "/x.csv", missing = dir_ + "/missing.ini";
  const std::string fifo = dir_ + "/fifo.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const auto& [args, status, err] :
       {Failure{{"--ini", fifo},
                2,
                "--ini: Cannot read file \"" + fifo + "\". Not a regular file (a FIFO)"},
        Failure{{"--ini", "/dev/zero"},
                2,
                "--ini: Cannot read file \"/dev/zero\". Not a regular file (a device)"},
        Failure{{"--ini", ini_, "--to", "x"}, 2, "--to: 'x' is not a date of the form DDMMYYYY"},
        Failure{{"--ini", missing}, 2, "--ini: settings file '" + missing + "' not found"},
        Failure{{"--ini", ini_, "--interval-step", "0", "--csv", csv},
                2,
                "--interval-step: the interval step can't be 0"},
        Failure{{"--ini", ini_, "--contract", "--quiet"}, 2, "--contract needs a value"},
        // The table of moves was begun before the run failed: nothing of it is left.
        Failure{{"--ini", ini_, "--interval-from", "1", "--interval-to", "2000000000",
                 "--interval-step", "1", "--events", csv},
                1,
                "The result set of 2000000000 interval values over 4 days would take more than 1 "
                "GiB of memory"}}) {
    EXPECT_EQ(Run(args), status);
    EXPECT_EQ(err_.str(), status == kExitBadArguments
                              ? "melquon-cli: " + err + "\n\n" + CliUsageText()
                              : "melquon-cli: " + err + "\n");
    EXPECT_EQ(out_.str(), "");
    EXPECT_FALSE(fs::exists(dir_ + "/report.txt") || fs::exists(csv));
    EXPECT_EQ(fs::exists(dir_ + "/Melquon.log"), status == kExitRunFailed) << err;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".~"), std::string::npos) << entry.path();
  EXPECT_EQ(Run({}, dir_ + "/a/"), kExitRunFailed);
  EXPECT_EQ(err_.str(), "melquon-cli: Settings file " + dir_ + "/a/Melquon.ini not found\n");
}

// Each output file that is not written makes the run fail with one line naming it and why; the
// log's own notices come before it, one line each.
TEST_F(CliRunTest, AnOutputFileNotWrittenFailsTheRun) {
  const std::string noFolder = dir_ + "/no/";
  const std::string notice = "За весь период по интервалам:...\n";
  ASSERT_EQ(Run({"--ini", ini_, "--csv", noFolder + "x.csv", "--quiet"}), kExitRunFailed);
  EXPECT_EQ(err_.str(), "melquon-cli: Cannot create file \"" + noFolder +
                            "x.csv\". No such file or directory\n");
  EXPECT_FALSE(fs::exists(dir_ + "/report.txt")) << "a failed CSV file leaves the report alone";
  // The table of moves is written while the run goes on: a file that can't be made stops it first.
  for (const char* option : {"--events", "--day-stats"}) {
    ASSERT_EQ(Run({"--ini", ini_, option, noFolder + "t.csv", "--quiet"}), kExitRunFailed);
    EXPECT_EQ(err_.str(), "melquon-cli: Cannot create file \"" + noFolder +
                              "t.csv\". No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir_ + "/report.txt")) << option;
  }

  std::string ini = ReadBytes(ini_);
  ini.replace(ini.find("ReportFileName=report.txt"), 25, "ReportFileName=no/report.txt");
  std::ofstream(ini_, std::ios::binary | std::ios::trunc) << ini;
  const std::string csv = dir_ + "/x.csv";
  for (const bool quiet : {false, true}) {
    Args args{"--ini", ini_, "--csv", csv};
    if (quiet) {
      args.push_back("--quiet");
    }
    ASSERT_EQ(Run(args), kExitRunFailed);
    // Without --quiet the summary of what was read comes first.
    const std::string err = err_.str();
    EXPECT_EQ(err.starts_with("Контракт RIH9, 11.01.2009 – 14.01.2009"), !quiet) << err;
    EXPECT_EQ(err.substr(err.find("melquon-cli: ")),
              "melquon-cli: error rewriting message " + notice +
                  "melquon-cli: error writing message " + notice +
                  "melquon-cli: error closing message " + notice +
                  "melquon-cli: Cannot write file \"" + noFolder +
                  "report.txt\". No such file or directory\n");
    EXPECT_EQ(out_.str().starts_with("За весь период по интервалам:\r\n"), !quiet);
    EXPECT_TRUE(fs::exists(csv));
  }
  // A step of 0 from the settings file is refused as the option's is.
  ini.replace(ini.find("IntervalStep=500"), 16, "IntervalStep=0");
  std::ofstream(ini_, std::ios::binary | std::ios::trunc) << ini;
  ASSERT_EQ(Run({"--ini", ini_}), kExitBadArguments);
  EXPECT_EQ(err_.str(), "melquon-cli: the interval step is 0 (IntervalStep in " + ini_ +
                            "); give another with --interval-step\n\n" + CliUsageText());
  EXPECT_EQ(Run({"--ini", ini_, "--interval-step", "500", "--quiet"}), kExitRunFailed)
      << "the report file's folder is still missing";
}

TEST_F(CliRunTest, BuiltToolOnTheSampleArchiveClosesPositionsAtEveryInterval) {
  fs::copy_file(MELQUON_SAMPLE_INI, ini_, fs::copy_options::overwrite_existing);
  ASSERT_EQ(Spawn(MELQUON_SAMPLE_GENERATOR, {dir_ + "/archive"}), 0);
  ASSERT_EQ(Spawn(MELQUON_CLI_EXE, {"--ini", ini_, "--csv", dir_ + "/sample.csv"}), 0);
  // 23 January is the last day block: no dot follows it.
  EXPECT_THAT(ReadBytes(dir_ + "/out"),
              MatchesRegex("За весь период по интервалам:\r\n.*\r\n12\\.01\\.2009\r\n"
                           ".*\r\n23\\.01\\.2009\r\n[^.]*"));
  const std::string csv = ReadBytes(dir_ + "/sample.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 16 + 12 * 16);
  EXPECT_THAT(csv, ContainsRegex("\nall,500,[^\n]*\nall,600,.*\nall,2000,[^\n]*\n2009-01-12,500,"));
  EXPECT_THAT(csv, Not(ContainsRegex("all,[0-9]+,0,"))) << "an interval closed no position";
  EXPECT_EQ(Spawn(MELQUON_CLI_EXE, {"--ini", ini_, "--interval-step", "0"}), kExitBadArguments);
  EXPECT_EQ(Spawn(MELQUON_CLI_EXE, {"--ini", ini_, "--contract", "--quiet"}), kExitBadArguments);
  // A script sees a report file that could not be written.
  std::string ini = ReadBytes(ini_);
  ini.replace(ini.find("ReportFileName=report.txt"), 25, "ReportFileName=no/report.txt");
  std::ofstream(ini_, std::ios::binary | std::ios::trunc) << ini;
  EXPECT_EQ(Spawn(MELQUON_CLI_EXE, {"--ini", ini_, "--quiet"}), kExitRunFailed);
  EXPECT_EQ(Spawn(MELQUON_CLI_EXE, {"--ini", ini_, "--from", "32012009"}), kExitBadArguments);
}

// Every line of a day counts once, by what became of it; the figures add up to the lines.
// --explain goes through the first day file that exists, a line of each kind, instead of the run.
TEST_F(CliRunTest, ExplainShowsTheVerdictOfEachLineAndCountsThemAll) {
  std::ofstream(ini_, std::ios::binary | std::ios::app)
      << "[SKIP INTERVALS]\r\nSKIPSTART1=1130\r\nSKIPEND1=1230\r\n";
  std::ofstream(dir_ + "/a/0111.txt") << "RIH9;10:30:00;150000\r\nSIH9;10:30:00;5\r\n"
                                         "RIH9;25:61:00;150000\r\nRIH9;12:00:00;150100\r\n"
                                         "RIH9;12:00:01;150100\r\n";
  ASSERT_EQ(Run({"--ini", ini_, "--explain", "4"}), kExitDone) << err_.str();
  EXPECT_EQ(out_.str(), "file\t" + dir_ + "/a/0111.txt\n" +
                            "0\taccepted\t150000\t10:30:00\t10:30:00.000\tпринята\n"
                            "1\tno_price\t\t\t\tцена не число — другой контракт или строка не "
                            "подошла к шаблону\n"
                            "2\tunreadable\t150000\t25:61:00\t\tDT не читается: '25:61:00' is "
                            "not a valid date and time\n"
                            "3\tskipped\t150100\t12:00:00\t12:00:00.000\tв окне пропуска 1\n"
                            "accepted\t1\nno_price\t1\nskipped\t2\nunreadable\t1\n");
  EXPECT_EQ(err_.str(), "");
  EXPECT_FALSE(fs::exists(dir_ + "/report.txt")) << "no run";
  fs::remove(dir_ + "/a/0111.txt");
  ASSERT_EQ(Run({"--ini", ini_, "--explain", "0", "--from", "13012009", "--to", "13012009"}),
            kExitRunFailed);
  EXPECT_EQ(err_.str(), "melquon-cli: No day file of the run exists; the first looked for is " +
                            dir_ + "/a/0113.txt\n");
}

TEST_F(CliRunTest, SummaryCountsEveryKindOfLine) {
  std::ofstream(ini_, std::ios::binary | std::ios::app)
      << "[SKIP INTERVALS]\r\nSKIPSTART1=1200\r\nSKIPEND1=1230\r\n";
  std::ofstream(dir_ + "/a/0120.txt", std::ios::binary)
      << "TICKER;TIME;PRICE\r\n"      // no item: no price
         "RIH9;10:30:00;150000\r\n"   // accepted
         "SIH9;10:30:01;30000\r\n"    // another contract: no price
         "RIH9;12:15:00;150100\r\n"   // in the skip window
         "RIH9;99:99:99;150200\r\n"   // DT unreadable
         "RIH9;10:31:00;1.2.3\r\n"    // CONTRACT no price
         "RIH9;10:32:00;151000\r\n";  // accepted
  const std::string json = dir_ + "/summary.json";
  ASSERT_EQ(Run({"--ini", ini_, "--from", "20012009", "--to", "20012009", "--summary-json", json}),
            kExitDone);
  const std::string written = ReadBytes(json);
  EXPECT_EQ(written.substr(0, written.find(", \"seconds\"")),
            "{\"contract\": \"RIH9\", \"days\": 1, \"day_files\": 1, \"lines\": 7, "
            "\"accepted\": 2, \"skipped\": 1, \"unreadable\": 1, \"no_price\": 3");
  EXPECT_THAT(written, EndsWith(", \"reason\": \"\"}\n"));
  EXPECT_THAT(
      err_.str(),
      StartsWith("Контракт RIH9, 20.01.2009 – 20.01.2009, интервалы 500 – 1000 с шагом 500\n"
                 "Дней: 1, с файлом: 1, без файла: 0\n"
                 "Строк прочитано: 7; принято: 2; в окнах пропуска: 1; с нечитаемыми "
                 "датой и временем: 1; без цены (другие контракты и строки не по "
                 "шаблону): 3\nВремя: "));
}

// A run that counted nothing says why, with the evidence, even with --quiet; it still exits 0.
TEST_F(CliRunTest, ARunThatCountedNothingSaysWhy) {
  std::ofstream(dir_ + "/a/0120.txt", std::ios::binary) << "RIH9;99:99:99;150000\r\n";
  std::ofstream(dir_ + "/a/0121.txt", std::ios::binary) << "RIH9;10:00:00;1.2.3\r\n";
  const std::pair<Args, std::string> cases[] = {
      {{"--from", "01022009", "--to", "02022009"},
       "Ничего не посчитано: не найден ни один файл дня. Первым искался файл\n" + dir_ +
           "/a/0201.txt\nПроверьте ArchivePath (в конце нужен разделитель) и DataFileTemplate.\n"},
      {{"--contract", "LKH9", "--from", "12012009", "--to", "12012009"},
       "Ничего не посчитано: ни одна строка не подошла к шаблону FindWhat для контракта LKH9.\n"
       "Шаблон: ^LKH9;([\\d:]+);([\\d.]+)$\nПервые строки первого файла:\n"
       "  RIH9;10:30:00;150000\n  RIH9;10:31:00;151230\n  RIH9;10:32:00;150700\n"},
      {{"--from", "20012009", "--to", "20012009"},
       "Ничего не посчитано: ни в одной строке не прочитаны дата и время (DT). Первое значение "
       "DT: «99:99:99».\nОжидаются дата в виде dd.MM.yyyy и время в виде H:mm:ss.\n"},
      {{"--from", "21012009", "--to", "21012009"},
       "Ничего не посчитано: ни одна цена (CONTRACT) не прочитана. Первое значение CONTRACT: "
       "«1.2.3».\nЦена пишется цифрами, с точкой перед дробной частью.\n"},
  };
  for (const auto& [options, reason] : cases) {
    Args args{"--ini", ini_, "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(Run(args), kExitDone);
    EXPECT_EQ(err_.str(), reason);
  }
}

// Memory running out is a failed run like any other: one line, exit 1, the old report kept.
TEST_F(CliRunTest, BuiltToolOutOfMemoryFailsTheRunAndKeepsTheReport) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#endif
  std::ofstream(dir_ + "/report.txt", std::ios::binary) << "old report\r\n";
  // Five million interval values want some 400 MB, more than the 300 MB of address space.
  const std::string command = "ulimit -v 300000; LC_ALL=C '" MELQUON_CLI_EXE "' --ini '" + ini_ +
                              "' --quiet --interval-from 1 --interval-to 5000000 "
                              "--interval-step 1 2>'" +
                              dir_ + "/err' </dev/null";
  const int status = std::system(("bash -c \"" + command + "\"").c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitRunFailed);
  EXPECT_EQ(ReadBytes(dir_ + "/err"),
            "melquon-cli: Out of memory: the run needs more memory than the system gives it\n");
  EXPECT_EQ(ReadBytes(dir_ + "/report.txt"), "old report\r\n");
}

TEST_F(CliRunTest, BuildCopiesTheSettingsFileOnlyWhenNoneIsThere) {
  const auto copy = [this](const std::string& aDestination) {
    return Spawn(MELQUON_CMAKE, {"-DSOURCE=" MELQUON_SAMPLE_INI, "-DDESTINATION=" + aDestination,
                                 "-P", MELQUON_COPY_IF_MISSING});
  };
  std::ofstream(ini_, std::ios::binary) << "[DEFAULT]\r\nContract=SiH9\r\n";
  EXPECT_EQ(copy(ini_), 0);
  EXPECT_EQ(ReadBytes(ini_), "[DEFAULT]\r\nContract=SiH9\r\n");
  EXPECT_EQ(copy(dir_ + "/bin/Melquon.ini"), 0);
  EXPECT_EQ(ReadBytes(dir_ + "/bin/Melquon.ini"), ReadBytes(MELQUON_SAMPLE_INI));
}

}  // namespace
}  // namespace melquon::cli
