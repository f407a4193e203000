#include "engine/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/ini_file.h"
#include "engine/skip_intervals.h"
#include "log/write_log.h"
#include "runtime/cp1251.h"
#include "runtime/formats.h"
#include "runtime/text_file.h"
#include "tests/support/log_sandbox.h"

// Designated initializers name only the settings a case sets; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace melquon {
namespace {

namespace fs = std::filesystem;

constexpr long long kHour = 3600000, kMinute = 60000;

// A time of day in milliseconds.
constexpr long long T(long long hours, long long minutes = 0) {
  return hours * kHour + minutes * kMinute;
}
const std::string kYa = "\xFF";
constexpr TDateTime k1Jan2009 = 39814.0, k12Jan2009 = 39825.0, k16Jan2009 = 39829.0;
// 30 and 29 December 1899, 1 January 1800, 12 January 2009, 31 December 9999.
constexpr double kDays[] = {0.0, -1.0, -36522.0, k12Jan2009, 2958465.0};

// A date-time as a quote's time is built: whole days plus the time of day, which counts
// forward from midnight also before 30 December 1899, where the whole days are negative.
TDateTime At(double day, long long timeOfDayMs) {
  const double fraction = static_cast<double>(timeOfDayMs) / kMillisecondsPerDay;
  return day < 0 ? day - fraction : day + fraction;
}

// The SKIP INTERVALS section with the values "start 1|end 1|start 2|...".
std::string SkipSection(const std::string& values) {
  std::string text = "[SKIP INTERVALS]\r\n";
  for (std::size_t n = 0, begin = 0; begin <= values.size(); ++n) {
    const std::size_t end = std::min(values.find('|', begin), values.size());
    text += (n % 2 == 0 ? "SKIPSTART" : "SKIPEND") + std::to_string(n / 2 + 1) + "=" +
            values.substr(begin, end - begin) + "\r\n";
    begin = end + 1;
  }
  return text;
}

TSkipIntervals Loaded(const std::string& iniText) {
  TSkipIntervals list;
  list.Load(IniFile::Parse(iniText));
  return list;
}

// The windows as "hh:mm-hh:mm", blank-separated.
std::string Windows(const TSkipIntervals& list) {
  std::string text;
  for (const TSkipInterval& w : list.Items) {
    char window[64];
    std::snprintf(window, sizeof window, " %02lld:%02lld-%02lld:%02lld", w.StartMs / kHour,
                  w.StartMs % kHour / kMinute, w.EndMs / kHour, w.EndMs % kHour / kMinute);
    text += window;
  }
  return text.empty() ? text : text.substr(1);
}

// Loading logs through WriteLog: every test gets a folder and log of its own, the home formats
// and a fixed clock; no message box may be shown, and the log settings are put back.
class SettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    SetLogMessageBox([this](const std::string& text) { boxes_ += text; });
  }
  void TearDown() override {
    SetLogMessageBox({});
    EXPECT_EQ(boxes_, "");
  }
  std::string Ini() const { return dir_ + "/Melquon.ini"; }
  static std::string LogBytes() {
    return FileExists(LogFileName) ? ReadFileBytes(LogFileName) : "";
  }

  test::LogSandbox sandbox_{2};
  const std::string dir_ = sandbox_.Dir();
  std::string boxes_;
};

// Each case is "file text -> value of key K in section S", "(missing)" where there is none.
void CheckReads(std::initializer_list<std::string_view> cases) {
  for (const std::string_view c : cases) {
    const std::string_view text = c.substr(0, c.rfind(" -> "));
    EXPECT_EQ(IniFile::Parse(text).Read("S", "K").value_or("(missing)"), c.substr(text.size() + 4))
        << testing::PrintToString(std::string(text));
  }
}

