// Reading the regional formats from the C library's locales without touching the process
// locale (no setlocale): each category is opened as its own locale object.

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/cp1251.h"
#include "runtime/formats.h"

namespace melquon {

namespace {

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsAsciiSeparator(char c) {
  return c > ' ' && c < 0x7F && !IsAsciiLetterOrDigit(c) && c != '\'' && c != '"';
}

// ---- strftime formats -------------------------------------------------------------------

// One piece of a strftime format: a conversion letter, or literal text (conversion 0).
struct FormatPiece {
  char conversion = 0;
  std::string_view literal;
};

// Splits a strftime format, skipping the GNU flags and the E and O modifiers.
class StrftimeReader {
 public:
  explicit StrftimeReader(std::string_view format) : format_(format) {}

  bool Next(FormatPiece& piece) {
    if (pos_ >= format_.size()) {
      return false;
    }
    if (format_[pos_] != '%') {
      const std::size_t end = std::min(format_.find('%', pos_), format_.size());
      piece = {0, format_.substr(pos_, end - pos_)};
      pos_ = end;
      return true;
    }
    ++pos_;
    while (pos_ < format_.size() &&
           std::string_view("-_0^#EO").find(format_[pos_]) != std::string_view::npos) {
      ++pos_;
    }
    piece = {pos_ < format_.size() ? format_[pos_] : '%', {}};
    ++pos_;
    if (piece.conversion == '%') {
      piece = {0, "%"};
    }
    return true;
  }

 private:
  std::string_view format_;
  std::size_t pos_ = 0;
};

// Replaces the composite conversions by their parts, so later steps see only fields.
std::string ExpandComposites(std::string_view format, std::string_view amPmFormat, int depth = 0) {
  std::string out;
  StrftimeReader reader(format);
  FormatPiece piece;
  while (reader.Next(piece)) {
    switch (piece.conversion) {
      case 0:
        out += piece.literal == "%" ? std::string_view("%%") : piece.literal;
        break;
      case 'D':
        out += "%m/%d/%y";
        break;
      case 'F':
        out += "%Y-%m-%d";
        break;
      case 'T':
        out += "%H:%M:%S";
        break;
      case 'R':
        out += "%H:%M";
        break;
      case 'r':
        if (depth == 0 && !amPmFormat.empty()) {
          out += ExpandComposites(amPmFormat, {}, depth + 1);
        } else {
          out += "%I:%M:%S %p";
        }
        break;
      case 'n':
      case 't':
        out += ' ';
        break;
      default:
        out += '%';
        out += piece.conversion;
        break;
    }
  }
  return out;
}

// ---- short date ---------------------------------------------------------------------------

struct DatePart {
  std::string pattern;
  char separator;
};

const char* DateFieldOf(char conversion) {
  switch (conversion) {
    case 'd':
    case 'e':
      return "dd";
    case 'm':
    case 'b':
    case 'B':
    case 'h':
      return "MM";
    case 'y':
    case 'Y':
      return "yyyy";
    default:
      return nullptr;
  }
}

char DateSeparatorOf(std::string_view literal) {
  for (char c : literal) {
    if (c == ' ') {
      continue;
    }
    return IsAsciiSeparator(c) ? c : '/';
  }
  return literal.empty() ? '/' : ' ';
}

std::optional<DatePart> TranslateDateFormat(std::string_view format) {
  const std::string expanded = ExpandComposites(format, {});
  StrftimeReader reader(expanded);
  FormatPiece piece;
  std::string fields[3];
  int count = 0;
  std::string_view firstSeparator;
  while (reader.Next(piece)) {
    if (piece.conversion == 0) {
      if (count == 1 && firstSeparator.empty()) {
        firstSeparator = piece.literal;
      }
      continue;
    }
    const char* field = DateFieldOf(piece.conversion);
    if (field == nullptr) {
      continue;  // week days, eras and the like have no place in a short date
    }
    if (count == 3 || fields[0] == field || fields[1] == field) {
      return std::nullopt;
    }
    fields[count++] = field;
  }
  if (count != 3) {
    return std::nullopt;
  }
  return DatePart{fields[0] + "/" + fields[1] + "/" + fields[2], DateSeparatorOf(firstSeparator)};
}

// ---- long time ----------------------------------------------------------------------------

struct TimePart {
  std::string pattern;
  char separator;
};

const char* TimeFieldOf(char conversion) {
  switch (conversion) {
    case 'H':
      return "HH";
    case 'k':
      return "H";
    case 'I':
      return "hh";
    case 'l':
      return "h";
    case 'M':
      return "mm";
    case 'S':
      return "ss";
    case 'p':
      return "AM/PM";
    case 'P':
      return "am/pm";
    default:
      return nullptr;
  }
}

bool IsHourConversion(char c) {
  return c == 'H' || c == 'k' || c == 'I' || c == 'l';
}

// The one character between the hour and the minutes, when it is a plain separator.
std::optional<char> TimeSeparatorOf(std::string_view format) {
  StrftimeReader reader(format);
  FormatPiece piece;
  bool afterHour = false;
  while (reader.Next(piece)) {
    if (afterHour) {
      if (piece.conversion == 0 && piece.literal.size() == 1 &&
          IsAsciiSeparator(piece.literal[0])) {
        return piece.literal[0];
      }
      return std::nullopt;
    }
    afterHour = IsHourConversion(piece.conversion);
  }
  return std::nullopt;
}

void AppendLiteral(std::string_view literal, std::optional<char> separator, std::string& out) {
  bool needsQuotes = false;
  for (char c : literal) {
    needsQuotes = needsQuotes || !(c == ' ' || (IsAsciiSeparator(c) && c != '/' && c != ':') ||
                                   (separator && c == *separator));
  }
  if (!needsQuotes) {
    for (char c : literal) {
      out += separator && c == *separator ? ':' : c;
    }
    return;
  }
  const char quote = literal.find('"') == std::string_view::npos ? '"' : '\'';
  out += quote;
  out += literal;
  out += quote;
}

std::optional<TimePart> TranslateTimeFormat(std::string_view format, std::string_view amPmFormat) {
  const std::string expanded = ExpandComposites(format, amPmFormat);
  const std::optional<char> separator = TimeSeparatorOf(expanded);
  StrftimeReader reader(expanded);
  FormatPiece piece;
  std::string pattern;
  bool hasHour = false;
  bool hasMinute = false;
  while (reader.Next(piece)) {
    if (piece.conversion == 0) {
      AppendLiteral(piece.literal, separator, pattern);
      continue;
    }
    const char* field = TimeFieldOf(piece.conversion);
    if (field != nullptr) {
      pattern += field;
      hasHour = hasHour || IsHourConversion(piece.conversion);
      hasMinute = hasMinute || piece.conversion == 'M';
    }
  }
  while (!pattern.empty() && pattern.back() == ' ') {
    pattern.pop_back();  // where a dropped time zone stood
  }
  if (!hasHour || !hasMinute) {
    return std::nullopt;
  }
  return TimePart{pattern, separator.value_or(':')};
}

// ---- locale objects -----------------------------------------------------------------------

class LocaleHandle {
 public:
  explicit LocaleHandle(const std::string& name)
      : locale_(newlocale(LC_ALL_MASK, name.c_str(), 0)) {}
  ~LocaleHandle() {
    if (locale_ != nullptr) {
      freelocale(locale_);
    }
  }
  LocaleHandle(const LocaleHandle&) = delete;
  LocaleHandle& operator=(const LocaleHandle&) = delete;

