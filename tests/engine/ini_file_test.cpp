#include "engine/ini_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace melquon {
namespace {

struct ReadCase {
  const char* name;
  std::string text;  // Windows-1251 bytes of the file
  std::string section;
  std::string key;
  std::optional<std::string> expected;
};

void PrintTo(const ReadCase& aCase, std::ostream* aStream) {
  *aStream << aCase.name;
}

class IniFileReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(IniFileReadTest, ReadsValueByTheReaderRules) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(IniFile::Parse(c.text).Read(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, IniFileReadTest,
    testing::Values(
        ReadCase{"LowerCaseFileUpperCaseQuery", "[common]\r\narchivepath=x\r\n", "COMMON",
                 "ArchivePath", "x"},
        ReadCase{"UpperCaseFileLowerCaseQuery", "[SKIP INTERVALS]\r\nSKIPSTART1=1\r\n",
                 "skip intervals", "skipstart1", "1"},
        ReadCase{"CyrillicNamesIgnoreCase",
                 "[\xC7\xC0\xCC\xC5\xD2\xCA\xC8]\r\n\xA8\xCB\xCA\xC0=1\r\n",
                 "\xD0\xB7\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8",
                 "\xD1\x91\xD0\xBB\xD0\xBA\xD0\xB0", "1"},
        ReadCase{"BlanksAroundSectionName", "  [ \tCOMMON  ]  \r\nA=1\r\n", "COMMON", "A", "1"},
        ReadCase{"TextAfterHeaderIgnored", "[COMMON] ; paths\r\nA=1\r\n", "COMMON", "A", "1"},
        ReadCase{"HeaderWithoutClosingBracket", "[COMMON\r\nA=1\r\n", "COMMON", "A", "1"},
        ReadCase{"SectionNameWithBlankInside", "[SKIP  INTERVALS]\r\nA=1\r\n", "SKIP INTERVALS",
                 "A", std::nullopt},
        ReadCase{"BlanksAroundKey", "[S]\r\n \t A \t=1\r\n", "S", "A", "1"},
        ReadCase{"KeyOfAnotherSection", "[A]\r\nK=1\r\n[B]\r\nL=2\r\n", "B", "K", std::nullopt},
        ReadCase{"KeyAboveEverySection", "K=1\r\n[S]\r\nL=2\r\n", "S", "K", std::nullopt},
        ReadCase{"MissingSection", "[S]\r\nK=1\r\n", "T", "K", std::nullopt},
        ReadCase{"EmptyFile", "", "S", "K", std::nullopt}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Lines, IniFileReadTest,
    testing::Values(
        ReadCase{"LineWithoutEqualsIgnored", "[S]\r\nK\r\nL=2\r\n", "S", "K", std::nullopt},
        ReadCase{"CommentLineIsNoKey", "[S]\r\n;K=1\r\n", "S", "K", std::nullopt},
        ReadCase{"IndentedCommentLineIsNoKey", "[S]\r\n  ; K=1\r\n", "S", "K", std::nullopt},
        ReadCase{"FirstKeyWins", "[S]\r\nK=1\r\nk=2\r\n", "S", "K", "1"},
        ReadCase{"FirstSectionWins", "[S]\r\nK=1\r\n[s]\r\nK=2\r\n", "S", "K", "1"},
        ReadCase{"KeysOfRepeatedSectionHidden", "[S]\r\nK=1\r\n[T]\r\n[S]\r\nL=2\r\n", "S", "L",
                 std::nullopt},
        ReadCase{"LineFeedEndings", "[S]\nK=1\nL=2\n", "S", "L", "2"},
        ReadCase{"CarriageReturnEndings", "[S]\rK=1\rL=2", "S", "L", "2"},
        ReadCase{"LastLineWithoutEnding", "[S]\r\nK=1", "S", "K", "1"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Values, IniFileReadTest,
    testing::Values(
        ReadCase{"BlanksAndTabsAroundValue", "[S]\r\nK= \t a b \t \r\n", "S", "K", "a b"},
        ReadCase{"FirstEqualsSplits", "[S]\r\nK=b=c\r\n", "S", "K", "b=c"},
        ReadCase{"PresentEmpty", "[S]\r\nK=\r\n", "S", "K", ""},
        ReadCase{"PresentBlank", "[S]\r\nK=   \r\n", "S", "K", ""},
        ReadCase{"DoubleQuotesRemoved", "[S]\r\nK=\"c:\\x y\\\"\r\n", "S", "K", "c:\\x y\\"},
        ReadCase{"SingleQuotesRemoved", "[S]\r\nK='x'\r\n", "S", "K", "x"},
        ReadCase{"BlanksInsideQuotesKept", "[S]\r\nK=\" x \"\r\n", "S", "K", " x "},
        ReadCase{"EmptyQuotes", "[S]\r\nK=\"\"\r\n", "S", "K", ""},
        ReadCase{"OnlyOnePairRemoved", "[S]\r\nK=\"\"x\"\"\r\n", "S", "K", "\"x\""},
        ReadCase{"OuterQuotesOfTwoQuotedParts", "[S]\r\nK=\"a\" \"b\"\r\n", "S", "K", "a\" \"b"},
        ReadCase{"MismatchedQuotesKept", "[S]\r\nK=\"x'\r\n", "S", "K", "\"x'"},
        ReadCase{"LoneQuoteKept", "[S]\r\nK=\"\r\n", "S", "K", "\""},
        ReadCase{"QuoteOnOneSideKept", "[S]\r\nK=\"x\r\n", "S", "K", "\"x"},
        ReadCase{"CyrillicValueBecomesUtf8", "[S]\r\nK=\xCE\xF2\xF7\xB8\xF2\r\n", "S", "K",
                 "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(IniFileLengthTest, ValuesAreCutTo2047CharactersOfTheFile) {
  const struct {
    std::string value;
    std::string expected;
  } cases[] = {
      {std::string(3000, 'a'), std::string(2047, 'a')},
      {std::string(2048, 'a'), std::string(2047, 'a')},
      {std::string(2047, 'a'), std::string(2047, 'a')},
      {"\"" + std::string(3000, 'b') + "\"", std::string(2047, 'b')},
      // One Cyrillic character is one byte of the file but two of UTF-8.
      {std::string(3000, '\xFF'),
       [] {
         std::string text;
         for (int i = 0; i < 2047; ++i) {
           text += "\xD1\x8F";
         }
         return text;
       }()},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> value =
        IniFile::Parse("[S]\r\nK=" + c.value + "\r\n").Read("S", "K");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, c.expected) << "value of " << c.value.size() << " characters";
  }
}

TEST(IniFileIntegerTest, ConvertsOrFallsBackToTheDefault) {
  const struct {
    const char* line;
    std::int32_t expected;
  } cases[] = {
      {"K=500", 500}, {"K='-7'", -7},  {"K=0x1F4", 500}, {"K=abc", 77},
      {"K=", 77},     {"K=12abc", 77}, {"K=1.5", 77},    {"L=5", 77},
  };
  for (const auto& c : cases) {
    const IniFile ini = IniFile::Parse(std::string("[S]\r\n") + c.line + "\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "K", 77), c.expected) << c.line;
  }
}

class IniFileLoadTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(testing::TempDir()) /
           ("melquon_ini_" + std::to_string(getpid()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
};

TEST_F(IniFileLoadTest, ReadsTheFile) {
  const std::filesystem::path file = dir_ / "Melquon.ini";
  std::ofstream(file, std::ios::binary) << "[COMMON]\r\nArchivePath=d:\\archive\\\r\n";
  EXPECT_EQ(IniFile::Load(file.string()).Read("COMMON", "ArchivePath"), "d:\\archive\\");
}

TEST_F(IniFileLoadTest, MissingOrUnreadableFileHasNoKeys) {
  for (const std::filesystem::path& path : {dir_ / "missing.ini", dir_}) {
    EXPECT_EQ(IniFile::Load(path.string()).Read("COMMON", "ArchivePath"), std::nullopt) << path;
  }
}

}  // namespace
}  // namespace melquon
