#include "engine/reg_exp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>

namespace melquon {
namespace {

using ::testing::ThrowsMessage;

// flags: g Global, i IgnoreCase, m Multiline.
struct Case {
  const char *pattern, *replacement, *source, *expected, *flags = "g";
};

void Expect(std::initializer_list<Case> aCases) {
  for (const Case& c : aCases) {
    const std::string flags = c.flags;
    TRegExp re;
    re.Global = flags.find('g') != std::string::npos;
    re.IgnoreCase = flags.find('i') != std::string::npos;
    re.Multiline = flags.find('m') != std::string::npos;
    re.SetPattern(c.pattern);
    EXPECT_EQ(re.Replace(c.source, c.replacement), c.expected)
        << flags << " /" << c.pattern << "/ " << c.replacement << " on "
        << ::testing::PrintToString(std::string(c.source));
  }
}

constexpr const char* k11 = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)";

TEST(RegExp, ReplacementSyntaxAndPatternDialect) {
  Expect({Case{"(a)(b)", "$2$1", "xaby", "xbay"}, Case{"(a)(b)", "$01", "ab", "a"},
          Case{"(a)(b)", "$10", "ab", "a0"}, Case{"(a)(b)", "$11", "ab", "a1"},
          Case{k11, "$10", "abcdefghijk", "j"}, Case{k11, "$11", "abcdefghijk", "k"},
          Case{"(a)(b)", "$3", "ab", "$3"}, Case{"(a)(b)", "$0", "ab", "$0"},
          Case{"(a)(b)", "$00", "ab", "$00"}, Case{"(a)(b)", "$&$&", "xaby", "xababy"},
          Case{"(a)(b)", "[$`]", "xaby", "x[x]y"}, Case{"(a)(b)", "[$']", "xaby", "x[y]y"},
          // $` comes from the original line, not from the text replaced so far.
          Case{"a", "[$`]", "aa", "[][a]"}, Case{"(a)(b)", "$$", "ab", "$"},
          Case{"(a)(b)", "$$$", "ab", "$$"}, Case{"(a)(b)", "$$1", "ab", "$1"},
          Case{"(a)(b)", "$", "ab", "$"}, Case{"(a)(b)", "$x$", "ab", "$x$"},
          Case{"(a)(b)", "\\1\\$1", "ab", "\\1\\a"}, Case{"", "y", "", "y"},
          Case{"(a)(b)", "$CONTRACT", "ab", "$CONTRACT"}, Case{"x*", "y", "xxx", "yy"},
          Case{"(a)|(b)", "[$1|$2]", "ab", "[a|][|b]"}, Case{"", "y", "xxx", "yxxx", ""},
          Case{"", "y", "xxx", "yxyxyxy"}, Case{"x*", "-", "axb", "-a--b-"},
          Case{"", "-", "жё", "-ж-ё-"}, Case{"a", "o", "banana", "bonana", ""},
          // The pattern dialect of settings files.
          Case{"$", "X", "a\n", "a\nX"}, Case{"$", "X", "a\n", "aX\nX", "gm"},
          Case{"^b", "X", "a\nb", "a\nb"}, Case{"^b", "X", "a\nb", "a\nX", "gm"},
          Case{"^b", "X", "a\rb", "a\rX", "gm"}, Case{"a$", "X", "a\r\nb", "X\r\nb", "gm"},
          Case{"^", "X", "a\n", "Xa\nX", "gm"}, Case{"\\u0041\\x42", "X", "ABC", "XC"},
          Case{"\\U", "X", "U", "X"}, Case{"a[]", "X", "a", "a"}, Case{"a[^]b", "X", "a\nb", "X"},
          Case{"(a)?\\1b", "X", "b", "X"}, Case{"\\d", "X", "1\xD9\xA3", "X\xD9\xA3"},
          Case{"\\w", "X", "aж", "Xж"}, Case{"\\s", "X", " \xC2\xA0", "X\xC2\xA0"},
          Case{"рих9", "X", "РИХ9", "X", "gi"}, Case{"рих9", "X", "РИХ9", "РИХ9"},
          Case{"ЁЖ", "X", "ёж", "X", "gi"}});
}

TEST(RegExp, InvalidPatternOrSourceThrows) {
  TRegExp re;
  re.SetPattern("(ab");
  for (int use = 0; use < 2; ++use)  // the pattern stays invalid until it changes
    EXPECT_THAT([&] { re.Replace("ab", "x"); },
                ThrowsMessage<std::runtime_error>(
                    "Invalid regular expression at offset 3: missing closing parenthesis"));
  re.SetPattern("(ab)");
  EXPECT_EQ(re.Replace("ab", "x"), "x");
  EXPECT_THROW(re.Replace("a\xFF", "x"), std::runtime_error);
}

// An empty subject without a pointer (found by fuzzing: the JIT code wrote through it).
TEST(RegExp, EmptySubjectWithoutAPointerIsAnEmptyText) {
  TRegExp re;
  re.Global = re.IgnoreCase = true;
  re.SetPattern("(')?z|()");
  EXPECT_EQ(re.Replace(std::string_view(), "[$2]"), "[]");
  EXPECT_EQ(re.ReplaceLine(std::string_view(), "x"), "x");
  re.SetPattern("a");
  EXPECT_EQ(re.Replace(std::string_view(), "x"), "");
}

TEST(RegExp, FlagPatternAndGroupCountChangesTakeEffectOnNextUse) {
  TRegExp re;
  re.SetPattern("(a)");
  EXPECT_EQ(re.Replace("AaA", "x$2"), "Ax$2A");
  re.Global = re.IgnoreCase = true;
  re.SetPattern("(a)(A)");
  EXPECT_EQ(re.Replace("AaA", "x$2"), "xaA");
  re.SetPattern("A$");
  re.Multiline = true;
  EXPECT_EQ(re.Replace("a\na", "x"), "x\nx");
  re.Multiline = false;
  EXPECT_EQ(re.Replace("a\na", "x"), "a\nx");
}

}  // namespace
}  // namespace melquon
