#include "runtime/formats.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace melquon {
namespace {

const LocalDateTime kMorning{{2009, 1, 2}, {7, 5, 3, 45}};
const LocalDateTime kEvening{{1999, 11, 12}, {23, 59, 58, 999}};
const LocalDateTime kNoon{{1, 1, 1}, {12, 0, 0, 0}};
const LocalDateTime kMidnight{{2009, 1, 12}, {0, 0, 0, 0}};

struct PatternCase {
  const char* pattern;
  const LocalDateTime& value;
  const char* expected;
};

const PatternCase kPatternCases[] = {
    {"dd.MM.yyyy", kMorning, "02.01.2009"},
    {"d.M.yy", kMorning, "2.1.09"},
    {"dd/MM/yyyy", kMorning, "02-01-2009"},
    {"yyyy-MM-dd", kNoon, "0001-01-01"},
    {"d.m.y", kEvening, "12.11.99"},
    {"H:mm:ss", kMorning, "7-05-03"},
    {"HH:mm:ss.zzz", kMorning, "07-05-03.045"},
    {"H:m:s.z", kMorning, "7-5-3.45"},
    {"hh:mm", kEvening, "23-59"},
    {"h:mm AM/PM", kEvening, "11-59 PM"},
    {"h:mm am/pm", kMorning, "7-05 am"},
    {"hh:mm:ss AM/PM", kMidnight, "12-00-00 AM"},
    {"h AM/PM", kNoon, "12 PM"},
    {"AM/PM h", kMorning, "AM 7"},
    {"H AM/PM", kEvening, "23 PM"},
    {"HH:mm", kMidnight, "00-00"},
    {"mm", kMorning, "01"},
    {"H:nn", kMorning, "7-nn"},
    {"'d' dd \"MM\" MM", kMorning, "d 02 MM 01"},
    {"dd 'unclosed", kMorning, "02 unclosed"},
    {"dd MM yyyy HH-mm", kEvening, "12 11 1999 23-59"},
    {"dddd", kMorning, "0202"},
    {"[dd] #", kMorning, "[02] #"},
    {"", kMorning, ""},
    {"Привет dd", kMorning, "Привет 02"},
};

TEST(FormatDateTimeTest, WritesEachPatternToken) {
  FormatSettings formats;
  formats.DateSeparator = '-';
  formats.TimeSeparator = '-';
  for (const PatternCase& c : kPatternCases) {
    EXPECT_EQ(FormatDateTime(c.pattern, c.value, formats), c.expected) << c.pattern;
  }
}

TEST(FormatDateTimeTest, UsesTheRegionalDesignators) {
  FormatSettings formats;
  formats.TimeAMString = "午前";
  formats.TimePMString = "Pm";
  EXPECT_EQ(FormatDateTime("h:mm AM/PM", kMorning, formats), "7:05 午前");
  EXPECT_EQ(FormatDateTime("h:mm am/pm", kEvening, formats), "11:59 pm");
  EXPECT_EQ(FormatDateTime("h:mm Am/Pm", kEvening, formats), "11:59 Pm");
}

TEST(FormatDateTimeTest, FormatsDateTimeValues) {
  const FormatSettings home;
  EXPECT_EQ(FormatDateTime("dd.MM.yyyy H:mm:ss.zzz", 39825.25, home), "12.01.2009 6:00:00.000");
  EXPECT_EQ(FormatDateTime("dd.MM.yyyy HH:mm", -1.25, home), "29.12.1899 06:00");
  EXPECT_EQ(DateToStr(39814.0, home), "01.01.2009");
  EXPECT_EQ(DateToStr(39814.75, home), "01.01.2009");
  FormatSettings us;
  us.ShortDateFormat = "M/d/yyyy";
  us.DateSeparator = '/';
  EXPECT_EQ(DateToStr(39825.0, us), "1/12/2009");
}

TEST(FormatDateTimeTest, HomeFormatsAreTheDefaults) {
  const FormatSettings home;
  EXPECT_EQ(home.ShortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(home.LongTimeFormat, "H:mm:ss");
  EXPECT_EQ(home.DecimalSeparator, ',');
  EXPECT_EQ(&RegionalFormats(), &RegionalFormats());
}

struct LocaleCase {
  LocaleTexts texts;
  const char* shortDate;
  char dateSeparator;
  const char* longTime;
  char timeSeparator;
};

const LocaleCase kLocaleCases[] = {
    {{"%m/%d/%Y", "%r", "%I:%M:%S %p", "AM", "PM", "."}, "MM/dd/yyyy", '/', "hh:mm:ss AM/PM", ':'},
    {{"%d.%m.%Y", "%T", "", "", "", ","}, "dd/MM/yyyy", '.', "HH:mm:ss", ':'},
    {{"%d/%m/%y", "%T", "%l:%M:%S %P %Z", "am", "pm", "."}, "dd/MM/yyyy", '/', "HH:mm:ss", ':'},
    {{"%Y-%m-%d", "%H:%M:%S", "", "", "", ","}, "yyyy/MM/dd", '-', "HH:mm:ss", ':'},
    {{"%e.%m.%Y", "%k:%M:%S", "", "", "", ","}, "dd/MM/yyyy", '.', "H:mm:ss", ':'},
    {{"%D", "%R", "", "", "", "."}, "MM/dd/yyyy", '/', "HH:mm", ':'},
    {{"%F", "%r", "%l:%M:%S %P %Z", "am", "pm", "."}, "yyyy/MM/dd", '-', "h:mm:ss am/pm", ':'},
    {{"%d.%m.%Y", "%H.%M.%S", "", "", "", ","}, "dd/MM/yyyy", '.', "HH:mm:ss", '.'},
    {{"%Y. %m. %d.", "%Hh%M", "", "", "", ","}, "yyyy/MM/dd", '.', "HH\"h\"mm", ':'},
    {{"%Y年%m月%d日", "%H時%M分%S秒", "%p%I時%M分%S秒", "午前", "午後", "."},
     "yyyy/MM/dd",
     '/',
     "HH\"時\"mm\"分\"ss\"秒\"",
     ':'},
    {{"%d %m %Y", "%H:%M:%S %Z", "", "", "", ","}, "dd/MM/yyyy", ' ', "HH:mm:ss", ':'},
    {{"%_d-%Om-%EY", "%-H:%M", "", "", "", ","}, "dd/MM/yyyy", '-', "HH:mm", ':'},
    {{"%H.%M:%S", "%H.%M:%S", "", "", "", ","}, "dd.MM.yyyy", '.', "HH:mm\":\"ss", '.'},
    {{"%d/%m", "%M:%S", "", "", "", ","}, "dd.MM.yyyy", '.', "H:mm:ss", ':'},
    {{"%d.%d.%Y", "", "", "", "", ""}, "dd.MM.yyyy", '.', "H:mm:ss", ':'},
};

TEST(LocaleFormatsTest, TranslatesTheLocaleFormats) {
  for (const LocaleCase& c : kLocaleCases) {
    const FormatSettings formats = FormatsFromLocaleTexts(c.texts);
    const std::string context = c.texts.dateFormat + " | " + c.texts.timeFormat;
    EXPECT_EQ(formats.ShortDateFormat, c.shortDate) << context;
    EXPECT_EQ(formats.DateSeparator, c.dateSeparator) << context;
    EXPECT_EQ(formats.LongTimeFormat, c.longTime) << context;
    EXPECT_EQ(formats.TimeSeparator, c.timeSeparator) << context;
  }
}

TEST(LocaleFormatsTest, TakesDesignatorsAndDecimalSeparator) {
  LocaleTexts texts;
  texts.amString = "午前";
  texts.pmString = "午後";
  texts.radixChar = ".";
  FormatSettings formats = FormatsFromLocaleTexts(texts);
  EXPECT_EQ(formats.TimeAMString, "午前");
  EXPECT_EQ(formats.TimePMString, "午後");
  EXPECT_EQ(formats.DecimalSeparator, '.');
  // Missing designators and a separator that is no single character keep the home values.
  texts = {};
  texts.radixChar = "٫";
  formats = FormatsFromLocaleTexts(texts);
  EXPECT_EQ(formats.TimeAMString, "AM");
  EXPECT_EQ(formats.TimePMString, "PM");
  EXPECT_EQ(formats.DecimalSeparator, ',');
}

bool LocaleInstalled(const char* name) {
  const locale_t locale = newlocale(LC_ALL_MASK, name, 0);
  if (locale == nullptr) {
    return false;
  }
  freelocale(locale);
  return true;
}

TEST(LocaleFormatsTest, PlainAndUnknownLocalesGiveTheHomeFormats) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "", "xx_NOWHERE.UTF-8"}) {
    const FormatSettings formats = FormatsFromLocaleName(name);
    EXPECT_EQ(formats.ShortDateFormat, "dd.MM.yyyy") << name;
    EXPECT_EQ(formats.LongTimeFormat, "H:mm:ss") << name;
    EXPECT_EQ(formats.DecimalSeparator, ',') << name;
  }
}