TEST(IniFileTest, FindsSectionsAndKeysByTheReaderRules) {
  CheckReads({"[s]\r\nk=x -> x", "  [ \tS  ]  \r\nK=1 -> 1", "[S] ; paths\r\nK=1 -> 1",
              "[S\r\nK=1 -> 1", "[S]\r\n \t K \t=1 -> 1", "[A]\r\nK=1\r\n[S]\r\nL=2 -> (missing)",
              "K=1\r\n[S]\r\nL=2 -> (missing)", "[T]\r\nK=1 -> (missing)", " -> (missing)"});
  CheckReads({"[S]\r\nK\r\nL=2 -> (missing)", "[S]\r\n;K=1 -> (missing)",
              "[S]\r\n  ; K=1 -> (missing)", "[S]\r\nK=1\r\nk=2 -> 1",
              "[S]\r\nK=1\r\n[s]\r\nK=2 -> 1", "[S]\r\nL=1\r\n[T]\r\n[S]\r\nK=2 -> (missing)",
              "[S]\nL=1\nK=2\n -> 2", "[S]\rL=1\rK=2 -> 2", "[S]\r\nK=1 -> 1"});
  // A vertical tab is a blank like a space or a tab, around names, keys and values.
  CheckReads({"\v[\vS\v]\v\r\nK=1 -> 1", "[S]\r\n\vK\v=1 -> 1", "[S]\r\nK=\v\t 1 \v -> 1",
              "[S]\r\nK=\v\"\vx\v\"\v -> \vx\v", "[S]\r\n\v;K=1 -> (missing)",
              "[S]\r\nK=a\vb -> a\vb", "[S]\r\nK=\v -> "});
  EXPECT_EQ(IniFile::Parse("[common]\r\narchivepath=x").Read("COMMON", "ArchivePath"), "x");
  EXPECT_EQ(IniFile::Parse("[SKIP INTERVALS]\r\nSKIPSTART1=1").Read("skip intervals", "skipstart1"),
            "1");
  EXPECT_EQ(IniFile::Parse("[SKIP  INTERVALS]\r\nA=1").Read("SKIP INTERVALS", "A"), std::nullopt);
  EXPECT_EQ(IniFile::Parse("[\xC7\xC0\xCC\xC5\xD2\xCA\xC8]\r\n\xA8\xCB\xCA\xC0=1")
                .Read("заметки", "ёлка"),
            "1");
}

// A key set in a text reads back by the same rules, whatever the text, and leaves every other
// line as it was.
TEST(IniFileTest, WithIniValueSetsTheKeyTheReaderFinds) {
  for (const std::string_view text :
       {"[s]\r\nk=x", "  [ \tS  ]  \r\nK=1", "[S] ; paths\r\nK=1", "[S]\r\n \t K \t=1",
        "[A]\r\nK=1\r\n[S]\r\nL=2", "K=1\r\n[S]\r\nL=2", "[T]\r\nK=1", "", "[S]\r\nK",
        "[S]\r\n;K=1", "[S]\r\nK=1\r\nk=2", "[S]\r\nK=1\r\n[s]\r\nK=2",
        "[S]\r\nL=1\r\n[T]\r\n[S]\r\nK=2", "[S]\nL=1\nK=2\n", "[S]\rL=1\rK=2", "[S]\r\nK=1",
        "[S]\r\nL=1\r\n\r\n[T]\r\nM=3\r\n", "[S]"}) {
    const std::string set = WithIniValue(text, "S", "K", "semicolon");
    const IniFile ini = IniFile::Parse(set);
    EXPECT_EQ(ini.Read("S", "K").value_or("(missing)"), "semicolon") << set;
    const IniFile before = IniFile::Parse(text);
    for (const auto& [section, key] :
         {std::pair("S", "L"), std::pair("A", "K"), std::pair("T", "M"), std::pair("T", "K")})
      EXPECT_EQ(ini.Read(section, key), before.Read(section, key)) << set;
  }
  for (const auto& [text, expected] :
       {std::pair("[S]\r\nK = 1 ; x\r\n[T]\r\n", "[S]\r\nK =v\r\n[T]\r\n"),
        std::pair("[S]\r\nL=1\r\n\r\n[T]\r\n", "[S]\r\nL=1\r\nK=v\r\n\r\n[T]\r\n"),
        std::pair("[S]\nL=1", "[S]\nL=1\nK=v\n"), std::pair("a=1", "a=1\r\n\r\n[S]\r\nK=v\r\n"),
        std::pair("", "[S]\r\nK=v\r\n")})
    EXPECT_EQ(WithIniValue(text, "S", "K", "v"), expected);
}

