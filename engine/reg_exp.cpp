#include "engine/reg_exp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/line_shape.h"
#include "runtime/ascii.h"
#include "runtime/cp1251.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

struct CodeDeleter {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct JitStackDeleter {
  void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextDeleter>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextDeleter>;
using JitStackPtr = std::unique_ptr<pcre2_jit_stack, JitStackDeleter>;

// The JIT's default 32 KiB stack is too small for patterns with nested repeats over long lines.
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 1024 * 1024;

std::string ErrorText(int aCode) {
  PCRE2_UCHAR buffer[256];
  const int length = pcre2_get_error_message(aCode, buffer, sizeof buffer);
  if (length < 0)
    return "error " + IntToStr(aCode);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

std::uint32_t CompileOptions(bool aIgnoreCase, bool aMultiline) {
  std::uint32_t options =
      PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS;
  if (aIgnoreCase)
    options |= PCRE2_CASELESS;
  // "^" after a final line end matches as well, as it does in the pattern dialect.
  options |= aMultiline ? (PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX) : PCRE2_DOLLAR_ENDONLY;
  return options;
}

bool HasLineEnd(std::string_view aText) {
  return std::memchr(aText.data(), '\n', aText.size()) != nullptr ||
         std::memchr(aText.data(), '\r', aText.size()) != nullptr;
}

// Length of the UTF-8 character that starts with aLead; a stray byte counts as one.
std::size_t Utf8CharLength(unsigned char aLead) {
  if (aLead >= 0xF0)
    return 4;
  if (aLead >= 0xE0)
    return 3;
  if (aLead >= 0xC0)
    return 2;
  return 1;
}

// Short pieces are moved as whole blocks of kBlock (or kHalfBlock) bytes, which the compiler
// turns into single loads and stores instead of library calls. The output therefore keeps a
// block of room beyond its end, and a source is read that far only where it has the bytes.
constexpr std::size_t kBlock = 16;
constexpr std::size_t kHalfBlock = 8;

// Copies aLength bytes from aFrom to aTo and returns the end of the copy. aReadable bytes (at
// least aLength) may be read at aFrom, and aTo has room for a block beyond aLength.
char* PutPiece(char* aTo, const char* aFrom, std::size_t aLength, std::size_t aReadable) {
  if (aLength <= kHalfBlock && aReadable >= kHalfBlock) {
    std::memcpy(aTo, aFrom, kHalfBlock);
  } else if (aLength <= kBlock && aReadable >= kBlock) {
    std::memcpy(aTo, aFrom, kBlock);
  } else if (aLength != 0) {
    std::memcpy(aTo, aFrom, aLength);
  }
  return aTo + aLength;
}

// The replaced text of the last replacement, reused from call to call. Pieces are written
// through a cursor held in a local, which the compiler can keep in a register: stores through
// a char pointer could otherwise change any member.
class OutputBuffer {
 public:
  void Clear() { size_ = 0; }
  std::string_view View() const { return std::string_view(data_.get(), size_); }

  // True when aText lies (partly) in the buffer's storage, which the next text overwrites.
  bool Holds(std::string_view aText) const {
    const char* const storage = data_.get();
    if (storage == nullptr || aText.empty())
      return false;
    const std::less<const char*> before;
    return before(aText.data(), storage + capacity_) &&
           before(storage, aText.data() + aText.size());
  }

  // The end of the text, with room for aMore bytes and a block beyond them; Commit takes the
  // cursor back once they are written.
  char* Reserve(std::size_t aMore) {
    if (capacity_ - size_ < kBlock || capacity_ - size_ - kBlock < aMore)
      Grow(aMore);
    return data_.get() + size_;
  }
  void Commit(const char* aCursor) { size_ = static_cast<std::size_t>(aCursor - data_.get()); }

 private:
  void Grow(std::size_t aMore) {
    if (aMore > kMaxSize - size_ - kBlock)
      throw std::length_error("The replaced text is too long");
    const std::size_t capacity = std::max(size_ + aMore + kBlock, capacity_ * 2);
    auto grown = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_ != 0)
      std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }

  static constexpr std::size_t kMaxSize = std::size_t{1} << 62;
  std::unique_ptr<char[]> data_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
};

// A replacement text parsed once into the pieces each match is built from.
class ReplacementProgram {
 public:
  bool IsFor(std::string_view aText, std::uint32_t aGroupCount) const {
    return valid_ && groupCount_ == aGroupCount && text_ == aText;
  }

