#pragma once

#include <string>

namespace melquon {

class TVolatilityRes;
struct TEngine;

// The text report (UTF-8, CR LF line ends): whole period by interval, then by date.
void GetReportText(const TVolatilityRes& aResult, std::string& aText);
std::string GetReportText(const TVolatilityRes& aResult);

// Rewrites the report file named by the settings (relative names count from the settings
// file's folder) with the text and one line end. An empty ReportFileName means the log file.
void WriteReportFile(const TEngine& aEngine, const std::string& aReportText);

}  // namespace melquon
