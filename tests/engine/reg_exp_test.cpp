#include "engine/reg_exp.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

namespace melquon {
namespace {

struct ReplaceCase {
  const char* pattern;
  const char* replacement;
  const char* source;
  const char* expected;
  bool global = true;
  bool ignoreCase = false;
  bool multiline = false;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) {
  *os << "pattern \"" << c.pattern << "\" replacement \"" << c.replacement << "\" source \""
      << c.source << "\"";
}

std::string ReplaceWith(const ReplaceCase& c) {
  TRegExp re;
  re.Global = c.global;
  re.IgnoreCase = c.ignoreCase;
  re.Multiline = c.multiline;
  re.SetPattern(c.pattern);
  return re.Replace(c.source, c.replacement);
}

class ReplacementSyntax : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplacementSyntax, GivesExpectedText) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceWith(c), c.expected)
      << "pattern " << c.pattern << " replacement " << c.replacement;
}

constexpr const char* kElevenGroups = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)";
constexpr const char* kTenGroups = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)";

INSTANTIATE_TEST_SUITE_P(
    Table, ReplacementSyntax,
    ::testing::Values(
        ReplaceCase{"(a)(b)", "$1", "xaby", "xay"}, ReplaceCase{"(a)(b)", "$2$1", "xaby", "xbay"},
        ReplaceCase{"(a)(b)", "$01", "ab", "a"},
        // Two-digit references fall back to one digit followed by a literal digit.
        ReplaceCase{"(a)(b)", "$10", "ab", "a0"}, ReplaceCase{"(a)(b)", "$11", "ab", "a1"},
        ReplaceCase{kTenGroups, "$10", "abcdefghij", "j"},
        ReplaceCase{kTenGroups, "$11", "abcdefghij", "a1"},
        ReplaceCase{kElevenGroups, "$11", "abcdefghijk", "k"},
        ReplaceCase{kElevenGroups, "$12", "abcdefghijk", "a2"},
        // References to groups the pattern lacks stay literal.
        ReplaceCase{"(a)(b)", "$3", "ab", "$3"}, ReplaceCase{"(a)(b)", "$0", "ab", "$0"},
        ReplaceCase{"(a)(b)", "$00", "ab", "$00"}, ReplaceCase{"ab", "$1", "ab", "$1"},
        ReplaceCase{"(a)(b)", "$&$&", "xaby", "xababy"},
        ReplaceCase{"(a)(b)", "[$`]", "xaby", "x[x]y"},
        ReplaceCase{"(a)(b)", "[$']", "xaby", "x[y]y"},
        // Both taken from the original line, not from the text replaced so far.
        ReplaceCase{"a", "[$`]", "aa", "[][a]"}, ReplaceCase{"(a)(b)", "$$", "ab", "$"},
        ReplaceCase{"(a)(b)", "$$$", "ab", "$$"}, ReplaceCase{"(a)(b)", "$$1", "ab", "$1"},
        ReplaceCase{"(a)(b)", "$", "ab", "$"}, ReplaceCase{"(a)(b)", "q$", "ab", "q$"},
        ReplaceCase{"(a)(b)", "$x$", "ab", "$x$"}, ReplaceCase{"(a)(b)", "\\1\\$1", "ab", "\\1\\a"},
        ReplaceCase{"(a)(b)", "$CONTRACT", "ab", "$CONTRACT"},
        // A group that took no part in the match gives the empty text.
        ReplaceCase{"(a)|(b)", "[$1|$2]", "b", "[|b]"},
        ReplaceCase{"(a)|(b)", "[$1|$2]", "ab", "[a|][|b]"}, ReplaceCase{"", "", "", ""},
        ReplaceCase{"", "y", "", "y"},
        // Empty matches: Global moves on by one character after each.
        ReplaceCase{"", "y", "xxx", "yxyxyxy"}, ReplaceCase{"", "y", "xxx", "yxxx", false},
        ReplaceCase{"x*", "y", "xxx", "yy"}, ReplaceCase{"x*", "y", "xxx", "y", false},
        ReplaceCase{"x*", "-", "axb", "-a--b-"}, ReplaceCase{"", "-", "жё", "-ж-ё-"},
        ReplaceCase{"a", "o", "banana", "bonono"}, ReplaceCase{"a", "o", "banana", "bonana", false},
        ReplaceCase{"z", "o", "banana", "banana"}));