  void Parse(std::string_view aText, std::uint32_t aGroupCount) {
    text_.assign(aText);
    groupCount_ = aGroupCount;
    ops_.clear();
    std::size_t literalStart = 0;
    std::size_t i = 0;
    while (i < text_.size()) {
      Op op{Kind::Literal, 0, 0};
      const std::size_t used = ParseDollar(i, op);
      if (used == 0) {
        ++i;
        continue;
      }
      AddLiteral(literalStart, i - literalStart);
      if (op.kind == Kind::Literal) {
        AddLiteral(op.first, op.second);
      } else {
        ops_.push_back(op);
      }
      i += used;
      literalStart = i;
    }
    AddLiteral(literalStart, text_.size() - literalStart);
    literals_.assign(text_);
    literals_.append(kBlock, '\0');
    literalBytes_ = 0;
    sourceRefs_ = 0;
    for (const Op& op : ops_) {
      if (op.kind == Kind::Literal) {
        literalBytes_ += op.second;
      } else {
        ++sourceRefs_;
      }
    }
    valid_ = true;
  }

  std::vector<TReplacementPiece> Pieces() const {
    std::vector<TReplacementPiece> pieces;
    for (const Op& op : ops_) {
      TReplacementPiece piece;
      switch (op.kind) {
        case Kind::Literal:
          piece.literal.assign(text_, op.first, op.second);
          break;
        case Kind::Group:
          piece.kind = TReplacementPiece::Kind::kGroup;
          piece.group = static_cast<std::uint32_t>(op.first);
          break;
        case Kind::Before:
          piece.kind = TReplacementPiece::Kind::kBefore;
          break;
        case Kind::After:
          piece.kind = TReplacementPiece::Kind::kAfter;
          break;
      }
      pieces.push_back(std::move(piece));
    }
    return pieces;
  }

  // Appends the replacement of the current match: aOvector holds aPairs offset pairs.
  void Append(std::string_view aSource, const PCRE2_SIZE* aOvector, std::uint32_t aPairs,
              OutputBuffer& aOut) const {
    char* to = aOut.Reserve(LengthBound(aSource, aOvector, aPairs));
    const char* const source = aSource.data();
    const std::size_t size = aSource.size();
    const char* const literals = literals_.data();
    for (const Op& op : ops_) {
      switch (op.kind) {
        case Kind::Literal:
          to = PutPiece(to, literals + op.first, op.second, kBlock);
          break;
        case Kind::Group:
          if (op.first < aPairs && aOvector[2 * op.first] != PCRE2_UNSET) {
            const PCRE2_SIZE start = aOvector[2 * op.first];
            to = PutPiece(to, source + start, GroupLength(start, aOvector[2 * op.first + 1], size),
                          size - start);
          }
          break;
        case Kind::Before:
          to = PutPiece(to, source, std::min<std::size_t>(aOvector[0], size), size);
          break;
        case Kind::After:
          to = PutPiece(to, source + aOvector[1], size - aOvector[1], size - aOvector[1]);
          break;
      }
    }
    aOut.Commit(to);
  }

 private:
  enum class Kind { Literal, Group, Before, After };
  struct Op {
    Kind kind;
    std::size_t first;
    std::size_t second;
  };

  // The number of characters of the dollar form at aAt, with its op in aOp, or 0 when the
  // character there is literal.
  std::size_t ParseDollar(std::size_t aAt, Op& aOp) const {
    if (text_[aAt] != '$' || aAt + 1 >= text_.size())
      return 0;
    const char next = text_[aAt + 1];
    switch (next) {
      case '$':
        aOp = Op{Kind::Literal, aAt, 1};
        return 2;
      case '&':
        aOp = Op{Kind::Group, 0, 0};
        return 2;
      case '`':
        aOp = Op{Kind::Before, 0, 0};
        return 2;
      case '\'':
        aOp = Op{Kind::After, 0, 0};
        return 2;
      default:
        break;
    }
    if (!IsAsciiDigit(next))
      return 0;
    const std::size_t one = static_cast<std::size_t>(next - '0');
    if (aAt + 2 < text_.size() && IsAsciiDigit(text_[aAt + 2])) {
      const std::size_t two = one * 10 + static_cast<std::size_t>(text_[aAt + 2] - '0');
      if (two >= 1 && two <= groupCount_) {
        aOp = Op{Kind::Group, two, 0};
        return 3;
      }
    }
    if (one < 1 || one > groupCount_)
      return 0;
    aOp = Op{Kind::Group, one, 0};
    return 2;
  }

