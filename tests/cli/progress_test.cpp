#include "cli/progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace melquon::cli {
namespace {

using namespace std::chrono_literals;

class ProgressTest : public testing::Test {
 protected:
  DayProgressDisplay Display(bool aEnabled) {
    return DayProgressDisplay(out_, aEnabled, [this] { return now_; });
  }

  std::ostringstream out_;
  std::chrono::steady_clock::time_point now_{};
};

TEST_F(ProgressTest, QuietDuringTheFirstSecond) {
  DayProgressDisplay display = Display(true);
  display.Show(0, 10);
  now_ += 1s;
  display.Show(1, 10);
  display.Finish();
  EXPECT_EQ(out_.str(), "");
}

TEST_F(ProgressTest, RewritesOneLineAndBlanksItAtTheEnd) {
  DayProgressDisplay display = Display(true);
  now_ += 1001ms;
  display.Show(8, 10);
  display.Show(9, 10);
  display.Show(0, 9);
  display.Finish();
  EXPECT_EQ(out_.str(),
            "\rday 9 of 10\rday 10 of 10\rday 1 of 9  \r" + std::string(12, ' ') + "\r");
}

TEST_F(ProgressTest, NothingWithoutATerminal) {
  DayProgressDisplay display = Display(false);
  now_ += 5s;
  display.Show(3, 10);
  display.Finish();
  EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace melquon::cli
