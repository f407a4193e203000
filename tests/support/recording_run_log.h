#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_log.h"

namespace melquon::test {

// A run log that keeps its lines in memory as "level|text", a rewrite starting them afresh,
// and every counted move as it came; nothing of the program's is touched.
class TRecordingRunLog : public TRunLog {
 public:
  explicit TRecordingRunLog(std::int32_t aThreshold = 2, FormatSettings aFormats = {})
      : threshold_(aThreshold), formats_(std::move(aFormats)) {}

  bool Passes(std::int32_t aLevel) const override { return aLevel <= threshold_; }
  void Line(std::int32_t aLevel, std::string_view aText, bool aRewrite) override {
    if (aRewrite) {
      Lines.clear();
    }
    Lines.push_back(std::to_string(aLevel) + "|" + std::string(aText));
  }
  const FormatSettings& Formats() const override { return formats_; }
  void MoveCounted(const TCountedMove& aMove) override {
    Moves.push_back(aMove);
    TRunLog::MoveCounted(aMove);
  }

  std::vector<std::string> Lines;
  std::vector<TCountedMove> Moves;

 private:
  std::int32_t threshold_;
  FormatSettings formats_;
};

}  // namespace melquon::test
