#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace melquon::cli {
namespace {

const TDateTime kJan12 = 39825.0;  // 12 January 2009

CliOptions Parse(const std::vector<std::string_view>& aArgs) {
  return ParseCliOptions(aArgs);
}

TEST(CliOptionsTest, NothingGivenLeavesEveryValueToTheSettings) {
  const CliOptions options = Parse({});
  EXPECT_FALSE(options.IniFileName || options.Contract || options.DateFrom || options.DateTo ||
               options.IntervalFrom || options.IntervalTo || options.IntervalStep ||
               options.CsvFileName);
  EXPECT_FALSE(options.Quiet);
  EXPECT_FALSE(options.Help);
}

TEST(CliOptionsTest, EveryOptionTakesItsValueEitherWay) {
  const CliOptions separate =
      Parse({"--ini", "a.ini", "--contract", "SiH9", "--from", "12012009", "--to", "23012009",
             "--interval-from", "-500", "--interval-to", "0x7D0", "--interval-step", "100", "--csv",
             "out.csv", "--quiet"});
  const CliOptions joined = Parse({"--ini=a.ini", "--contract=SiH9", "--from=12012009",
                                   "--to=23012009", "--interval-from=-500", "--interval-to=0x7D0",
                                   "--interval-step=100", "--csv=out.csv", "--quiet"});
  for (const CliOptions& options : {separate, joined}) {
    EXPECT_EQ(options.IniFileName, "a.ini");
    EXPECT_EQ(options.Contract, "SiH9");
    EXPECT_EQ(options.DateFrom, kJan12);
    EXPECT_EQ(options.DateTo, kJan12 + 11);
    EXPECT_EQ(options.IntervalFrom, -500);
    EXPECT_EQ(options.IntervalTo, 2000);
    EXPECT_EQ(options.IntervalStep, 100);
    EXPECT_EQ(options.CsvFileName, "out.csv");
    EXPECT_TRUE(options.Quiet);
  }
}

TEST(CliOptionsTest, LaterValuesWinAndValuesMayLookLikeOptions) {
  const CliOptions options = Parse({"--contract", "RIH9", "--contract", "--quiet", "-h"});
  EXPECT_EQ(options.Contract, "--quiet");
  EXPECT_FALSE(options.Quiet);
  EXPECT_TRUE(options.Help);
  EXPECT_EQ(Parse({"--contract="}).Contract, "");
}

TEST(CliOptionsTest, BadCommandLinesNameTheirFault) {
  struct Case {
    std::vector<std::string_view> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--from", "31022009"}, "--from: '31022009' is not a date of the form DDMMYYYY"},
      {{"--to", "1.01.2009"}, "--to: '1.01.2009' is not a date of the form DDMMYYYY"},
      {{"--to", "2301200"}, "--to: '2301200' is not a date of the form DDMMYYYY"},
      {{"--to", "230120091"}, "--to: '230120091' is not a date of the form DDMMYYYY"},
      {{"--from", "00002009"}, "--from: '00002009' is not a date of the form DDMMYYYY"},
      {{"--interval-from", "abc"}, "--interval-from: 'abc' is not a 32-bit integer"},
      {{"--interval-to", "2147483648"}, "--interval-to: '2147483648' is not a 32-bit integer"},
      {{"--interval-step="}, "--interval-step: '' is not a 32-bit integer"},
      {{"--interval-step", "1.5"}, "--interval-step: '1.5' is not a 32-bit integer"},
      {{"--ini"}, "--ini needs a value"},
      {{"--quiet", "--csv"}, "--csv needs a value"},
      {{"--quiet=yes"}, "--quiet takes no value"},
      {{"--verbose"}, "unknown option '--verbose'"},
      {{"-q"}, "unknown option '-q'"},
      {{"report.txt"}, "unexpected argument 'report.txt'"},
  };
  for (const Case& c : cases) {
    try {
      Parse(c.args);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const CliUsageError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(CliOptionsTest, DatesAreEightDigitsOfARealDay) {
  TDateTime date = 0.0;
  EXPECT_TRUE(TryParseCliDate("29022008", date));
  EXPECT_EQ(date, 39507.0);
  EXPECT_FALSE(TryParseCliDate("29022009", date));
  EXPECT_TRUE(TryParseCliDate("01010001", date));
  EXPECT_FALSE(TryParseCliDate("01010000", date));
  EXPECT_FALSE(TryParseCliDate("+1012009", date));
  EXPECT_FALSE(TryParseCliDate("", date));
}

}  // namespace
}  // namespace melquon::cli
