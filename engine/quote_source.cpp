#include "engine/quote_source.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <system_error>

#include "engine/quote_lines.h"
#include "engine/reg_exp.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "log/write_log.h"
#include "runtime/ascii.h"
#include "runtime/cp1251.h"
#include "runtime/date_text.h"
#include "runtime/formats.h"
#include "runtime/local_clock.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::string_view kContractPlaceholder = "$CONTRACT";
// The item names CONTRACT and DT in lower case; names compare without regard to case.
constexpr char kPriceItem[] = "contract";
constexpr char kTimeItem[] = "dt";

// Replaces the first occurrence of aPlaceholder, case-sensitively.
void ReplaceFirst(std::string& aText, std::string_view aPlaceholder, std::string_view aValue) {
  const std::size_t at = aText.find(aPlaceholder);
  if (at != std::string::npos)
    aText.replace(at, aPlaceholder.size(), aValue);
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// aName is aLowerName, a word of up to eight ASCII letters, in any letter case. Setting the
// 0x20 bit of each byte turns exactly the two cases of a letter into the lower-case one.
template <std::size_t N>
bool IsLetterName(std::string_view aName, const char (&aLowerName)[N]) {
  constexpr std::size_t kLength = N - 1;
  static_assert(kLength >= 1 && kLength <= sizeof(std::uint64_t));
  constexpr std::uint64_t kCaseBits = 0x2020202020202020ULL >> (64 - 8 * kLength);
  if (aName.size() != kLength)
    return false;
  std::uint64_t name = 0;
  std::uint64_t lowerName = 0;
  std::memcpy(&name, aName.data(), kLength);
  std::memcpy(&lowerName, aLowerName, kLength);
  return (name | kCaseBits) == lowerName;
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

// What the item scan tells apart; every other byte is plain.
enum ItemByte : unsigned char { kPlainByte, kEqualsByte, kItemEndByte, kQuoteByte };

constexpr std::array<unsigned char, 256> kItemBytes = [] {
  std::array<unsigned char, 256> kinds{};
  kinds['='] = kEqualsByte;
  for (const unsigned char c : {'&', '\r', '\n'})
    kinds[c] = kItemEndByte;
  for (const unsigned char c : {'"', '\''})
    kinds[c] = kQuoteByte;
  return kinds;
}();

ItemByte KindOf(char c) {
  return static_cast<ItemByte>(kItemBytes[static_cast<unsigned char>(c)]);
}

// The high bit of each byte of aWord that may be more than plain: bytes below 0x0E, from '"'
// to '\'' and '='. Bytes above 0x7F never are. No carry crosses a byte.
std::uint64_t MayBeItemStops(std::uint64_t aWord) {
  const std::uint64_t low = aWord & kByteLows;
  const std::uint64_t belowCr = ~(low + kEveryByte * (0x80 - 0x0E));
  const std::uint64_t fromQuote = low + kEveryByte * (0x80 - '"');
  const std::uint64_t pastApostrophe = low + kEveryByte * (0x80 - '\'' - 1);
  const std::uint64_t isEquals = ~((low ^ (kEveryByte * '=')) + kByteLows);
  return (belowCr | (fromQuote & ~pastApostrophe) | isEquals) & ~aWord & kByteTops;
}

// The first byte from aFrom on that is not plain, or aEnd. Eight bytes at a time where a
// word's bytes lie in memory order from its low bits up.
const char* NextItemStop(const char* aFrom, const char* aEnd) {
  const char* p = aFrom;
  if constexpr (std::endian::native == std::endian::little) {
    for (; aEnd - p >= 8; p += 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      for (std::uint64_t stops = MayBeItemStops(word); stops != 0; stops &= stops - 1) {
        const char* const at = p + std::countr_zero(stops) / 8;
        if (KindOf(*at) != kPlainByte)
          return at;
      }
    }
  }
  while (p != aEnd && KindOf(*p) == kPlainByte)
    ++p;
  return p;
}

// Calls aVisit(name, value) for every item that has a "=", in order, until it returns true.
// Items end at the next "&", CR or LF outside quotes; a quote that is never closed runs to the
// end of the text. The name is what comes before the item's first "=", quoted or not.
template <typename Visit>
void VisitItems(std::string_view aText, Visit&& aVisit) {
  // Without a "=" no item has a value; most lines of other contracts end here.
  if (aText.find('=') == std::string_view::npos)
    return;
  const char* const end = aText.data() + aText.size();
  const char* p = aText.data();
  while (p != end) {
    const char* const itemStart = p;
    const char* equals = nullptr;
    while ((p = NextItemStop(p, end)) != end) {
      const ItemByte kind = KindOf(*p);
      if (kind == kEqualsByte) {
        equals = equals == nullptr ? p : equals;
        ++p;
      } else if (kind == kItemEndByte) {
        break;
      } else {
        const char quote = *p++;
        for (; p != end && *p != quote; ++p) {
          if (*p == '=' && equals == nullptr)
            equals = p;
        }
        if (p != end)
          ++p;
      }
    }
    if (equals != nullptr &&
        aVisit(std::string_view(itemStart, equals), std::string_view(equals + 1, p))) {
      return;
    }
    if (p != end)
      ++p;
  }
}

std::size_t SkipDigits(std::string_view aText, std::size_t aAt) {
  while (aAt < aText.size() && IsAsciiDigit(aText[aAt]))
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

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int kExactDigits = 15;

// Digits only, one to eight of them, at aDigits with eight bytes readable from there: their
// value without a loop. False for any other text.
bool TryReadEightDigitsAtOnce(const char* aDigits, std::size_t aCount, std::uint64_t& aValue) {
  if constexpr (std::endian::native != std::endian::little)
    return false;
  std::uint64_t word = 0;
  std::memcpy(&word, aDigits, sizeof word);
  // The text's bytes to the top of the word, zero bytes (leading zeros) below them.
  const auto padding = static_cast<unsigned>(8 * (8 - aCount));
  word <<= padding;
  const std::uint64_t kept = kByteTops << padding;
  if ((AsciiDigitTops(word) & kept) != kept)
    return false;
  std::uint64_t digits = word - ((kEveryByte * '0') << padding);
  digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFULL;
  digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFFULL;
  aValue = (digits * 10000 + (digits >> 32)) & 0xFFFFFFFFULL;
  return true;
}

// A price of sign, digits and an optional "." fraction, without exponent and with at most 15
// digits: the digits and the power of ten are then both exact, and one division rounds as
// std::from_chars does. False for any other text. aReadable bytes from aText.data() on may be
// read.
bool TryReadPlainPrice(std::string_view aText, double& aValue, std::size_t aReadable) {
  const char* p = aText.data();
  const char* const end = p + aText.size();
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+'))
    ++p;
  // A whole number of up to eight digits with eight bytes to read, the common price.
  const auto count = static_cast<std::size_t>(end - p);
  std::uint64_t whole = 0;
  if (count >= 1 && count <= 8 && aReadable - static_cast<std::size_t>(p - aText.data()) >= 8 &&
      TryReadEightDigitsAtOnce(p, count, whole)) {
    const auto magnitude = static_cast<double>(whole);
    aValue = negative ? -magnitude : magnitude;
    return true;
  }
  // Digits beyond the fifteenth may wrap the sum around; such a text is refused below.
  std::uint64_t digits = 0;
  const char* const integerStart = p;
  for (; p != end && IsAsciiDigit(*p); ++p)
    digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  const auto integerDigits = p - integerStart;
  std::ptrdiff_t fractionDigits = 0;
  if (p != end && *p == '.') {
    const char* const fractionStart = ++p;
    for (; p != end && IsAsciiDigit(*p); ++p)
      digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    fractionDigits = p - fractionStart;
  }
  const auto digitCount = integerDigits + fractionDigits;
  if (p != end || digitCount == 0 || digitCount > kExactDigits)
    return false;
  const double magnitude = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
  aValue = negative ? -magnitude : magnitude;
  return true;
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

// How many bytes from aPart.data() on may be read: up to the end of aWhole when aPart lies in it.
std::size_t ReadableWithin(std::string_view aPart, std::string_view aWhole) {
  const std::less_equal<const char*> notAfter;
  const char* const wholeEnd = aWhole.data() + aWhole.size();
  if (notAfter(aWhole.data(), aPart.data()) && notAfter(aPart.data() + aPart.size(), wholeEnd))
    return static_cast<std::size_t>(wholeEnd - aPart.data());
  return aPart.size();
}

}  // namespace

bool HasItemStop(std::string_view aText) {
  const char* const end = aText.data() + aText.size();
  return NextItemStop(aText.data(), end) != end;
}

// The CONTRACT and DT values of a replaced line in one pass, each as GetItemValue finds it.
void ReadQuoteItems(std::string_view aText, std::string_view& aPrice, std::string_view& aDateTime) {
  bool havePrice = false;
  bool haveDateTime = false;
  aPrice = {};
  aDateTime = {};
  VisitItems(aText, [&](std::string_view aName, std::string_view aValue) {
    if (!havePrice && IsLetterName(aName, kPriceItem)) {
      aPrice = aValue;
      havePrice = true;
    } else if (!haveDateTime && IsLetterName(aName, kTimeItem)) {
      aDateTime = aValue;
      haveDateTime = true;
    }
    return havePrice && haveDateTime;
  });
}

std::string ContractPattern(std::string_view aFindWhat, std::string_view aContract) {
  std::string pattern(aFindWhat);
  ReplaceFirst(pattern, kContractPlaceholder, aContract);
  return pattern;
}

std::string IntToStrPad(std::int64_t aValue, int aWidth) {
  std::string text = IntToStr(aValue);
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

bool TryReadPrice(std::string_view aText, double& aValue, std::size_t aReadable) {
  std::string_view number = aText;
  while (!number.empty() && number.front() == ' ')
    number.remove_prefix(1);
  const std::size_t readable =
      std::max(aReadable, aText.size()) - static_cast<std::size_t>(number.data() - aText.data());
  return TryReadPlainPrice(number, aValue, readable) || TryReadPriceGeneral(number, aValue);
}

bool TryReadPriceGeneral(std::string_view aText, double& aValue) {
  std::string_view number = aText;
  while (!number.empty() && number.front() == ' ')
    number.remove_prefix(1);
  if (number.empty() || PriceFormLength(number) != number.size())
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

TQuoteSource::TQuoteSource(const TSettings& aSettings, TRegExp& aRegExp,
                           const TSkipIntervals& aSkipIntervals, const TDateTextReader& aDates,
                           TRunLog& aLog)
    : settings_(aSettings),
      regExp_(aRegExp),
      skipIntervals_(aSkipIntervals),
      dates_(aDates),
      log_(aLog) {}

TQuoteSource::TQuoteSource(const TSettings& aSettings, TRegExp& aRegExp,
                           const TSkipIntervals& aSkipIntervals)
    : TQuoteSource(aSettings, aRegExp, aSkipIntervals,
                   TDateTextReader(RegionalFormats(), CurrentYear()), ProgramRunLog()) {}

// The time of day of a non-empty DT text, in milliseconds since midnight; read from the word
// the item reader put it together in where it could.
long long TQuoteSource::TimeOfDayOf(std::string_view aDateTimeText) {
  long long ms = 0;
  std::uint64_t clock = 0;
  if (items_.DateTimeClock(clock)) {
    // Ticks come dozens to a second: a clock read for the line before is not read again.
    if (clock == lastClock_.word && lastClock_.read)
      return lastClock_.ms;
    if (dates_.TryClockWordMs(clock, ms)) {
      lastClock_ = {clock, ms, true};
      return ms;
    }
  }
  if (dates_.TryCommonTimeOfDayMs(aDateTimeText, ms))
    return ms;
  return TimeOfDayMs(dates_.StrToDateTime(aDateTimeText));
}

// Reads the DT and CONTRACT items of one replaced line; true when the line gives a quote.
bool TQuoteSource::AcceptQuote(std::string_view aPriceText, std::size_t aPriceReadable,
                               std::string_view aDateTimeText, double& aQuoteValue) {
  try {
    const bool hasTime = !aDateTimeText.empty();
    lineTimeOfDayMs_ = -1;
    const long long timeOfDay = hasTime ? TimeOfDayOf(aDateTimeText) : 0;
    lineTimeOfDayMs_ = hasTime ? static_cast<std::int32_t>(timeOfDay) : -1;
    const bool isNumber = TryReadPrice(aPriceText, aQuoteValue, aPriceReadable);
    // A line without a DT item has no time of day of its own and is not skip-tested.
    if (hasTime && skipIntervals_.IsSkippedMs(timeOfDay)) {
      ++stats_.Skipped;
      return false;
    }
    if (!isNumber) {
      CountNoPrice(aPriceText);
      return false;
    }
    ++stats_.Accepted;
    quoteTimeOfDayMs_ = hasTime ? static_cast<std::int32_t>(timeOfDay) : -1;
    return true;
  } catch (const std::exception& e) {
    if (stats_.Unreadable++ == 0)
      stats_.FirstUnreadableDateTime = aDateTimeText;
    if (log_.Passes(1))
      log_.Line(1, "GetNextQuote exception " + std::string(e.what()), false);
    return false;
  }
}

void AddStats(TQuoteStats& aTotal, const TQuoteStats& aLater) {
  if (aTotal.Unreadable == 0 && aLater.Unreadable != 0)
    aTotal.FirstUnreadableDateTime = aLater.FirstUnreadableDateTime;
  if (!aTotal.SawBadPrice && aLater.SawBadPrice) {
    aTotal.SawBadPrice = true;
    aTotal.FirstBadPrice = aLater.FirstBadPrice;
  }
  aTotal.Accepted += aLater.Accepted;
  aTotal.Skipped += aLater.Skipped;
  aTotal.Unreadable += aLater.Unreadable;
  aTotal.NoPrice += aLater.NoPrice;
}

void TQuoteSource::CountNoPrice(std::string_view aPriceText) {
  ++stats_.NoPrice;
  if (!stats_.SawBadPrice && !aPriceText.empty()) {
    stats_.SawBadPrice = true;
    stats_.FirstBadPrice = aPriceText;
  }
}

// FindWhat with the contract put in, as the pattern of the regular expression.
void TQuoteSource::SetContractPattern(const std::string& aContract) {
  const std::string& findWhat = settings_.FindWhat;
  const bool rebuild = findWhat != patternFindWhat_ || aContract != patternContract_;
  if (rebuild) {
    patternFindWhat_ = findWhat;
    patternContract_ = aContract;
    patternBuffer_ = ContractPattern(findWhat, aContract);
  }
  if (rebuild || !patternSet_ || regExp_.PatternVersion() != patternVersion_) {
    regExp_.SetPattern(patternBuffer_);
    patternVersion_ = regExp_.PatternVersion();
    patternSet_ = true;
  }
}

void TQuoteSource::Prepare(const std::string& aContract) {
  SetContractPattern(aContract);
  items_.Prepare(regExp_, settings_.ReplaceWith);
}

bool TQuoteSource::NextQuote(const TQuoteLines& aQuoteSL, const std::string& aContract,
                             std::int32_t& aQuoteIndex, double& aQuoteValue, std::int64_t aStopAt) {
  Prepare(aContract);
  return NextPreparedQuote(aQuoteSL, aQuoteIndex, aQuoteValue, aStopAt);
}

bool TQuoteSource::NextPreparedQuote(const TQuoteLines& aQuoteSL, std::int32_t& aQuoteIndex,
                                     double& aQuoteValue, std::int64_t aStopAt) {
  ++aQuoteIndex;

  const auto lineCount = std::min(static_cast<std::int64_t>(aQuoteSL.Count()), aStopAt);
  const bool allAscii = aQuoteSL.AllAscii();
  const bool mayHoldEquals = aQuoteSL.HoldsEquals();
  for (; aQuoteIndex < lineCount; ++aQuoteIndex) {
    std::string_view text = aQuoteSL.Line(static_cast<std::size_t>(aQuoteIndex));
    if (!allAscii && !IsAscii(text)) {
      utf8Buffer_.clear();
      AppendCp1251AsUtf8(text, utf8Buffer_);
      text = utf8Buffer_;
    }
    // A line without a match is its own replacement. The text is ASCII or the converter's
    // output, valid UTF-8 either way.
    std::string_view priceText;
    std::string_view dateTimeText;
    items_.Read(regExp_, text, settings_.ReplaceWith, priceText, dateTimeText, mayHoldEquals);
    // Neither item: nothing to read, nothing to report.
    if (priceText.empty() && dateTimeText.empty()) {
      ++stats_.NoPrice;
      continue;
    }
    if (AcceptQuote(priceText, ReadableWithin(priceText, text), dateTimeText, aQuoteValue))
      return true;
  }
  // Stopped short of the end: the next call goes on at aStopAt.
  if (aStopAt < static_cast<std::int64_t>(aQuoteSL.Count()))
    aQuoteIndex = static_cast<std::int32_t>(aStopAt - 1);
  return false;
}

bool GetNextQuote(TQuoteSource& aSource, const TQuoteLines& aQuoteSL, const std::string& aContract,
                  std::int32_t& aQuoteIndex, double& aQuoteValue) {
  return aSource.NextQuote(aQuoteSL, aContract, aQuoteIndex, aQuoteValue,
                           static_cast<std::int64_t>(aQuoteSL.Count()));
}

}  // namespace melquon
