// The expression object: the first byte holds the flags, the rest is the pattern, the
// replacement and the subject, separated by NUL bytes.
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "engine/reg_exp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  if (aSize == 0) {
    return 0;
  }
  std::string_view rest(reinterpret_cast<const char*>(aData) + 1, aSize - 1);
  const auto next = [&rest] {
    const std::size_t end = rest.find('\0');
    const std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return part;
  };
  const std::string_view pattern = next();
  const std::string_view replacement = next();
  const std::string_view subject = rest;
  melquon::TRegExp regExp;
  regExp.Global = (aData[0] & 1) != 0;
  regExp.IgnoreCase = (aData[0] & 2) != 0;
  regExp.Multiline = (aData[0] & 4) != 0;
  regExp.SetPattern(pattern);
  try {
    static_cast<void>(regExp.Replace(subject, replacement));
  } catch (const std::runtime_error&) {
    // An invalid pattern, a subject that is not UTF-8 or a match past PCRE2's limits is refused.
  }
  return 0;
}
