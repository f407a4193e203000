// The map and the scale signature as values, without drawing.
#include "engine/result_map.h"

#include <gtest/gtest.h>

#include "engine/volatility_res.h"

namespace melquon {
namespace {

const TDateTime kJan12 = 39825.0;

// Counts day by day, one list of interval values a day.
std::unique_ptr<TVolatilityRes> ResultOf(TDateTime aFirstDay, std::int32_t aFrom,
                                         std::vector<std::vector<std::int32_t>> aDays) {
  const auto values = static_cast<std::int32_t>(aDays.front().size());
  auto result = std::make_unique<TVolatilityRes>(static_cast<std::int32_t>(aDays.size()), aFirstDay,
                                                 aFrom, 100, values);
  for (std::size_t day = 0; day < aDays.size(); ++day) {
    for (std::int32_t i = 0; i < values; ++i) {
      result->Items[i].ResultPerDays[day] = aDays[day][i];
      result->Items[i].Result += aDays[day][i];
    }
  }
  return result;
}

TEST(ResultMapTest, DaysDownIntervalsAcrossAndTheDifferenceOnWhatBothHold) {
  const auto current = ResultOf(kJan12, 500, {{1, 2, 3}, {0, 0, 0}, {4, 5, 6}});
  const TResultMap map = MapOf(*current, {true, false, true});
  EXPECT_EQ(map.Days, (std::vector{kJan12, kJan12 + 1, kJan12 + 2}));
  EXPECT_EQ(map.IntervalValues, (std::vector{500, 600, 700}));
  EXPECT_EQ(map.Count(2, 1), 5);
  EXPECT_EQ(map.Value(2, 1, Measure::SquareFactor), 5.0 * 600 * 600);
  EXPECT_EQ(MapOf(*current, {}).DayHasFile, std::vector<bool>(3, true));

  // Pinned: 13 and 14 January, 600 to 800.
  const auto pinned = ResultOf(kJan12 + 1, 600, {{7, 1, 9}, {2, 2, 2}});
  const TResultMap difference = DifferenceMap(map, MapOf(*pinned, {true, true}));
  EXPECT_EQ(difference.Days, (std::vector{kJan12 + 1, kJan12 + 2}));
  EXPECT_EQ(difference.IntervalValues, (std::vector{600, 700}));
  EXPECT_EQ(difference.Counts, (std::vector{0 - 7, 0 - 1, 5 - 2, 6 - 2}));
  EXPECT_EQ(difference.DayHasFile, (std::vector{false, true}));
  EXPECT_TRUE(difference.PartlyShared);
  EXPECT_EQ(difference.Value(0, 0, Measure::ClosedPoints), -7.0 * 600);
  EXPECT_FALSE(DifferenceMap(map, map).PartlyShared);
  EXPECT_EQ(MapCsv(difference, true),
            "date,interval,closed_positions_change,closed_points_change,square_factor_change,"
            "day_file\r\n2009-01-13,600,-7,-4200,-2520000,0\r\n2009-01-13,700,-1,-700,-490000,0\r\n"
            "2009-01-14,600,3,1800,1080000,1\r\n2009-01-14,700,4,2800,1960000,1\r\n");
  EXPECT_EQ(MapCsv(map, false).substr(0, 71),
            "date,interval,closed_positions,closed_points,square_factor,day_file\r\n20");
  EXPECT_EQ(DifferenceMap(map, map).Counts, std::vector<std::int32_t>(9, 0));
}

TEST(ResultMapTest, SignatureIsTheWholePeriodsPointsAndSquareFactor) {
  const auto result = ResultOf(kJan12, 500, {{1, 2}, {3, 0}});
  const std::vector<TSignaturePoint> signature = SignatureOf(*result);
  ASSERT_EQ(signature.size(), 2u);
  EXPECT_EQ(signature[0].IntervalValue, 500);
  EXPECT_EQ(signature[0].ClosedPoints, 4.0 * 500);
  EXPECT_EQ(signature[1].SquareFactor, 2.0 * 600 * 600);
  EXPECT_EQ(SignatureCsv(signature, &signature),
            "run,interval,closed_points,square_factor\r\ncurrent,500,2000,1000000\r\n"
            "current,600,1200,720000\r\npinned,500,2000,1000000\r\npinned,600,1200,720000\r\n");
}

// The largest map the window is asked to draw: every cell in place.
TEST(ResultMapTest, AMapOfTwoThousandValuesOverTwoHundredFiftyDays) {
  TVolatilityRes result(250, kJan12, 1, 1, 2000);
  result.Items[1999].ResultPerDays[249] = 42;
  const TResultMap map = MapOf(result, {});
  EXPECT_EQ(map.Counts.size(), 500000u);
  EXPECT_EQ(map.Count(249, 1999), 42);
  EXPECT_EQ(map.IntervalValues.back(), 2000);
}

}  // namespace
}  // namespace melquon
