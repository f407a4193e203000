#include "log/write_log.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/formats.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

LocalDateTime At(int hour, int minute, int second, int millisecond) {
  return LocalDateTime{CalendarDate{2009, 3, 5}, ClockTime{hour, minute, second, millisecond}};
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class WriteLogTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-log-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    RegionalFormats() = FormatSettings{};
    LogFileName = (dir_ / "Melquon.log").string();
    LogLevel = 3;
    ShowLogErrors = true;
    SetLogMessageBox([this](const std::string& text) { boxes_.push_back(text); });
    SetLogClock([this] {
      ++clockReadings_;
      return now_;
    });
  }

  void TearDown() override {
    SetLogMessageBox({});
    SetLogClock({});
    LogFileName = savedFileName_;
    LogLevel = savedLevel_;
    ShowLogErrors = savedShowErrors_;
    RegionalFormats() = savedFormats_;
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string LogBytes() const { return ReadBytes(LogFileName); }

  fs::path dir_;
  LocalDateTime now_ = At(9, 5, 3, 7);
  int clockReadings_ = 0;
  std::vector<std::string> boxes_;

 private:
  const std::string savedFileName_ = LogFileName;
  const std::int32_t savedLevel_ = LogLevel;
  const bool savedShowErrors_ = ShowLogErrors;
  const FormatSettings savedFormats_ = RegionalFormats();
};

struct StampCase {
  LocalDateTime moment;
  const char* expected;
};

TEST_F(WriteLogTest, TimeStampLayout) {
  const StampCase cases[] = {
      {At(9, 5, 3, 7), "05.03.2009 9:05:03 [7]   "},
      {At(9, 5, 3, 0), "05.03.2009 9:05:03 [0]   "},
      {At(9, 5, 3, 45), "05.03.2009 9:05:03 [45]  "},
      {At(9, 5, 3, 999), "05.03.2009 9:05:03 [999] "},
      {At(23, 59, 59, 999), "05.03.2009 23:59:59 [999] "},
      {At(0, 0, 0, 0), "05.03.2009 [0]   "},
      {At(0, 0, 0, 123), "05.03.2009 [123] "},
      {At(0, 0, 1, 0), "05.03.2009 0:00:01 [0]   "},
      {At(0, 1, 0, 0), "05.03.2009 0:01:00 [0]   "},
  };
  for (const StampCase& c : cases) {
    EXPECT_EQ(LogTimeStamp(c.moment), c.expected);
  }
}

TEST_F(WriteLogTest, TimeStampFollowsRegionalFormats) {
  RegionalFormats().ShortDateFormat = "yyyy-MM-dd";
  RegionalFormats().LongTimeFormat = "HH:mm:ss";
  EXPECT_EQ(LogTimeStamp(At(9, 5, 3, 7)), "2009-03-05 09:05:03 [7]   ");
}

TEST_F(WriteLogTest, TimeStampedLineUsesOneClockReading) {
  WriteLog("", "Starting..", 2, true, true);
  EXPECT_EQ(LogBytes(), "05.03.2009 9:05:03 [7]   Starting..\r\n");
  EXPECT_EQ(clockReadings_, 1);

  WriteLog("", "plain", 2, false, false);
  EXPECT_EQ(clockReadings_, 1);
}

TEST_F(WriteLogTest, LineAtMidnightHasNoTime) {
  now_ = At(0, 0, 0, 512);
  WriteLog("", "Calculating done", 2, true, true);
  EXPECT_EQ(LogBytes(), "05.03.2009 [512] Calculating done\r\n");
}

struct LevelCase {
  std::int32_t threshold;
  std::int32_t level;
  bool written;
};

