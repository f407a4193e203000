#include "engine/quote_source.h"

#include <array>
#include <charconv>
#include <exception>
#include <system_error>

#include "engine/quote_lines.h"
#include "engine/reg_exp.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "log/write_log.h"
#include "runtime/cp1251.h"
#include "runtime/date_text.h"
#include "runtime/formats.h"

namespace melquon {

namespace {

constexpr std::string_view kContractPlaceholder = "$CONTRACT";
constexpr std::string_view kPriceItem = "CONTRACT";
constexpr std::string_view kTimeItem = "DT";

// Replaces the first occurrence of aPlaceholder, case-sensitively.
void ReplaceFirst(std::string& aText, std::string_view aPlaceholder, std::string_view aValue) {
  const std::size_t at = aText.find(aPlaceholder);
  if (at != std::string::npos)
    aText.replace(at, aPlaceholder.size(), aValue);
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameNameIgnoringCase(std::string_view aLeft, std::string_view aRight) {
  if (aLeft.size() != aRight.size())
    return false;
  for (std::size_t i = 0; i < aLeft.size(); ++i) {
    if (AsciiUpper(aLeft[i]) != AsciiUpper(aRight[i]))
      return false;
  }
  return true;
}

bool IsItemEnd(char c) {
  return c == '&' || c == '\r' || c == '\n';
}

// The bytes at which the item scan has to stop and look: item ends and quotes.
constexpr std::array<bool, 256> kItemStops = [] {
  std::array<bool, 256> stops{};
  for (const unsigned char c : {'&', '\r', '\n', '"', '\''})
    stops[c] = true;
  return stops;
}();

// The end of the item that starts at aStart: the next "&", CR or LF outside quotes. A quote
// that is never closed runs to the end of the text.
std::size_t ItemEnd(std::string_view aText, std::size_t aStart) {
  std::size_t i = aStart;
  for (;;) {
    while (i < aText.size() && !kItemStops[static_cast<unsigned char>(aText[i])])
      ++i;
    if (i >= aText.size() || IsItemEnd(aText[i]))
      return i;
    const std::size_t close = aText.find(aText[i], i + 1);
    if (close == std::string_view::npos)
      return aText.size();
    i = close + 1;
  }
}

// Calls aVisit(name, value) for every item that has a "=", in order, until it returns true.
template <typename Visit>
void VisitItems(std::string_view aText, Visit&& aVisit) {
  // Without a "=" no item has a value; most lines of other contracts end here.
  if (aText.find('=') == std::string_view::npos)
    return;
  std::size_t start = 0;
  while (start < aText.size()) {
    const std::size_t end = ItemEnd(aText, start);
    const std::string_view item = aText.substr(start, end - start);
    const std::size_t equals = item.find('=');
    if (equals != std::string_view::npos &&
        aVisit(item.substr(0, equals), item.substr(equals + 1))) {
      return;
    }
    start = end + 1;
  }
}

// The CONTRACT and DT values of a replaced line in one pass, each as GetItemValue finds it.
void ReadQuoteItems(std::string_view aText, std::string_view& aPrice, std::string_view& aDateTime) {
  bool havePrice = false;
  bool haveDateTime = false;
  aPrice = {};
  aDateTime = {};
  VisitItems(aText, [&](std::string_view aName, std::string_view aValue) {
    if (!havePrice && SameNameIgnoringCase(aName, kPriceItem)) {
      aPrice = aValue;
      havePrice = true;
    } else if (!haveDateTime && SameNameIgnoringCase(aName, kTimeItem)) {
      aDateTime = aValue;
      haveDateTime = true;
    }
    return havePrice && haveDateTime;
  });
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view aText, std::size_t aAt) {
  while (aAt < aText.size() && IsDigit(aText[aAt]))
    ++aAt;
  return aAt;
}

// The length of the number at the start of aText in the price form (sign, digits with an
// optional "." fraction, optional exponent), or 0 when it does not start with one.
std::size_t PriceFormLength(std::string_view aText) {
  std::size_t i = 0;
  if (i < aText.size() && (aText[i] == '+' || aText[i] == '-'))
    ++i;
  const std::size_t integerEnd = SkipDigits(aText, i);
  std::size_t digitCount = integerEnd - i;
  std::size_t mantissaEnd = integerEnd;
  if (mantissaEnd < aText.size() && aText[mantissaEnd] == '.') {
    mantissaEnd = SkipDigits(aText, integerEnd + 1);
    digitCount += mantissaEnd - integerEnd - 1;
  }
  if (digitCount == 0)
    return 0;
  if (mantissaEnd < aText.size() && (aText[mantissaEnd] == 'e' || aText[mantissaEnd] == 'E')) {
    std::size_t exponent = mantissaEnd + 1;
    if (exponent < aText.size() && (aText[exponent] == '+' || aText[exponent] == '-'))
      ++exponent;
    const std::size_t exponentEnd = SkipDigits(aText, exponent);
    if (exponentEnd == exponent)
      return 0;
    return exponentEnd;
  }
  return mantissaEnd;
}

// The exponent of a price, saturated far beyond the range of a double.
long long ExponentValue(std::string_view aDigits) {
  const bool negative = !aDigits.empty() && aDigits[0] == '-';
  if (!aDigits.empty() && (aDigits[0] == '-' || aDigits[0] == '+'))
    aDigits.remove_prefix(1);
  long long value = 0;
  for (const char c : aDigits) {
    if (value < 1000000)
      value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// The power of ten of the first significant digit of an unsigned number in the price form;
// tells an out-of-range number that is too large from one that is too small.
long long DecimalOrder(std::string_view aNumber) {
  const std::size_t exponentAt = aNumber.find_first_of("eE");
  const std::string_view mantissa = aNumber.substr(0, exponentAt);
  const std::size_t point = mantissa.find('.');
  const std::string_view integer = mantissa.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
  long long order = 0;
  const std::size_t firstInInteger = integer.find_first_not_of('0');
  if (firstInInteger != std::string_view::npos) {
    order = static_cast<long long>(integer.size() - firstInInteger) - 1;
  } else {
    const std::size_t firstInFraction = fraction.find_first_not_of('0');
    if (firstInFraction == std::string_view::npos)
      return 0;
    order = -static_cast<long long>(firstInFraction) - 1;
  }
  if (exponentAt == std::string_view::npos)
    return order;
  return order + ExponentValue(aNumber.substr(exponentAt + 1));
}

// The time of day of a non-empty DT text, in milliseconds since midnight.
long long TimeOfDayOf(std::string_view aDateTimeText) {
  return TimeOfDayMs(StrToDateTime(aDateTimeText, RegionalFormats()));
}

// Reads the DT and CONTRACT items of one replaced line; true when the line gives a quote.
bool AcceptQuote(const TSkipIntervals& aSkipIntervals, std::string_view aPriceText,
                 std::string_view aDateTimeText, double& aQuoteValue) {
  try {
    const bool hasTime = !aDateTimeText.empty();
    const long long timeOfDay = hasTime ? TimeOfDayOf(aDateTimeText) : 0;
    const bool isNumber = TryReadPrice(aPriceText, aQuoteValue);
    // A line without a DT item has no time of day of its own and is not skip-tested.
    if (hasTime && aSkipIntervals.IsSkippedMs(timeOfDay))
      return false;
    return isNumber;
  } catch (const std::exception& e) {
    WriteLog("", "GetNextQuote exception " + std::string(e.what()), 1, false, true);
    return false;
  }
}

}  // namespace

std::string IntToStrPad(std::int64_t aValue, int aWidth) {
  std::string text = std::to_string(aValue);
  if (aWidth > 0 && text.size() < static_cast<std::size_t>(aWidth)) {
    text.insert(0, static_cast<std::size_t>(aWidth) - text.size(), '0');
  }
  return text;
}

std::string GetDayFileName(const TSettings& aSettings, TDateTime aDate) {
  const CalendarDate date = DecodeDate(aDate);
  std::string name = aSettings.DataFileTemplate;
  ReplaceFirst(name, "$YY", IntToStrPad(date.year - 2000, 2));
  ReplaceFirst(name, "$MM", IntToStrPad(date.month, 2));
  ReplaceFirst(name, "$DD", IntToStrPad(date.day, 2));
  return aSettings.ArchivePath + name;
}

std::string_view GetItemValue(std::string_view aText, std::string_view aName) {
  std::string_view value;
  VisitItems(aText, [&](std::string_view aItemName, std::string_view aValue) {
    if (!SameNameIgnoringCase(aItemName, aName))
      return false;
    value = aValue;
    return true;
  });
  return value;
}

bool TryReadPrice(std::string_view aText, double& aValue) {
  const std::size_t firstNonSpace = aText.find_first_not_of(' ');
  if (firstNonSpace == std::string_view::npos)
    return false;
  std::string_view number = aText.substr(firstNonSpace);
  if (PriceFormLength(number) != number.size())
    return false;

  const bool negative = number[0] == '-';
  if (number[0] == '-' || number[0] == '+')
    number.remove_prefix(1);
  double magnitude = 0.0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), magnitude);
  if (ec == std::errc::result_out_of_range) {
    // Too small to represent is zero; too large is not a price.
    if (DecimalOrder(number) > 0)
      return false;
    magnitude = 0.0;
  } else if (ec != std::errc() || end != number.data() + number.size()) {
    return false;
  }
  aValue = negative ? -magnitude : magnitude;
  return true;
}

bool GetNextQuote(TQuoteSource& aSource, const TQuoteLines& aQuoteSL, const std::string& aContract,
                  std::int32_t& aQuoteIndex, double& aQuoteValue) {
  ++aQuoteIndex;
  aSource.PatternBuffer.assign(aSource.Settings.FindWhat);
  ReplaceFirst(aSource.PatternBuffer, kContractPlaceholder, aContract);
  aSource.RegExp.SetPattern(aSource.PatternBuffer);

  const auto lineCount = static_cast<std::int64_t>(aQuoteSL.Count());
  for (; aQuoteIndex < lineCount; ++aQuoteIndex) {
    const std::string_view line = aQuoteSL.Line(static_cast<std::size_t>(aQuoteIndex));
    std::string_view text = line;
    if (!IsAscii(line)) {
      aSource.Utf8Buffer.clear();
      AppendCp1251AsUtf8(line, aSource.Utf8Buffer);
      text = aSource.Utf8Buffer;
    }
    // A line without a match is its own replacement. The text is ASCII or the converter's
    // output, valid UTF-8 either way.
    if (aSource.RegExp.ReplaceIfMatches(text, aSource.Settings.ReplaceWith, aSource.ReplacedBuffer,
                                        true)) {
      text = aSource.ReplacedBuffer;
    }
    std::string_view priceText;
    std::string_view dateTimeText;
    ReadQuoteItems(text, priceText, dateTimeText);
    if (AcceptQuote(aSource.SkipIntervals, priceText, dateTimeText, aQuoteValue))
      return true;
  }
  return false;
}

}  // namespace melquon