  explicit operator bool() const { return locale_ != nullptr; }
  const char* Item(nl_item item) const { return nl_langinfo_l(item, locale_); }

 private:
  locale_t locale_;
};

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (*this) {
      iconv_close(cd_);
    }
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  explicit operator bool() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsUtf8Name(std::string_view codeset) {
  return codeset == "UTF-8" || codeset == "utf8" || codeset == "UTF8" || codeset == "utf-8";
}

// Locale strings come in the locale's own character set; most locales are UTF-8 already.
std::string ToUtf8(std::string_view text, const char* codeset) {
  if (IsAscii(text) || IsUtf8Name(codeset)) {
    return std::string(text);
  }
  IconvHandle converter("UTF-8", codeset);
  if (!converter) {
    return std::string(text);
  }
  std::string out;
  std::string source(text);
  char* in = source.data();
  std::size_t inLeft = source.size();
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t done = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += '?';  // a byte the character set does not define
      ++in;
      --inLeft;
    }
  }
  return out;
}

bool IsPlainC(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.") ||
         name.starts_with("POSIX.");
}

// The locale name the C library would pick for a category, in its order of precedence.
std::string EnvironmentLocaleName(const char* category) {
  for (const char* variable : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      return value;
    }
  }
  return "C";
}

void ReadTimeTexts(const std::string& name, LocaleTexts& texts) {
  if (IsPlainC(name)) {
    return;
  }
  const LocaleHandle locale(name);
  if (!locale) {
    return;
  }
  const char* codeset = locale.Item(CODESET);
  texts.dateFormat = ToUtf8(locale.Item(D_FMT), codeset);
  texts.timeFormat = ToUtf8(locale.Item(T_FMT), codeset);
  texts.timeFormatAmPm = ToUtf8(locale.Item(T_FMT_AMPM), codeset);
  texts.amString = ToUtf8(locale.Item(AM_STR), codeset);
  texts.pmString = ToUtf8(locale.Item(PM_STR), codeset);
}

void ReadNumericTexts(const std::string& name, LocaleTexts& texts) {
  if (IsPlainC(name)) {
    return;
  }
  const LocaleHandle locale(name);
  if (locale) {
    texts.radixChar = locale.Item(RADIXCHAR);
  }
}

FormatSettings FormatsFromLocaleNames(const std::string& timeName, const std::string& numericName) {
  LocaleTexts texts;
  ReadTimeTexts(timeName, texts);
  ReadNumericTexts(numericName, texts);
  return FormatsFromLocaleTexts(texts);
}

}  // namespace

FormatSettings FormatsFromLocaleTexts(const LocaleTexts& texts) {
  FormatSettings formats;
  if (const auto date = TranslateDateFormat(texts.dateFormat)) {
    formats.ShortDateFormat = date->pattern;
    formats.DateSeparator = date->separator;
  }
  if (const auto time = TranslateTimeFormat(texts.timeFormat, texts.timeFormatAmPm)) {
    formats.LongTimeFormat = time->pattern;
    formats.TimeSeparator = time->separator;
  }
  // Locales without a morning/afternoon designator keep the home strings, which are only
  // shown by a pattern that asks for them.
  if (!texts.amString.empty() && !texts.pmString.empty()) {
    formats.TimeAMString = texts.amString;
    formats.TimePMString = texts.pmString;
  }
  if (texts.radixChar.size() == 1 && IsAsciiSeparator(texts.radixChar[0])) {
    formats.DecimalSeparator = texts.radixChar[0];
  }
  return formats;
}

FormatSettings FormatsFromLocaleName(const std::string& name) {
  return FormatsFromLocaleNames(name, name);
}

FormatSettings FormatsFromSystemLocale() {
  return FormatsFromLocaleNames(EnvironmentLocaleName("LC_TIME"),
                                EnvironmentLocaleName("LC_NUMERIC"));
}

}  // namespace melquon