  // A group that \K leaves ending before its start runs to the end of the source.
  static std::size_t GroupLength(std::size_t aStart, std::size_t aEnd, std::size_t aSize) {
    return std::min(aEnd - aStart, aSize - aStart);
  }

  // The length of the replacement of one match, or a little more: each reference to the
  // source is at most the source long. Exact when that bound would be large.
  std::size_t LengthBound(std::string_view aSource, const PCRE2_SIZE* aOvector,
                          std::uint32_t aPairs) const {
    constexpr std::size_t kRoughUpTo = 64 * 1024;
    if (sourceRefs_ == 0 || aSource.size() <= kRoughUpTo / sourceRefs_)
      return literalBytes_ + sourceRefs_ * aSource.size();
    std::size_t length = literalBytes_;
    for (const Op& op : ops_) {
      if (op.kind == Kind::Group && op.first < aPairs && aOvector[2 * op.first] != PCRE2_UNSET) {
        length += GroupLength(aOvector[2 * op.first], aOvector[2 * op.first + 1], aSource.size());
      } else if (op.kind == Kind::Before) {
        length += std::min<std::size_t>(aOvector[0], aSource.size());
      } else if (op.kind == Kind::After) {
        length += aSource.size() - aOvector[1];
      }
    }
    return length;
  }

  void AddLiteral(std::size_t aStart, std::size_t aLength) {
    if (aLength == 0)
      return;
    if (!ops_.empty() && ops_.back().kind == Kind::Literal &&
        ops_.back().first + ops_.back().second == aStart) {
      ops_.back().second += aLength;
      return;
    }
    ops_.push_back(Op{Kind::Literal, aStart, aLength});
  }

  bool valid_ = false;
  std::string text_;
  // The text followed by a block of zeros, so that every literal can be read as a block.
  std::string literals_;
  std::size_t literalBytes_ = 0;
  // References to the source: groups, $` and $'.
  std::size_t sourceRefs_ = 0;
  std::uint32_t groupCount_ = 0;
  std::vector<Op> ops_;
};

static_assert(sizeof(PCRE2_SIZE) == sizeof(std::size_t) && PCRE2_UNSET == TRegExp::kNoGroup);

}  // namespace

struct TRegExp::Impl {
  std::string pattern;
  std::uint64_t patternVersion = 0;

  CodePtr code;
  MatchDataPtr matchData;
  // Where matchData keeps its offsets, fixed for its life; the shape walk writes there too.
  PCRE2_SIZE* ovector = nullptr;
  CompileContextPtr compileContext{pcre2_compile_context_create(nullptr)};
  MatchContextPtr matchContext{pcre2_match_context_create(nullptr)};
  JitStackPtr jitStack{pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr)};
  // IgnoreCase and Multiline as FlagsOf puts them, of the code in force; -1 while there is no
  // code for the pattern in force. Looked at for every line, so kept cheaper to compare than
  // the compile options.
  int compiledFlags = -1;
  std::uint32_t groupCount = 0;
  // A lower bound of the characters any match consumes.
  std::uint32_t minimumLength = 0;
  // Set for a pattern of the plain shape, which a line known to be valid is matched with
  // instead; its offsets go where PCRE2 puts its own.
  std::optional<TLineShape> shape;
  bool shapeNeedsNoLineEnds = false;
  // The ovector holds the offsets every walk of the shape writes alike; PCRE2 may change them.
  bool shapeFixedInPlace = false;
  bool jitCompiled = false;

  ReplacementProgram replacement;
  OutputBuffer out;
  std::string sourceCopy;
  // The offsets of the last whole-line match, copied when a search after it could change them.
  TRegExp::TMatchOffsets wholeLine;
  std::vector<PCRE2_SIZE> wholeLineCopy;

  Impl() {
    if (!compileContext || !matchContext || !jitStack)
      throw std::bad_alloc();
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
    pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
  }

  static int FlagsOf(bool aIgnoreCase, bool aMultiline) {
    return (aIgnoreCase ? 1 : 0) | (aMultiline ? 2 : 0);
  }

  void EnsureCompiled(bool aIgnoreCase, bool aMultiline) {
    const int flags = FlagsOf(aIgnoreCase, aMultiline);
    if (flags != compiledFlags) {
      Compile(CompileOptions(aIgnoreCase, aMultiline));
      compiledFlags = flags;
    }
  }

