#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/date_time.h"

namespace melquon {

struct TSettings;
class TRegExp;
class TSkipIntervals;
class TQuoteLines;

// Decimal text with "0" in front up to aWidth characters; a minus sign counts as one.
std::string IntToStrPad(std::int64_t aValue, int aWidth);

// ArchivePath followed by DataFileTemplate with $YY, $MM, $DD filled in (first occurrence of
// each, case-sensitive, in that order).
std::string GetDayFileName(const TSettings& aSettings, TDateTime aDate);

// The value of the first item NAME=value of a replaced line (items cut at "&", CR and LF,
// quoted stretches kept whole); empty when there is none.
std::string_view GetItemValue(std::string_view aText, std::string_view aName);

// Optional leading spaces, sign, digits with an optional "." fraction, optional exponent,
// nothing after. False for any other text, the empty one included.
bool TryReadPrice(std::string_view aText, double& aValue);

// What GetNextQuote works with besides the lines; all owned by the engine.
struct TQuoteSource {
  const TSettings& Settings;
  TRegExp& RegExp;
  const TSkipIntervals& SkipIntervals;
  // Reused per line so that reading a line allocates nothing once warm.
  std::string Utf8Buffer = {};
  // FindWhat with the contract filled in, and what it was built from: it is rebuilt only when
  // one of them changes, and set again only when the expression's pattern changed since.
  std::string PatternBuffer = {};
  std::string PatternFindWhat = {};
  std::string PatternContract = {};
  std::uint64_t PatternVersion = 0;
  bool PatternSet = false;
};

// Advances aQuoteIndex to the next accepted line and reads its price; false when the lines
// are exhausted. The caller sets aQuoteIndex to -1 before the first call of a day.
bool GetNextQuote(TQuoteSource& aSource, const TQuoteLines& aQuoteSL, const std::string& aContract,
                  std::int32_t& aQuoteIndex, double& aQuoteValue);

}  // namespace melquon
