#include "engine/quote_lines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/ascii.h"
#include "runtime/regular_file.h"

namespace melquon {

namespace {

// The first buffer is sized for the whole file, up to this: a file larger still is rare, and
// one whose text ends early at a NUL byte should not reserve its whole size.
constexpr std::uint64_t kLargestFirstBuffer = std::uint64_t{256} << 20;
// Tick lines are some 30 to 40 bytes long. The line table is first sized for shorter ones, so
// that it rarely has to grow and copy itself: the part never written takes no memory.
constexpr std::size_t kShortLineBytes = 24;
// Read in pieces that stay in the cache until they are split.
constexpr std::size_t kReadPieceSize = 256 * 1024;
// A file read a piece at a time keeps at most about this much of itself, so that its lines are
// read while their bytes are still in the cache.
constexpr std::size_t kWindowBytes = 512 * 1024;

// The high bit of each byte of aWord below 0x0E (CR, LF and NUL are), and no other bit: no
// carry crosses a byte. Printable text has none, so most words need no further look.
std::uint64_t ControlBytes(std::uint64_t aWord) {
  return ~(((aWord & kByteLows) + kEveryByte * (0x80 - 0x0E)) | aWord) & kByteTops;
}

// The high bit of each byte of aWord that is a "=", exact up to the lowest one: a borrow may
// only mark bytes above a marked one.
std::uint64_t EqualsBytes(std::uint64_t aWord) {
  const std::uint64_t zeroWhereEquals = aWord ^ (kEveryByte * '=');
  return (zeroWhereEquals - kEveryByte) & ~zeroWhereEquals & kByteTops;
}

}  // namespace

// Cuts the text into lines while it is being read, so that each piece is scanned while it is
// still in the cache. Where it is keeps from piece to piece in the lines' split state.
class TQuoteLines::Splitter {
 public:
  explicit Splitter(TQuoteLines& aLines)
      : lines_(aLines),
        scanned_(aLines.split_.scanned),
        lineStart_(aLines.split_.lineStart),
        endedByNul_(aLines.split_.endedByNul),
        seen_(aLines.split_.seen),
        equals_(aLines.split_.equals) {}

  // A text of about aExpectedSize bytes starts.
  void Start(std::size_t aExpectedSize) {
    lines_.split_ = {};
    lines_.lineCount_ = 0;
    lines_.ReserveLineStarts(aExpectedSize / kShortLineBytes + 2);
    lines_.allAscii_ = true;
    lines_.holdsEquals_ = false;
  }

  // Scans the bytes read so far, but for the last: a CR there may be the first half of a CR LF.
  void ScanArrived() {
    if (lines_.size_ != 0)
      Scan(lines_.size_ - 1, false);
  }

  // A NUL byte has ended the text: nothing after it need be read.
  bool EndedByNul() const { return endedByNul_; }

  // Scans the rest of the text and ends it at its first NUL byte.
  void Finish() {
    Scan(lines_.size_, true);
    const std::size_t end = endedByNul_ ? scanned_ : lines_.size_;
    lines_.size_ = end;
    if (lineStart_ < end)
      lines_.AddLineStart(lineStart_);
    lines_.CloseLastLine(end);
    TellWhatWasSeen();
  }

  void TellWhatWasSeen() {
    lines_.allAscii_ = (seen_ & kByteTops) == 0;
    lines_.holdsEquals_ = equals_ != 0;
  }

  // Every line cut so far can be read; what the bytes scanned hold is told.
  void EndLinesCut() {
    lines_.CloseLastLine(lineStart_);
    TellWhatWasSeen();
  }

  // The bytes from the start of the line not yet cut on, moved to the front of the buffer and
  // scanned again; the lines before them are let go.
  void KeepUncutLine() {
    const std::size_t keep = lineStart_;
    if (keep == 0)
      return;
    char* const text = lines_.buffer_.get();
    std::memmove(text, text + keep, lines_.size_ - keep);
    lines_.size_ -= keep;
    lines_.firstIndex_ += lines_.lineCount_;
    lines_.lineCount_ = 0;
    scanned_ = lineStart_ = 0;
    seen_ = equals_ = 0;
  }