TEST(LocaleFormatsTest, ReadsAnInstalledUsLocale) {
  if (!LocaleInstalled("en_US.UTF-8")) {
    GTEST_SKIP() << "en_US.UTF-8 is not installed";
  }
  const FormatSettings formats = FormatsFromLocaleName("en_US.UTF-8");
  EXPECT_EQ(formats.ShortDateFormat, "MM/dd/yyyy");
  EXPECT_EQ(formats.DateSeparator, '/');
  EXPECT_EQ(formats.LongTimeFormat, "hh:mm:ss AM/PM");
  EXPECT_EQ(formats.DecimalSeparator, '.');
  EXPECT_EQ(formats.TimeAMString, "AM");
}

TEST(LocaleFormatsTest, ReadsAnInstalledRussianLocale) {
  if (!LocaleInstalled("ru_RU.UTF-8")) {
    GTEST_SKIP() << "ru_RU.UTF-8 is not installed";
  }
  const FormatSettings formats = FormatsFromLocaleName("ru_RU.UTF-8");
  EXPECT_EQ(formats.ShortDateFormat, "dd/MM/yyyy");
  EXPECT_EQ(formats.DateSeparator, '.');
  EXPECT_EQ(formats.LongTimeFormat, "HH:mm:ss");
  EXPECT_EQ(formats.DecimalSeparator, ',');
}

