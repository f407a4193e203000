// Every shortcut of the quote path held to a general path written plainly, over thousands of
// seeded random inputs and the edge cases.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "engine/quote_items.h"
#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "engine/reg_exp.h"
#include "samples/split_mix64.h"

namespace melquon {
namespace {

constexpr int kCases = 20000;

std::string Digits(SplitMix64& aRandom, int aCount) {
  std::string digits;
  for (int i = 0; i < aCount; ++i) {
    digits += static_cast<char>('0' + aRandom.Below(10));
  }
  return digits;
}

// Mostly prices of the plain form, some past 15 digits, with exponents, blanks or stray bytes.
std::string RandomPriceText(SplitMix64& aRandom) {
  std::string text;
  if (aRandom.Below(10) == 0) {
    text += std::string(static_cast<std::size_t>(aRandom.Between(1, 2)), ' ');
  }
  const int sign = static_cast<int>(aRandom.Below(6));
  text += sign == 0 ? "-" : sign == 1 ? "+" : "";
  text += Digits(aRandom, aRandom.Between(0, 17));
  if (aRandom.Below(2) == 0) {
    text += '.';
    text += Digits(aRandom, aRandom.Between(0, 9));
  }
  if (aRandom.Below(12) == 0) {
    text += aRandom.Below(2) == 0 ? 'e' : 'E';
    text += aRandom.Below(3) == 0 ? "-" : "";
    text += Digits(aRandom, aRandom.Between(0, 3));
  }
  if (aRandom.Below(25) == 0) {
    // The bytes either side of the digits, and one that is '9' but for its top bit.
    const char stray[] = ".,x -+\t/:\xB9";
    text.insert(static_cast<std::size_t>(aRandom.Below(static_cast<std::int64_t>(text.size()) + 1)),
                1, stray[aRandom.Below(sizeof stray - 1)]);
  }
  return text;
}

// The plain-price shortcut (digits over a power of ten) gives the very double std::from_chars
// gives, and accepts and refuses the same texts.
TEST(FastPathTest, PlainPriceReaderIsBitEqualToFromChars) {
  SplitMix64 random(19);
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "+0.000",
                                    "999999999999999",
                                    "0.1",
                                    "0.3",
                                    "2.675",
                                    "1234567890.12345",
                                    "1e0",
                                    ".5",
                                    "5.",
                                    "00000000000000001",
                                    "0.0000000000000001",
                                    "123456789012345.6",
                                    "",
                                    "-",
                                    "."};
  for (int i = 0; i < kCases; ++i) {
    texts.push_back(RandomPriceText(random));
  }
  int accepted = 0;
  for (const std::string& text : texts) {
    double general = 0.0;
    const bool generalRead = TryReadPriceGeneral(text, general);
    // Alone, and followed by bytes that may be read eight at a time with it.
    const std::string line = text + RandomPriceText(random) + "0123456789";
    for (const std::size_t readable : {std::size_t{0}, line.size()}) {
      double fast = 0.0;
      const bool fastRead =
          TryReadPrice(std::string_view(line.data(), text.size()), fast, readable);
      ASSERT_EQ(fastRead, generalRead) << "'" << text << "'";
      if (fastRead) {
        ++accepted;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(general))
            << "'" << text << "' " << fast << " " << general;
      }
    }
  }
  EXPECT_GT(accepted, kCases) << "the inputs mostly take the shortcut";
}

// The item rule written plainly, a byte at a time: items end at "&", CR or LF outside quotes; a
// quote runs to the next same quote or the end; the name is what comes before the item's first
// "=" (one inside quotes counts); the first item of the name, its case ignored, gives the value.
std::string_view PlainItemValue(std::string_view aText, std::string_view aName) {
  const auto sameName = [aName](std::string_view aItemName) {
    if (aItemName.size() != aName.size()) {
      return false;
    }
    for (std::size_t i = 0; i < aName.size(); ++i) {
      const auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
      };
      if (upper(aItemName[i]) != upper(aName[i])) {
        return false;
      }
    }
    return true;
  };
  std::size_t start = 0;
  while (start < aText.size()) {
    std::size_t p = start;
    std::size_t equals = std::string_view::npos;
    while (p < aText.size() && aText[p] != '&' && aText[p] != '\r' && aText[p] != '\n') {
      if (aText[p] == '"' || aText[p] == '\'') {
        const char quote = aText[p];
        for (++p; p < aText.size() && aText[p] != quote; ++p) {
          equals = aText[p] == '=' && equals == std::string_view::npos ? p : equals;
        }
        if (p < aText.size()) {
          ++p;
        }
        continue;
      }
      equals = aText[p] == '=' && equals == std::string_view::npos ? p : equals;
      ++p;
    }
    if (equals != std::string_view::npos && sameName(aText.substr(start, equals - start))) {
      return aText.substr(equals + 1, p - equals - 1);
    }
    start = p + 1;
  }
  return {};
}

