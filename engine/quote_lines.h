#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace melquon {

class TRegularFileReader;

// The lines of one day file in one buffer with an array of offsets, reused from day to day.
// Lines end at CR LF, a lone CR or a lone LF; a last line without an ending counts, the
// ending after the last line adds no empty line; a NUL byte ends the text. Bytes are
// Windows-1251 as read. A file may also be read a piece at a time, only the lines of the piece
// held: lines keep their index in the whole file.
class TQuoteLines {
 public:
  TQuoteLines();
  ~TQuoteLines();
  TQuoteLines(TQuoteLines&&) noexcept;
  TQuoteLines& operator=(TQuoteLines&&) noexcept;

  // Reads no further than the NUL that ends the text. Throws EInOutError when the file exists
  // but can't be read, ENotRegularFile when it is a FIFO, a device or a folder, and
  // EFileTooLarge when it holds more than aMaxBytes.
  void LoadFromFile(const std::string& aFileName, std::uint64_t aMaxBytes = UINT64_MAX);
  void SetText(std::string_view aBytes);
  // Reading a piece at a time: Open, then ReadMore until it returns false; after each call the
  // lines from FirstIndex() up to Count() are held, the last ones once it has returned false.
  // Both throw what LoadFromFile throws; the lines are then cleared.
  void Open(const std::string& aFileName, std::uint64_t aMaxBytes = UINT64_MAX);
  bool ReadMore();
  void Clear();

  // The index of the first line held, and one past the last.
  std::size_t FirstIndex() const { return firstIndex_; }
  std::size_t Count() const { return firstIndex_ + lineCount_; }
  // A line held.
  std::string_view Line(std::size_t aIndex) const {
    const char* const text = buffer_.get();
    const std::size_t start = lineStarts_[aIndex - firstIndex_];
    std::size_t end = lineStarts_[aIndex - firstIndex_ + 1];
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
  // True when no byte of the lines held is above 0x7F, so that no line needs converting.
  bool AllAscii() const { return allAscii_; }
  // True when some line held holds a "=": a line without one names no item.
  bool HoldsEquals() const { return holdsEquals_; }

 private:
  class Splitter;
  // Where the splitter is in the text: scanned up to, the start of the line not yet cut, and
  // what the bytes scanned hold.
  struct SplitState {
    std::size_t scanned = 0;
    std::size_t lineStart = 0;
    bool endedByNul = false;
    std::uint64_t seen = 0;
    std::uint64_t equals = 0;
  };

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

  // The file being read a piece at a time, and the index of the first line held.
  std::unique_ptr<TRegularFileReader> file_;
  std::size_t firstIndex_ = 0;
  SplitState split_;
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
