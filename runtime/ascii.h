#pragma once

#include <cstdint>

namespace melquon {

// A digit 0-9 and nothing else: no locale, no other scripts' digits.
constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// Eight bytes looked at in one 64-bit word: a byte value times kEveryByte fills every byte with
// it; kByteTops is each byte's top bit and kByteLows the seven bits below it.
inline constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
inline constexpr std::uint64_t kByteTops = kEveryByte * 0x80;
inline constexpr std::uint64_t kByteLows = kEveryByte * 0x7F;

// The top bit of each byte of aWord that is an ASCII digit, and no other bit. The sums work on
// each byte's seven low bits, so that no carry crosses into the next byte: b + 0x50 reaches the
// top bit from '0' on, b + 0x46 from past '9'.
constexpr std::uint64_t AsciiDigitTops(std::uint64_t aWord) {
  const std::uint64_t low = aWord & kByteLows;
  const std::uint64_t fromZero = low + kEveryByte * (0x80 - '0');
  const std::uint64_t pastNine = low + kEveryByte * (0x7F - '9');
  return fromZero & ~pastNine & ~aWord & kByteTops;
}

}  // namespace melquon