  void Compile(std::uint32_t options) {
    compiledFlags = -1;
    code.reset();
    matchData.reset();
    ovector = nullptr;
    shapeFixedInPlace = false;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    CodePtr compiled{pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &errorCode, &errorOffset, compileContext.get())};
    if (!compiled) {
      throw std::runtime_error("Invalid regular expression at offset " +
                               IntToStr(static_cast<std::int64_t>(errorOffset)) + ": " +
                               ErrorText(errorCode));
    }
    // Without JIT support pcre2_match falls back to the interpreter with the same results.
    jitCompiled = pcre2_jit_compile(compiled.get(), PCRE2_JIT_COMPLETE) == 0;
    MatchDataPtr data{pcre2_match_data_create_from_pattern(compiled.get(), nullptr)};
    if (!data)
      throw std::bad_alloc();
    pcre2_pattern_info(compiled.get(), PCRE2_INFO_CAPTURECOUNT, &groupCount);
    pcre2_pattern_info(compiled.get(), PCRE2_INFO_MINLENGTH, &minimumLength);
    code = std::move(compiled);
    matchData = std::move(data);
    ovector = pcre2_get_ovector_pointer(matchData.get());
    shape = TLineShape::Of(pattern, (options & PCRE2_CASELESS) != 0);
    // The pattern has as many groups for PCRE2 as for the shape; a mismatch leaves it to PCRE2.
    if (shape && shape->Pairs() != groupCount + 1)
      shape.reset();
    shapeNeedsNoLineEnds = (options & PCRE2_MULTILINE) != 0;
  }

  // The number of offset pairs set, 0 when nothing matches at or after aStart. A source
  // already known to be valid UTF-8 goes straight to the JIT code, which checks nothing.
  std::uint32_t Match(std::string_view aSource, std::size_t aStart, bool aKnownValid,
                      bool aWithoutLineEnds = false) {
    if (shape && aKnownValid) {
      // The walk is the first way PCRE2 tries, and it tries no other start: anchored, and with
      // Multiline a line without line ends.
      if (aStart == 0) {
        if (!shapeFixedInPlace) {
          shape->PlaceFixedOffsets(ovector);
          shapeFixedInPlace = true;
        }
        if (shape->Match(aSource, ovector, aWithoutLineEnds, true))
          return shape->Pairs();
      }
      if (!shapeNeedsNoLineEnds || aWithoutLineEnds || !HasLineEnd(aSource))
        return 0;
    }
    return MatchWithEngine(aSource, aStart, aKnownValid);
  }

  // PCRE2 itself, out of the way of the walk.
  [[gnu::noinline]] std::uint32_t MatchWithEngine(std::string_view aSource, std::size_t aStart,
                                                  bool aKnownValid) {
    shapeFixedInPlace = false;
    const auto subject = reinterpret_cast<PCRE2_SPTR>(aSource.data());
    const int rc = aKnownValid && jitCompiled
                       ? pcre2_jit_match(code.get(), subject, aSource.size(), aStart, 0,
                                         matchData.get(), matchContext.get())
                       : pcre2_match(code.get(), subject, aSource.size(), aStart,
                                     aKnownValid ? PCRE2_NO_UTF_CHECK : 0, matchData.get(),
                                     matchContext.get());
    if (rc == PCRE2_ERROR_NOMATCH)
      return 0;
    if (rc < 0)
      throw std::runtime_error("Regular expression match failed: " + ErrorText(rc));
    // rc is 0 only when the match data is too small, which match data made from the pattern
    // never is; count every pair then.
    return rc == 0 ? pcre2_get_ovector_count(matchData.get()) : static_cast<std::uint32_t>(rc);
  }

  // The replaced text into out; false when nothing matches.
  bool Replace(std::string_view aSource, std::string_view aReplacement, bool aGlobal,
               bool aKnownValid) {
    // An empty view may carry no pointer at all; PCRE2's JIT code reads through the subject
    // pointer even for an empty subject, and offsets are added to it below.
    if (aSource.data() == nullptr)
      aSource = std::string_view("", 0);
    // ASCII is valid UTF-8; any other source is checked by the first search only.
    std::uint32_t pairs = Match(aSource, 0, aKnownValid || IsAscii(aSource));
    if (pairs == 0)
      return false;
    if (!replacement.IsFor(aReplacement, groupCount))
      replacement.Parse(aReplacement, groupCount);
    if (out.Holds(aSource)) {
      // The last replaced text is being replaced again: keep it from being overwritten.
      sourceCopy.assign(aSource);
      aSource = sourceCopy;
    }
    out.Clear();
    std::size_t copied = 0;
    while (pairs != 0) {
      // \K can report a match start before the end of the previous match.
      const std::size_t start = std::max<std::size_t>(ovector[0], copied);
      const std::size_t end = std::max<std::size_t>(ovector[1], start);
      AppendSource(aSource, copied, start - copied);
      replacement.Append(aSource, ovector, pairs, out);
      copied = end;
      if (!aGlobal)
        break;
      std::size_t next = end;
      if (end == start) {
        if (end >= aSource.size())
          break;
        next = end + Utf8CharLength(static_cast<unsigned char>(aSource[end]));
        if (next > aSource.size())
          break;
      }
      if (aSource.size() - next < minimumLength)
        break;
      pairs = Match(aSource, next, true);
    }
    AppendSource(aSource, copied, aSource.size() - copied);
    return true;
  }

  // What Replace does with a line, up to building the replacement.
  TLineMatch MatchLine(std::string_view aLine, bool aGlobal, bool aWithoutLineEnds) {
    if (aLine.data() == nullptr)
      aLine = std::string_view("", 0);
    const std::uint32_t pairs = Match(aLine, 0, true, aWithoutLineEnds);
    if (pairs == 0)
      return TLineMatch::kNone;
    // An empty match of an empty line moves the search on: left to Replace.
    if (ovector[0] != 0 || ovector[1] != aLine.size() || aLine.empty())
      return TLineMatch::kOther;
    wholeLine = {ovector, pairs};
    // Replace looks for another match at the end of the line unless none could fit there; the
    // offsets are kept from that search.
    if (aGlobal && minimumLength == 0) {
      wholeLineCopy.assign(ovector, ovector + 2 * pairs);
      wholeLine.offsets = wholeLineCopy.data();
      if (Match(aLine, aLine.size(), true) != 0)
        return TLineMatch::kOther;
    }
    return TLineMatch::kWholeLine;
  }

  void AppendSource(std::string_view aSource, std::size_t aFrom, std::size_t aLength) {
    char* const to = out.Reserve(aLength);
    out.Commit(PutPiece(to, aSource.data() + aFrom, aLength, aSource.size() - aFrom));
  }
};

