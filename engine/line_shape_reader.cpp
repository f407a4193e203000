// Reading a pattern into the steps of the plain line shape.
#include "engine/line_shape.h"

#include <string_view>

#include "runtime/ascii.h"

namespace melquon {

namespace {

constexpr std::uint32_t kMostCounted = 1000;

}  // namespace

// Reads a pattern step by step; any construct outside the shape ends the reading with a failure.
class TLineShape::Reader {
 public:
  Reader(std::string_view aPattern, bool aIgnoreCase) : text_(aPattern), ignoreCase_(aIgnoreCase) {}

  std::optional<TLineShape> Read() {
    TLineShape shape;
    std::vector<PatternStep> steps;
    if (!Take('^'))
      return std::nullopt;
    std::int32_t openGroup = -1;
    std::int32_t pendingOpen = -1;
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == '$' && at_ + 1 == text_.size() && openGroup < 0 && pendingOpen < 0) {
        shape.toEnd_ = true;
        ++at_;
        break;
      }
      if (c == '(') {
        ++at_;
        if (openGroup >= 0 || pendingOpen >= 0 || Peek() == '?' || Peek() == '*')
          return std::nullopt;
        pendingOpen = static_cast<std::int32_t>(++shape.groups_);
        continue;
      }
      if (c == ')') {
        ++at_;
        // An empty group or a counted group is not of the shape.
        if (openGroup < 0 || IsQuantifier(Peek()))
          return std::nullopt;
        steps.back().closes = openGroup;
        openGroup = -1;
        continue;
      }
      PatternStep step;
      if (!ReadAtom(step.bytes) || !ReadCount(step))
        return std::nullopt;
      // Only classes of ASCII bytes count characters as bytes; a wider one may only be
      // repeated without bound.
      if (!IsAsciiOnly(step.bytes) && !(step.min <= 1 && step.max == kUnboundedCount))
        return std::nullopt;
      if (pendingOpen >= 0) {
        step.opens = pendingOpen;
        openGroup = pendingOpen;
        pendingOpen = -1;
      }
      steps.push_back(step);
      shape.groupBytes_.resize(shape.groups_ + 1);
      for (const std::int32_t group : {0, openGroup}) {
        if (group >= 0)
          AddAll(shape.groupBytes_[static_cast<std::size_t>(group)], step.bytes);
      }
    }
    shape.groupBytes_.resize(shape.groups_ + 1);
    if (openGroup >= 0 || pendingOpen >= 0 || !TakesAllItCan(steps))
      return std::nullopt;
    if (!shape.Lower(steps))
      return std::nullopt;
    return shape;
  }

 private:
  char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool Take(char c) {
    if (Peek() != c || at_ >= text_.size())
      return false;
    ++at_;
    return true;
  }
  static bool IsQuantifier(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }

  static void Add(ByteSet& aSet, unsigned char aByte) { aSet[aByte >> 6] |= 1ULL << (aByte & 63); }
  static void AddAll(ByteSet& aSet, const ByteSet& aMore) {
    for (std::size_t word = 0; word < aSet.size(); ++word)
      aSet[word] |= aMore[word];
  }
  static void AddRange(ByteSet& aSet, unsigned char aFrom, unsigned char aTo) {
    for (unsigned value = aFrom; value <= aTo; ++value)
      Add(aSet, static_cast<unsigned char>(value));
  }
  static void Invert(ByteSet& aSet) {
    for (std::uint64_t& word : aSet)
      word = ~word;
  }
  static bool IsAsciiOnly(const ByteSet& aSet) { return aSet[2] == 0 && aSet[3] == 0; }

  // \d, \w, \s and their negations, as the engine reads them without Unicode properties.
  static bool AddClassEscape(ByteSet& aSet, char aLetter) {
    ByteSet set{};
    switch (aLetter | 0x20) {
      case 'd':
        AddRange(set, '0', '9');
        break;
      case 'w':
        AddRange(set, '0', '9');
        AddRange(set, 'A', 'Z');
        AddRange(set, 'a', 'z');
        Add(set, '_');
        break;
      case 's':
        AddRange(set, '\t', '\r');
        Add(set, ' ');
        break;
      default:
        return false;
    }
    if (aLetter >= 'A' && aLetter <= 'Z')
      Invert(set);
    for (std::size_t i = 0; i < set.size(); ++i)
      aSet[i] |= set[i];
    return true;
  }

  // An escaped character that stands for itself: ASCII punctuation, \t, \n and \r.
  static std::optional<unsigned char> EscapedLiteral(char aLetter) {
    if (aLetter == 't')
      return '\t';
    if (aLetter == 'n')
      return '\n';
    if (aLetter == 'r')
      return '\r';
    const auto byte = static_cast<unsigned char>(aLetter);
    if (byte > 0x20 && byte < 0x7F && !IsAsciiDigit(aLetter) &&
        !((aLetter | 0x20) >= 'a' && (aLetter | 0x20) <= 'z'))
      return byte;
    return std::nullopt;
  }

  // A plain character stands for itself unless it means something.
  static bool IsPlain(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F &&
           std::string_view("\\^$.|?*+()[]{}").find(c) == std::string_view::npos;
  }

  bool ReadAtom(ByteSet& aSet) {
    const char c = Peek();
    if (at_ >= text_.size())
      return false;
    ++at_;
    if (c == '.') {
      // Any character but a line end.
      Invert(aSet);
      aSet['\n' >> 6] &= ~(1ULL << ('\n' & 63));
      aSet['\r' >> 6] &= ~(1ULL << ('\r' & 63));
      return true;
    }
    if (c == '[')
      return ReadClass(aSet);
    if (c == '\\') {
      if (at_ >= text_.size())
        return false;
      const char letter = text_[at_++];
      if (AddClassEscape(aSet, letter))
        return true;
      const auto literal = EscapedLiteral(letter);
      if (!literal)
        return false;
      Add(aSet, *literal);
      return FoldCase(aSet);
    }
    if (!IsPlain(c))
      return false;
    Add(aSet, static_cast<unsigned char>(c));
    return FoldCase(aSet);
  }

  // ASCII characters, ranges between two of them and class escapes; "^" first negates.
  bool ReadClass(ByteSet& aSet) {
    const bool negated = Take('^');
    // "]" first would close an empty class or stand for itself: neither is of the shape.
    if (Peek() == ']')
      return false;
    while (at_ < text_.size() && text_[at_] != ']') {
      const char c = text_[at_++];
      unsigned char from = 0;
      if (c == '\\') {
        if (at_ >= text_.size())
          return false;
        const char letter = text_[at_++];
        if (AddClassEscape(aSet, letter)) {
          if (Peek() == '-' && at_ + 1 < text_.size() && text_[at_ + 1] != ']')
            return false;
          continue;
        }
        const auto literal = EscapedLiteral(letter);
        if (!literal)
          return false;
        from = *literal;
      } else {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '[')
          return false;
        from = byte;
      }
      if (Peek() == '-' && at_ + 1 < text_.size() && text_[at_ + 1] != ']') {
        const char to = text_[at_ + 1];
        const auto toByte = static_cast<unsigned char>(to);
        if (to == '\\' || to == '[' || toByte < 0x20 || toByte >= 0x7F || toByte < from)
          return false;
        AddRange(aSet, from, toByte);
        at_ += 2;
      } else {
        Add(aSet, from);
      }
    }
    if (!Take(']') || !FoldCase(aSet))
      return false;
    if (negated) {
      Invert(aSet);
    }
    return true;
  }

  bool ReadNumber(std::uint32_t& aNumber) {
    const std::size_t start = at_;
    aNumber = 0;
    while (at_ < text_.size() && IsAsciiDigit(text_[at_]) && at_ - start < 4)
      aNumber = aNumber * 10 + static_cast<std::uint32_t>(text_[at_++] - '0');
    return at_ > start && !IsAsciiDigit(Peek()) && aNumber <= kMostCounted;
  }

  // Greedy counts only: a lazy or possessive one, or a brace that is no count, is not of the
  // shape.
  bool ReadCount(PatternStep& aStep) {
    if (Take('*')) {
      aStep.min = 0;
      aStep.max = kUnboundedCount;
    } else if (Take('+')) {
      aStep.max = kUnboundedCount;
    } else if (Take('?')) {
      aStep.min = 0;
    } else if (Take('{')) {
      if (!ReadNumber(aStep.min))
        return false;
      aStep.max = aStep.min;
      if (Take(',')) {
        aStep.max = kUnboundedCount;
        if (Peek() != '}' && (!ReadNumber(aStep.max) || aStep.max < aStep.min))
          return false;
      }
      if (!Take('}'))
        return false;
    } else {
      return true;
    }
    return !(Peek() == '?' || Peek() == '+' || Peek() == '*' || Peek() == '{');
  }

  // Under IgnoreCase a letter stands for both its cases. "k" and "s" would stand for a
  // character beyond ASCII as well (the Kelvin sign, the long s), which a walk over bytes cannot
  // take: false then.
  bool FoldCase(ByteSet& aSet) const {
    if (!ignoreCase_)
      return true;
    for (unsigned char lower = 'a'; lower <= 'z'; ++lower) {
      const auto upper = static_cast<unsigned char>(lower - 0x20);
      if (TLineShape::Holds(aSet, lower) || TLineShape::Holds(aSet, upper)) {
        Add(aSet, lower);
        Add(aSet, upper);
      }
    }
    return !TLineShape::Holds(aSet, 'k') && !TLineShape::Holds(aSet, 's');
  }

  std::string_view text_;
  std::size_t at_ = 0;
  bool ignoreCase_ = false;
};

std::optional<TLineShape> TLineShape::Of(std::string_view aPattern, bool aIgnoreCase) {
  return Reader(aPattern, aIgnoreCase).Read();
}

}  // namespace melquon
