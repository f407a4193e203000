#include "runtime/local_clock.h"

#include <ctime>

namespace melquon {

namespace {

std::tm LocalTimeOf(std::time_t seconds) {
  std::tm parts{};
  localtime_r(&seconds, &parts);
  return parts;
}

// The local midnight that starts the year yearsAhead years after the one holding parts.
std::time_t StartOfYear(std::tm parts, int yearsAhead) {
  parts.tm_year += yearsAhead;
  parts.tm_mon = 0;
  parts.tm_mday = 1;
  parts.tm_hour = 0;
  parts.tm_min = 0;
  parts.tm_sec = 0;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

}  // namespace

LocalDateTime NowLocal() {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  const std::tm parts = LocalTimeOf(now.tv_sec);
  return {{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday},
          {parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(now.tv_nsec / 1000000)}};
}

int CurrentYear() {
  // Splitting the clock into local parts takes a lock and time zone work; the year changes
  // once a year, so it is kept until the next one starts.
  static int year = 0;
  static std::time_t validFrom = 0;
  static std::time_t validUntil = 0;
  const std::time_t now = std::time(nullptr);
  if (year == 0 || now < validFrom || now >= validUntil) {
    const std::tm parts = LocalTimeOf(now);
    year = parts.tm_year + 1900;
    validFrom = StartOfYear(parts, 0);
    validUntil = StartOfYear(parts, 1);
  }
  return year;
}

}  // namespace melquon
