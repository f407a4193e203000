#include "engine/result_csv.h"

#include <cstdint>

#include "engine/measures.h"
#include "engine/report.h"
#include "engine/volatility_res.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

void AppendRow(std::string& aText, const std::string& aDate, std::int32_t aIntervalValue,
               std::int32_t aCount) {
  aText += aDate;
  aText += ',';
  aText += IntToStr(aIntervalValue);
  aText += ',';
  aText += IntToStr(aCount);
  aText += ',';
  aText += IntToStr(MeasureValue(aCount, aIntervalValue, Measure::ClosedPoints));
  aText += ',';
  aText += SquareFactorText(aCount, aIntervalValue);
  aText += "\r\n";
}

}  // namespace

std::string GetCsvText(const TVolatilityRes& aResult) {
  std::string text = "date,interval,closed_positions,closed_points,square_factor\r\n";
  for (const TVolatilityResItem& item : aResult.Items) {
    AppendRow(text, "all", item.IntervalValue, item.Result);
  }
  for (std::int32_t day = 0; day < aResult.DaysCount; ++day) {
    const std::string date = IsoDateText(aResult.StartDate + day);
    for (const TVolatilityResItem& item : aResult.Items) {
      AppendRow(text, date, item.IntervalValue, item.ResultPerDays[day]);
    }
  }
  return text;
}

}  // namespace melquon