// Integers that don't convert, and files that are unreadable, give the defaults.
TEST_F(SettingsTest, TrimsUnquotesCutsAndConvertsValues) {
  CheckReads({"[S]\r\nK= \t a b \t \r\n -> a b", "[S]\r\nK=b=c -> b=c", "[S]\r\nK= -> ",
              "[S]\r\nK=    -> ", "[S]\r\nK=\"c:\\x y\\\" -> c:\\x y\\", "[S]\r\nK='x' -> x",
              "[S]\r\nK=\" x \" ->  x ", "[S]\r\nK=\"\" -> ", "[S]\r\nK=\"\"x\"\" -> \"x\"",
              "[S]\r\nK=\"a\" \"b\" -> a\" \"b", "[S]\r\nK=\"x' -> \"x'", "[S]\r\nK=\" -> \"",
              "[S]\r\nK=\"x -> \"x", "[S]\r\nK=\xCE\xF2\xF7\xB8\xF2 -> Отчёт"});
  // Values are cut to 2047 characters of the file; a Cyrillic one is two bytes of UTF-8.
  const std::pair<std::string, std::string> longValues[] = {
      {std::string(3000, 'a'), std::string(2047, 'a')},
      {std::string(2048, 'a'), std::string(2047, 'a')},
      {std::string(2047, 'a'), std::string(2047, 'a')},
      {"\"" + std::string(3000, 'b') + "\"", std::string(2047, 'b')},
      {std::string(3000, '\xFF'), Cp1251ToUtf8(std::string(2047, '\xFF'))}};
  for (const auto& [value, expected] : longValues) {
    EXPECT_EQ(IniFile::Parse("[S]\r\nK=" + value).Read("S", "K"), expected) << value.size();
  }
  const std::pair<const char*, std::int32_t> integers[] = {
      {"K=500", 500}, {"K='-7'", -7},  {"K=0x1F4", 500}, {"K=abc", 77},
      {"K=", 77},     {"K=12abc", 77}, {"K=1.5", 77},    {"L=5", 77}};
  for (const auto& [line, expected] : integers) {
    EXPECT_EQ(IniFile::Parse(std::string("[S]\r\n") + line).ReadInteger("S", "K", 77), expected)
        << line;
  }
  EXPECT_EQ(IniFile::Load(dir_).Read("COMMON", "ArchivePath"), std::nullopt);  // unreadable
}