 private:
  // Cuts a line at every CR and LF up to the first NUL byte or aLimit, sets the high bits of
  // seen_ where a byte passed has its own and makes equals_ nonzero at a "=" passed. Sixteen bytes
  // at a time with SSE2, then eight at a time where a word's bytes lie in memory order from its low
  // bits up; the bytes after the last whole word only with aToLimit.
  void Scan(std::size_t aLimit, bool aToLimit) {
    if (endedByNul_ || aLimit <= scanned_)
      return;
    const char* const text = lines_.buffer_.get();
    const char* const arrived = text + lines_.size_;
    const char* const limit = text + aLimit;
    const char* p = text + scanned_;
    // Kept in a register: the line table's writes could otherwise change it, for all the
    // compiler knows.
    std::size_t lineStart = lineStart_;
    std::uint64_t seen = 0;
    std::uint64_t equals = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time where the machine has the registers for it. What the blocks hold
    // is gathered in registers and looked at once at the end, or at the block a NUL ends.
    const __m128i highestControl = _mm_set1_epi8(0x0D);
    const __m128i equalsSign = _mm_set1_epi8('=');
    __m128i bytesSeen = _mm_setzero_si128();
    __m128i equalsSeen = _mm_setzero_si128();
    const auto gather = [&](unsigned aHighBits, unsigned aEqualsBits) {
      seen |=
          (aHighBits | static_cast<unsigned>(_mm_movemask_epi8(bytesSeen))) != 0 ? kByteTops : 0;
      equals |= aEqualsBits | static_cast<unsigned>(_mm_movemask_epi8(equalsSeen));
    };
    for (; limit - p >= 16; p += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i atMostControl = _mm_cmpeq_epi8(_mm_min_epu8(bytes, highestControl), bytes);
      const __m128i equalsHere = _mm_cmpeq_epi8(bytes, equalsSign);
      for (auto controls = static_cast<unsigned>(_mm_movemask_epi8(atMostControl)); controls != 0;
           controls &= controls - 1) {
        const int index = std::countr_zero(controls);
        const char* const at = p + index;
        if (*at == '\0') {
          const unsigned before = (1u << index) - 1;
          gather(static_cast<unsigned>(_mm_movemask_epi8(bytes)) & before,
                 static_cast<unsigned>(_mm_movemask_epi8(equalsHere)) & before);
          return Stop(at, seen, equals, true, lineStart);
        }
        // The LF of a CR LF needs no look of its own.
        if (CutAt(text, at, arrived, lineStart))
          controls &= ~(2u << index);
      }
      bytesSeen = _mm_or_si128(bytesSeen, bytes);
      equalsSeen = _mm_or_si128(equalsSeen, equalsHere);
    }
    gather(0, 0);
#endif
    if constexpr (std::endian::native == std::endian::little) {
      for (; limit - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        for (std::uint64_t controls = ControlBytes(word); controls != 0; controls &= controls - 1) {
          const int shift = std::countr_zero(controls) - 7;
          const char* const at = p + shift / 8;
          if (*at == '\0') {
            seen |= word & ((std::uint64_t{1} << shift) - 1);
            equals |= EqualsBytes(word) & ((std::uint64_t{1} << shift) - 1);
            return Stop(at, seen, equals, true, lineStart);
          }
          CutAt(text, at, arrived, lineStart);
        }
        seen |= word;
        equals |= EqualsBytes(word);
      }
    }
    for (; aToLimit && p != limit; ++p) {
      if (*p == '\0')
        return Stop(p, seen, equals, true, lineStart);
      seen |= static_cast<unsigned char>(*p);
      equals |= *p == '=' ? 1 : 0;
      CutAt(text, p, arrived, lineStart);
    }
    Stop(p, seen, equals, false, lineStart);
  }

  // A CR or LF at aAt ends the line up to it, unless it is the LF of a CR LF already taken;
  // other bytes are passed over. True when it was the CR of a CR LF.
  bool CutAt(const char* aText, const char* aAt, const char* aArrived, std::size_t& aLineStart) {
    if (*aAt != '\r' && *aAt != '\n')
      return false;
    const auto at = static_cast<std::size_t>(aAt - aText);
    if (at < aLineStart)
      return false;
    lines_.AddLineStart(aLineStart);
    const bool crLf = *aAt == '\r' && aAt + 1 != aArrived && aAt[1] == '\n';
    aLineStart = at + (crLf ? 2 : 1);
    return crLf;
  }

  void Stop(const char* aAt, std::uint64_t aSeen, std::uint64_t aEquals, bool aAtNul,
            std::size_t aLineStart) {
    scanned_ = static_cast<std::size_t>(aAt - lines_.buffer_.get());
    lineStart_ = aLineStart;
    seen_ |= aSeen;
    equals_ |= aEquals;
    endedByNul_ = aAtNul;
  }

