#pragma once

#include <string>

namespace melquon {

class TVolatilityRes;

// The report's figures as CSV (UTF-8, CR LF): a header, the whole-period rows with the date
// "all", then one row per day and interval value with the date as yyyy-mm-dd, in report order.
std::string GetCsvText(const TVolatilityRes& aResult);

}  // namespace melquon
