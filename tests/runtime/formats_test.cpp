#include "runtime/formats.h"

#include <gtest/gtest.h>

#include <string>

namespace melquon {
namespace {

// Each case is "pattern -> text written".
void CheckPatterns(const LocalDateTime& value, const FormatSettings& formats,
                   std::initializer_list<std::string_view> cases) {
  for (const std::string_view c : cases) {
    const std::string_view pattern = c.substr(0, c.rfind(" -> "));
    EXPECT_EQ(FormatDateTime(pattern, value, formats), c.substr(pattern.size() + 4)) << pattern;
  }
}

TEST(FormatDateTimeTest, WritesEachPatternTokenAndDateTimeValues) {
  FormatSettings formats{.DateSeparator = '-', .TimeSeparator = '-'};
  CheckPatterns({{2009, 1, 2}, {7, 5, 3, 45}}, formats,
                {"dd.MM.yyyy -> 02.01.2009", "d.M.yy -> 2.1.09", "dd/MM/yyyy -> 02-01-2009",
                 "H:mm:ss -> 7-05-03", "HH:mm:ss.zzz -> 07-05-03.045", "H:m:s.z -> 7-5-3.45",
                 "h:mm am/pm -> 7-05 am", "AM/PM h -> AM 7", "mm -> 01", "H:nn -> 7-nn",
                 "'d' dd \"MM\" MM -> d 02 MM 01", "dd 'unclosed -> 02 unclosed", "dddd -> 0202",
                 "[dd] # -> [02] #", " -> ", "Привет dd -> Привет 02"});
  CheckPatterns({{1999, 11, 12}, {23, 59, 58, 999}}, formats,
                {"d.m.y -> 12.11.99", "hh:mm -> 23-59", "h:mm AM/PM -> 11-59 PM",
                 "H AM/PM -> 23 PM", "dd MM yyyy HH-mm -> 12 11 1999 23-59"});
  CheckPatterns({{1, 1, 1}, {12, 0, 0, 0}}, formats,
                {"yyyy-MM-dd -> 0001-01-01", "h AM/PM -> 12 PM"});
  CheckPatterns({{2009, 1, 12}, {0, 0, 0, 0}}, formats,
                {"hh:mm:ss AM/PM -> 12-00-00 AM", "HH:mm -> 00-00"});
  formats.TimeAMString = "午前";
  formats.TimePMString = "Pm";
  CheckPatterns({{2009, 1, 2}, {7, 5, 3, 45}}, formats, {"h:mm AM/PM -> 7-05 午前"});
  CheckPatterns({{1999, 11, 12}, {23, 59, 58, 999}}, formats,
                {"h:mm am/pm -> 11-59 pm", "h:mm Am/Pm -> 11-59 Pm"});
  EXPECT_EQ(FormatDateTime("dd.MM.yyyy H:mm:ss.zzz", 39825.25, {}), "12.01.2009 6:00:00.000");
  EXPECT_EQ(FormatDateTime("dd.MM.yyyy HH:mm", -1.25, {}), "29.12.1899 06:00");
  EXPECT_EQ(DateToStr(39825.75, {.ShortDateFormat = "M/d/yyyy", .DateSeparator = '/'}),
            "1/12/2009");
}

// The formats in one line: short date, date separator, long time, time separator, decimal
// separator, AM and PM.
std::string Describe(const FormatSettings& f) {
  return f.ShortDateFormat + ' ' + f.DateSeparator + ' ' + f.LongTimeFormat + ' ' +
         f.TimeSeparator + ' ' + f.DecimalSeparator + ' ' + f.TimeAMString + ' ' + f.TimePMString;
}

// Missing or unusable parts (a time conversion in the date, a date without a year, a
// separator that is no single character) keep the home values.
TEST(LocaleFormatsTest, TranslatesTheLocaleTexts) {
  const std::pair<LocaleTexts, const char*> cases[] = {
      {{"%m/%d/%Y", "%r", "%I:%M:%S %p", "AM", "PM", "."}, "MM/dd/yyyy / hh:mm:ss AM/PM : . AM PM"},
      {{"%d.%m.%Y", "%T", "", "", "", ","}, "dd/MM/yyyy . HH:mm:ss : , AM PM"},
      {{"%d/%m/%y", "%T", "%l:%M:%S %P", "am", "pm", "."}, "dd/MM/yyyy / HH:mm:ss : . am pm"},
      {{"%Y-%m-%d", "%H:%M:%S", "", "", "", ""}, "yyyy/MM/dd - HH:mm:ss : , AM PM"},
      {{"%e.%m.%Y", "%k:%M:%S", "", "", "", ""}, "dd/MM/yyyy . H:mm:ss : , AM PM"},
      {{"%D", "%R", "", "", "", ""}, "MM/dd/yyyy / HH:mm : , AM PM"},
      {{"%F", "%r", "%l:%M:%S %P %Z", "", "", ""}, "yyyy/MM/dd - h:mm:ss am/pm : , AM PM"},
      {{"%d.%m.%Y", "%H.%M.%S", "", "", "", ""}, "dd/MM/yyyy . HH:mm:ss . , AM PM"},
      {{"%Y. %m. %d.", "%Hh%M", "", "", "", ""}, "yyyy/MM/dd . HH\"h\"mm : , AM PM"},
      {{"%Y年%m月%d日", "%H時%M分%S秒", "", "午前", "午後", ""},
       "yyyy/MM/dd / HH\"時\"mm\"分\"ss\"秒\" : , 午前 午後"},
      {{"%_d-%Om-%EY", "%-H:%M", "", "", "", ""}, "dd/MM/yyyy - HH:mm : , AM PM"},
      {{"%H.%M:%S", "%H.%M:%S", "", "", "", ""}, "dd.MM.yyyy . HH:mm\":\"ss . , AM PM"},
      {{"%d/%m", "%M:%S", "", "", "", "٫"}, "dd.MM.yyyy . H:mm:ss : , AM PM"},
  };
  for (const auto& [texts, expected] : cases) {
    EXPECT_EQ(Describe(FormatsFromLocaleTexts(texts)), expected) << texts.dateFormat;
  }
}

TEST(LocaleFormatsTest, PlainAndUnknownLocalesGiveTheHomeFormats) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "", "xx_NOWHERE.UTF-8"}) {
    EXPECT_EQ(Describe(FormatsFromLocaleName(name)), Describe(FormatSettings{})) << name;
  }
}

}  // namespace
}  // namespace melquon
