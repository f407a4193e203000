#include "runtime/number_text.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <charconv>

#include "runtime/date_time.h"
#include "runtime/errors.h"
#include "tests/support/process_locale.h"

namespace melquon {
namespace {

// A C-notation number of a test table, read the same way in every locale.
double ParseNumber(std::string_view aText) {
  double number = 0.0;
  const auto [end, error] = std::from_chars(aText.data(), aText.data() + aText.size(), number);
  EXPECT_TRUE(error == std::errc() && end == aText.data() + aText.size()) << aText;
  return number;
}

// Each case is "value -> %g text, text without a format string" in the home formats.
void CheckFloatTexts(std::initializer_list<std::string_view> cases) {
  for (const std::string_view c : cases) {
    const std::string value(c.substr(0, c.find(" -> ")));
    const std::string_view texts = c.substr(value.size() + 4);
    const double number = ParseNumber(value);
    EXPECT_EQ(FormatGeneral(number, FormatSettings{}), texts.substr(0, texts.find(' '))) << value;
    EXPECT_EQ(FloatToStr(number, FormatSettings{}), texts.substr(texts.find(' ') + 1)) << value;
  }
}

// Fixed notation up to 15 digits, scientific outside 0.0001 <= |value| < 1e15.
TEST(FormatGeneralTest, MatchesTheGeneralFormatTable) {
  CheckFloatTexts({"0 -> 0 0", "-0 -> 0 0", "1250 -> 1250 1250", "-2.25 -> -2,25 -2,25",
                   "0.30000000000000004 -> 0,3 0,3",
                   "0.3333333333333333 -> 0,333333333333333 0,333333333333333",
                   "0.6666666666666666 -> 0,666666666666667 0,666666666666667",
                   "0.0001 -> 0,0001 0,0001", "0.0000999999999999999999 -> 0,0001 0,0001",
                   "999999999999999 -> 999999999999999 999999999999999"});
  CheckFloatTexts({"1e20 -> 1E020 1E20", "-1e20 -> -1E020 -1E20", "5e-5 -> 5E-005 5E-5",
                   "1.5e-10 -> 1,5E-010 1,5E-10", "1e100 -> 1E100 1E100", "1e-300 -> 1E-300 1E-300",
                   "-0.00009999 -> -9,999E-005 -9,999E-5", "1e15 -> 1E015 1E15",
                   "999999999999999.9 -> 1E015 1E15",
                   "0.00009999999999999994 -> 9,99999999999999E-005 9,99999999999999E-5",
                   "123456789012345678 -> 1,23456789012346E017 1,23456789012346E17",
                   "1.7976931348623157e308 -> 1,79769313486232E308 1,79769313486232E308",
                   "5e-324 -> 4,94065645841247E-324 4,94065645841247E-324", "inf -> INF INF",
                   "-inf -> -INF -INF", "nan -> NAN NAN"});
}

// The window's application object switches the C library to the user's locale; the texts
// must not notice, whatever decimal sign that locale has.
class FloatTextInLocaleTest : public testing::TestWithParam<const char*> {};

TEST_P(FloatTextInLocaleTest, IsTheHomeTextWithTheProgramsOwnSeparator) {
  const test::ScopedProcessLocale locale(GetParam());
  if (!locale.Active()) {
    GTEST_SKIP() << "the locale " << GetParam() << " is not installed";
  }
  // Each case is "value -> %g text, text without a format string" with a decimal point.
  for (const std::string_view c :
       {"150000.25 -> 150000.25 150000.25", "500 -> 500 500", "1000 -> 1000 1000",
        "-2.5 -> -2.5 -2.5", "0.0001 -> 0.0001 0.0001", "1e20 -> 1E020 1E20", "5e-5 -> 5E-005 5E-5",
        "1.5e-10 -> 1.5E-010 1.5E-10",
        "123456789012345678 -> 1.23456789012346E017 1.23456789012346E17",
        "1.7976931348623157e308 -> 1.79769313486232E308 1.79769313486232E308"}) {
    const std::string_view value = c.substr(0, c.find(" -> "));
    const std::string_view texts = c.substr(value.size() + 4);
    const std::string pointed[] = {std::string(texts.substr(0, texts.find(' '))),
                                   std::string(texts.substr(texts.find(' ') + 1))};
    for (const char separator : {'.', ','}) {
      FormatSettings formats;
      formats.DecimalSeparator = separator;
      std::string expected[] = {pointed[0], pointed[1]};
      for (std::string& text : expected) {
        std::replace(text.begin(), text.end(), '.', separator);
      }
      const double number = ParseNumber(value);
      EXPECT_EQ(FormatGeneral(number, formats), expected[0]) << value;
      EXPECT_EQ(FloatToStr(number, formats), expected[1]) << value;
    }
  }
  EXPECT_EQ(IntToStrZeroPad(7, 3) + IntToStrZeroPad(-7, 3) + IntToStrZeroPad(12345, 2),
            "007-00712345");
  // The texts of the CSV tables: shortest, without an exponent, read back to the same double.
  std::string shortest;
  for (const double value : {100000.0, 0.1, -2.5, 2.405432340150835e-05, 1e20})
    shortest += ShortestFloatText(value) + " ";
  EXPECT_EQ(shortest, "100000 0.1 -2.5 0.00002405432340150835 100000000000000000000 ");
  EXPECT_EQ(ShortestFloatText(5e-324).size(), 326u);
  EXPECT_EQ(IsoDateText(39825.75) + " " + ClockMsText(0) + " " + ClockMsText(86399999) + " " +
                ClockMsText(86400000),
            "2009-01-12 00:00:00.000 23:59:59.999 24:00:00.000");
}

INSTANTIATE_TEST_SUITE_P(UserLocales, FloatTextInLocaleTest, testing::ValuesIn(test::kUserLocales),
                         [](const auto& aInfo) { return test::LocaleTestName(aInfo.param); });

TEST(FormatGeneralTest, DefaultsToTheRegionalFormats) {
  const char saved = RegionalFormats().DecimalSeparator;
  RegionalFormats().DecimalSeparator = ',';
  EXPECT_EQ(FormatGeneral(2.5), "2,5");
  RegionalFormats().DecimalSeparator = '.';
  EXPECT_EQ(FloatToStr(2.5), "2.5");
  EXPECT_EQ(FormatGeneral(1.5e-10), "1.5E-010");
  RegionalFormats().DecimalSeparator = saved;
}

TEST(IntToStrTest, WritesDecimalAndLeftAlignedTexts) {
  EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
  EXPECT_EQ(IntToStr(8000000000LL), "8000000000");
  EXPECT_EQ(
      IntToStrLeft(-7, 8) + "|" + IntToStrLeft(12345678, 8) + "|" + IntToStrLeft(1234567890, 8),
      "-7      |12345678|1234567890");
}

TEST(StrToIntTest, ConvertsOrRejectsEachText) {
  // Each case is "text -> value".
  for (const std::string_view c :
       {"0 -> 0", "-5 -> -5", "+5 -> 5", " 12 -> 12", "\t12 -> 12", "000000000000000000012 -> 12",
        "2147483647 -> 2147483647", "-2147483648 -> -2147483648", "0x1F4 -> 500", "0X1f4 -> 500",
        "$1f4 -> 500", "-$10 -> -16", "$FFFFFFFF -> -1", "0x80000000 -> -2147483648"}) {
    const std::string_view text = c.substr(0, c.rfind(" -> "));
    const auto value = static_cast<std::int32_t>(ParseNumber(c.substr(text.size() + 4)));
    std::int32_t result = 12345;
    EXPECT_TRUE(TryStrToInt(text, result)) << "'" << text << "'";
    EXPECT_EQ(result, value) << "'" << text << "'";
    EXPECT_EQ(StrToInt(text), value);
  }
  for (const char* text :
       {"abc", "", " ", "12 ", "1 2", "12abc", "- 5", "+", "-", "1.5", "2147483648", "-2147483649",
        "99999999999999999999", "$", "0x", "0xG", "$100000000", "x10", " 12 x"}) {
    std::int32_t result = 12345;
    EXPECT_FALSE(TryStrToInt(text, result)) << "'" << text << "'";
    EXPECT_EQ(result, 12345) << "a rejected text leaves the result alone: '" << text << "'";
    EXPECT_THAT([&] { StrToInt(text); },
                testing::ThrowsMessage<EConvertError>("'" + std::string(text) +
                                                      "' is not a valid integer value"));
  }
}

}  // namespace
}  // namespace melquon
