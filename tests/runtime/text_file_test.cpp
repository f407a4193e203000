#include "runtime/text_file.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/regular_file.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

// Each case is "text -> lines", every line written in brackets.
TEST(SplitTextLinesTest, SplitsAtEveryKindOfLineEnd) {
  for (const std::string_view c : {" -> ", "a -> [a]", "a\r\nb\r\n -> [a][b]", "a\r\nb -> [a][b]",
                                   "a\nb\n -> [a][b]", "a\rb\r -> [a][b]", "a\n\rb -> [a][][b]",
                                   "a\r\r\nb -> [a][][b]", "\r\n\r\n -> [][]", "\nx -> [][x]"}) {
    const std::string_view text = c.substr(0, c.rfind(" -> "));
    std::string lines;
    for (const std::string& line : SplitTextLines(text)) {
      lines += "[" + line + "]";
    }
    EXPECT_EQ(lines, c.substr(text.size() + 4)) << testing::PrintToString(std::string(text));
  }
  EXPECT_EQ(SplitTextLines(std::string_view("a\0b\nc", 5)),
            (std::vector<std::string>{std::string("a\0b", 3), "c"}));
}

class TextFileTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(mkdtemp(dir_.data()), nullptr); }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::vector<fs::path> Entries() const {
    return {fs::directory_iterator(dir_), fs::directory_iterator()};
  }

  std::string dir_ = (fs::temp_directory_path() / "melquon-runtime-XXXXXX").string();
};

TEST_F(TextFileTest, ReadsEveryByteOfFilesOnly) {
  std::string bytes(200000, '\0');
  std::iota(bytes.begin(), bytes.end(), '\0');  // every byte value, over and over
  std::ofstream(Path("all.bin"), std::ios::binary) << bytes;
  EXPECT_EQ(ReadFileBytes(Path("all.bin")), bytes);
  EXPECT_TRUE(FileExists(Path("all.bin")));
  EXPECT_FALSE(FileExists(Path("missing.txt")));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_THAT([&] { ReadFileBytes(Path("missing.txt")); },
              testing::ThrowsMessage<EInOutError>("Cannot open file \"" + Path("missing.txt") +
                                                  "\". " + strerror(ENOENT)));
  EXPECT_THROW(ReadFileBytes(dir_), EInOutError);  // a directory opens but cannot be read
}

// What is not a regular file is refused at once, never waited on or read without end; a file
// past the reader's bound is refused before a byte of it is read.
TEST_F(TextFileTest, RefusesWhatIsNoRegularFileAndFilesPastTheBound) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  const std::pair<std::string, std::string> refused[] = {
      {Path("fifo"), "Not a regular file (a FIFO)"},
      {"/dev/zero", "Not a regular file (a device)"},
      {"/dev/null", "Not a regular file (a device)"},
      {dir_, "Is a directory"}};
  for (const auto& [path, reason] : refused) {
    EXPECT_THAT([&] { ReadFileBytes(path); }, testing::ThrowsMessage<ENotRegularFile>(
                                                  "Cannot read file \"" + path + "\". " + reason));
  }
  std::ofstream(Path("ten.txt"), std::ios::binary) << "0123456789";
  EXPECT_EQ(ReadFileBytes(Path("ten.txt"), 10), "0123456789");
  EXPECT_THAT([&] { ReadFileBytes(Path("ten.txt"), 9); },
              testing::ThrowsMessage<EFileTooLarge>("Cannot read file \"" + Path("ten.txt") +
                                                    "\". It is larger than 9 bytes"));
  // A sparse file of 3 GB takes no room and is refused by its size alone.
  std::ofstream(Path("huge.ini")).close();
  fs::resize_file(Path("huge.ini"), std::uint64_t{3} << 30);
  EXPECT_THAT([&] { ReadFileBytes(Path("huge.ini"), 16 << 20); },
              testing::ThrowsMessage<EFileTooLarge>("Cannot read file \"" + Path("huge.ini") +
                                                    "\". It is larger than 16 MB"));
}

TEST_F(TextFileTest, ReplaceWritesWholeContentsKeepsTheModeAndFollowsLinks) {
  const std::string path = Path("Melquon.ini");
  ReplaceFileContents(path, std::string_view("\xCF\0\r\n", 4));
  EXPECT_EQ(ReadFileBytes(path), std::string("\xCF\0\r\n", 4));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  fs::create_symlink(path, Path("link.ini"));
  ReplaceFileContents(Path("link.ini"), "");
  EXPECT_EQ(ReadFileBytes(path), "");
  EXPECT_TRUE(fs::is_symlink(Path("link.ini")));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(TextFileTest, FailedReplaceLeavesNoTemporaryFile) {
  fs::create_directory(Path("taken"));
  EXPECT_THAT([&] { ReplaceFileContents(Path("taken"), "text"); },
              testing::ThrowsMessage<EInOutError>(testing::HasSubstr("\"" + Path("taken") + "\"")));
  EXPECT_EQ(Entries(), std::vector<fs::path>{Path("taken")});
  EXPECT_THROW(ReplaceFileContents(Path("no-such-dir/file.txt"), "x"), EInOutError);
}

TEST_F(TextFileTest, PiecewiseReplacementReplacesTheFileOnlyOnCommit) {
  const std::string path = Path("moves.csv");
  ReplaceFileContents(path, "old");
  for (const bool commit : {false, true}) {
    TFileReplacement file(path);
    file.Write("new ");
    file.Write("text");
    EXPECT_EQ(ReadFileBytes(path), "old");
    if (commit)
      file.Commit();
  }
  EXPECT_EQ(ReadFileBytes(path), "new text");
  EXPECT_EQ(Entries().size(), 1u) << "no temporary file is left";
  fs::create_directory(Path("taken"));
  for (const std::string& target : {Path("taken"), Path("no-such-dir/file.txt")}) {
    EXPECT_THAT([&] { TFileReplacement{target}; },
                testing::ThrowsMessage<EInOutError>(testing::StartsWith("Cannot create file")));
  }
  EXPECT_EQ(Entries().size(), 2u);
}

TEST(PathsTest, FindsDirectoriesAndTheExecutable) {
  EXPECT_EQ(DirectoryOf("/opt/melquon/Melquon"), "/opt/melquon/");
  EXPECT_EQ(DirectoryOf("/Melquon"), "/");
  EXPECT_EQ(DirectoryOf("Melquon"), "");
  const std::string directory = ExecutableDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '/');
  EXPECT_EQ(fs::canonical("/proc/self/exe").parent_path(), fs::canonical(directory));
}

}  // namespace
}  // namespace melquon
