#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/reg_exp.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "engine/volatility_res.h"
#include "runtime/date_time.h"

namespace melquon {

// The engine's long-lived values, alive between StartEngine and StopEngine.
struct TEngine {
  std::string ExePath;  // the program folder, ending with the path separator
  std::string IniFileName;
  TSettings Settings;
  TSkipIntervals SkipIntervals;
  std::unique_ptr<TRegExp> RegExp;
  std::unique_ptr<TVolatilityRes> CurrentResult;
};

TEngine& Engine();

// Program folder = the executable's folder; settings file Melquon.ini there.
void StartEngine();
// Program folder = the folder of aIniFileName (the log file is written there).
void StartEngine(const std::string& aIniFileName);
void StopEngine();

// Re-reads the settings file into Engine().Settings and its skip windows.
void LoadSettings();

// Called once per day before it is read (aDayIndex counts from 0).
using DayProgress = std::function<void(std::int32_t aDayIndex, std::int32_t aDaysCount)>;

// One calculation run. aDateEnd is the first day after the range. Throws on a zero step, an
// invalid pattern, an unreadable day file and a result set too large to hold.
std::unique_ptr<TVolatilityRes> Calculate(const std::string& aContract, std::int32_t aIntervalFrom,
                                          std::int32_t aIntervalTo, TDateTime aDateFrom,
                                          TDateTime aDateEnd, std::int32_t aIntervalStep,
                                          const DayProgress& aProgress = {});

}  // namespace melquon
