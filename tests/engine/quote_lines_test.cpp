#include "engine/quote_lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "runtime/errors.h"

namespace melquon {
namespace {

std::vector<std::string> LinesOf(const TQuoteLines& aLines) {
  std::vector<std::string> result;
  for (std::size_t i = 0; i < aLines.Count(); ++i)
    result.emplace_back(aLines.Line(i));
  return result;
}

struct SplitCase {
  std::string text;
  std::vector<std::string> lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.text);
}

class QuoteLinesSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(QuoteLinesSplit, CutsAtEveryLineEnd) {
  TQuoteLines lines;
  lines.SetText(GetParam().text);
  EXPECT_EQ(LinesOf(lines), GetParam().lines);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Table, QuoteLinesSplit,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\r\nb", {"a", "b"}},
                      SplitCase{"a\rb", {"a", "b"}}, SplitCase{"a\nb", {"a", "b"}},
                      SplitCase{"a\r\n", {"a"}}, SplitCase{"a\r", {"a"}}, SplitCase{"a\n", {"a"}},
                      SplitCase{"\r\n", {""}}, SplitCase{"a\r\n\r\n", {"a", ""}},
                      SplitCase{"a\n\nb", {"a", "", "b"}}, SplitCase{"a\r\r\nb", {"a", "", "b"}},
                      SplitCase{"a\n\rb", {"a", "", "b"}}, SplitCase{"a\r\n\nb", {"a", "", "b"}},
                      SplitCase{"a\0b\r\nc"s, {"a"}}, SplitCase{"a\r\n\0b"s, {"a"}},
                      SplitCase{"\0a"s, {}}, SplitCase{" x \t\r\n", {" x \t"}}));

class QuoteLinesFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("melquon_quote_lines_" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& aName, const std::string& aBytes) {
    const std::filesystem::path path = dir_ / aName;
    std::ofstream(path, std::ios::binary) << aBytes;
    return path.string();
  }

  std::filesystem::path dir_;
};

TEST_F(QuoteLinesFile, LoadsBytesUnconverted) {
  TQuoteLines lines;
  lines.LoadFromFile(Write("day.txt", "\xD0\xC8\xD5\x39,1\r\nSIH9,2\r\n"));
  EXPECT_EQ(LinesOf(lines), (std::vector<std::string>{"\xD0\xC8\xD5\x39,1", "SIH9,2"}));
  EXPECT_EQ(lines.ByteSize(), 16u);
}

TEST_F(QuoteLinesFile, EmptyFileHasNoLines) {
  TQuoteLines lines;
  lines.SetText("left over\r\n");
  lines.LoadFromFile(Write("empty.txt", ""));
  EXPECT_EQ(lines.Count(), 0u);
}

TEST_F(QuoteLinesFile, ReloadingKeepsNoLinesOfTheEarlierDay) {
  TQuoteLines lines;
  std::string big;
  for (int i = 0; i < 20000; ++i)
    big += "RIH9,0,20090105,100000,150000,1\r\n";
  lines.LoadFromFile(Write("big.txt", big));
  EXPECT_EQ(lines.Count(), 20000u);
  lines.LoadFromFile(Write("small.txt", "x\ny"));
  EXPECT_EQ(LinesOf(lines), (std::vector<std::string>{"x", "y"}));
}

std::string LoadError(const std::string& aFileName) {
  TQuoteLines lines;
  try {
    lines.LoadFromFile(aFileName);
  } catch (const EInOutError& e) {
    return e.what();
  }
  return "no error";
}

TEST_F(QuoteLinesFile, DirectoryRaisesInOutError) {
  EXPECT_EQ(LoadError(dir_.string()), "Cannot read file \"" + dir_.string() + "\". Is a directory");
}

TEST_F(QuoteLinesFile, MissingFileRaisesInOutError) {
  const std::string missing = (dir_ / "absent.txt").string();
  EXPECT_EQ(LoadError(missing), "Cannot open file \"" + missing + "\". No such file or directory");
}

}  // namespace
}  // namespace melquon
