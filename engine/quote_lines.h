#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace melquon {

// The lines of one day file in one buffer with an array of offsets, reused from day to day.
// Lines end at CR LF, a lone CR or a lone LF; a last line without an ending counts, the
// ending after the last line adds no empty line; a NUL byte ends the text. Bytes are
// Windows-1251 as read.
class TQuoteLines {
 public:
  // Reads no further than the NUL that ends the text. Throws EInOutError when the file exists
  // but can't be read, ENotRegularFile when it is a FIFO, a device or a folder, and
  // EFileTooLarge when it holds more than aMaxBytes.
  void LoadFromFile(const std::string& aFileName, std::uint64_t aMaxBytes = UINT64_MAX);
  void SetText(std::string_view aBytes);
  void Clear();

  std::size_t Count() const { return lineCount_; }
  std::string_view Line(std::size_t aIndex) const {
    const char* const text = buffer_.get();
    const std::size_t start = lineStarts_[aIndex];
    std::size_t end = lineStarts_[aIndex + 1];
    // Only the line end lies between a line and the next; the last line may have none.
    if (end != start) {
      if (text[end - 1] == '\n') {
        end -= (end - 1 != start && text[end - 2] == '\r') ? 2 : 1;
      } else if (text[end - 1] == '\r') {
        end -= 1;
      }
    }
    return std::string_view(text + start, end - start);
  }
  std::size_t ByteSize() const { return size_; }
  // True when no byte of the text is above 0x7F, so that no line needs converting.
  bool AllAscii() const { return allAscii_; }
  // True when some line holds a "=": a line without one names no item.
  bool HoldsEquals() const { return holdsEquals_; }

 private:
  class Splitter;

  // Grows the buffer without filling it: the file's bytes overwrite it at once.
  char* Reserve(std::size_t aCapacity);
  // Room for at least aCount line starts, kept from day to day like the buffer.
  void ReserveLineStarts(std::size_t aCount);
  void AddLineStart(std::size_t aStart) {
    if (lineCount_ == lineStartCapacity_)
      ReserveLineStarts(lineStartCapacity_ * 2 + 1);
    lineStarts_[lineCount_++] = aStart;
  }
  // The end of the text follows the last start; it is no line of its own.
  void CloseLastLine(std::size_t aTextEnd) {
    ReserveLineStarts(lineCount_ + 1);
    lineStarts_[lineCount_] = aTextEnd;
  }
  // Reads the whole file into the buffer and cuts it into lines as it arrives.
  void ReadAndSplit(const std::string& aFileName, std::uint64_t aMaxBytes);

  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
  bool allAscii_ = true;
  bool holdsEquals_ = false;
  // Where each line starts, and after the last one where the text ends: a line runs up to the
  // next start but for its line end. Written line by line, never filled in advance.
  std::unique_ptr<std::size_t[]> lineStarts_;
  std::size_t lineCount_ = 0;
  std::size_t lineStartCapacity_ = 0;
};

}  // namespace melquon
