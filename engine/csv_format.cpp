#include "engine/csv_format.h"

#include <algorithm>

namespace melquon {

std::string InCsvFormat(std::string aText, const TCsvFormat& aFormat) {
  if (aFormat.Separator != ',')
    std::replace(aText.begin(), aText.end(), ',', aFormat.Separator);
  if (aFormat.Decimal != '.')
    std::replace(aText.begin(), aText.end(), '.', aFormat.Decimal);
  return aText;
}

}  // namespace melquon