class PatternDialect : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(PatternDialect, MatchesLikeTheSettingsDialect) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceWith(c), c.expected) << "pattern " << c.pattern << " source " << c.source;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternDialect,
    ::testing::Values(
        // "$" only at the very end without Multiline, before every line end with it.
        ReplaceCase{"$", "X", "a\n", "a\nX"},
        ReplaceCase{"$", "X", "a\n", "aX\nX", true, false, true},
        ReplaceCase{"^b", "X", "a\nb", "a\nb"},
        ReplaceCase{"^b", "X", "a\nb", "a\nX", true, false, true},
        ReplaceCase{"^b", "X", "a\rb", "a\rX", true, false, true},
        ReplaceCase{"a$", "X", "a\r\nb", "X\r\nb", true, false, true},
        ReplaceCase{"^", "X", "a\n", "Xa\nX", true, false, true},
        ReplaceCase{"^\\w+$", "<$&>", "ab\ncd", "<ab>\n<cd>", true, false, true},
        ReplaceCase{"\\u0041\\x42", "X", "ABC", "XC"}, ReplaceCase{"\\U", "X", "U", "X"},
        ReplaceCase{"a[]", "X", "a", "a"}, ReplaceCase{"a[^]b", "X", "a\nb", "X"},
        ReplaceCase{"(a)?\\1b", "X", "b", "X"},
        // \d, \w and \s keep their ASCII meaning.
        ReplaceCase{"\\d", "X", "1\xD9\xA3", "X\xD9\xA3"}, ReplaceCase{"\\w", "X", "aж", "Xж"},
        ReplaceCase{"\\s", "X", " \xC2\xA0", "X\xC2\xA0"},
        // IgnoreCase folds Cyrillic letters as well as Latin ones.
        ReplaceCase{"рих9", "X", "РИХ9", "X", true, true},
        ReplaceCase{"рих9", "X", "РИХ9", "РИХ9", true, false},
        ReplaceCase{"ЁЖ", "X", "ёж", "X", true, true},
        ReplaceCase{"rih9", "X", "RIH9", "X", true, true}));

TEST(RegExp, InvalidPatternThrowsPcreMessageWithOffset) {
  TRegExp re;
  re.SetPattern("(ab");
  try {
    re.Replace("ab", "x");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid regular expression at offset 3: missing closing parenthesis");
  }
  // It stays invalid until the pattern changes.
  EXPECT_THROW(re.Replace("ab", "x"), std::runtime_error);
  re.SetPattern("(ab)");
  EXPECT_EQ(re.Replace("ab", "x"), "x");
}

TEST(RegExp, InvalidUtf8SourceThrows) {
  TRegExp re;
  re.SetPattern("a");
  EXPECT_THROW(re.Replace("a\xFF", "x"), std::runtime_error);
}

TEST(RegExp, FlagAndPatternChangesTakeEffectOnNextUse) {
  TRegExp re;
  re.SetPattern("a");
  EXPECT_EQ(re.Pattern(), "a");
  EXPECT_EQ(re.Replace("AaA", "x"), "AxA");
  re.Global = true;
  re.IgnoreCase = true;
  EXPECT_EQ(re.Replace("AaA", "x"), "xxx");
  re.SetPattern("A$");
  re.Multiline = true;
  EXPECT_EQ(re.Replace("a\na", "x"), "x\nx");
  re.Multiline = false;
  EXPECT_EQ(re.Replace("a\na", "x"), "a\nx");
}

TEST(RegExp, ReplacementIsReparsedWhenTheGroupCountChanges) {
  TRegExp re;
  re.SetPattern("(a)");
  EXPECT_EQ(re.Replace("ab", "$2"), "$2b");
  re.SetPattern("(a)(b)");
  EXPECT_EQ(re.Replace("ab", "$2"), "b");
}

TEST(RegExp, ReplaceIfMatchesLeavesOutputAloneWithoutMatch) {
  TRegExp re;
  re.Global = true;
  re.SetPattern("^RIH9,(\\d+)$");
  std::string out = "untouched";
  EXPECT_FALSE(re.ReplaceIfMatches("SIH9,5", "P=$1", out));
  EXPECT_EQ(out, "untouched");
  EXPECT_TRUE(re.ReplaceIfMatches("RIH9,5", "P=$1", out));
  EXPECT_EQ(out, "P=5");
  re.ReplaceInto("SIH9,5", "P=$1", out);
  EXPECT_EQ(out, "SIH9,5");
}

TEST(RegExp, SourceVouchedForAsUtf8MatchesLikeAChecked) {
  TRegExp re;
  re.IgnoreCase = true;
  re.SetPattern("рих(\\d)");
  std::string out;
  EXPECT_TRUE(re.ReplaceIfMatches("x РИХ9 y", "<$1>", out, true));
  EXPECT_EQ(out, "x <9> y");
  EXPECT_TRUE(re.ReplaceIfMatches("x РИХ9 y", "<$1>", out, false));
  EXPECT_EQ(out, "x <9> y");
}

TEST(RegExp, ReplaceIntoReusesAWarmBuffer) {
  TRegExp re;
  re.Global = true;
  re.SetPattern("(\\d+)");
  std::string out;
  re.ReplaceInto("a1b22c333", "<$1>", out);
  EXPECT_EQ(out, "a<1>b<22>c<333>");
  const char* storage = out.data();
  re.ReplaceInto("a4b55c666", "<$1>", out);
  EXPECT_EQ(out, "a<4>b<55>c<666>");
  EXPECT_EQ(out.data(), storage);
}

}  // namespace
}  // namespace melquon
