#pragma once

#include <cstdint>
#include <string>

namespace melquon {

class TVolatilityRes;
struct TEngine;

// The text report (UTF-8, CR LF line ends): whole period by interval, then by date.
void GetReportText(const TVolatilityRes& aResult, std::string& aText);
std::string GetReportText(const TVolatilityRes& aResult);

// c x I x I in decimal, exact even where it leaves 64 bits.
std::string SquareFactorText(std::int32_t aCount, std::int32_t aIntervalValue);

// Replaces the report file named by the settings (relative names count from the settings
// file's folder) with the text and one line end, whole or not at all. An empty ReportFileName
// means the log file.
// A failure is shown as every log write shows it, and also returned: the file written, and 0 or
// the error number of the first step that failed.
struct TReportFileStatus {
  std::string FileName;
  int Error = 0;
};
TReportFileStatus WriteReportFile(const TEngine& aEngine, const std::string& aReportText);

}  // namespace melquon
