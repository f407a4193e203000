#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/date_time.h"

namespace melquon {

// The default file of WriteLog; the engine start-up names it.
extern std::string LogFileName;
// Lines whose level is greater are not written. 3 until the engine start-up sets it.
extern std::int32_t LogLevel;
// When on, a failing file step is shown through the message box.
extern bool ShowLogErrors;

// Cheap test for callers that would otherwise build a line that is then dropped.
inline bool LogLevelPasses(std::int32_t aLevel) {
  return aLevel <= LogLevel;
}

// Writes aMessage (UTF-8) and CR LF to the file as Windows-1251 bytes; an empty aFileName
// means LogFileName. Never throws: each failing step is shown through the message box.
void WriteLog(const std::string& aFileName, std::string_view aMessage, std::int32_t aLevel,
              bool aRewrite, bool aWithTime);

// As WriteLog, and tells how it went: 0 when the line was written (or its level is not) and the
// file closed, otherwise the error number of the first step that failed.
int WriteLogChecked(const std::string& aFileName, std::string_view aMessage, std::int32_t aLevel,
                    bool aRewrite, bool aWithTime);

// As WriteLog with aRewrite on and no time stamp, for a file that is written whole (the
// report): the file is replaced whole or not at all, so a failure midway (a full disk) leaves
// the previous contents as they were. The steps' notices are WriteLog's: a file that can't be
// created or replaced gives the open's, the write's and the close's; a failed write the
// write's; a failed sync or rename the close's. Returns 0 or the error number.
int WriteLogReplacing(const std::string& aFileName, std::string_view aMessage, std::int32_t aLevel);

// The plain modal notice with one OK button. The default writes the text to stderr; an
// empty function restores it.
using LogMessageBox = std::function<void(const std::string& text)>;
void SetLogMessageBox(LogMessageBox box);

// The clock read once per time-stamped line. An empty function restores the local clock.
using LogClock = std::function<LocalDateTime()>;
void SetLogClock(LogClock clock);

// The time stamp and milliseconds marker for one clock reading, as WriteLog puts it before
// the text ("05.03.2009 9:05:03 [7]   ").
std::string LogTimeStamp(const LocalDateTime& moment);

}  // namespace melquon
