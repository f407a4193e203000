#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace melquon {

// One piece of a replacement text as the expression reads it: literal text, a group ($n, $nn,
// $& as group 0), or the text before ($`) or after ($') the match.
struct TReplacementPiece {
  enum class Kind { kLiteral, kGroup, kBefore, kAfter };
  Kind kind = Kind::kLiteral;
  std::string literal;
  std::uint32_t group = 0;

  friend bool operator==(const TReplacementPiece&, const TReplacementPiece&) = default;
};

// What the first match of a line says about its replacement.
enum class TLineMatch {
  kNone,  // nothing matches: the line is its own replacement
  // The match spans the whole line and is the only one replaced: the replacement is the
  // replacement text with the match's groups put in.
  kWholeLine,
  kOther,
};

// The regular-expression object of the quote source: JavaScript-style patterns (the dialect
// settings files are written in) on PCRE2 with JIT. Text is UTF-8.
//
// Pattern dialect: \uhhhh and \xhh escapes, a back-reference to a group that took no part in
// the match matches the empty text, [] matches nothing and [^] any character, and without
// Multiline "$" matches only at the very end. \d, \w and \s keep their ASCII meaning while
// IgnoreCase folds every letter, Cyrillic ones included. Lines end at CR, LF or CR LF.
//
// Replacement syntax: $n and $nn name a group only when the pattern has it (two digits are
// tried first, so $11 with two groups is group 1 followed by "1"); $0, $00 and a missing group
// stay literal; a group that took no part in the match gives the empty text; $& is the match,
// $` the text before it and $' the text after it; $$ is one dollar; any other $ is literal and
// a backslash has no meaning. With Global every match is replaced and after an empty match the
// search moves on by one character.
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
  // Grows with every change of the pattern: a caller that set a pattern can tell that it is
  // still the one in force without comparing texts.
  std::uint64_t PatternVersion() const;

  // The source with every match (the first only, without Global) replaced by aReplacement.
  // Throws std::runtime_error with PCRE2's message for an invalid pattern, for a source that
  // is not valid UTF-8 and for a match that exceeds PCRE2's limits.
  std::string Replace(std::string_view aSource, std::string_view aReplacement);
  // The same into a reused buffer.
  void ReplaceInto(std::string_view aSource, std::string_view aReplacement, std::string& aOut);
  // The same for a line known to be valid UTF-8 (ASCII, or converted by the program itself),
  // without a copy: the replaced text lies in a buffer of this object and stays valid until
  // its next replacement; when nothing matches it is aValidUtf8Line itself.
  std::string_view ReplaceLine(std::string_view aValidUtf8Line, std::string_view aReplacement);

  // How ReplaceLine would replace the line, found without building the replacement. After
  // kWholeLine, Group gives the texts its groups put in. aWithoutLineEnds tells that the line
  // holds no CR or LF, which spares looking for one.
  TLineMatch MatchLine(std::string_view aValidUtf8Line, bool aWithoutLineEnds = false);
  // The offsets of the last kWholeLine match: a start and an end for each group from 0 on, a
  // start of kNoGroup for a group that took no part in the match.
  struct TMatchOffsets {
    const std::size_t* offsets = nullptr;
    std::uint32_t pairs = 0;

    // Group aGroup of a match of aLine, as $n puts it in: empty when it took no part in the
    // match or the pattern has no such group.
    std::string_view Group(std::string_view aLine, std::uint32_t aGroup) const {
      if (aGroup >= pairs || offsets[2 * aGroup] == kNoGroup)
        return {};
      const std::size_t start = offsets[2 * aGroup];
      const std::size_t end = offsets[2 * aGroup + 1];
      // \K can end a group before its start: it then runs to the end of the line. A group
      // starts within the line it was matched in.
      return std::string_view(aLine.data() + start, end - start < aLine.size() - start
                                                        ? end - start
                                                        : aLine.size() - start);
    }
  };
  static constexpr std::size_t kNoGroup = ~std::size_t{0};
  TMatchOffsets WholeLineMatch() const;
  // Whether group aGroup (0: the whole match) of a match may hold the ASCII character aByte:
  // false only where the pattern's shape rules it out. Throws as Replace does for an invalid
  // pattern.
  bool GroupMayHold(std::uint32_t aGroup, unsigned char aByte);
  // The pieces aReplacement is read as for the pattern in force (which decides which $n name a
  // group). Throws as Replace does for an invalid pattern.
  std::vector<TReplacementPiece> ReplacementPieces(std::string_view aReplacement);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace melquon
