#include "engine/report.h"

#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "engine/measures.h"
#include "engine/volatility_res.h"
#include "log/write_log.h"
#include "runtime/formats.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

__extension__ typedef unsigned __int128 UInt128;

void AppendIntervalLine(std::string& aText, std::int32_t aIntervalValue, std::int32_t aCount) {
  aText += "Интервал: ";
  aText += IntToStrLeft(aIntervalValue, 8);
  aText += "; закрыто позиций: ";
  aText += IntToStrLeft(aCount, 8);
  aText += "; закрыто пунктов: ";
  aText += IntToStrLeft(MeasureValue(aCount, aIntervalValue, Measure::ClosedPoints), 8);
  aText += "; КвадратФактор: ";
  aText += SquareFactorText(aCount, aIntervalValue);
  aText += "\r\n";
}

}  // namespace

// c x I x I leaves 64 bits only for absurd counts of huge intervals; the text then still
// shows the exact product instead of a wrapped one.
std::string SquareFactorText(std::int32_t aCount, std::int32_t aIntervalValue) {
  const Int128 square = SquareFactorExact(aCount, aIntervalValue);
  const bool negative = square < 0;
  UInt128 value = negative ? UInt128(0) - UInt128(square) : UInt128(square);
  if (value == 0) {
    return "0";
  }
  std::string digits;
  while (value != 0) {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  }
  return negative ? "-" + digits : digits;
}

void GetReportText(const TVolatilityRes& aResult, std::string& aText) {
  aText = "За весь период по интервалам:\r\n\r\n";
  for (const TVolatilityResItem& item : aResult.Items) {
    AppendIntervalLine(aText, item.IntervalValue, item.Result);
  }
  aText += "\r\nПо датам:\r\n";
  for (std::int32_t day = 0; day < aResult.DaysCount; ++day) {
    aText += "\r\n";
    aText += DateToStr(aResult.StartDate + day);
    aText += "\r\n";
    for (const TVolatilityResItem& item : aResult.Items) {
      AppendIntervalLine(aText, item.IntervalValue, item.ResultPerDays[day]);
    }
  }
}

std::string GetReportText(const TVolatilityRes& aResult) {
  std::string text;
  GetReportText(aResult, text);
  return text;
}

TReportFileStatus WriteReportFile(const TEngine& aEngine, const std::string& aReportText) {
  const std::string& name = aEngine.Settings.ReportFileName;
  const std::string path = name.empty() ? name : ResolveSettingsPath(aEngine.IniFileName, name);
  const int error = WriteLogReplacing(path, aReportText, 1);
  return {path.empty() ? LogFileName : path, error};
}

}  // namespace melquon
