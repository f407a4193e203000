#include "runtime/formats.h"

#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::string_view kAmPm = "am/pm";

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithAmPm(std::string_view text) {
  if (text.size() < kAmPm.size()) {
    return false;
  }
  for (std::size_t i = 0; i < kAmPm.size(); ++i) {
    if (AsciiLower(text[i]) != kAmPm[i]) {
      return false;
    }
  }
  return true;
}

bool IsQuote(char c) {
  return c == '\'' || c == '"';
}

// A quoted literal starting at pattern[pos]: its text and its length with the quotes; an
// unclosed literal runs to the end.
struct QuotedLiteral {
  std::string_view text;
  std::size_t length;
};

QuotedLiteral ReadQuoted(std::string_view pattern, std::size_t pos) {
  const std::size_t close = pattern.find(pattern[pos], pos + 1);
  if (close == std::string_view::npos) {
    return {pattern.substr(pos + 1), pattern.size() - pos};
  }
  return {pattern.substr(pos + 1, close - pos - 1), close - pos + 1};
}

// An h or hh is a 12-hour clock only when the pattern also shows AM or PM.
bool ShowsAmPm(std::string_view pattern) {
  for (std::size_t pos = 0; pos < pattern.size();) {
    if (IsQuote(pattern[pos])) {
      pos += ReadQuoted(pattern, pos).length;
    } else if (StartsWithAmPm(pattern.substr(pos))) {
      return true;
    } else {
      ++pos;
    }
  }
  return false;
}

std::size_t RunLength(std::string_view pattern, std::size_t pos) {
  std::size_t end = pos;
  while (end < pattern.size() && pattern[end] == pattern[pos]) {
    ++end;
  }
  return end - pos;
}

void AppendNumber(int value, int minDigits, std::string& out) {
  out += IntToStrZeroPad(value, static_cast<std::size_t>(minDigits));
}

void AppendAmPm(std::string_view token, int hour, const FormatSettings& formats, std::string& out) {
  const std::string& text = hour < 12 ? formats.TimeAMString : formats.TimePMString;
  if (token == kAmPm) {
    for (char c : text) {
      out += AsciiLower(c);
    }
  } else {
    out += text;
  }
}

int TwelveHour(int hour) {
  return hour % 12 == 0 ? 12 : hour % 12;
}

// Writes the pattern's tokens one by one; formatting state lives here so that each token
// handler stays small.
class DateTimeWriter {
 public:
  DateTimeWriter(std::string_view pattern, const LocalDateTime& value,
                 const FormatSettings& formats)
      : pattern_(pattern), value_(value), formats_(formats), twelveHour_(ShowsAmPm(pattern)) {}

  std::string Write() {
    while (pos_ < pattern_.size()) {
      WriteToken();
    }
    return std::move(out_);
  }

 private:
  void WriteToken() {
    const char c = pattern_[pos_];
    const std::size_t run = RunLength(pattern_, pos_);
    if (IsQuote(c)) {
      const QuotedLiteral literal = ReadQuoted(pattern_, pos_);
      out_.append(literal.text);
      pos_ += literal.length;
      return;
    }
    if (StartsWithAmPm(pattern_.substr(pos_))) {
      AppendAmPm(pattern_.substr(pos_, kAmPm.size()), value_.time.hour, formats_, out_);
      pos_ += kAmPm.size();
      return;
    }
    switch (c) {
      case 'd':
        Number(value_.date.day, run);
        afterHour_ = false;
        return;
      case 'M':
        Number(value_.date.month, run);
        afterHour_ = false;
        return;
      case 'm':
        Number(afterHour_ ? value_.time.minute : value_.date.month, run);
        afterHour_ = false;
        return;
      case 'y':
        Year(run);
        afterHour_ = false;
        return;
      case 'h':
        Number(twelveHour_ ? TwelveHour(value_.time.hour) : value_.time.hour, run);
        afterHour_ = true;
        return;
      case 'H':
        Number(value_.time.hour, run);
        afterHour_ = true;
        return;
      case 's':
        Number(value_.time.second, run);
        afterHour_ = false;
        return;
      case 'z':
        Milliseconds(run);
        return;
      case '/':
        Literal(formats_.DateSeparator);
        return;
      case ':':
        Literal(formats_.TimeSeparator);
        return;
      default:
        Literal(c);
        return;
    }
  }

  // One letter: no leading zero; two: two digits. Longer runs are read two letters at a time.
  void Number(int value, std::size_t run) {
    const std::size_t used = run >= 2 ? 2 : 1;
    AppendNumber(value, static_cast<int>(used), out_);
    pos_ += used;
  }

  // y and yy: the year in the century, two digits; yyy and longer: the whole year, at least
  // four digits.
  void Year(std::size_t run) {
    if (run <= 2) {
      AppendNumber(value_.date.year % 100, 2, out_);
    } else {
      AppendNumber(value_.date.year, 4, out_);
    }
    pos_ += run;
  }

  void Milliseconds(std::size_t run) {
    const std::size_t used = run >= 3 ? 3 : 1;
    AppendNumber(value_.time.millisecond, static_cast<int>(used), out_);
    pos_ += used;
  }

  void Literal(char c) {
    out_ += c;
    ++pos_;
  }

  std::string_view pattern_;
  const LocalDateTime& value_;
  const FormatSettings& formats_;
  const bool twelveHour_;
  bool afterHour_ = false;
  std::size_t pos_ = 0;
  std::string out_;
};

}  // namespace

FormatSettings& RegionalFormats() {
  static FormatSettings formats;
  return formats;
}

std::string FormatDateTime(std::string_view pattern, const LocalDateTime& value,
                           const FormatSettings& formats) {
  return DateTimeWriter(pattern, value, formats).Write();
}

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const FormatSettings& formats) {
  return FormatDateTime(pattern, DecodeDateTime(value), formats);
}

std::string DateToStr(TDateTime value, const FormatSettings& formats) {
  return FormatDateTime(formats.ShortDateFormat, value, formats);
}

}  // namespace melquon
