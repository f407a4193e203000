#include "runtime/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/paths.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

TEST(SplitTextLinesTest, SplitsAtEveryKindOfLineEnd) {
  struct Case {
    std::string_view text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\n\r\n", {"a", ""}},
      {"\nx", {"", "x"}},
      {std::string_view("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitTextLines(c.text), c.lines) << testing::PrintToString(std::string(c.text));
  }
}

class TextFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-runtime-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + name; }

  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::vector<std::string> DirectoryEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};

TEST_F(TextFileTest, FileExistsOnlyForFiles) {
  Write(Path("day.txt"), "x");
  EXPECT_TRUE(FileExists(Path("day.txt")));
  EXPECT_FALSE(FileExists(Path("missing.txt")));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_FALSE(FileExists(""));
}

TEST_F(TextFileTest, ReadsEveryByte) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) {
    bytes += static_cast<char>(i % 256);
  }
  Write(Path("all.bin"), bytes);
  EXPECT_EQ(ReadFileBytes(Path("all.bin")), bytes);
  Write(Path("empty.txt"), "");
  EXPECT_EQ(ReadFileBytes(Path("empty.txt")), "");
}

TEST_F(TextFileTest, ReadErrorsNameTheFileAndTheReason) {
  const std::string missing = Path("missing.txt");
  try {
    ReadFileBytes(missing);
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open file \"" + missing + "\". " + std::strerror(ENOENT));
  }
  EXPECT_THROW(ReadFileBytes(dir_), EInOutError);  // a directory opens but cannot be read
}

TEST_F(TextFileTest, ReplaceCreatesAndReplacesWholeContents) {
  const std::string path = Path("Melquon.ini");
  ReplaceFileContents(path, "[COMMON]\r\nArchivePath=a\r\n");
  EXPECT_EQ(ReadFileBytes(path), "[COMMON]\r\nArchivePath=a\r\n");
  ReplaceFileContents(path, std::string_view("\xCF\0", 2));
  EXPECT_EQ(ReadFileBytes(path), std::string("\xCF\0", 2));
  ReplaceFileContents(path, "");
  EXPECT_EQ(ReadFileBytes(path), "");
  EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{"Melquon.ini"});
}

TEST_F(TextFileTest, ReplaceKeepsTheFileModeAndFollowsLinks) {
  const std::string path = Path("settings.ini");
  Write(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  fs::create_symlink(path, Path("link.ini"));
  ReplaceFileContents(Path("link.ini"), "new");
  EXPECT_EQ(ReadFileBytes(path), "new");
  EXPECT_TRUE(fs::is_symlink(Path("link.ini")));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(TextFileTest, FailedReplaceLeavesNoTemporaryFile) {
  fs::create_directory(Path("taken"));
  Write(Path("taken/inner.txt"), "x");
  try {
    ReplaceFileContents(Path("taken"), "text");
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("\"" + Path("taken") + "\""), std::string::npos);
  }
  EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{"taken"});
  EXPECT_THROW(ReplaceFileContents(Path("no-such-dir/file.txt"), "x"), EInOutError);
}

TEST(PathsTest, SplitsAndJoinsPaths) {
  EXPECT_EQ(DirectoryOf("/opt/melquon/Melquon"), "/opt/melquon/");
  EXPECT_EQ(DirectoryOf("/Melquon"), "/");
  EXPECT_EQ(DirectoryOf("Melquon"), "");
  EXPECT_EQ(DirectoryOf("dir/"), "dir/");
  EXPECT_EQ(ResolveAgainst("/opt/m/", "report.txt"), "/opt/m/report.txt");
  EXPECT_EQ(ResolveAgainst("/opt/m/", "data/day.txt"), "/opt/m/data/day.txt");
  EXPECT_EQ(ResolveAgainst("/opt/m/", "/var/report.txt"), "/var/report.txt");
  EXPECT_EQ(ResolveAgainst("/opt/m/", ""), "");
}

TEST(PathsTest, ExecutableDirectoryHoldsThisTest) {
  const std::string directory = ExecutableDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '/');
  EXPECT_EQ(directory.front(), '/');
  EXPECT_EQ(fs::canonical("/proc/self/exe").parent_path(), fs::canonical(directory));
}

}  // namespace
}  // namespace melquon
