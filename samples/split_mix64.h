#pragma once

#include <cstdint>

namespace melquon {

// SplitMix64: small, fast, and the same sequence on every platform, so generated archives come
// out byte for byte alike on every machine.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t aSeed) : state_(aSeed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 .. aBound - 1.
  std::int64_t Below(std::int64_t aBound) {
    return static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(aBound));
  }
  // aLow .. aHigh, both included.
  int Between(int aLow, int aHigh) {
    return aLow + static_cast<int>(Next() % static_cast<std::uint64_t>(aHigh - aLow + 1));
  }

 private:
  std::uint64_t state_;
};

}  // namespace melquon
