#include "engine/skip_intervals.h"

#include "engine/ini_file.h"
#include "log/write_log.h"
#include "runtime/errors.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::string_view kSection = "SKIP INTERVALS";
constexpr long long kMillisecondsPerHour = 3600000;
constexpr long long kMillisecondsPerMinute = 60000;

// hhmm: characters 1-2 hours, 3-4 minutes, the rest ignored, neither field range-checked
// (0975 is 10:15, 2400 the end of the day). Throws EConvertError naming the failing field.
long long HhmmToMilliseconds(std::string_view aText) {
  const long long hours = StrToInt(IniValueField(aText, 1, 2));
  const long long minutes = StrToInt(IniValueField(aText, 3, 2));
  return hours * kMillisecondsPerHour + minutes * kMillisecondsPerMinute;
}

}  // namespace

bool TSkipInterval::Contains(TDateTime aTime) const {
  return ContainsMs(TimeOfDayMs(aTime));
}

void TSkipIntervals::Load(const IniFile& aIni) {
  // A reload replaces the windows, so one taken out of the file stops applying.
  Items.clear();
  for (long long n = 1;; ++n) {
    const std::string number = IntToStr(n);
    const std::string start = aIni.ReadString(kSection, "SKIPSTART" + number, "");
    const std::string end = aIni.ReadString(kSection, "SKIPEND" + number, "");
    if (start.empty() || end.empty()) {
      break;
    }
    try {
      const long long startMs = HhmmToMilliseconds(start);
      const long long endMs = HhmmToMilliseconds(end);
      Items.emplace_back(startMs, endMs);
    } catch (const EConvertError& e) {
      // Only this window is lost; the ones after it are still read.
      WriteLog("", std::string("TSkipIntervals.Load ") + e.what(), 1, false, true);
    }
  }
}

bool TSkipIntervals::IsSkipped(TDateTime aTime) const {
  return IsSkippedMs(TimeOfDayMs(aTime));
}

// A plain loop: the library's search is unrolled for long ranges, while a day has a window or
// two, looked at for every quote.
bool TSkipIntervals::IsSkippedMs(long long aTimeOfDayMs) const {
  for (const TSkipInterval& window : Items) {
    if (window.ContainsMs(aTimeOfDayMs))
      return true;
  }
  return false;
}

}  // namespace melquon