TEST_F(WriteLogTest, LineIsDroppedOnlyAboveTheThreshold) {
  const LevelCase cases[] = {
      {2, 3, false}, {2, 2, true}, {2, 1, true}, {3, 3, true}, {3, 4, false}, {0, 1, false},
  };
  for (const LevelCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "threshold " << c.threshold << " level " << c.level);
    fs::remove(LogFileName);
    LogLevel = c.threshold;
    WriteLog("", "x", c.level, false, false);
    EXPECT_EQ(fs::exists(LogFileName), c.written);
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(WriteLogTest, DroppedLineTouchesNoFileAndReadsNoClock) {
  LogLevel = 2;
  WriteLog((dir_ / "missing" / "x.log").string(), "x", 3, false, true);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(clockReadings_, 0);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(WriteLogTest, RewriteEmptiesAnExistingFile) {
  WriteBytes(LogFileName, "old line\r\n");
  WriteLog("", "new", 1, true, false);
  EXPECT_EQ(LogBytes(), "new\r\n");
}

TEST_F(WriteLogTest, AppendKeepsAnExistingFile) {
  WriteBytes(LogFileName, "old line\r\n");
  WriteLog("", "new", 1, false, false);
  WriteLog("", "newer", 1, false, false);
  EXPECT_EQ(LogBytes(), "old line\r\nnew\r\nnewer\r\n");
}

TEST_F(WriteLogTest, MissingFileIsCreatedWhateverRewriteSays) {
  for (const bool rewrite : {false, true}) {
    fs::remove(LogFileName);
    WriteLog("", "first", 2, rewrite, false);
    EXPECT_EQ(LogBytes(), "first\r\n") << "rewrite " << rewrite;
  }
}

TEST_F(WriteLogTest, NamedFileIsWrittenInsteadOfTheLog) {
  const fs::path report = dir_ / "report.txt";
  WriteLog(report.string(), "line 1\r\nline 2", 1, true, false);
  EXPECT_EQ(ReadBytes(report), "line 1\r\nline 2\r\n");
  EXPECT_FALSE(fs::exists(LogFileName));
}

TEST_F(WriteLogTest, EmptyMessageWithoutTimeIsJustLineEnd) {
  WriteLog("", "", 1, true, false);
  EXPECT_EQ(LogBytes(), "\r\n");
}

TEST_F(WriteLogTest, MessageIsWrittenAsWindows1251) {
  WriteLog("", "Расчёт №1", 1, true, false);
  EXPECT_EQ(LogBytes(),
            "\xD0\xE0\xF1\xF7\xB8\xF2 \xB9"
            "1\r\n");
}

TEST_F(WriteLogTest, FailedCreateIsReportedByEveryStep) {
  const std::string path = (dir_ / "missing" / "x.log").string();
  WriteLog(path, "Starting..", 1, false, true);
  const std::vector<std::string> expected = {
      "error rewriting message Starting..",
      "error writing message Starting..",
      "error closing message Starting..",
  };
  EXPECT_EQ(boxes_, expected);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(WriteLogTest, DirectoryInPlaceOfTheFileFailsAsCreate) {
  WriteLog(dir_.string(), "x", 1, true, false);
  const std::vector<std::string> expected = {"error rewriting message x", "error writing message x",
                                             "error closing message x"};
  EXPECT_EQ(boxes_, expected);
}

// An existing file that can't be opened for writing, even by root: a socket.
TEST_F(WriteLogTest, FailedOpenOfExistingFileIsReportedByEveryStep) {
  const std::string path = (dir_ / "sock").string();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof(address.sun_path));
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);

  for (const bool rewrite : {false, true}) {
    boxes_.clear();
    WriteLog(path, "Расчёт", 1, rewrite, true);
    const std::vector<std::string> expected = {
        "error appending message Расчёт",
        "error writing message Расчёт",
        "error closing message Расчёт",
    };
    EXPECT_EQ(boxes_, expected) << "rewrite " << rewrite;
  }
  ::close(sock);
}

TEST_F(WriteLogTest, FailuresAreSilentWhenErrorsAreNotShown) {
  ShowLogErrors = false;
  WriteLog((dir_ / "missing" / "x.log").string(), "x", 1, false, true);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(WriteLogTest, DefaultMessageBoxWritesToStandardError) {
  SetLogMessageBox({});
  testing::internal::CaptureStderr();
  WriteLog((dir_ / "missing" / "x.log").string(), "lost line", 1, false, false);
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("error rewriting message lost line"), std::string::npos);
  EXPECT_NE(shown.find("error closing message lost line"), std::string::npos);
}

TEST_F(WriteLogTest, EmptyLogFileNameFailsWithoutThrowing) {
  LogFileName.clear();
  EXPECT_NO_THROW(WriteLog("", "x", 1, false, false));
  EXPECT_EQ(boxes_.size(), 3u);
}

}  // namespace
}  // namespace melquon
