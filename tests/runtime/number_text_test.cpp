#include "runtime/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/errors.h"

namespace melquon {
namespace {

FormatSettings WithDecimalSeparator(char separator) {
  FormatSettings formats;
  formats.DecimalSeparator = separator;
  return formats;
}

struct FloatCase {
  double value;
  const char* general;     // %g
  const char* floatToStr;  // without a format string
};

const FloatCase kFloatCases[] = {
    {0.0, "0", "0"},
    {-0.0, "0", "0"},
    {1.0, "1", "1"},
    {-1.0, "-1", "-1"},
    {1.5, "1.5", "1.5"},
    {-2.25, "-2.25", "-2.25"},
    {100.0, "100", "100"},
    {1234567.0, "1234567", "1234567"},
    {0.1 + 0.2, "0.3", "0.3"},
    {1.0 / 3.0, "0.333333333333333", "0.333333333333333"},
    {2.0 / 3.0, "0.666666666666667", "0.666666666666667"},
    {123456789012345678.0, "1.23456789012346E017", "1.23456789012346E17"},
    {1e20, "1E020", "1E20"},
    {-1e20, "-1E020", "-1E20"},
    {5e-5, "5E-005", "5E-5"},
    {1.5e-10, "1.5E-010", "1.5E-10"},
    {1e100, "1E100", "1E100"},
    {1e-300, "1E-300", "1E-300"},
    // The lower bound of fixed notation.
    {0.0001, "0.0001", "0.0001"},
    {0.00012345, "0.00012345", "0.00012345"},
    {0.00009999, "9.999E-005", "9.999E-5"},
    {-0.00009999, "-9.999E-005", "-9.999E-5"},
    // The upper bound of fixed notation.
    {999999999999999.0, "999999999999999", "999999999999999"},
    {1e15, "1E015", "1E15"},
    {1234567890123456.0, "1.23456789012346E015", "1.23456789012346E15"},
    // Rounding to 15 digits carries into a new leading digit.
    {999999999999999.9, "1E015", "1E15"},
    {0.99999999999999999, "1", "1"},
    {0.0000999999999999999999, "0.0001", "0.0001"},
    {0.00009999999999999994, "9.99999999999999E-005", "9.99999999999999E-5"},
    {123.456, "123.456", "123.456"},
    {1250.0, "1250", "1250"},
};

TEST(FormatGeneralTest, MatchesTheGeneralFormatTable) {
  const FormatSettings formats = WithDecimalSeparator('.');
  for (const FloatCase& c : kFloatCases) {
    EXPECT_EQ(FormatGeneral(c.value, formats), c.general) << c.general;
    EXPECT_EQ(FloatToStr(c.value, formats), c.floatToStr) << c.floatToStr;
  }
}

TEST(FormatGeneralTest, UsesTheRegionalDecimalSeparator) {
  const FormatSettings comma = WithDecimalSeparator(',');
  EXPECT_EQ(FormatGeneral(1.5, comma), "1,5");
  EXPECT_EQ(FormatGeneral(1.5e-10, comma), "1,5E-010");
  EXPECT_EQ(FloatToStr(-0.00009999, comma), "-9,999E-5");
  EXPECT_EQ(FormatGeneral(1e20, comma), "1E020");
}

TEST(FormatGeneralTest, DefaultsToTheRegionalFormats) {
  const char saved = RegionalFormats().DecimalSeparator;
  RegionalFormats().DecimalSeparator = ',';
  EXPECT_EQ(FormatGeneral(2.5), "2,5");
  RegionalFormats().DecimalSeparator = '.';
  EXPECT_EQ(FloatToStr(2.5), "2.5");
  RegionalFormats().DecimalSeparator = saved;
}

TEST(FormatGeneralTest, WritesNonFiniteValuesWithoutFailing) {
  const FormatSettings formats;
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::infinity(), formats), "INF");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity(), formats), "-INF");
  EXPECT_EQ(FloatToStr(std::nan(""), formats), "NAN");
}

TEST(FormatGeneralTest, WritesExtremeMagnitudes) {
  const FormatSettings formats = WithDecimalSeparator('.');
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::max(), formats), "1.79769313486232E308");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::denorm_min(), formats),
            "4.94065645841247E-324");
}

TEST(IntToStrTest, WritesDecimalAndLeftAlignedTexts) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
  EXPECT_EQ(IntToStr(8000000000LL), "8000000000");
  EXPECT_EQ(IntToStrLeft(500, 8), "500     ");
  EXPECT_EQ(IntToStrLeft(-7, 8), "-7      ");
  EXPECT_EQ(IntToStrLeft(12345678, 8), "12345678");
  EXPECT_EQ(IntToStrLeft(1234567890, 8), "1234567890");
}

struct IntCase {
  const char* text;
  bool valid;
  std::int32_t value;
};

const IntCase kIntCases[] = {
    {"0", true, 0},
    {"-5", true, -5},
    {"+5", true, 5},
    {" 12", true, 12},
    {"\t12", true, 12},
    {"0007", true, 7},
    {"2147483647", true, 2147483647},
    {"-2147483648", true, -2147483647 - 1},
    {"000000000000000000012", true, 12},
    {"0x1F4", true, 500},
    {"0X1f4", true, 500},
    {"$1f4", true, 500},
    {"-$10", true, -16},
    {"0x7FFFFFFF", true, 2147483647},
    {"$FFFFFFFF", true, -1},
    {"0x80000000", true, -2147483647 - 1},
    {"abc", false, 0},
    {"", false, 0},
    {" ", false, 0},
    {"12 ", false, 0},
    {"1 2", false, 0},
    {"12abc", false, 0},
    {"- 5", false, 0},
    {"+", false, 0},
    {"-", false, 0},
    {"1.5", false, 0},
    {"2147483648", false, 0},
    {"-2147483649", false, 0},
    {"99999999999999999999", false, 0},
    {"$", false, 0},
    {"0x", false, 0},
    {"0xG", false, 0},
    {"$100000000", false, 0},
    {"x10", false, 0},
};

TEST(StrToIntTest, ConvertsOrRejectsEachText) {
  for (const IntCase& c : kIntCases) {
    std::int32_t value = 12345;
    EXPECT_EQ(TryStrToInt(c.text, value), c.valid) << "'" << c.text << "'";
    if (c.valid) {
      EXPECT_EQ(value, c.value) << "'" << c.text << "'";
      EXPECT_EQ(StrToInt(c.text), c.value);
    } else {
      EXPECT_EQ(value, 12345) << "a rejected text leaves the result alone: '" << c.text << "'";
    }
  }
}

TEST(StrToIntTest, NamesTheWholeTextInTheError) {
  try {
    StrToInt(" 12 x");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "' 12 x' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt(""), EConvertError);
}

}  // namespace
}  // namespace melquon
