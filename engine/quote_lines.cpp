#include "engine/quote_lines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "runtime/errors.h"

namespace melquon {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kMinimumReadSize = 64 * 1024;

// The texts of the whole-file reader of the runtime, so that both report a file alike.
[[noreturn]] void ThrowFileError(const char* aAction, const std::string& aFileName, int aErrno) {
  throw EInOutError(std::string(aAction) + " \"" + aFileName + "\". " + std::strerror(aErrno));
}

// Reads the whole file into aBuffer, keeping aBuffer's storage when it is large enough.
void ReadWholeFile(const std::string& aFileName, std::string& aBuffer) {
  aBuffer.clear();
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
  std::size_t filled = 0;
  for (;;) {
    aBuffer.resize(capacity);
    const std::size_t got = std::fread(aBuffer.data() + filled, 1, capacity - filled, file.get());
    filled += got;
    if (filled < capacity)
      break;
    capacity *= 2;
  }
  aBuffer.resize(filled);
  if (std::ferror(file.get()))
    ThrowFileError("Cannot read file", aFileName, errno != 0 ? errno : EIO);
}

}  // namespace

void TQuoteLines::LoadFromFile(const std::string& aFileName) {
  Clear();
  ReadWholeFile(aFileName, buffer_);
  Split();
}

void TQuoteLines::SetText(std::string_view aBytes) {
  buffer_.assign(aBytes);
  Split();
}

void TQuoteLines::Clear() {
  buffer_.clear();
  starts_.clear();
  lengths_.clear();
}

void TQuoteLines::Split() {
  starts_.clear();
  lengths_.clear();
  const std::size_t nul = buffer_.find('\0');
  if (nul != std::string::npos)
    buffer_.resize(nul);

  const char* const text = buffer_.data();
  const std::size_t size = buffer_.size();
  std::size_t lineStart = 0;
  std::size_t i = 0;
  while (i < size) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    starts_.push_back(lineStart);
    lengths_.push_back(i - lineStart);
    i += (c == '\r' && i + 1 < size && text[i + 1] == '\n') ? 2 : 1;
    lineStart = i;
  }
  if (lineStart < size) {
    starts_.push_back(lineStart);
    lengths_.push_back(size - lineStart);
  }
}

}  // namespace melquon