// Items made of the bytes that matter to the rule, names that are nearly the two wanted ones.
std::string RandomItemsText(SplitMix64& aRandom) {
  static const char* const kPieces[] = {
      "CONTRACT", "contract", "CoNtRaCt", "DT", "dt",       "Dt",
      "CONTRAC",  "DTX",      "=",        "=",  "&",        "&",
      "\"",       "'",        "\r",       "\n", "150000.5", "12.01.2009 10:00:00",
      " ",        "x",        "\x8F\xC0", "$"};
  const auto piece = [&aRandom] {
    return std::string(kPieces[aRandom.Below(sizeof kPieces / sizeof kPieces[0])]);
  };
  std::string text;
  if (aRandom.Below(2) == 0) {
    // Well-formed items with now and then a stray piece among them.
    static const char* const kNames[] = {"CONTRACT", "DT", "contract", "dt", "X"};
    static const char* const kEnds[] = {"&", "&", "\r\n", "\n"};
    for (int i = aRandom.Between(1, 4); i > 0; --i) {
      text += kNames[aRandom.Below(5)] + std::string("=") + piece();
      text += aRandom.Below(6) == 0 ? piece() : "";
      text += kEnds[aRandom.Below(4)];
    }
    return text;
  }
  for (int i = aRandom.Between(0, 14); i > 0; --i) {
    text += piece();
  }
  return text;
}

// The word-at-a-time item scan and the one-pass reader of both items find what the plain rule
// finds.
TEST(FastPathTest, ItemReadersAgreeWithThePlainItemRule) {
  SplitMix64 random(23);
  std::vector<std::string> texts = {"",
                                    "CONTRACT=1&DT=2",
                                    "dt=2&contract=1",
                                    "CONTRACT=1&CONTRACT=2",
                                    "\"CONTRACT=1&\"&CONTRACT=3",
                                    "'x=CONTRACT'=5&DT=6",
                                    "CONTRACT=\"a&b\"&DT='c\r\nd'",
                                    "CONTRACT=1\rDT=2\nDT=3",
                                    "CONTRACT==1&DT=2=3",
                                    "CONTRACT\"=1"};
  for (int i = 0; i < kCases; ++i) {
    texts.push_back(RandomItemsText(random));
  }
  int found = 0;
  for (const std::string& text : texts) {
    const std::string_view price = PlainItemValue(text, "CONTRACT");
    const std::string_view dateTime = PlainItemValue(text, "DT");
    ASSERT_EQ(GetItemValue(text, "CONTRACT"), price) << testing::PrintToString(text);
    ASSERT_EQ(GetItemValue(text, "dt"), dateTime) << testing::PrintToString(text);
    std::string_view onePassPrice, onePassDateTime;
    ReadQuoteItems(text, onePassPrice, onePassDateTime);
    ASSERT_EQ(onePassPrice, price) << testing::PrintToString(text);
    ASSERT_EQ(onePassDateTime, dateTime) << testing::PrintToString(text);
    found += !price.empty();
  }
  EXPECT_GT(found, kCases / 10);
}

