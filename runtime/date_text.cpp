#include "runtime/date_text.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/ascii.h"
#include "runtime/errors.h"
#include "runtime/local_clock.h"

// Runs once per quote line: everything works on views of the text and allocates nothing
// unless the text is rejected by StrToDateTime.

namespace melquon {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// A number as written: its value and how many digits it had.
struct Number {
  int value = 0;
  int digits = 0;
};

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }

  bool Accept(char c) {
    if (!AtEnd() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool AcceptEither(char a, char b) { return Accept(a) || Accept(b); }

  // Works on locals so the loop stays in registers; the value of a number longer than nine
  // digits is not kept, the caller rejects it by its length anyway.
  bool ReadNumber(Number& number) {
    const char* const begin = text_.data() + pos_;
    const char* const end = text_.data() + text_.size();
    const char* p = begin;
    unsigned value = 0;
    while (p != end && IsAsciiDigit(*p)) {
      value = value * 10 + static_cast<unsigned>(*p - '0');
      ++p;
    }
    const int digits = static_cast<int>(p - begin);
    number = {digits <= 9 ? static_cast<int>(value) : 0, digits};
    pos_ += static_cast<std::size_t>(digits);
    return digits > 0;
  }

  std::size_t SkipBlanks() {
    const std::size_t start = pos_;
    while (!AtEnd() && IsBlank(text_[pos_])) {
      ++pos_;
    }
    return pos_ - start;
  }

  // Letters compare without regard to ASCII case; other bytes must be equal.
  bool AcceptCaseless(std::string_view word) {
    if (word.empty() || text_.size() - pos_ < word.size()) {
      return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
      if (AsciiLower(text_[pos_ + i]) != AsciiLower(word[i])) {
        return false;
      }
    }
    pos_ += word.size();
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// ---- dates --------------------------------------------------------------------------------

using DateLayout = TDateLayout;
using DateOrder = TDateLayout::Order;

bool IsPunctuation(char c) {
  return c > ' ' && c < 0x7F && !IsAsciiDigit(c) && !(c >= 'a' && c <= 'z') &&
         !(c >= 'A' && c <= 'Z');
}

DateLayout LayoutOfPattern(std::string_view pattern, char separator) {
  DateLayout layout;
  layout.separator = separator;
  std::size_t dayAt = pattern.npos, monthAt = pattern.npos, yearAt = pattern.npos;
  for (std::size_t pos = 0; pos < pattern.size(); ++pos) {
    const char c = pattern[pos];
    if (c == '\'' || c == '"') {
      pos = std::min(pattern.find(c, pos + 1), pattern.size());
    } else if (c == 'd' && dayAt == pattern.npos) {
      dayAt = pos;
    } else if ((c == 'M' || c == 'm') && monthAt == pattern.npos) {
      monthAt = pos;
    } else if (c == 'y' && yearAt == pattern.npos) {
      yearAt = pos;
    } else if (IsPunctuation(c) && c != '/' && layout.literalSeparator == '\0') {
      layout.literalSeparator = c;
    }
  }
  if (yearAt < dayAt && yearAt < monthAt) {
    layout.order = DateOrder::kYearMonthDay;
  } else if (monthAt < dayAt) {
    layout.order = DateOrder::kMonthDayYear;
  }
  return layout;
}

bool AcceptDateSeparator(Scanner& s, const DateLayout& layout) {
  return s.Accept(layout.separator) ||
         (layout.literalSeparator != '\0' && s.Accept(layout.literalSeparator));
}

// A two-digit year lies in the hundred years centred on the current one.
int WindowedYear(int twoDigitYear, int currentYear) {
  const int base = currentYear - 50;
  return base + (((twoDigitYear - base) % 100) + 100) % 100;
}

bool ResolveYear(const Number& year, int currentYear, int& result) {
  if (year.digits == 4) {
    result = year.value;
    return true;
  }
  if (year.digits <= 2) {
    result = WindowedYear(year.value, currentYear);
    return true;
  }
  return false;
}

bool IsDayOrMonth(const Number& n) {
  return n.digits <= 2;
}

bool MakeDate(const Number& year, const Number& month, const Number& day, int currentYear,
              CalendarDate& date) {
  if (!IsDayOrMonth(month) || !IsDayOrMonth(day) || !ResolveYear(year, currentYear, date.year)) {
    return false;
  }
  date.month = month.value;
  date.day = day.value;
  return IsValidDate(date.year, date.month, date.day);
}

// yyyy-M-d, whatever the locale; the year has been read.
bool ReadIsoDate(Scanner& s, const Number& year, CalendarDate& date) {
  Number month, day;
  if (!s.ReadNumber(month) || !s.Accept('-') || !s.ReadNumber(day)) {
    return false;
  }
  return MakeDate(year, month, day, 0, date);
}

// The first number has been read.
bool ReadRegionalDate(Scanner& s, const Number& first, const DateLayout& layout, int currentYear,
                      CalendarDate& date) {
  Number second, third;
  if (!AcceptDateSeparator(s, layout) || !s.ReadNumber(second)) {
    return false;
  }
  if (!AcceptDateSeparator(s, layout)) {
    // Two numbers: day and month of the current year, in the pattern's order.
    const Number year{currentYear, 4};
    return layout.order == DateOrder::kDayMonthYear
               ? MakeDate(year, second, first, currentYear, date)
               : MakeDate(year, first, second, currentYear, date);
  }
  if (!s.ReadNumber(third)) {
    return false;
  }
  switch (layout.order) {
    case DateOrder::kDayMonthYear:
      return MakeDate(third, second, first, currentYear, date);
    case DateOrder::kMonthDayYear:
      return MakeDate(third, first, second, currentYear, date);
    case DateOrder::kYearMonthDay:
      return MakeDate(first, second, third, currentYear, date);
  }
  return false;
}

// An ISO or a regional date; tells which it was.
bool ReadDate(Scanner& s, const DateLayout& layout, int currentYear, CalendarDate& date,
              bool& iso) {
  Number first;
  if (!s.ReadNumber(first)) {
    return false;
  }
  iso = first.digits == 4 && s.Accept('-');
  return iso ? ReadIsoDate(s, first, date) : ReadRegionalDate(s, first, layout, currentYear, date);
}

// The day number of a date already checked.
TDateTime DayNumberOf(const CalendarDate& date) {
  using namespace std::chrono;
  constexpr sys_days kEpoch = year{1899} / 12 / 30;
  const sys_days day = year{date.year} / date.month / date.day;
  return static_cast<TDateTime>((day - kEpoch).count());
}

// ---- times --------------------------------------------------------------------------------

bool AcceptTimeSeparator(Scanner& s, const FormatSettings& formats) {
  return s.AcceptEither(formats.TimeSeparator, ':');
}

// Milliseconds written as a fraction of a second: .5 is 500, .05 is 50, .005 is 5.
bool ReadMilliseconds(Scanner& s, const FormatSettings& formats, int& ms) {
  ms = 0;
  if (!s.AcceptEither('.', formats.DecimalSeparator)) {
    return true;
  }
  Number fraction;
  if (!s.ReadNumber(fraction) || fraction.digits > 3) {
    return false;
  }
  static constexpr int kScale[] = {0, 100, 10, 1};
  ms = fraction.value * kScale[fraction.digits];
  return true;
}

// Reads the morning or afternoon designator, if any; 0 none, 1 AM, 2 PM.
int ReadDesignator(Scanner& s, const FormatSettings& formats) {
  if (s.AcceptCaseless(formats.TimeAMString)) {
    return 1;
  }
  if (s.AcceptCaseless(formats.TimePMString)) {
    return 2;
  }
  return 0;
}

bool ApplyDesignator(int designator, int& hour) {
  if (designator == 0) {
    return true;
  }
  if (hour > 12) {
    return false;
  }
  hour %= 12;
  if (designator == 2) {
    hour += 12;
  }
  return true;
}

// h:mm with optional :ss, .zzz and a designator after optional blanks.
bool ReadTime(Scanner& s, const FormatSettings& formats, TDateTime& time) {
  Number hour, minute, second;
  int ms = 0;
  if (!s.ReadNumber(hour) || hour.digits > 2 || !AcceptTimeSeparator(s, formats) ||
      !s.ReadNumber(minute) || minute.digits > 2) {
    return false;
  }
  if (AcceptTimeSeparator(s, formats)) {
    if (!s.ReadNumber(second) || second.digits > 2 || !ReadMilliseconds(s, formats, ms)) {
      return false;
    }
  }
  s.SkipBlanks();
  const int designator = ReadDesignator(s, formats);
  if (designator != 0 && hour.value == 24) {
    return false;
  }
  int hour24 = hour.value;
  if (!ApplyDesignator(designator, hour24)) {
    return false;
  }
  return TryEncodeTime(hour24, minute.value, second.value, ms, time);
}

// ---- the common shape ----------------------------------------------------------------------

// The shape of nearly every text read by the million: day and month of one or two digits in
// the short date format's order with its separator, a four-digit year, then optionally blanks
// and H:mm or H:mm:ss. It is read straight through; any other text, and any text rejected
// here, is left to the general reading, which gives every text accepted here the same value.
struct CommonShape {
  CalendarDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class ShapeReader {
 public:
  explicit ShapeReader(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

  bool AtEnd() const { return p_ == end_; }

  bool Accept(char c) {
    if (p_ != end_ && *p_ == c) {
      ++p_;
      return true;
    }
    return false;
  }
  bool AcceptEither(char a, char b) {
    if (p_ != end_ && (*p_ == a || *p_ == b)) {
      ++p_;
      return true;
    }
    return false;
  }

  bool SkipBlanks() {
    const char* const start = p_;
    while (p_ != end_ && IsBlank(*p_)) {
      ++p_;
    }
    return p_ != start;
  }

  // One or two digits, not followed by a third.
  bool ReadShort(int& value) {
    if (p_ == end_ || !IsAsciiDigit(*p_)) {
      return false;
    }
    value = *p_++ - '0';
    if (p_ != end_ && IsAsciiDigit(*p_)) {
      value = value * 10 + (*p_++ - '0');
    }
    return p_ == end_ || !IsAsciiDigit(*p_);
  }

  // Exactly four digits.
  bool ReadYear(int& value) {
    if (end_ - p_ < 4) {
      return false;
    }
    value = 0;
    for (int i = 0; i < 4; ++i, ++p_) {
      if (!IsAsciiDigit(*p_)) {
        return false;
      }
      value = value * 10 + (*p_ - '0');
    }
    return p_ == end_ || !IsAsciiDigit(*p_);
  }

 private:
  const char* p_;
  const char* end_;
};

// What TryEncodeTime accepts without milliseconds.
bool IsClockTime(int hour, int minute, int second) {
  if (hour == 24) {
    return minute == 0 && second == 0;
  }
  return hour <= 23 && minute <= 59 && second <= 59;
}

// H:mm or H:mm:ss up to the end of the text, a valid clock time.
bool ReadClockTime(ShapeReader& r, char timeSeparator, CommonShape& shape) {
  shape.second = 0;
  if (!r.ReadShort(shape.hour) || !r.AcceptEither(timeSeparator, ':') ||
      !r.ReadShort(shape.minute)) {
    return false;
  }
  if (!r.AtEnd() &&
      (!r.AcceptEither(timeSeparator, ':') || !r.ReadShort(shape.second) || !r.AtEnd())) {
    return false;
  }
  return IsClockTime(shape.hour, shape.minute, shape.second);
}

bool ReadCommonShape(std::string_view text, const FormatSettings& formats, const DateLayout& layout,
                     CommonShape& shape) {
  const char separator = layout.separator;
  const char timeSeparator = formats.TimeSeparator;
  // Separators that are digits or blanks would read differently here than in general.
  if (layout.order == DateOrder::kYearMonthDay || !IsPunctuation(separator) ||
      !IsPunctuation(timeSeparator)) {
    return false;
  }
  ShapeReader r(text);
  int first = 0;
  int second = 0;
  CalendarDate& date = shape.date;
  if (!r.ReadShort(first) || !r.Accept(separator) || !r.ReadShort(second) || !r.Accept(separator) ||
      !r.ReadYear(date.year)) {
    return false;
  }
  date.day = layout.order == DateOrder::kDayMonthYear ? first : second;
  date.month = layout.order == DateOrder::kDayMonthYear ? second : first;
  if (!IsValidDate(date.year, date.month, date.day)) {
    return false;
  }
  shape.hour = shape.minute = shape.second = 0;
  if (r.AtEnd()) {
    return true;
  }
  return r.SkipBlanks() && ReadClockTime(r, timeSeparator, shape);
}

bool TryCommonShape(std::string_view text, const FormatSettings& formats, const DateLayout& layout,
                    TDateTime& result) {
  CommonShape shape;
  TDateTime time = 0;
  if (!ReadCommonShape(text, formats, layout, shape) ||
      !TryEncodeTime(shape.hour, shape.minute, shape.second, 0, time)) {
    return false;
  }
  result = CombineDateTime(DayNumberOf(shape.date), time);
  return true;
}

// A date, then the end or blanks (or a T after an ISO date) and a time.
bool TryDateAndTime(std::string_view text, const FormatSettings& formats, const DateLayout& layout,
                    int currentYear, TDateTime& result) {
  Scanner s(text);
  CalendarDate date;
  bool iso = false;
  if (!ReadDate(s, layout, currentYear, date, iso)) {
    return false;
  }
  const TDateTime day = DayNumberOf(date);
  if (s.AtEnd()) {
    result = day;
    return true;
  }
  if (s.SkipBlanks() == 0 && !(iso && s.Accept('T'))) {
    return false;
  }
  TDateTime time = 0;
  if (!ReadTime(s, formats, time) || !s.AtEnd()) {
    return false;
  }
  result = CombineDateTime(day, time);
  return true;
}

bool TryGeneralShape(std::string_view text, const FormatSettings& formats, const DateLayout& layout,
                     int currentYear, TDateTime& result) {
  text = TrimBlanks(text);
  if (TryDateAndTime(text, formats, layout, currentYear, result)) {
    return true;
  }
  Scanner s(text);
  TDateTime time = 0;
  if (ReadTime(s, formats, time) && s.AtEnd()) {
    result = time;
    return true;
  }
  return false;
}

// Whether a time alone of the HH:mm:ss shape can be read by position: neither date separator
// could be taken for a time separator, and the time separator is punctuation.
bool ReadsClockByPosition(const FormatSettings& formats, const DateLayout& layout) {
  const char timeSeparator = formats.TimeSeparator;
  for (const char dateSeparator : {layout.separator, layout.literalSeparator}) {
    if (dateSeparator == ':' || dateSeparator == timeSeparator) {
      return false;
    }
  }
  return IsPunctuation(timeSeparator);
}

// The two-digit fields of an HH:mm:ss text, each byte as a bit mask over eight bytes in
// memory order from the low bits up.
constexpr std::uint64_t kClockDigits = 0xFFFF00FFFF00FFFFULL;
constexpr std::uint64_t kClockDigitTops = kClockDigits & kByteTops;

// Whether the six digit places of aWord hold ASCII digits.
bool ClockDigitsAt(std::uint64_t aWord) {
  return (AsciiDigitTops(aWord) & kClockDigitTops) == kClockDigitTops;
}

// HH:mm:ss given as its eight bytes in one word, the first in the lowest bits: true when it
// has that shape and is a valid clock time.
bool ReadClockWord(std::uint64_t aWord, char timeSeparator, CommonShape& shape) {
  const auto separator = [aWord, timeSeparator](int i) {
    const auto c = static_cast<char>(aWord >> (8 * i));
    return c == ':' || c == timeSeparator;
  };
  if (!separator(2) || !separator(5) || !ClockDigitsAt(aWord)) {
    return false;
  }
  const std::uint64_t values = (aWord & kClockDigits) - (kEveryByte * '0' & kClockDigits);
  // The value of the two digits from place i on.
  const auto two = [values](int i) {
    return static_cast<int>((values >> (8 * i) & 0xFF) * 10 + (values >> (8 * i + 8) & 0xFF));
  };
  shape.hour = two(0);
  shape.minute = two(3);
  shape.second = two(6);
  return IsClockTime(shape.hour, shape.minute, shape.second);
}

// The eight bytes of a text of that length in one word, the first in the lowest bits.
std::uint64_t ClockWordOf(std::string_view text) {
  std::uint64_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, text.data(), sizeof word);
  } else {
    for (int i = 7; i >= 0; --i) {
      word = word << 8 | static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
    }
  }
  return word;
}

// A time alone, H:mm or H:mm:ss, as exports that keep the date in the file name write it;
// HH:mm:ss, the time most exports write, by position. Where a date could be written with ':' or
// the time separator, such a text may be a date: left to the general reading then.
bool ReadTimeAloneShape(std::string_view text, const FormatSettings& formats,
                        const DateLayout& layout, CommonShape& shape) {
  if (!ReadsClockByPosition(formats, layout)) {
    return false;
  }
  if (text.size() == 8 && ReadClockWord(ClockWordOf(text), formats.TimeSeparator, shape)) {
    return true;
  }
  ShapeReader r(text);
  return ReadClockTime(r, formats.TimeSeparator, shape);
}

// Milliseconds since midnight of a time of a common shape; 24:00 is midnight of the next day.
long long MillisecondsOf(const CommonShape& shape) {
  return shape.hour == 24 ? 0 : ((shape.hour * 60LL + shape.minute) * 60 + shape.second) * 1000;
}

// The value of a text of the common shape is a day number of at most seven digits plus the
// time as a fraction, which keeps the milliseconds exact: they can be had without it.
bool CommonTimeOfDayMs(std::string_view text, const FormatSettings& formats,
                       const DateLayout& layout, long long& ms) {
  // A time's first separator comes where a date's would: the one found there tells which shape
  // to try first.
  const std::size_t firstSeparator = text.size() > 1 && IsAsciiDigit(text[1]) ? 2 : 1;
  const bool timeFirst =
      text.size() > firstSeparator &&
      (text[firstSeparator] == ':' || text[firstSeparator] == formats.TimeSeparator);
  CommonShape shape;
  const bool read = timeFirst ? ReadTimeAloneShape(text, formats, layout, shape) ||
                                    ReadCommonShape(text, formats, layout, shape)
                              : ReadCommonShape(text, formats, layout, shape) ||
                                    ReadTimeAloneShape(text, formats, layout, shape);
  if (!read) {
    return false;
  }
  ms = MillisecondsOf(shape);
  return true;
}

}  // namespace

TDateLayout DateLayoutOf(const FormatSettings& formats) {
  return LayoutOfPattern(formats.ShortDateFormat, formats.DateSeparator);
}

TDateTextReader::TDateTextReader(const FormatSettings& aFormats, int aCurrentYear)
    : formats_(aFormats),
      layout_(DateLayoutOf(aFormats)),
      currentYear_(aCurrentYear),
      clockByPosition_(ReadsClockByPosition(formats_, layout_)) {}

bool TDateTextReader::TryStrToDateTime(std::string_view text, TDateTime& result) const {
  return TryCommonShape(text, formats_, layout_, result) ||
         TryGeneralShape(text, formats_, layout_, currentYear_, result);
}

bool TDateTextReader::TryGeneralStrToDateTime(std::string_view text, TDateTime& result) const {
  return TryGeneralShape(text, formats_, layout_, currentYear_, result);
}

bool TDateTextReader::TryClockWordMs(std::uint64_t word, long long& ms) const {
  CommonShape shape;
  if (!clockByPosition_ || !ReadClockWord(word, formats_.TimeSeparator, shape)) {
    return false;
  }
  ms = MillisecondsOf(shape);
  return true;
}

bool TDateTextReader::TryCommonTimeOfDayMs(std::string_view text, long long& ms) const {
  // What CommonTimeOfDayMs finds first for an HH:mm:ss text, without working out the layout's
  // separators again.
  if (text.size() == 8 && TryClockWordMs(ClockWordOf(text), ms)) {
    return true;
  }
  return CommonTimeOfDayMs(text, formats_, layout_, ms);
}

TDateTime TDateTextReader::StrToDateTime(std::string_view text) const {
  TDateTime result = 0;
  if (!TryStrToDateTime(text, result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  }
  return result;
}

bool TryStrToDateTime(std::string_view text, const FormatSettings& formats, int currentYear,
                      TDateTime& result) {
  const DateLayout layout = DateLayoutOf(formats);
  return TryCommonShape(text, formats, layout, result) ||
         TryGeneralShape(text, formats, layout, currentYear, result);
}

bool TryCommonTimeOfDayMs(std::string_view text, const FormatSettings& formats, long long& ms) {
  return CommonTimeOfDayMs(text, formats, DateLayoutOf(formats), ms);
}

// The common shape has a four-digit year and needs no reading of the clock.
TDateTime StrToDateTime(std::string_view text, const FormatSettings& formats) {
  const DateLayout layout = DateLayoutOf(formats);
  TDateTime result = 0;
  if (!TryCommonShape(text, formats, layout, result) &&
      !TryGeneralShape(text, formats, layout, CurrentYear(), result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  }
  return result;
}

}  // namespace melquon