// Dates are ddmmyyyy, the rest ignored; a text that is no valid date gives the zero date-time.
TEST(ReadSettingsTest, ReadsEveryKeyOrItsDefault) {
  const std::pair<const char*, TDateTime> dates[] = {
      {"01012009", k1Jan2009}, {"12012009", k12Jan2009}, {"010120091530", k1Jan2009},
      {"0101200", -620910.0},  {"29022008", 39507.0},    {"01010001", -693593.0},
      {"31129999", 2958465.0}, {"010120", -686654.0}};
  for (const auto& [text, expected] : dates) {
    EXPECT_EQ(IniStrToDate(text), expected) << '"' << text << '"';
  }
  for (const char* text : {"31022009", "29022009", "00012009", "01002009", "01132009", "01010000",
                           "1.01.2009", "0101", "", "-1012009"}) {
    EXPECT_EQ(IniStrToDate(text), 0.0) << '"' << text << '"';
  }

  const TSettings defaults{"c:\\", "", "", "", "RIH9", "", k1Jan2009, 39815.0, 500, 2000, 100};
  const std::pair<std::string, TSettings> cases[] = {
      {"", defaults},
      {"[COMMON]\r\nArchivePath=\r\nDataFileTemplate=\r\nFindWhat=\r\nReplaceWith="
       "\r\nReportFileName=\r\n[DEFAULT]\r\nContract=\r\nDateFrom=\r\nDateTo=",
       {.ArchivePath = "", .Contract = "", .DateFrom = 0.0, .DateTo = 0.0}},
      {"[common]\r\narchivepath=d:\\q\\\r\nDATAFILETEMPLATE=$YY$MM$DD.txt\r\n[Default]\r\ncontract="
       "SiH9",
       {.ArchivePath = "d:\\q\\", .DataFileTemplate = "$YY$MM$DD.txt", .Contract = "SiH9"}},
      {"[COMMON]\r\nReportFileName=\"c:\\My Reports\\rv.txt\"\r\nFindWhat=" +
           std::string(3000, 'x'),
       {.FindWhat = std::string(2047, 'x'), .ReportFileName = "c:\\My Reports\\rv.txt"}},
      {"[DEFAULT]\r\nIntervalStep=abc\r\nIntervalTo=", {}},
      {"[COMMON]\r\nMaxDayFileMB=4096", {.MaxDayFileMB = 4096}},
      {"[COMMON]\r\nMaxDayFileMB=0", {}},
      {"[COMMON]\r\nMaxDayFileMB=-1", {}},
      {"[COMMON]\r\nMaxDayFileMB=2 GB", {}},
      {"[DEFAULT]\r\nIntervalFrom=$64\r\nIntervalTo=-300\r\nIntervalStep=0x1F4",
       {.IntervalFrom = 100, .IntervalTo = -300, .IntervalStep = 500}},
      {"[DEFAULT]\r\nDateFrom=31022009\r\nDateTo=010120091530",
       {.DateFrom = 0.0, .DateTo = k1Jan2009}},
      {"[DEFAULT]\r\nDateFrom=0101200\r\nDateTo=1.01.2009", {.DateFrom = -620910.0, .DateTo = 0.0}},
      {"[DEFAULT]\r\nDateFrom=12012009\r\nDateTo=\"16012009\"",
       {.DateFrom = k12Jan2009, .DateTo = k16Jan2009}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ReadSettings(IniFile::Parse(text)), expected) << text;
  }
  EXPECT_EQ(TSettings{}, defaults);
}

TEST_F(SettingsTest, EachLoadReplacesEverySettingAndWindow) {
  TSettings settings{.Contract = "stale"};
  TSkipIntervals skip;
  ReplaceFileContents(Ini(), "[COMMON]\r\nArchivePath=a\\\r\n[DEFAULT]\r\nIntervalTo=900\r\n" +
                                 SkipSection("1000|1005|1400|1403"));
  LoadSettingsFrom(Ini(), settings, skip);
  EXPECT_EQ(settings, (TSettings{.ArchivePath = "a\\", .IntervalTo = 900}));
  EXPECT_EQ(Windows(skip), "10:00-10:05 14:00-14:03");
  ReplaceFileContents(Ini(), "[DEFAULT]\r\nIntervalFrom=600\r\n" + SkipSection("1000|1005"));
  LoadSettingsFrom(Ini(), settings, skip);
  EXPECT_EQ(settings, (TSettings{.IntervalFrom = 600}));
  EXPECT_EQ(Windows(skip), "10:00-10:05");
  fs::remove(Ini());
  LoadSettingsFrom(Ini(), settings, skip);
  EXPECT_EQ(settings, TSettings{});
  EXPECT_EQ(skip.Count(), 0u);
  EXPECT_EQ(LogBytes(), "");
}

