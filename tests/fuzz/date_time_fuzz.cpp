// A DT text read as the quote path reads it, in the home formats and in a month-first one; the
// shortcut for the common shape must agree with the general reader.
#include <cstdint>
#include <string_view>

#include "runtime/date_text.h"

namespace {

void Check(const melquon::TDateTextReader& aReader, std::string_view aText) {
  long long ms = -1;
  const bool common = aReader.TryCommonTimeOfDayMs(aText, ms);
  melquon::TDateTime general = 0;
  const bool read = aReader.TryGeneralStrToDateTime(aText, general);
  melquon::TDateTime value = 0;
  if (aReader.TryStrToDateTime(aText, value) != read || (read && value != general) ||
      (common && (!read || melquon::TimeOfDayMs(general) != ms))) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace melquon;
  static const TDateTextReader home(FormatSettings{}, 2009);
  static const TDateTextReader usa = [] {
    FormatSettings us;
    us.ShortDateFormat = "M/d/yyyy";
    us.DateSeparator = '/';
    us.LongTimeFormat = "h:mm:ss AM/PM";
    return TDateTextReader(us, 2009);
  }();
  const std::string_view text(reinterpret_cast<const char*>(aData), aSize);
  Check(home, text);
  Check(usa, text);
  return 0;
}
