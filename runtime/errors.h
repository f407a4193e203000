#pragma once

#include <stdexcept>

namespace melquon {

// A text that does not convert to the wanted value (an integer, a date-time).
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that exists but cannot be opened, read or written.
class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace melquon
