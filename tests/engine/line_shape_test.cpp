// The plain-shape matcher held to PCRE2 itself: which patterns it takes, and over thousands of
// seeded random patterns of its shape and lines, the very matches and offsets PCRE2 finds.
#include "engine/line_shape.h"

#include <gtest/gtest.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <string>
#include <vector>

#include "engine/reg_exp.h"
#include "samples/split_mix64.h"

namespace melquon {
namespace {

TEST(LineShapeTest, TakesThePlainShapeOnly) {
  const std::pair<const char*, bool> kPatterns[] = {
      {"^RIH9,0,(\\d{4})(\\d\\d)(\\d\\d),(\\d\\d)(\\d\\d)(\\d\\d),([\\d.]+),.*$", true},
      {"^RIH9;([0-9.]+);(.+)$", true},
      {"^a[^,]*,(\\w+);\\s?x", true},
      {"^", true},
      {"RIH9;(.+)$", false},    // not anchored
      {"^a|b", false},          // alternatives
      {"^(a(b))", false},       // a group in a group
      {"^(?:a)", false},        // no capture
      {"^(a)?", false},         // a counted group
      {"^\\d+\\d", false},      // a repeat followed by what it takes
      {"^\\d*,?,", false},      // a repeat followed by an optional step
      {"^.{3}", false},         // characters of any width counted
      {"^[^,]?", false},        // the same
      {"^a+?", false},          // lazy
      {"^a{2,}+", false},       // possessive
      {"^a{x}", false},         // a brace that is no count
      {"^a$b", false},          // "$" inside
      {"^й", false},            // a character beyond ASCII
      {"^\\b", false},          // an assertion
      {"^\\1(a)", false},       // a back-reference
      {"^[]a]", false},         // "]" first in a class
      {"^[[:alpha:]]", false},  // a POSIX class
      {"^()", false},           // an empty group
  };
  for (const auto& [pattern, taken] : kPatterns) {
    EXPECT_EQ(TLineShape::Of(pattern).has_value(), taken) << pattern;
  }
}

// Patterns built from the pieces of the shape and a few beyond it.
std::string RandomShapePattern(SplitMix64& aRandom) {
  static const char* const kAtoms[] = {"R",   ",",    "9",   ".",      "a",    "\\d",
                                       "\\w", "\\s",  "\\D", "[0-9.]", "[^,]", "[a-c,]",
                                       "\\.", "[-9]", "\\,", "k",      "[^s]", "B"};
  static const char* const kCounts[] = {"", "", "", "+", "*", "?", "{2}", "{1,3}", "{0,}", "+?"};
  std::string pattern = "^";
  bool inGroup = false;
  for (int n = static_cast<int>(aRandom.Between(0, 7)); n > 0; --n) {
    if (!inGroup && aRandom.Below(4) == 0) {
      pattern += '(';
      inGroup = true;
    }
    pattern += kAtoms[aRandom.Below(std::size(kAtoms))];
    pattern += kCounts[aRandom.Below(std::size(kCounts))];
    if (inGroup && aRandom.Below(2) == 0) {
      pattern += ')';
      inGroup = false;
    }
  }
  if (inGroup)
    pattern += ')';
  if (aRandom.Below(2) == 0)
    pattern += '$';
  return pattern;
}

// Lines of both cases, with the characters beyond ASCII that fold to ASCII letters (the Kelvin
// sign and the long s) and, now and then, line ends.
std::string RandomShapeLine(SplitMix64& aRandom) {
  static const char* const kBytes[] = {"R",      ",",      "9", "1", ".",  "a", "b",
                                       " ",      "\t",     "й", "x", "_",  "r", "A",
                                       "\u212a", "\u017f", "k", "S", "\n", "\r"};
  std::string line;
  for (int n = static_cast<int>(aRandom.Between(0, 12)); n > 0; --n) {
    const std::size_t at = aRandom.Below(std::size(kBytes));
    if (at >= std::size(kBytes) - 2 && aRandom.Below(4) != 0)
      continue;
    line += kBytes[at];
  }
  return line;
}

// The options the expression object compiles with.
pcre2_code* CompileAsTheExpressionObject(const std::string& aPattern, bool aIgnoreCase,
                                         bool aMultiline) {
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(
      reinterpret_cast<PCRE2_SPTR>(aPattern.data()), aPattern.size(),
      PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
          (aIgnoreCase ? PCRE2_CASELESS : 0u) |
          (aMultiline ? PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX : PCRE2_DOLLAR_ENDONLY),
      &error, &offset, context);
  pcre2_compile_context_free(context);
  return code;
}

// The shape finds what PCRE2 finds, with the same offsets, in either case; and the expression
// object, which walks the shape where it can, says of every line what PCRE2 says, Multiline and
// line ends included.
TEST(FastPathTest, LineShapeMatchesWherePcre2MatchesWithTheSameOffsets) {
  SplitMix64 random(1729);
  int patterns = 0, matches = 0;
  while (patterns < 1500) {
    const std::string pattern = RandomShapePattern(random);
    const bool ignoreCase = random.Below(2) == 0;
    const bool multiline = random.Below(2) == 0;
    const std::optional<TLineShape> shape = TLineShape::Of(pattern, ignoreCase);
    if (!shape)
      continue;
    ++patterns;
    pcre2_code* code = CompileAsTheExpressionObject(pattern, ignoreCase, multiline);
    ASSERT_NE(code, nullptr) << pattern;
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    ASSERT_EQ(pcre2_get_ovector_count(data), shape->Pairs()) << pattern;
    TRegExp regExp;
    regExp.IgnoreCase = ignoreCase;
    regExp.Multiline = multiline;
    regExp.SetPattern(pattern);
    for (int i = 0; i < 30; ++i) {
      const std::string line = RandomShapeLine(random);
      const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0, 0,
                                 data, nullptr);
      const PCRE2_SIZE* expected = pcre2_get_ovector_pointer(data);
      const std::vector<std::size_t> pcre2(expected, expected + 2 * shape->Pairs());
      // With Multiline PCRE2 finds the match after a line end: other offsets left behind.
      if (multiline)
        regExp.MatchLine("\n" + line);
      const TLineMatch kind = regExp.MatchLine(line);
      const bool whole = rc > 0 && pcre2[0] == 0 && pcre2[1] == line.size() && !line.empty();
      ASSERT_EQ(kind == TLineMatch::kNone, rc < 0) << "/" << pattern << "/ on '" << line << "'";
      // What PCRE2 puts in a group, line ends included, is what the shape says it may hold.
      for (std::uint32_t group = 0; rc > 0 && group < shape->Pairs(); ++group) {
        for (std::size_t at = pcre2[2 * group]; at < pcre2[2 * group + 1]; ++at) {
          const auto byte = static_cast<unsigned char>(line[at]);
          ASSERT_TRUE(byte >= 0x80 || shape->GroupMayHold(group, byte))
              << "/" << pattern << "/ on '" << line << "' group " << group;
        }
      }
      if (whole && kind == TLineMatch::kWholeLine) {
        const TRegExp::TMatchOffsets offsets = regExp.WholeLineMatch();
        ASSERT_EQ(std::vector<std::size_t>(offsets.offsets, offsets.offsets + 2 * offsets.pairs),
                  pcre2);
      }
      const bool withoutLineEnds = line.find_first_of("\r\n") == std::string::npos;
      if (multiline && !withoutLineEnds)
        continue;  // the shape alone takes no line ends with Multiline
      // Told that the line holds no line ends, the walk may take its rest unread.
      for (const bool told : {false, withoutLineEnds}) {
        std::vector<std::size_t> offsets(2 * shape->Pairs(), 0);
        const bool matched = shape->Match(line, offsets.data(), told);
        ASSERT_EQ(matched, rc > 0) << "/" << pattern << "/ on '" << line << "' " << told;
        if (matched) {
          ++matches;
          ASSERT_EQ(offsets, pcre2) << "/" << pattern << "/ on '" << line << "' " << told;
        }
      }
      if (withoutLineEnds) {
        ASSERT_EQ(regExp.MatchLine(line, true), kind) << "/" << pattern << "/ on '" << line << "'";
      }
    }
    pcre2_match_data_free(data);
    pcre2_code_free(code);
  }
  EXPECT_GT(matches, 5000);
}

}  // namespace
}  // namespace melquon