// The line rule written plainly: the text ends at its first NUL; lines end at CR LF, a lone CR
// or a lone LF; the ending after the last line adds no empty line.
std::vector<std::string> PlainLines(std::string_view aText, bool& aAllAscii) {
  aText = aText.substr(0, aText.find('\0'));
  aAllAscii = true;
  for (const char c : aText) {
    aAllAscii = aAllAscii && static_cast<unsigned char>(c) < 0x80;
  }
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < aText.size(); ++i) {
    if (aText[i] != '\r' && aText[i] != '\n') {
      line += aText[i];
      continue;
    }
    lines.push_back(std::exchange(line, {}));
    if (aText[i] == '\r' && i + 1 < aText.size() && aText[i + 1] == '\n') {
      ++i;
    }
  }
  if (!line.empty()) {
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> LinesOf(const TQuoteLines& aLines) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < aLines.Count(); ++i) {
    lines.emplace_back(aLines.Line(i));
  }
  return lines;
}

bool HoldsEquals(const std::vector<std::string>& aLines) {
  return std::any_of(aLines.begin(), aLines.end(),
                     [](const std::string& aLine) { return aLine.find('=') != std::string::npos; });
}

// The lines of a file read a piece at a time, each piece's lines following the last's; what a
// piece is said to hold is true of its lines.
std::vector<std::string> LinesReadInPieces(const std::string& aFile) {
  TQuoteLines lines;
  lines.Open(aFile);
  std::vector<std::string> read;
  for (bool more = true; more;) {
    more = lines.ReadMore();
    EXPECT_EQ(lines.FirstIndex(), read.size());
    std::vector<std::string> piece;
    for (std::size_t i = lines.FirstIndex(); i < lines.Count(); ++i)
      piece.emplace_back(lines.Line(i));
    EXPECT_TRUE(!lines.AllAscii() || std::all_of(piece.begin(), piece.end(), [](auto& aLine) {
      return std::all_of(aLine.begin(), aLine.end(), [](char c) { return c >= 0; });
    }));
    EXPECT_TRUE(lines.HoldsEquals() || !HoldsEquals(piece));
    read.insert(read.end(), piece.begin(), piece.end());
  }
  return read;
}

std::string RandomLinesText(SplitMix64& aRandom, std::size_t aLength) {
  static const char kBytes[] = {'a',  'b',  ' ',    ';',    '\r', '\n',
                                '\r', '\n', '\xC0', '\x7F', '=',  '\0'};
  std::string text(aLength, 'x');
  for (char& c : text) {
    // "=" and NUL rarely, so that most texts run to their end and many hold no "=".
    c = kBytes[aRandom.Below(aRandom.Below(40) == 0 ? 12 : 10)];
  }
  return text;
}