TEST(LocaleFormatsTest, ConvertsTextsOfANonUtf8Locale) {
  if (!LocaleInstalled("ja_JP.EUC-JP")) {
    GTEST_SKIP() << "ja_JP.EUC-JP is not installed";
  }
  const FormatSettings formats = FormatsFromLocaleName("ja_JP.EUC-JP");
  EXPECT_EQ(formats.TimeAMString, "午前");
  EXPECT_EQ(formats.LongTimeFormat, "HH\"時\"mm\"分\"ss\"秒\"");
}

// Sets environment variables for one test and puts the old values back.
class EnvironmentOverride {
 public:
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvironmentOverride() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(LocaleFormatsTest, SystemLocaleFollowsTheEnvironment) {
  {
    EnvironmentOverride env;
    env.Set("LC_ALL", "C");
    env.Set("LC_TIME", "en_US.UTF-8");
    EXPECT_EQ(FormatsFromSystemLocale().ShortDateFormat, "dd.MM.yyyy");
  }
  if (!LocaleInstalled("en_US.UTF-8") || !LocaleInstalled("ru_RU.UTF-8")) {
    GTEST_SKIP() << "en_US.UTF-8 or ru_RU.UTF-8 is not installed";
  }
  EnvironmentOverride env;
  env.Set("LC_ALL", nullptr);
  env.Set("LANG", "ru_RU.UTF-8");
  env.Set("LC_TIME", "en_US.UTF-8");
  env.Set("LC_NUMERIC", nullptr);
  const FormatSettings formats = FormatsFromSystemLocale();
  EXPECT_EQ(formats.ShortDateFormat, "MM/dd/yyyy");
  EXPECT_EQ(formats.DecimalSeparator, ',');
}

}  // namespace
}  // namespace melquon
