#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>

namespace melquon::cli {

// "day n of N" on one rewritten terminal line, shown only once a run has taken longer than a
// second so that short runs leave the terminal untouched.
class DayProgressDisplay {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  DayProgressDisplay(std::ostream& aTerminal, bool aEnabled, Clock aClock = {});

  void Show(std::int32_t aDayIndex, std::int32_t aDaysCount);
  // Blanks the progress line again, if one was shown.
  void Finish();

 private:
  std::ostream& terminal_;
  bool enabled_;
  Clock clock_;
  std::chrono::steady_clock::time_point start_;
  std::size_t shownWidth_ = 0;
};

}  // namespace melquon::cli
