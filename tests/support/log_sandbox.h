#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <tuple>

#include "log/write_log.h"
#include "runtime/formats.h"

namespace melquon::test {

// A folder of the test's own with the log file in it, the home formats and a fixed log clock;
// the log settings, the formats and the clock are put back when it goes.
class LogSandbox {
 public:
  static constexpr LocalDateTime kClock{{2009, 3, 5}, {9, 5, 3, 7}};

  explicit LogSandbox(std::int32_t aLogLevel, LocalDateTime aClock = kClock) {
    if (::mkdtemp(dir_.data()) == nullptr) {
      throw std::runtime_error("can't make a temporary folder");
    }
    std::tie(LogFileName, LogLevel, RegionalFormats()) =
        std::tuple(dir_ + "/Melquon.log", aLogLevel, FormatSettings{});
    SetLogClock([aClock] { return aClock; });
  }
  ~LogSandbox() {
    SetLogClock({});
    std::tie(LogFileName, LogLevel, RegionalFormats()) = saved_;
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  LogSandbox(const LogSandbox&) = delete;
  LogSandbox& operator=(const LogSandbox&) = delete;

  const std::string& Dir() const { return dir_; }

 private:
  const std::tuple<std::string, std::int32_t, FormatSettings> saved_{LogFileName, LogLevel,
                                                                     RegionalFormats()};
  std::string dir_ = (std::filesystem::temp_directory_path() / "melquon-test-XXXXXX").string();
};

}  // namespace melquon::test