// The splitter that scans eight bytes at a time while the file arrives in pieces cuts the lines
// the plain rule cuts, a CR LF split between two pieces included.
TEST(FastPathTest, LineSplitterCutsWhatThePlainLineRuleCuts) {
  SplitMix64 random(29);
  TQuoteLines lines;
  for (int i = 0; i < kCases; ++i) {
    const std::string text = RandomLinesText(random, static_cast<std::size_t>(random.Below(90)));
    bool allAscii = false;
    const std::vector<std::string> expected = PlainLines(text, allAscii);
    lines.SetText(text);
    ASSERT_EQ(LinesOf(lines), expected) << testing::PrintToString(text);
    ASSERT_EQ(lines.AllAscii(), allAscii) << testing::PrintToString(text);
    ASSERT_EQ(lines.HoldsEquals(), HoldsEquals(expected)) << testing::PrintToString(text);
  }
  // Files of several read pieces (256 KB each), with a line end on every piece boundary.
  const std::string file =
      (std::filesystem::temp_directory_path() / ("melquon-lines-" + std::to_string(::getpid())))
          .string();
  constexpr std::size_t kPiece = 256 * 1024;
  for (int i = 0; i < 12; ++i) {
    std::string text =
        RandomLinesText(random, 3 * kPiece + static_cast<std::size_t>(random.Below(5000)));
    for (std::size_t boundary = kPiece; boundary < text.size(); boundary += kPiece) {
      const char* const ends[] = {"\r\n", "\r\r", "\n\r", "a\r"};
      text.replace(boundary - 1, 2, ends[i % 4]);
    }
    if (i % 3 == 0) {
      std::replace(text.begin(), text.end(), '\0', 'z');  // these run to their very end
    }
    if (i % 2 == 0) {
      std::replace(text.begin(), text.end(), '=', 'y');
    }
    if (i % 4 == 1) {
      text.insert(random.Below(text.size()), 700 * 1024, 'w');  // a line longer than a piece
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    bool allAscii = false;
    const std::vector<std::string> expected = PlainLines(text, allAscii);
    lines.LoadFromFile(file);
    ASSERT_EQ(LinesOf(lines), expected) << "file " << i;
    ASSERT_EQ(lines.AllAscii(), allAscii) << "file " << i;
    ASSERT_EQ(lines.HoldsEquals(), HoldsEquals(expected)) << "file " << i;
    ASSERT_EQ(LinesReadInPieces(file), expected) << "file " << i;
  }
  std::filesystem::remove(file);
}

// A replacement written plainly: every match found by PCRE2 itself (the same options, no JIT),
// the replacement text read a character at a time by its documented rules, an empty match
// moving the search on by one character.
class PlainReplacer {
 public:
  PlainReplacer(const std::string& aPattern, bool aIgnoreCase) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(aPattern.data()), aPattern.size(),
                          PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                              PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY |
                              (aIgnoreCase ? PCRE2_CASELESS : 0u),
                          &error, &offset, context);
    pcre2_compile_context_free(context);
    pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &groups_);
    match_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  ~PlainReplacer() {
    pcre2_match_data_free(match_);
    pcre2_code_free(code_);
  }
  PlainReplacer(const PlainReplacer&) = delete;
  PlainReplacer& operator=(const PlainReplacer&) = delete;

  std::string Replace(std::string_view aSource, std::string_view aReplacement, bool aGlobal) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t from = 0; from <= aSource.size();) {
      if (pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(aSource.data()), aSource.size(), from, 0,
                      match_, nullptr) < 0) {
        break;
      }
      const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match_);
      out.append(aSource.substr(copied, ovector[0] - copied));
      Substitute(aSource, aReplacement, ovector, out);
      copied = ovector[1];
      if (!aGlobal) {
        break;
      }
      from = ovector[1];
      if (ovector[0] == ovector[1]) {
        if (from >= aSource.size()) {
          break;
        }
        ++from;
        while (from < aSource.size() &&
               (static_cast<unsigned char>(aSource[from]) & 0xC0) == 0x80) {
          ++from;
        }
      }
    }
    return out.append(aSource.substr(copied));
  }

 private:
  std::string_view Group(std::string_view aSource, const PCRE2_SIZE* aOvector,
                         std::uint32_t aGroup) {
    if (aOvector[2 * aGroup] == PCRE2_UNSET) {
      return {};
    }
    return aSource.substr(aOvector[2 * aGroup], aOvector[2 * aGroup + 1] - aOvector[2 * aGroup]);
  }

  void Substitute(std::string_view aSource, std::string_view aReplacement,
                  const PCRE2_SIZE* aOvector, std::string& aOut) {
    const auto digit = [&aReplacement](std::size_t aAt) {
      return aAt < aReplacement.size() && aReplacement[aAt] >= '0' && aReplacement[aAt] <= '9';
    };
    for (std::size_t i = 0; i < aReplacement.size(); ++i) {
      const char c = aReplacement[i];
      const char next = i + 1 < aReplacement.size() ? aReplacement[i + 1] : '\0';
      if (c != '$' || i + 1 == aReplacement.size()) {
        aOut += c;
      } else if (next == '$') {
        aOut += '$';
        ++i;
      } else if (next == '&') {
        aOut.append(Group(aSource, aOvector, 0));
        ++i;
      } else if (next == '`') {
        aOut.append(aSource.substr(0, aOvector[0]));
        ++i;
      } else if (next == '\'') {
        aOut.append(aSource.substr(aOvector[1]));
        ++i;
      } else if (digit(i + 1)) {
        // Two digits first, then one; 0 and groups the pattern lacks stay as written.
        const std::uint32_t one = static_cast<std::uint32_t>(next - '0');
        const std::uint32_t two =
            digit(i + 2) ? one * 10 + static_cast<std::uint32_t>(aReplacement[i + 2] - '0') : 0;
        if (two >= 1 && two <= groups_) {
          aOut.append(Group(aSource, aOvector, two));
          i += 2;
        } else if (one >= 1 && one <= groups_) {
          aOut.append(Group(aSource, aOvector, one));
          ++i;
        } else {
          aOut += c;
        }
      } else {
        aOut += c;
      }
    }
  }

  pcre2_code* code_ = nullptr;
  pcre2_match_data* match_ = nullptr;
  std::uint32_t groups_ = 0;
};

