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

// The texts of the whole-file reader of the runtime, so that both report a file alike.
[[noreturn]] void ThrowFileError(const char* aAction, const std::string& aFileName, int aErrno) {
  throw EInOutError(std::string(aAction) + " \"" + aFileName + "\". " + std::strerror(aErrno));
}

// The first CR or LF at or after aFrom, or aEnd. Eight bytes at a time: in a little-endian word,
// (x - 0x0E..0E) & ~x & 0x80..80 marks the bytes below 0x0E; its lowest mark is exact (the borrow
// can only mark bytes after a real one), and printable text has none, so most words pass in one
// test.
const char* FindLineBreak(const char* aFrom, const char* aEnd) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  const char* p = aFrom;
  while (std::endian::native == std::endian::little && aEnd - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const std::uint64_t marks = (word - kOnes * 0x0E) & ~word & kHighBits;
    if (marks == 0) {
      p += 8;
      continue;
    }
    const char* const low = p + std::countr_zero(marks) / 8;
    if (*low == '\n' || *low == '\r')
      return low;
    p = low + 1;  // a tab or another control byte
  }
  for (; p != aEnd; ++p) {
    if (*p == '\n' || *p == '\r')
      return p;
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
  if (size_ == 0)
    return;
  const char* const text = buffer_.get();
  if (const void* nul = std::memchr(text, '\0', size_))
    size_ = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
  lines_.reserve(size_ / kTypicalLineBytes + 1);

  const char* const end = text + size_;
  const char* lineStart = text;
  for (const char* p = lineStart; (p = FindLineBreak(p, end)) != end;) {
    lines_.push_back(
        {static_cast<std::size_t>(lineStart - text), static_cast<std::size_t>(p - lineStart)});
    p += (*p == '\r' && p + 1 != end && p[1] == '\n') ? 2 : 1;
    lineStart = p;
  }
  if (lineStart != end) {
    lines_.push_back(
        {static_cast<std::size_t>(lineStart - text), static_cast<std::size_t>(end - lineStart)});
  }
}

}  // namespace melquon
