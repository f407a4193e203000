#include "cli/progress.h"

#include <algorithm>
#include <string>
#include <utility>

#include "runtime/number_text.h"

namespace melquon::cli {

namespace {

constexpr std::chrono::seconds kQuietTime{1};

}  // namespace

DayProgressDisplay::DayProgressDisplay(std::ostream& aTerminal, bool aEnabled, Clock aClock)
    : terminal_(aTerminal),
      enabled_(aEnabled),
      clock_(aClock ? std::move(aClock) : Clock(&std::chrono::steady_clock::now)),
      start_(clock_()) {}

void DayProgressDisplay::Show(std::int32_t aDayIndex, std::int32_t aDaysCount) {
  if (!enabled_ || clock_() - start_ <= kQuietTime) {
    return;
  }
  const std::string text = "day " + IntToStr(aDayIndex + 1) + " of " + IntToStr(aDaysCount);
  terminal_ << '\r' << text;
  if (text.size() < shownWidth_) {
    terminal_ << std::string(shownWidth_ - text.size(), ' ');
  }
  terminal_ << std::flush;
  shownWidth_ = std::max(shownWidth_, text.size());
}

void DayProgressDisplay::Finish() {
  if (shownWidth_ == 0) {
    return;
  }
  terminal_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
  shownWidth_ = 0;
}

}  // namespace melquon::cli
