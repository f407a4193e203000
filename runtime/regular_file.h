#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace melquon {

// A regular file open for reading, at most a bounded number of bytes of it. A FIFO or a device
// in its place would make a read wait forever or never end, so the file is opened without
// waiting and refused unless it is a regular file.
class TRegularFileReader {
 public:
  // Throws ENotRegularFile for a FIFO, a device, a socket or a folder, EFileTooLarge when the
  // file holds more than aMaxBytes, and EInOutError when it can't be opened; each names the
  // file, the last the bound as well.
  TRegularFileReader(const std::string& aPath, std::uint64_t aMaxBytes);
  ~TRegularFileReader();
  TRegularFileReader(const TRegularFileReader&) = delete;
  TRegularFileReader& operator=(const TRegularFileReader&) = delete;

  // The size when the file was opened.
  std::uint64_t Size() const { return size_; }
  // Up to aCount bytes, 0 at the end. Throws EInOutError, or EFileTooLarge when the file has
  // grown past the bound since it was opened.
  std::size_t Read(char* aBuffer, std::size_t aCount);

 private:
  [[noreturn]] void ThrowTooLarge() const;

  std::string path_;
  std::uint64_t maxBytes_;
  std::uint64_t size_ = 0;
  std::uint64_t read_ = 0;
  int fd_ = -1;
};

// "16 MB" for whole mebibytes, "1000 bytes" otherwise.
std::string ByteSizeText(std::uint64_t aBytes);

}  // namespace melquon
