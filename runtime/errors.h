#pragma once

#include <stdexcept>

namespace melquon {

// What a run that ran out of memory says instead of the library's "std::bad_alloc".
inline constexpr const char* kOutOfMemoryText =
    "Out of memory: the run needs more memory than the system gives it";

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

// A FIFO, a device, a socket or a folder where a file to read was expected: reading it could
// wait forever or never end, so it is not read at all.
class ENotRegularFile : public EInOutError {
 public:
  using EInOutError::EInOutError;
};

// A file larger than the most its reader takes in.
class EFileTooLarge : public EInOutError {
 public:
  using EInOutError::EInOutError;
};

}  // namespace melquon