TRegExp::TRegExp() : impl_(std::make_unique<Impl>()) {}

TRegExp::~TRegExp() = default;

void TRegExp::SetPattern(std::string_view aPattern) {
  if (aPattern == impl_->pattern)
    return;
  impl_->pattern.assign(aPattern);
  impl_->compiledFlags = -1;
  ++impl_->patternVersion;
}

std::uint64_t TRegExp::PatternVersion() const {
  return impl_->patternVersion;
}

const std::string& TRegExp::Pattern() const {
  return impl_->pattern;
}

std::string TRegExp::Replace(std::string_view aSource, std::string_view aReplacement) {
  std::string result;
  ReplaceInto(aSource, aReplacement, result);
  return result;
}

void TRegExp::ReplaceInto(std::string_view aSource, std::string_view aReplacement,
                          std::string& aOut) {
  impl_->EnsureCompiled(IgnoreCase, Multiline);
  if (impl_->Replace(aSource, aReplacement, Global, false)) {
    aOut.assign(impl_->out.View());
  } else {
    aOut.assign(aSource);
  }
}

std::string_view TRegExp::ReplaceLine(std::string_view aValidUtf8Line,
                                      std::string_view aReplacement) {
  impl_->EnsureCompiled(IgnoreCase, Multiline);
  return impl_->Replace(aValidUtf8Line, aReplacement, Global, true) ? impl_->out.View()
                                                                    : aValidUtf8Line;
}

TLineMatch TRegExp::MatchLine(std::string_view aValidUtf8Line, bool aWithoutLineEnds) {
  impl_->EnsureCompiled(IgnoreCase, Multiline);
  return impl_->MatchLine(aValidUtf8Line, Global, aWithoutLineEnds);
}

TRegExp::TMatchOffsets TRegExp::WholeLineMatch() const {
  return impl_->wholeLine;
}

bool TRegExp::GroupMayHold(std::uint32_t aGroup, unsigned char aByte) {
  impl_->EnsureCompiled(IgnoreCase, Multiline);
  return !impl_->shape || impl_->shape->GroupMayHold(aGroup, aByte);
}

std::vector<TReplacementPiece> TRegExp::ReplacementPieces(std::string_view aReplacement) {
  impl_->EnsureCompiled(IgnoreCase, Multiline);
  ReplacementProgram program;
  program.Parse(aReplacement, impl_->groupCount);
  return program.Pieces();
}

}  // namespace melquon
