#include "log/write_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <utility>

#include "runtime/formats.h"
#include "runtime/text_file.h"

namespace melquon {
namespace {

namespace fs = std::filesystem;

LocalDateTime At(int hour, int minute, int second, int millisecond) {
  return {{2009, 3, 5}, {hour, minute, second, millisecond}};
}

// Every test writes to a folder of its own with the home formats, a fixed clock that counts
// its readings and a message box that records its texts; the log settings are put back.
class WriteLogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
    std::tie(LogFileName, LogLevel, ShowLogErrors, RegionalFormats()) =
        std::tuple(dir_ + "/Melquon.log", 3, true, FormatSettings{});
    SetLogMessageBox([this](const std::string& text) { boxes_ += text + "\n"; });
    SetLogClock([this] {
      ++clockReadings_;
      return now_;
    });
  }
  void TearDown() override {
    SetLogMessageBox({});
    SetLogClock({});
    std::tie(LogFileName, LogLevel, ShowLogErrors, RegionalFormats()) = saved_;
    fs::remove_all(dir_);
  }

  // The three texts shown when the open of a file fails, one a line.
  static std::string Failures(const std::string& open, const std::string& message) {
    return "error " + open + " message " + message + "\nerror writing message " + message +
           "\nerror closing message " + message + "\n";
  }

  std::string dir_ = (fs::temp_directory_path() / "melquon-log-XXXXXX").string();
  LocalDateTime now_ = At(9, 5, 3, 7);
  int clockReadings_ = 0;
  std::string boxes_;  // the texts shown, one a line
  const std::tuple<std::string, std::int32_t, bool, FormatSettings> saved_{
      LogFileName, LogLevel, ShowLogErrors, RegionalFormats()};
};

// A time-stamped line reads the clock once; lines are written in Windows-1251.
TEST_F(WriteLogTest, TimeStampLeavesOutMidnightAndPadsTheMillisecondsMarker) {
  const std::pair<LocalDateTime, const char*> cases[] = {
      {At(9, 5, 3, 7), "05.03.2009 9:05:03 [7]   "},
      {At(23, 59, 59, 999), "05.03.2009 23:59:59 [999] "},
      {At(0, 0, 0, 0), "05.03.2009 [0]   "},
      {At(0, 0, 1, 0), "05.03.2009 0:00:01 [0]   "},
      {At(0, 1, 0, 0), "05.03.2009 0:01:00 [0]   "},
  };
  for (const auto& [moment, expected] : cases) {
    EXPECT_EQ(LogTimeStamp(moment), expected);
  }
  WriteLog("", "Starting..", 2, true, true);
  now_ = At(0, 0, 0, 512);
  WriteLog("", "Расчёт №", 2, false, true);
  WriteLog("", "", 2, false, false);
  EXPECT_EQ(ReadFileBytes(LogFileName),
            "05.03.2009 9:05:03 [7]   Starting..\r\n"
            "05.03.2009 [512] \xD0\xE0\xF1\xF7\xB8\xF2 \xB9\r\n\r\n");
  EXPECT_EQ(clockReadings_, 2);
  RegionalFormats() = {.ShortDateFormat = "yyyy-MM-dd", .LongTimeFormat = "HH:mm:ss"};
  EXPECT_EQ(LogTimeStamp(At(9, 5, 3, 45)), "2009-03-05 09:05:03 [45]  ");
}

