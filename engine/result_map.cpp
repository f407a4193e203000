#include "engine/result_map.h"

#include <algorithm>
#include <limits>
#include <map>

#include "engine/report.h"
#include "engine/volatility_res.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

std::int32_t ClampedDifference(std::int32_t aCurrent, std::int32_t aPinned) {
  const std::int64_t difference = std::int64_t{aCurrent} - aPinned;
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(difference, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()));
}

// For each of aValues the index of the same value in aOthers, in aValues' order; false for a
// value aOthers lacks.
template <typename Value>
std::vector<std::pair<std::size_t, std::size_t>> SharedIndexes(const std::vector<Value>& aValues,
                                                               const std::vector<Value>& aOthers) {
  std::map<Value, std::size_t> others;
  for (std::size_t i = 0; i < aOthers.size(); ++i)
    others.try_emplace(aOthers[i], i);
  std::vector<std::pair<std::size_t, std::size_t>> shared;
  for (std::size_t i = 0; i < aValues.size(); ++i) {
    if (const auto found = others.find(aValues[i]); found != others.end())
      shared.emplace_back(i, found->second);
  }
  return shared;
}

}  // namespace

TResultMap MapOf(const TVolatilityRes& aResult, const std::vector<bool>& aDayHasFile) {
  TResultMap map;
  const auto days = static_cast<std::size_t>(std::max(aResult.DaysCount, 0));
  for (std::size_t day = 0; day < days; ++day)
    map.Days.push_back(aResult.StartDate + static_cast<double>(day));
  for (const TVolatilityResItem& item : aResult.Items)
    map.IntervalValues.push_back(item.IntervalValue);
  map.DayHasFile = aDayHasFile.size() == days ? aDayHasFile : std::vector<bool>(days, true);
  map.Counts.reserve(days * aResult.Items.size());
  for (std::size_t day = 0; day < days; ++day) {
    for (const TVolatilityResItem& item : aResult.Items)
      map.Counts.push_back(item.ResultPerDays[day]);
  }
  return map;
}

TResultMap DifferenceMap(const TResultMap& aCurrent, const TResultMap& aPinned) {
  const auto days = SharedIndexes(aCurrent.Days, aPinned.Days);
  const auto columns = SharedIndexes(aCurrent.IntervalValues, aPinned.IntervalValues);
  TResultMap map;
  for (const auto& [current, pinned] : days) {
    map.Days.push_back(aCurrent.Days[current]);
    map.DayHasFile.push_back(aCurrent.DayHasFile[current] && aPinned.DayHasFile[pinned]);
  }
  for (const auto& [current, pinned] : columns)
    map.IntervalValues.push_back(aCurrent.IntervalValues[current]);
  for (const auto& [currentDay, pinnedDay] : days) {
    for (const auto& [currentColumn, pinnedColumn] : columns) {
      map.Counts.push_back(ClampedDifference(aCurrent.Count(currentDay, currentColumn),
                                             aPinned.Count(pinnedDay, pinnedColumn)));
    }
  }
  map.PartlyShared = days.size() != aCurrent.Days.size() || days.size() != aPinned.Days.size() ||
                     columns.size() != aCurrent.IntervalValues.size() ||
                     columns.size() != aPinned.IntervalValues.size();
  return map;
}

std::string MapCsv(const TResultMap& aMap, bool aDifference) {
  const std::string change = aDifference ? "_change" : "";
  std::string text = "date,interval,closed_positions" + change + ",closed_points" + change +
                     ",square_factor" + change + ",day_file\r\n";
  for (std::size_t day = 0; day < aMap.Days.size(); ++day) {
    const std::string date = IsoDateText(aMap.Days[day]);
    for (std::size_t column = 0; column < aMap.IntervalValues.size(); ++column) {
      const std::int32_t count = aMap.Count(day, column);
      const std::int32_t interval = aMap.IntervalValues[column];
      text += date + "," + IntToStr(interval) + "," + IntToStr(count) + "," +
              IntToStr(MeasureValue(count, interval, Measure::ClosedPoints)) + "," +
              SquareFactorText(count, interval) + (aMap.DayHasFile[day] ? ",1\r\n" : ",0\r\n");
    }
  }
  return text;
}

std::string SignatureCsv(const std::vector<TSignaturePoint>& aCurrent,
                         const std::vector<TSignaturePoint>* aPinned) {
  std::string text = "run,interval,closed_points,square_factor\r\n";
  const auto rows = [&text](const std::vector<TSignaturePoint>& aPoints, const char* aRun) {
    for (const TSignaturePoint& point : aPoints) {
      text += std::string(aRun) + "," + IntToStr(point.IntervalValue) + "," +
              IntToStr(MeasureValue(point.Count, point.IntervalValue, Measure::ClosedPoints)) +
              "," + SquareFactorText(point.Count, point.IntervalValue) + "\r\n";
    }
  };
  rows(aCurrent, "current");
  if (aPinned != nullptr)
    rows(*aPinned, "pinned");
  return text;
}

std::vector<TSignaturePoint> SignatureOf(const TVolatilityRes& aResult) {
  std::vector<TSignaturePoint> points;
  for (const TVolatilityResItem& item : aResult.Items) {
    points.push_back({item.IntervalValue, item.Result,
                      MeasureHeight(item.Result, item.IntervalValue, Measure::ClosedPoints),
                      MeasureHeight(item.Result, item.IntervalValue, Measure::SquareFactor)});
  }
  return points;
}

}  // namespace melquon
