#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

  std::size_t Count() const { return starts_.size(); }
  std::string_view Line(std::size_t aIndex) const {
    return std::string_view(buffer_).substr(starts_[aIndex], lengths_[aIndex]);
  }
  std::size_t ByteSize() const { return buffer_.size(); }

 private:
  void Split();

  std::string buffer_;
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> lengths_;
};

}  // namespace melquon
