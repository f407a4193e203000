#pragma once

#include <algorithm>
#include <cctype>
#include <clocale>
#include <string>

namespace melquon::test {

// The locales the program's users run it under: the plain C one, the one it is made for, and
// one whose decimal sign takes two bytes.
inline constexpr const char* kUserLocales[] = {"C", "ru_RU.UTF-8", "ps_AF.UTF-8"};

// Switches the C library of the whole process to a named locale, as the window's application
// object does with the environment's, and puts the previous one back when it goes.
class ScopedProcessLocale {
 public:
  explicit ScopedProcessLocale(const char* aName)
      : saved_(std::setlocale(LC_ALL, nullptr)),
        active_(std::setlocale(LC_ALL, aName) != nullptr) {}
  ~ScopedProcessLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  ScopedProcessLocale(const ScopedProcessLocale&) = delete;
  ScopedProcessLocale& operator=(const ScopedProcessLocale&) = delete;

  // False when the locale is not installed; the process keeps the one it had.
  bool Active() const { return active_; }

 private:
  std::string saved_;
  bool active_;
};

// A test name for a locale parameter: "ru_RU.UTF-8" becomes "ru_RU_UTF_8".
inline std::string LocaleTestName(const char* aLocale) {
  std::string name = aLocale;
  std::replace_if(
      name.begin(), name.end(),
      [](char c) { return std::isalnum(static_cast<unsigned char>(c)) == 0; }, '_');
  return name;
}

}  // namespace melquon::test
