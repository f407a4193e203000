#include "cli/csv.h"

#include <gtest/gtest.h>

#include <climits>

#include "engine/volatility_res.h"

namespace melquon::cli {
namespace {

TEST(CsvTest, WholePeriodRowsThenOneRowPerDayAndInterval) {
  TVolatilityRes result(2, 39813.0, 500, 500, 2);  // 31 December 2008
  result.Items[0].Result = 3;
  result.Items[0].ResultPerDays = {1, 2};
  result.Items[1].Result = 1;
  result.Items[1].ResultPerDays = {0, 1};
  EXPECT_EQ(GetCsvText(result),
            "date,interval,closed_positions,closed_points,square_factor\r\n"
            "all,500,3,1500,750000\r\n"
            "all,1000,1,1000,1000000\r\n"
            "2008-12-31,500,1,500,250000\r\n"
            "2008-12-31,1000,0,0,0\r\n"
            "2009-01-01,500,2,1000,500000\r\n"
            "2009-01-01,1000,1,1000,1000000\r\n");
}

TEST(CsvTest, EmptySetsAndHugeProducts) {
  EXPECT_EQ(GetCsvText(TVolatilityRes(3, 39813.0, 500, 100, 0)),
            "date,interval,closed_positions,closed_points,square_factor\r\n");
  TVolatilityRes huge(0, 39813.0, INT_MAX, 1, 1);
  huge.Items[0].Result = INT_MAX;
  EXPECT_EQ(GetCsvText(huge),
            "date,interval,closed_positions,closed_points,square_factor\r\n"
            "all,2147483647,2147483647,4611686014132420609,9903520300447984150353281023\r\n");
}

}  // namespace
}  // namespace melquon::cli