// A dropped line touches no file and reads no clock.
TEST_F(WriteLogTest, LineIsDroppedOnlyAboveTheThreshold) {
  const std::int32_t cases[][3] = {{2, 3, 0}, {2, 2, 1}, {2, 1, 1},
                                   {3, 3, 1}, {3, 4, 0}, {0, 1, 0}};
  for (const auto& [threshold, level, written] : cases) {
    fs::remove(LogFileName);
    LogLevel = threshold;
    WriteLog("", "x", level, false, true);
    EXPECT_EQ(fs::exists(LogFileName), written != 0) << threshold << " " << level;
  }
  WriteLog(dir_ + "/missing/x.log", "x", 3, false, true);
  EXPECT_FALSE(fs::exists(dir_ + "/missing"));
  EXPECT_EQ(clockReadings_, 3);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(WriteLogTest, RewriteEmptiesAppendKeepsAndAMissingFileIsCreated) {
  ReplaceFileContents(LogFileName, "old line\r\n");
  WriteLog("", "new", 1, false, false);
  EXPECT_EQ(ReadFileBytes(LogFileName), "old line\r\nnew\r\n");
  WriteLog("", "newer", 1, true, false);
  EXPECT_EQ(ReadFileBytes(LogFileName), "newer\r\n");
  for (const bool rewrite : {false, true}) {
    WriteLog(dir_ + "/report.txt", "line 1\r\nline 2", 1, rewrite, false);
    EXPECT_EQ(ReadFileBytes(dir_ + "/report.txt"), "line 1\r\nline 2\r\n") << rewrite;
    fs::remove(dir_ + "/report.txt");
  }
  EXPECT_EQ(ReadFileBytes(LogFileName), "newer\r\n");
}

TEST_F(WriteLogTest, FailedOpenIsReportedByEveryStepWhenErrorsAreShown) {
  WriteLog(dir_ + "/missing/x.log", "Starting..", 1, false, true);
  EXPECT_EQ(std::exchange(boxes_, {}), Failures("rewriting", "Starting.."));
  WriteLog(dir_, "x", 1, true, false);  // a folder in place of the file fails as a create
  EXPECT_EQ(std::exchange(boxes_, {}), Failures("rewriting", "x"));
  // An existing file that no one can open for writing, not even root, is a socket.
  const std::string path = dir_ + "/sock";
  sockaddr_un address{AF_UNIX, {}};
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  for (const bool rewrite : {false, true}) {
    WriteLog(path, "Расчёт", 1, rewrite, true);
    EXPECT_EQ(std::exchange(boxes_, {}), Failures("appending", "Расчёт")) << rewrite;
  }
  close(sock);
  ShowLogErrors = false;
  WriteLog(dir_ + "/missing/x.log", "x", 1, false, true);
  EXPECT_TRUE(boxes_.empty());
  ShowLogErrors = true;
  // The checked write tells the error of the first failing step; a line above the threshold
  // is no failure.
  const std::pair<std::string, int> checked[] = {
      {dir_ + "/missing/x.log", ENOENT}, {dir_, EISDIR}, {path, ENXIO}, {dir_ + "/written.log", 0}};
  for (const auto& [file, error] : checked) {
    EXPECT_EQ(WriteLogChecked(file, "x", 1, true, false), error) << file;
    EXPECT_EQ(WriteLogChecked(file, "x", 4, true, false), 0) << file;
  }
  EXPECT_EQ(ReadFileBytes(dir_ + "/written.log"), "x\r\n");
  boxes_.clear();
  SetLogMessageBox({});  // the default box writes to standard error
  testing::internal::CaptureStderr();
  WriteLog(dir_ + "/missing/x.log", "lost", 1, false, false);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), Failures("rewriting", "lost"));
}

// A whole file is replaced whole or not at all. A write that fails halfway (the file size limit
// stands in for a full disk) leaves the previous contents and no temporary file behind.
TEST_F(WriteLogTest, ReplacingWriteLeavesTheOldFileWholeWhenItFails) {
  const std::string report = dir_ + "/report.txt";
  const std::string longText(64 * 1024, 'x');
  EXPECT_EQ(WriteLogReplacing(report, "old report", 1), 0);
  EXPECT_EQ(ReadFileBytes(report), "old report\r\n");
  EXPECT_EQ(WriteLogReplacing(report, "ignored", 2 + LogLevel), 0);

  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit half = saved;
  half.rlim_cur = longText.size() / 2;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &half), 0);
  const int error = WriteLogReplacing(report, longText, 1);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(boxes_, "error writing message " + longText + "\n");
  EXPECT_EQ(ReadFileBytes(report), "old report\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "no temporary file is left";
  boxes_.clear();

  // What can't be created or replaced gives the three notices of a failed open.
  const std::string sock = dir_ + "/sock";
  sockaddr_un address{AF_UNIX, {}};
  std::strncpy(address.sun_path, sock.c_str(), sizeof(address.sun_path) - 1);
  const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(::mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
  const std::tuple<std::string, std::string, int> failures[] = {
      {dir_ + "/missing/x.txt", "rewriting", ENOENT},
      {dir_, "rewriting", EISDIR},
      {sock, "appending", ENXIO},
      {dir_ + "/fifo", "appending", ENXIO}};  // no reader: refused, not waited on
  for (const auto& [file, open, expected] : failures) {
    EXPECT_EQ(WriteLogReplacing(file, "r", 1), expected) << file;
    EXPECT_EQ(std::exchange(boxes_, {}), Failures(open, "r")) << file;
  }
  close(socketFd);
  // A device is written in place, never replaced by a file.
  EXPECT_EQ(WriteLogReplacing("/dev/null", "r", 1), 0);
  struct stat device {};
  EXPECT_TRUE(::stat("/dev/null", &device) == 0 && S_ISCHR(device.st_mode));
  EXPECT_EQ(boxes_, "");
}

}  // namespace
}  // namespace melquon