// The compiled replacement program and the match loop of the expression object give what the
// plain loop gives, over every kind of replacement piece.
TEST(FastPathTest, ReplacementProgramAgreesWithAPlainMatchAndSubstituteLoop) {
  static const char* const kPatterns[] = {
      "(a)(b)?", "a+",    "(x*)", "([a-c])([a-c])",
      "(\\d+)",  "b|(c)", "",     "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)",
      "(а+)",    "(A)",   "[^a]", "(1)?(2)"};
  static const char* const kSourceBytes[] = {"a", "b", "c", "x", "1",   "2",
                                             " ", "а", "A", "k", "\r\n"};
  static const char* const kReplacementPieces[] = {"$1", "$2", "$11", "$12", "$0", "$00", "$&",
                                                   "$`", "$'", "$$",  "$",   "$x", "\\",  "-",
                                                   "z",  "$3", "$01", "$9",  "я"};
  SplitMix64 random(41);
  int changed = 0;
  for (const char* pattern : kPatterns) {
    for (const bool ignoreCase : {false, true}) {
      PlainReplacer plain(pattern, ignoreCase);
      TRegExp regExp;
      regExp.IgnoreCase = ignoreCase;
      regExp.SetPattern(pattern);
      for (int i = 0; i < 800; ++i) {
        std::string source, replacement;
        for (int n = static_cast<int>(random.Below(12)); n > 0; --n) {
          source += kSourceBytes[random.Below(sizeof kSourceBytes / sizeof kSourceBytes[0])];
        }
        for (int n = static_cast<int>(random.Below(5)); n > 0; --n) {
          replacement += kReplacementPieces[random.Below(sizeof kReplacementPieces /
                                                         sizeof kReplacementPieces[0])];
        }
        regExp.Global = random.Below(3) != 0;
        const std::string expected = plain.Replace(source, replacement, regExp.Global);
        ASSERT_EQ(regExp.Replace(source, replacement), expected)
            << "/" << pattern << "/ on '" << source << "' by '" << replacement << "'";
        ASSERT_EQ(regExp.ReplaceLine(source, replacement), expected);
        changed += expected != source;
      }
    }
  }
  EXPECT_GT(changed, 5000);
}

}  // namespace
}  // namespace melquon

