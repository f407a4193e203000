#pragma once

namespace melquon {

// A digit 0-9 and nothing else: no locale, no other scripts' digits.
constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace melquon