// Relative paths are taken from the settings file's folder.
TEST_F(SettingsTest, ReadsAWindows1251FileWithRussianCommentsAndResolvesItsPaths) {
  TSettings settings;
  TSkipIntervals skip;
  // The variable names either the tests folder or this test's own folder.
  const char* root = std::getenv("MELQUON_TEST_DATA");
  ASSERT_NE(root, nullptr);
  const fs::path data = fs::exists(fs::path(root) / "data") ? fs::path(root) / "data"
                                                            : fs::path(root) / "engine/data";
  LoadSettingsFrom((data / "russian_comments.ini").string(), settings, skip);
  EXPECT_EQ(
      settings,
      (TSettings{"Архив\\RTS\\", "RTS_$YY$MM$DD.txt",
                 "^(\\d\\d)\\.(\\d\\d)\\.(\\d{4}) (\\d+:\\d\\d:\\d\\d);$CONTRACT;(\\d+(\\.\\d+)?)$",
                 "CONTRACT=$5&DT=$1.$2.$3 $4", "Фьючерс RTS-3.09", "Отчёт по волатильности.txt",
                 k12Jan2009, k16Jan2009, 500, 1500, 250}));
  EXPECT_EQ(Windows(skip), "14:00-14:03 18:45-19:00");

  // Each case is "path -> path used" for a settings file in /opt/m.
  for (const std::string_view c :
       {"archive/ -> /opt/m/archive/", "reports/rv.txt -> /opt/m/reports/rv.txt",
        "/data/archive/ -> /data/archive/", " -> ", "Отчёт.txt -> /opt/m/Отчёт.txt"}) {
    const std::string path(c.substr(0, c.find(" -> ")));
    EXPECT_EQ(ResolveSettingsPath("/opt/m/Melquon.ini", path), c.substr(path.size() + 4)) << path;
  }
}

// Numbering runs from 1 to the first missing or empty key; a value that doesn't convert loses
// its window and logs the failing characters, cut by characters of the file.
TEST_F(SettingsTest, LoadsSkipWindowsAndLogsFaults) {
  const struct {
    std::string ini;
    const char* windows;
    std::vector<std::string> faults;
  } cases[] = {
      {"", "", {}},
      {"[COMMON]\r\nSKIPSTART1=1000\r\nSKIPEND1=1005", "", {}},
      {SkipSection("1000|1005|1400|1403"), "10:00-10:05 14:00-14:03", {}},
      {SkipSection("1000|1005") + "SKIPSTART3=1400\r\nSKIPEND3=1403", "10:00-10:05", {}},
      {SkipSection("1000|1005|1400") + "SKIPSTART3=1500\r\nSKIPEND3=1505", "10:00-10:05", {}},
      {SkipSection("1000||1400|1403"), "", {}},
      {SkipSection("   |1005|1400|1403"), "", {}},
      {SkipSection("''|1005"), "", {}},
      {"[SKIP INTERVALS]\r\nSKIPSTART01=1000\r\nSKIPEND01=1005", "", {}},
      {"[skip intervals]\r\nskipstart1=1000\r\nSkipEnd1=1005", "10:00-10:05", {}},
      {SkipSection("'1000'| \"1005\" "), "10:00-10:05", {}},
      {SkipSection("10005|1005 lunch"), "10:00-10:05", {}},
      {SkipSection("930|0935"), "93:00-09:35", {}},
      {SkipSection("0900|0905|09:30|0935|1000|1005"), "09:00-09:05 10:00-10:05", {":3"}},
      {SkipSection("9:30|0935"), "", {"9:"}},
      {SkipSection("1000|10x5"), "", {"x5"}},
      {SkipSection("ab00|cd00"), "", {"ab"}},
      {SkipSection("9|1005"), "", {""}},
      {SkipSection("1x00|1005|1400|1403|1500|15.5"), "14:00-14:03", {"1x", ".5"}},
      {SkipSection("09" + kYa + "0|1005"), "", {kYa + "0"}},  // the letter ya in Windows-1251
  };
  for (const auto& [ini, windows, faults] : cases) {
    fs::remove(LogFileName);
    EXPECT_EQ(Windows(Loaded(ini)), windows) << ini;
    std::string log;
    for (const std::string& field : faults) {
      log += "05.03.2009 9:05:03 [7]   TSkipIntervals.Load '" + field +
             "' is not a valid integer value\r\n";
    }
    EXPECT_EQ(LogBytes(), log) << ini;
  }
}