namespace melquon {
namespace {

// Replacement texts made of item names near the wanted ones, item and quote bytes and every
// dollar form.
std::string RandomTemplate(SplitMix64& aRandom) {
  static const char* const kPieces[] = {
      "CONTRACT=", "DT=", "contract=", "Dt=", " DT=", "CONTRACTS=", "&",  "=",
      "x",         ":",   "\"",        "'",   "\r",   "$1",         "$2", "$3",
      "$4",        "$12", "$&",        "$`",  "$'",   "$$",         "$9", "$"};
  // One in four has the shape of a clock: three groups, one character between each two.
  if (aRandom.Below(4) == 0) {
    const auto group = [&aRandom] { return "$" + std::to_string(aRandom.Between(1, 4)); };
    const auto separator = [&aRandom] { return std::string(1, ":.x&"[aRandom.Below(4)]); };
    return "CONTRACT=" + group() + "&DT=" + group() + separator() + group() + separator() + group();
  }
  std::string text;
  const int pieces = static_cast<int>(aRandom.Between(0, 9));
  for (int i = 0; i < pieces; ++i) {
    // Item and quote bytes rarely, so that most templates can be read straight.
    const std::size_t at = static_cast<std::size_t>(aRandom.Below(std::size(kPieces)));
    if ((at >= 10 && at <= 12) && aRandom.Below(4) != 0)
      continue;
    text += kPieces[at];
  }
  return text;
}

// Lines of the contract and others, with item bytes now and then.
std::string RandomItemLine(SplitMix64& aRandom) {
  static const char* const kTokens[] = {"1", "23", "4.5", ":",  ",", "10:05", "RIH9",
                                        "a", "&",  "=",   "\"", " ", "."};
  std::string line = aRandom.Below(5) == 0 ? "SIH9," : aRandom.Below(10) == 0 ? "" : "RIH9,";
  const int tokens = static_cast<int>(aRandom.Between(0, 8));
  for (int i = 0; i < tokens; ++i) {
    const std::size_t at = static_cast<std::size_t>(aRandom.Below(std::size(kTokens)));
    if (at >= 8 && at <= 10 && aRandom.Below(3) != 0)
      continue;
    line += kTokens[at];
  }
  return line;
}

// Reading the items straight from the match's groups gives the very CONTRACT and DT texts that
// reading the replaced line gives, for whole-line, partial, empty, repeated and \K matches,
// unset groups, every dollar form and every flag.
TEST(FastPathTest, ItemsReadFromGroupsAreThoseOfTheReplacedLine) {
  static const char* const kPatterns[] = {R"(^RIH9,(\d+),?(\d\d:\d\d)?(.*)$)",
                                          R"(RIH9,(\d+))",
                                          R"(^(.*)$)",
                                          R"(^RIH9(.*?)(=)?(.*)$)",
                                          R"(x*)",
                                          R"(^(a)?RIH9,([^,]*)(,.*)?$)",
                                          R"((?<=R)IH9.*)",
                                          R"(^RIH9.*\K(\d))",
                                          R"(^$)",
                                          R"(^[^,]*,(\d*)([.:]\d+)*(.*)$)",
                                          R"(.*)",
                                          R"(([A-Z]*)\d*,?(.*))",
                                          R"(^RIH9,(\d+)[,&="](\d\d)[:=]([\d.]+)$)",
                                          R"(^RIH9,([^,:]+)[,:](\d+)$)",
                                          R"(^RIH9,(.?.?)(.?.?)(.?.?)(.*)$)"};
  SplitMix64 random(4242);
  TRegExp direct;
  TRegExp general;
  TQuoteItemReader directReader;
  TQuoteItemReader generalReader(false);
  int wholeLines = 0;
  int clocks = 0;
  for (int i = 0; i < kCases; ++i) {
    const char* const pattern = kPatterns[random.Below(std::size(kPatterns))];
    const std::string replacement = RandomTemplate(random);
    for (TRegExp* regExp : {&direct, &general}) {
      regExp->SetPattern(pattern);
      regExp->Global = random.Below(4) != 0;
      regExp->Multiline = true;
    }
    general.Global = direct.Global;
    directReader.Prepare(direct, replacement);
    generalReader.Prepare(general, replacement);
    for (int line = 0; line < 4; ++line) {
      const std::string text = RandomItemLine(random);
      std::string_view price, dateTime, generalPrice, generalDateTime;
      // A day without a "=" tells so; the reader is told so of some lines without one.
      const bool mayHoldEquals = text.find('=') != std::string::npos || random.Below(2) == 0;
      directReader.Read(direct, text, replacement, price, dateTime, mayHoldEquals);
      const std::pair fast{std::string(price), std::string(dateTime)};
      // A DT put together as a clock's word holds the very bytes of its text.
      std::uint64_t clock = 0;
      if (directReader.DateTimeClock(clock)) {
        ++clocks;
        ASSERT_EQ(dateTime.size(), 8u);
        for (std::size_t k = 0; k < 8; ++k)
          ASSERT_EQ(static_cast<char>(clock >> (8 * k)), dateTime[k]) << text;
      }
      generalReader.Read(general, text, replacement, generalPrice, generalDateTime);
      ASSERT_EQ(fast, std::pair(std::string(generalPrice), std::string(generalDateTime)))
          << "pattern " << pattern << " replacement " << replacement << " line " << text;
      wholeLines += direct.MatchLine(text) == TLineMatch::kWholeLine ? 1 : 0;
    }
  }
  EXPECT_GT(wholeLines, 10000);
  EXPECT_GT(clocks, 100);
}

}  // namespace
}  // namespace melquon
