#pragma once

#include <cstddef>
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
  // Throws EInOutError when the file exists but can't be read.
  void LoadFromFile(const std::string& aFileName);
  void SetText(std::string_view aBytes);
  void Clear();

  std::size_t Count() const { return lineCount_; }
  std::string_view Line(std::size_t aIndex) const {
    const LineSpan& span = lines_[aIndex];
    return std::string_view(buffer_.get() + span.start, span.length);
  }
  std::size_t ByteSize() const { return size_; }
  // True when no byte of the text is above 0x7F, so that no line needs converting.
  bool AllAscii() const { return allAscii_; }

 private:
  struct LineSpan {
    std::size_t start;
    std::size_t length;
  };
  class Splitter;

  // Grows the buffer without filling it: the file's bytes overwrite it at once.
  char* Reserve(std::size_t aCapacity);
  // Room for at least aCount lines, kept from day to day like the buffer.
  void ReserveLines(std::size_t aCount);
  void AddLine(std::size_t aStart, std::size_t aLength) {
    if (lineCount_ == lineCapacity_)
      ReserveLines(lineCapacity_ * 2 + 1);
    lines_[lineCount_++] = LineSpan{aStart, aLength};
  }
  // Reads the whole file into the buffer and cuts it into lines as it arrives.
  void ReadAndSplit(const std::string& aFileName);

  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
  bool allAscii_ = true;
  // The line table is written line by line, never filled in advance.
  std::unique_ptr<LineSpan[]> lines_;
  std::size_t lineCount_ = 0;
  std::size_t lineCapacity_ = 0;
};

}  // namespace melquon
