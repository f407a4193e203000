#pragma once

#include <string>

namespace melquon {

class TVolatilityRes;

// The text report (UTF-8, CR LF line ends): whole period by interval, then by date.
void GetReportText(const TVolatilityRes& aResult, std::string& aText);
std::string GetReportText(const TVolatilityRes& aResult);

}  // namespace melquon
