#include "engine/quote_lines.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "runtime/errors.h"

namespace melquon {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kMinimumReadSize = 64 * 1024;
// Tick lines are some 40 bytes long; a first guess saves most regrowing of the line table.
constexpr std::size_t kTypicalLineBytes = 40;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7FULL;

// The texts of the whole-file reader of the runtime, so that both report a file alike.
[[noreturn]] void ThrowFileError(const char* aAction, const std::string& aFileName, int aErrno) {
  throw EInOutError(std::string(aAction) + " \"" + aFileName + "\". " + std::strerror(aErrno));
}

// False only when no byte of aWord is below 0x0E (CR, LF and NUL are), which is the case for
// most words of printable text. The borrow may mark more bytes, but never misses one.
bool MayHoldControlByte(std::uint64_t aWord) {
  return ((aWord - kOnes * 0x0E) & ~aWord & kHighBits) != 0;
}

// The high bit of each byte of aWord that equals aByte, and no other bit: no carry crosses
// a byte, so unlike the test above this one is exact.
std::uint64_t BytesEqualTo(std::uint64_t aWord, unsigned char aByte) {
  const std::uint64_t diff = aWord ^ (kOnes * aByte);
  return ~(((diff & kLowBits) + kLowBits) | diff) & kHighBits;
}

// Calls aCut for every CR and LF before the first NUL byte, in order, ORs every byte before
// that NUL into aSeen and returns where the text ends: at the NUL byte, or at aEnd. Eight
// bytes at a time where a word's bytes lie in memory order from its low bits up.
template <typename Cut>
const char* ScanText(const char* aText, const char* aEnd, std::uint64_t& aSeen, Cut&& aCut) {
  const char* p = aText;
  if constexpr (std::endian::native == std::endian::little) {
    for (; aEnd - p >= 8; p += 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if (!MayHoldControlByte(word)) {
        aSeen |= word;
        continue;
      }
      const std::uint64_t nuls = BytesEqualTo(word, '\0');
      const std::uint64_t beforeNul = (nuls - 1) & ~nuls;  // every bit when there is no NUL
      aSeen |= word & beforeNul;
      std::uint64_t breaks = (BytesEqualTo(word, '\r') | BytesEqualTo(word, '\n')) & beforeNul;
      for (; breaks != 0; breaks &= breaks - 1)
        aCut(p + std::countr_zero(breaks) / 8);
      if (nuls != 0)
        return p + std::countr_zero(nuls) / 8;
    }
  }
  for (; p != aEnd; ++p) {
    if (*p == '\0')
      return p;
    aSeen |= static_cast<unsigned char>(*p);
    if (*p == '\r' || *p == '\n')
      aCut(p);
  }
  return aEnd;
}

}  // namespace

void TQuoteLines::LoadFromFile(const std::string& aFileName) {
  Clear();
  ReadWholeFile(aFileName);
  Split();
}

void TQuoteLines::SetText(std::string_view aBytes) {
  Clear();
  std::copy(aBytes.begin(), aBytes.end(), Reserve(aBytes.size()));
  size_ = aBytes.size();
  Split();
}

void TQuoteLines::Clear() {
  size_ = 0;
  allAscii_ = true;
  lines_.clear();
}

char* TQuoteLines::Reserve(std::size_t aCapacity) {
  if (aCapacity > capacity_) {
    // Day files differ a little in size; room to spare keeps a slightly larger file from
    // costing a fresh allocation (and its page faults) every day.
    const std::size_t capacity = std::max(aCapacity, capacity_ + capacity_ / 4);
    auto grown = std::make_unique_for_overwrite<char[]>(capacity);
    std::copy_n(buffer_.get(), size_, grown.get());
    buffer_ = std::move(grown);
    capacity_ = capacity;
  }
  return buffer_.get();
}

// Reads the whole file into the buffer, keeping the buffer's storage when it is large enough.
void TQuoteLines::ReadWholeFile(const std::string& aFileName) {
  std::error_code ec;
  // A directory opens for reading on some systems; refuse it before it reads as empty.
  if (std::filesystem::is_directory(aFileName, ec))
    ThrowFileError("Cannot read file", aFileName, EISDIR);
  errno = 0;
  FilePtr file{std::fopen(aFileName.c_str(), "rb")};
  if (!file)
    ThrowFileError("Cannot open file", aFileName, errno != 0 ? errno : EIO);
  const std::uintmax_t expected = std::filesystem::file_size(aFileName, ec);
  // One byte more than expected, so that a full read shows the end without a second call
  // when the size was right.
  std::size_t capacity = ec ? kMinimumReadSize : static_cast<std::size_t>(expected) + 1;
  for (;;) {
    char* data = Reserve(capacity);
    size_ += std::fread(data + size_, 1, capacity - size_, file.get());
    if (size_ < capacity)
      break;
    capacity *= 2;
  }
  if (std::ferror(file.get()))
    ThrowFileError("Cannot read file", aFileName, errno != 0 ? errno : EIO);
}

void TQuoteLines::Split() {
  lines_.clear();
  allAscii_ = true;
  if (size_ == 0)
    return;
  lines_.reserve(size_ / kTypicalLineBytes + 1);

  const char* const text = buffer_.get();
  const char* const end = text + size_;
  const char* lineStart = text;
  const auto cutAt = [&](const char* aBreak) {
    if (aBreak < lineStart)
      return;  // the LF of a CR LF already taken
    lines_.push_back(
        {static_cast<std::size_t>(lineStart - text), static_cast<std::size_t>(aBreak - lineStart)});
    lineStart = aBreak + ((*aBreak == '\r' && aBreak + 1 != end && aBreak[1] == '\n') ? 2 : 1);
  };
  std::uint64_t seen = 0;
  const char* const textEnd = ScanText(text, end, seen, cutAt);
  size_ = static_cast<std::size_t>(textEnd - text);
  if (lineStart < textEnd) {
    lines_.push_back({static_cast<std::size_t>(lineStart - text),
                      static_cast<std::size_t>(textEnd - lineStart)});
  }
  allAscii_ = (seen & kHighBits) == 0;
}

}  // namespace melquon
