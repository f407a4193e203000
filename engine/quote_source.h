#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/quote_items.h"
#include "engine/run_log.h"
#include "runtime/date_text.h"
#include "runtime/date_time.h"

namespace melquon {

struct TSettings;
class TRegExp;
class TSkipIntervals;
class TQuoteLines;

// Decimal text with "0" in front up to aWidth characters; a minus sign counts as one.
std::string IntToStrPad(std::int64_t aValue, int aWidth);

// FindWhat with its first "$CONTRACT" replaced by the contract: the pattern a run applies.
std::string ContractPattern(std::string_view aFindWhat, std::string_view aContract);

// ArchivePath followed by DataFileTemplate with $YY, $MM, $DD filled in (first occurrence of
// each, case-sensitive, in that order).
std::string GetDayFileName(const TSettings& aSettings, TDateTime aDate);

// The value of the first item NAME=value of a replaced line (items cut at "&", CR and LF,
// quoted stretches kept whole); empty when there is none.
std::string_view GetItemValue(std::string_view aText, std::string_view aName);

// Whether aText holds a byte that ends an item, starts a quote or names one: "&", CR, LF, a
// quote character or "=".
bool HasItemStop(std::string_view aText);

// The first CONTRACT and the first DT item of a replaced line, in one pass: each as
// GetItemValue finds it. Kept out of the read loop, which would otherwise set up its visitor
// on every call whether a line needs it or not.
[[gnu::noinline]] void ReadQuoteItems(std::string_view aText, std::string_view& aPrice,
                                      std::string_view& aDateTime);

// Optional leading spaces, sign, digits with an optional "." fraction, optional exponent,
// nothing after. False for any other text, the empty one included.
// aReadable, when more than the text's size, is how many bytes from aText.data() on may be read:
// the text may then be looked at eight bytes at a time.
bool TryReadPrice(std::string_view aText, double& aValue, std::size_t aReadable = 0);
// The same without the shortcut for plain prices of up to 15 digits: every text through
// std::from_chars. What the shortcut is held to.
bool TryReadPriceGeneral(std::string_view aText, double& aValue);

// What became of the lines a quote source read: each line counts once. "NoPrice" holds the lines
// of other contracts and those the pattern did not match as well as bad prices.
struct TQuoteStats {
  std::uint64_t Accepted = 0;
  // Passed over because their time of day lies in a skip window (tested before the price).
  std::uint64_t Skipped = 0;
  // Their DT text could not be read (a "GetNextQuote exception" line).
  std::uint64_t Unreadable = 0;
  std::uint64_t NoPrice = 0;
  // The first DT text that could not be read, and the first CONTRACT text that was no price.
  std::string FirstUnreadableDateTime;
  std::string FirstBadPrice;
  bool SawBadPrice = false;

  std::uint64_t Lines() const { return Accepted + Skipped + Unreadable + NoPrice; }
};

// Adds the figures of lines read after aTotal's; the first texts stay the earlier ones.
void AddStats(TQuoteStats& aTotal, const TQuoteStats& aLater);

// Reads the quotes of a day's lines: each line rewritten by the expression (FindWhat with the
// contract put in, ReplaceWith), its price and time of day read, lines inside a skip window
// passed over. Everything it reads besides the lines is given to it; a line that can't be read
// is reported to its run log.
class TQuoteSource {
 public:
  // The settings, the expression, the skip windows and the log must outlive the source; the
  // date texts are read in aDates' formats.
  TQuoteSource(const TSettings& aSettings, TRegExp& aRegExp, const TSkipIntervals& aSkipIntervals,
               const TDateTextReader& aDates, TRunLog& aLog);
  // The same in the program's current regional formats and year, reporting to its log.
  TQuoteSource(const TSettings& aSettings, TRegExp& aRegExp, const TSkipIntervals& aSkipIntervals);

  // Advances aQuoteIndex to the next accepted line before line aStopAt and reads its price.
  // False when there is none: aQuoteIndex is then aStopAt - 1, so that the next call goes on
  // at aStopAt. The caller sets aQuoteIndex to -1 before the first call of a day.
  bool NextQuote(const TQuoteLines& aQuoteSL, const std::string& aContract,
                 std::int32_t& aQuoteIndex, double& aQuoteValue, std::int64_t aStopAt);
  // The same in two halves for a reader whose settings stay as they are between calls: Prepare
  // looks at the settings and the contract once, NextPreparedQuote reads on with what it found
  // until the settings, the contract or the expression's pattern may have changed.
  void Prepare(const std::string& aContract);
  bool NextPreparedQuote(const TQuoteLines& aQuoteSL, std::int32_t& aQuoteIndex,
                         double& aQuoteValue, std::int64_t aStopAt);

  const TSettings& Settings() const { return settings_; }
  const TQuoteStats& Stats() const { return stats_; }
  // The figures since the last call, which start afresh: one day's when called after each day.
  TQuoteStats TakeStats() { return std::exchange(stats_, TQuoteStats{}); }
  // The time of day of the quote NextQuote last gave, in milliseconds since midnight; -1 when
  // its line had no DT item.
  std::int32_t QuoteTimeOfDayMs() const { return quoteTimeOfDayMs_; }
  // The time of day read from the DT item of the last line whose items were read, accepted or
  // not; -1 when it had none or it could not be read.
  std::int32_t LineTimeOfDayMs() const { return lineTimeOfDayMs_; }

 private:
  void SetContractPattern(const std::string& aContract);
  bool AcceptQuote(std::string_view aPriceText, std::size_t aPriceReadable,
                   std::string_view aDateTimeText, double& aQuoteValue);
  long long TimeOfDayOf(std::string_view aDateTimeText);
  void CountNoPrice(std::string_view aPriceText);

  const TSettings& settings_;
  TRegExp& regExp_;
  const TSkipIntervals& skipIntervals_;
  TDateTextReader dates_;
  TRunLog& log_;
  // Reused per line so that reading a line allocates nothing once warm.
  std::string utf8Buffer_;
  // FindWhat with the contract filled in, and what it was built from: it is rebuilt only when
  // one of them changes, and set again only when the expression's pattern changed since.
  std::string patternBuffer_;
  std::string patternFindWhat_;
  std::string patternContract_;
  std::uint64_t patternVersion_ = 0;
  bool patternSet_ = false;
  TQuoteItemReader items_;
  TQuoteStats stats_;
  std::int32_t quoteTimeOfDayMs_ = -1;
  std::int32_t lineTimeOfDayMs_ = -1;
  // The last clock word read and its time of day; read false until one was.
  struct ReadClock {
    std::uint64_t word = 0;
    long long ms = 0;
    bool read = false;
  };
  ReadClock lastClock_;
};

// Advances aQuoteIndex to the next accepted line and reads its price; false when the lines
// are exhausted. The caller sets aQuoteIndex to -1 before the first call of a day.
bool GetNextQuote(TQuoteSource& aSource, const TQuoteLines& aQuoteSL, const std::string& aContract,
                  std::int32_t& aQuoteIndex, double& aQuoteValue);

}  // namespace melquon