// Bounds are compared in whole milliseconds, so both belong to the window on any day, and
// windows don't wrap past midnight.
TEST(SkipIntervalTest, BothBoundsBelongToTheWindowOnAnyDay) {
  const struct {
    const char* window;
    std::vector<long long> inside, outside;
  } cases[] = {
      {"1000|1005",
       {T(10), T(10, 2), T(10, 5) - 1, T(10, 5)},
       {T(10) - 1, T(10) - 1000, T(10, 5) + 1, 0, T(22, 2)}},
      {"2300|0100", {}, {0, T(1) - 1, T(1), T(12), T(23), T(23, 30), T(24) - 1}},
      {"0000|2400", {0, 1, T(12), T(24) - 1}, {}},
      {"0975|0975", {T(10, 15)}, {T(10, 15) + 1}},
      {"930|2400", {}, {0, T(9, 30), T(24) - 1}},
      {"", {}, {0, T(10), T(24) - 1}},
  };
  for (const auto& [window, inside, outside] : cases) {
    const TSkipIntervals list = Loaded(SkipSection(window));
    for (const double day : kDays) {
      for (const long long t : inside) {
        EXPECT_TRUE(list.IsSkipped(At(day, t)) && list.Items[0].Contains(At(day, t)))
            << window << " on " << day << " at " << t;
      }
      for (const long long t : outside) {
        EXPECT_FALSE(list.IsSkipped(At(day, t))) << window << " on " << day << " at " << t;
      }
    }
  }
}

TEST(SkipIntervalTest, EveryWholeMinuteIsExactlyABound) {
  std::string values;
  for (int minute = 0; minute < 24 * 60; ++minute) {
    char hhmm[16];
    std::snprintf(hhmm, sizeof hhmm, "%04d|%04d|", minute / 60 * 100 + minute % 60,
                  minute / 60 * 100 + minute % 60);
    values += hhmm;
  }
  const TSkipIntervals list = Loaded(SkipSection(values));
  ASSERT_EQ(list.Count(), 24u * 60);
  for (const double day : kDays) {
    int missed = 0, overreached = 0;
    for (int minute = 0; minute < 24 * 60; ++minute) {
      const long long bound = minute * kMinute;
      missed += !list.Items[minute].Contains(At(day, bound));
      overreached +=
          list.IsSkipped(At(day, bound + 1)) || (bound > 0 && list.IsSkipped(At(day, bound - 1)));
    }
    EXPECT_EQ(missed, 0) << "minutes outside their own window on day " << day;
    EXPECT_EQ(overreached, 0) << "windows one millisecond too wide on day " << day;
  }
}

// Many windows load in one pass over the file: each key is found by hash, not by a walk
// through every key before it.
TEST(SkipIntervalTest, AHundredThousandWindowsLoadInOrder) {
  constexpr int kWindows = 100000;
  std::string text = "[SKIP INTERVALS]\r\n";
  for (int n = 1; n <= kWindows; ++n) {
    const std::string number = std::to_string(n);
    const std::string minute = n % 60 < 10 ? "0" + std::to_string(n % 60) : std::to_string(n % 60);
    text +=
        "SKIPSTART" + number + "=10" + minute + "\r\nSKIPEND" + number + "=11" + minute + "\r\n";
  }
  const TSkipIntervals list = Loaded(text);
  ASSERT_EQ(list.Count(), static_cast<std::size_t>(kWindows));
  EXPECT_EQ(std::pair(list.Items[0].StartMs, list.Items[0].EndMs),
            std::pair(10 * kHour + kMinute, 11 * kHour + kMinute));
  EXPECT_EQ(std::pair(list.Items.back().StartMs, list.Items.back().EndMs),
            std::pair(10 * kHour + 40 * kMinute, 11 * kHour + 40 * kMinute));
}

}  // namespace
}  // namespace melquon