  TQuoteLines& lines_;
  std::size_t& scanned_;
  std::size_t& lineStart_;
  bool& endedByNul_;
  std::uint64_t& seen_;
  std::uint64_t& equals_;
};

TQuoteLines::TQuoteLines() = default;
TQuoteLines::~TQuoteLines() = default;
TQuoteLines::TQuoteLines(TQuoteLines&&) noexcept = default;
TQuoteLines& TQuoteLines::operator=(TQuoteLines&&) noexcept = default;

void TQuoteLines::LoadFromFile(const std::string& aFileName, std::uint64_t aMaxBytes) {
  Clear();
  try {
    ReadAndSplit(aFileName, aMaxBytes);
  } catch (...) {
    Clear();
    throw;
  }
}

void TQuoteLines::SetText(std::string_view aBytes) {
  Clear();
  std::copy(aBytes.begin(), aBytes.end(), Reserve(aBytes.size()));
  size_ = aBytes.size();
  Splitter splitter(*this);
  splitter.Start(size_);
  splitter.Finish();
}

void TQuoteLines::Clear() {
  file_.reset();
  firstIndex_ = 0;
  size_ = 0;
  allAscii_ = true;
  holdsEquals_ = false;
  lineCount_ = 0;
}

void TQuoteLines::ReserveLineStarts(std::size_t aCount) {
  if (aCount <= lineStartCapacity_)
    return;
  auto grown = std::make_unique_for_overwrite<std::size_t[]>(aCount);
  std::copy_n(lineStarts_.get(), lineCount_, grown.get());
  lineStarts_ = std::move(grown);
  lineStartCapacity_ = aCount;
}

char* TQuoteLines::Reserve(std::size_t aCapacity) {
  if (aCapacity > capacity_) {
    // Day files differ a little in size; room to spare from the first day on keeps a slightly
    // larger file from costing a fresh allocation and its page faults. The room no file
    // reaches is never touched and takes no memory.
    const std::size_t capacity = std::max(aCapacity + aCapacity / 4, capacity_ + capacity_ / 4);
    auto grown = std::make_unique_for_overwrite<char[]>(capacity);
    std::copy_n(buffer_.get(), size_, grown.get());
    buffer_ = std::move(grown);
    capacity_ = capacity;
  }
  return buffer_.get();
}

// Keeps the buffer's storage when it is large enough.
void TQuoteLines::ReadAndSplit(const std::string& aFileName, std::uint64_t aMaxBytes) {
  TRegularFileReader file(aFileName, aMaxBytes);
  // One byte more than expected, so that a full read shows the end without a second call
  // when the size was right.
  auto capacity = static_cast<std::size_t>(std::min(file.Size(), kLargestFirstBuffer) + 1);
  Splitter splitter(*this);
  splitter.Start(capacity);
  for (bool atEnd = false; !atEnd; capacity *= 2) {
    char* const data = Reserve(capacity);
    while (size_ < capacity) {
      const std::size_t got = file.Read(data + size_, std::min(kReadPieceSize, capacity - size_));
      size_ += got;
      splitter.ScanArrived();
      if (got == 0 || splitter.EndedByNul()) {
        atEnd = true;
        break;
      }
    }
  }
  splitter.Finish();
}

void TQuoteLines::Open(const std::string& aFileName, std::uint64_t aMaxBytes) {
  Clear();
  file_ = std::make_unique<TRegularFileReader>(aFileName, aMaxBytes);
  Reserve(kWindowBytes);
  Splitter(*this).Start(kWindowBytes);
}

bool TQuoteLines::ReadMore() {
  if (!file_)
    return false;
  try {
    Splitter splitter(*this);
    splitter.KeepUncutLine();
    // A line longer than the buffer: room for more of it.
    if (size_ == capacity_)
      Reserve(capacity_ + 1);
    const std::size_t got =
        file_->Read(buffer_.get() + size_, std::min(capacity_ - size_, kWindowBytes));
    size_ += got;
    splitter.ScanArrived();
    if (got != 0 && !splitter.EndedByNul()) {
      splitter.EndLinesCut();
      return true;
    }
    splitter.Finish();
    file_.reset();
    return false;
  } catch (...) {
    Clear();
    throw;
  }
}

}  // namespace melquon
