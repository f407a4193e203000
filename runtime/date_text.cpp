#include "runtime/date_text.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "runtime/errors.h"
#include "runtime/local_clock.h"

// Runs once per quote line: everything works on views of the text and allocates nothing
// unless the text is rejected by StrToDateTime.

namespace melquon {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
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
    while (p != end && IsDigit(*p)) {
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

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// What the short date format says about reading dates.
struct DateLayout {
  DateOrder order = DateOrder::DayMonthYear;
  char separator = '.';
  char literalSeparator = '\0';  // a separator written literally in the pattern, if any
};

bool IsPunctuation(char c) {
  return c > ' ' && c < 0x7F && !IsDigit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z');
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
    layout.order = DateOrder::YearMonthDay;
  } else if (monthAt < dayAt) {
    layout.order = DateOrder::MonthDayYear;
  }
  return layout;
}

// The formats rarely change while texts are read by the million, so the layout of the
// last short date format seen is kept with a copy of that format.
class DateLayoutCache {
 public:
  const DateLayout& Get(const FormatSettings& formats) {
    const std::string_view pattern = formats.ShortDateFormat;
    if (!Holds(pattern, formats.DateSeparator)) {
      layout_ = LayoutOfPattern(pattern, formats.DateSeparator);
      length_ = pattern.size() <= sizeof pattern_ ? pattern.size() : kNotKept;
      if (length_ != kNotKept) {
        std::copy(pattern.begin(), pattern.end(), pattern_);
      }
    }
    return layout_;
  }

 private:
  static constexpr std::size_t kNotKept = ~std::size_t{0};

  bool Holds(std::string_view pattern, char separator) const {
    return length_ == pattern.size() && layout_.separator == separator &&
           std::equal(pattern.begin(), pattern.end(), pattern_);
  }

  char pattern_[32] = {};
  std::size_t length_ = kNotKept;
  DateLayout layout_;
};

const DateLayout& LayoutOf(const FormatSettings& formats) {
  thread_local DateLayoutCache cache;
  return cache.Get(formats);
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
    return layout.order == DateOrder::DayMonthYear
               ? MakeDate(year, second, first, currentYear, date)
               : MakeDate(year, first, second, currentYear, date);
  }
  if (!s.ReadNumber(third)) {
    return false;
  }
  switch (layout.order) {
    case DateOrder::DayMonthYear:
      return MakeDate(third, second, first, currentYear, date);
    case DateOrder::MonthDayYear:
      return MakeDate(third, first, second, currentYear, date);
    case DateOrder::YearMonthDay:
      return MakeDate(first, second, third, currentYear, date);
  }
  return false;
}

// An ISO or a regional date; tells which it was.
bool ReadDate(Scanner& s, const FormatSettings& formats, int currentYear, CalendarDate& date,
              bool& iso) {
  Number first;
  if (!s.ReadNumber(first)) {
    return false;
  }
  iso = first.digits == 4 && s.Accept('-');
  return iso ? ReadIsoDate(s, first, date)
             : ReadRegionalDate(s, first, LayoutOf(formats), currentYear, date);
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

TDateTime Combine(TDateTime date, TDateTime time) {
  if (time >= 1.0) {  // 24:00 is midnight of the next day
    date += 1.0;
    time = 0.0;
  }
  return date < 0 ? date - time : date + time;
}

// A date, then the end or blanks (or a T after an ISO date) and a time.
bool TryDateAndTime(std::string_view text, const FormatSettings& formats, int currentYear,
                    TDateTime& result) {
  Scanner s(text);
  CalendarDate date;
  bool iso = false;
  if (!ReadDate(s, formats, currentYear, date, iso)) {
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
  result = Combine(day, time);
  return true;
}

}  // namespace

bool TryStrToDateTime(std::string_view text, const FormatSettings& formats, int currentYear,
                      TDateTime& result) {
  text = TrimBlanks(text);
  if (TryDateAndTime(text, formats, currentYear, result)) {
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

TDateTime StrToDateTime(std::string_view text, const FormatSettings& formats) {
  TDateTime result = 0;
  if (!TryStrToDateTime(text, formats, CurrentYear(), result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  }
  return result;
}

}  // namespace melquon
