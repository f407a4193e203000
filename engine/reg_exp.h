#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace melquon {

// The regular-expression object of the quote source: JavaScript-style patterns (the dialect
// settings files are written in) on PCRE2 with JIT. Text is UTF-8.
class TRegExp {
 public:
  TRegExp();
  ~TRegExp();
  TRegExp(const TRegExp&) = delete;
  TRegExp& operator=(const TRegExp&) = delete;

  bool Global = false;
  bool IgnoreCase = false;
  bool Multiline = false;

  // Compiles on the next use when the pattern or a flag changed since the last compile;
  // setting the same pattern again costs nothing.
  void SetPattern(std::string_view aPattern);
  const std::string& Pattern() const;

  // The source with every match (the first only, without Global) replaced by aReplacement:
  // $1..$99, $&, $`, $', $$. Throws std::runtime_error with PCRE2's message for an invalid
  // pattern.
  std::string Replace(std::string_view aSource, std::string_view aReplacement);
  // The same into a reused buffer.
  void ReplaceInto(std::string_view aSource, std::string_view aReplacement, std::string& aOut);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace melquon
