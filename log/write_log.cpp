#include "log/write_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <utility>

#include "runtime/cp1251.h"
#include "runtime/formats.h"
#include "runtime/local_clock.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"

namespace melquon {

std::string LogFileName;
std::int32_t LogLevel = 3;
bool ShowLogErrors = true;

namespace {

constexpr std::size_t kMillisecondMarkerWidth = 7;
constexpr int kNoFile = -1;

LogMessageBox& MessageBoxHook() {
  static LogMessageBox hook;
  return hook;
}

LogClock& ClockHook() {
  static LogClock hook;
  return hook;
}

void ShowMessage(const std::string& text) {
  if (const LogMessageBox& hook = MessageBoxHook()) {
    hook(text);
  } else {
    std::cerr << text << std::endl;
  }
}

void ReportFailure(const char* step, std::string_view aMessage) {
  if (!ShowLogErrors) {
    return;
  }
  std::string text(step);
  text.append(aMessage);
  ShowMessage(text);
}

LocalDateTime ReadClock() {
  const LogClock& hook = ClockHook();
  return hook ? hook() : NowLocal();
}

// One open of the file; the descriptor is closed on every path out of WriteLog.
class LogFile {
 public:
  LogFile() = default;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  ~LogFile() {
    if (fd_ != kNoFile) {
      ::close(fd_);
    }
  }

  bool OpenExisting(const std::string& path, bool aRewrite) {
    const int mode = aRewrite ? O_TRUNC : O_APPEND;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | mode);
    return fd_ != kNoFile;
  }

  bool Create(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd_ != kNoFile;
  }

  bool WriteAll(std::string_view bytes) {
    if (fd_ == kNoFile) {
      return false;
    }
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) {
        continue;
      }
      if (written <= 0) {
        return false;
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }

  bool Close() {
    if (fd_ == kNoFile) {
      return false;
    }
    // The descriptor is gone after close() whatever it returns; it must not be closed twice.
    const int fd = std::exchange(fd_, kNoFile);
    return ::close(fd) == 0;
  }

 private:
  int fd_ = kNoFile;
};

std::string BuildLineBytes(std::string_view aMessage, bool aWithTime) {
  std::string line;
  if (aWithTime) {
    line = Utf8ToCp1251(LogTimeStamp(ReadClock()));
  }
  line += Utf8ToCp1251(aMessage);
  line += "\r\n";
  return line;
}

}  // namespace

void SetLogMessageBox(LogMessageBox box) {
  MessageBoxHook() = std::move(box);
}

void SetLogClock(LogClock clock) {
  ClockHook() = std::move(clock);
}

std::string LogTimeStamp(const LocalDateTime& moment) {
  const FormatSettings& formats = RegionalFormats();
  std::string stamp = FormatDateTime(formats.ShortDateFormat, moment, formats);
  const ClockTime& time = moment.time;
  if (time.hour != 0 || time.minute != 0 || time.second != 0) {
    stamp += ' ';
    stamp += FormatDateTime(formats.LongTimeFormat, moment, formats);
  }
  std::string marker = " [" + IntToStr(time.millisecond) + "] ";
  if (marker.size() < kMillisecondMarkerWidth) {
    marker.append(kMillisecondMarkerWidth - marker.size(), ' ');
  }
  return stamp + marker;
}

void WriteLog(const std::string& aFileName, std::string_view aMessage, std::int32_t aLevel,
              bool aRewrite, bool aWithTime) {
  WriteLogChecked(aFileName, aMessage, aLevel, aRewrite, aWithTime);
}

int WriteLogChecked(const std::string& aFileName, std::string_view aMessage, std::int32_t aLevel,
                    bool aRewrite, bool aWithTime) {
  if (aLevel > LogLevel) {
    return 0;
  }
  const std::string& path = aFileName.empty() ? LogFileName : aFileName;
  // Built before the open, so a failure while formatting can't leave a rewritten file empty.
  const std::string line = BuildLineBytes(aMessage, aWithTime);

  LogFile file;
  int firstError = 0;
  const auto failed = [&](const char* aStep) {
    if (firstError == 0) {
      firstError = errno != 0 ? errno : EIO;
    }
    ReportFailure(aStep, aMessage);
  };
  errno = 0;
  if (FileExists(path)) {
    if (!file.OpenExisting(path, aRewrite)) {
      failed("error appending message ");
    }
  } else if (!file.Create(path)) {
    failed("error rewriting message ");
  }
  // A failed open still goes through the write and the close, each reporting its own failure.
  if (!file.WriteAll(line)) {
    failed("error writing message ");
  }
  if (!file.Close()) {
    failed("error closing message ");
  }
  return firstError;
}

int WriteLogReplacing(const std::string& aFileName, std::string_view aMessage,
                      std::int32_t aLevel) {
  if (aLevel > LogLevel) {
    return 0;
  }
  const std::string& path = aFileName.empty() ? LogFileName : aFileName;
  const std::string line = BuildLineBytes(aMessage, false);
  const bool existed = FileExists(path);
  const TReplaceResult result = TryReplaceFileContents(path, line);
  switch (result.FailedStep) {
    case TReplaceResult::kDone:
      break;
    case TReplaceResult::kCreate:
      // As an open that failed: the write and the close of a file not open fail in turn.
      ReportFailure(existed ? "error appending message " : "error rewriting message ", aMessage);
      ReportFailure("error writing message ", aMessage);
      ReportFailure("error closing message ", aMessage);
      break;
    case TReplaceResult::kWrite:
      ReportFailure("error writing message ", aMessage);
      break;
    case TReplaceResult::kFinish:
      ReportFailure("error closing message ", aMessage);
      break;
  }
  return result.Error;
}

}  // namespace melquon
