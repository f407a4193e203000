#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/measures.h"
#include "runtime/date_time.h"

namespace melquon {

class TVolatilityRes;

// A result as a day × interval matrix of counts, for drawing as a map: rows are calendar days,
// columns interval values in the result's order.
struct TResultMap {
  std::vector<TDateTime> Days;
  std::vector<std::int32_t> IntervalValues;
  // Whether each day had a day file; a day without one is drawn apart from a day of zeros.
  std::vector<bool> DayHasFile;
  // Row by row; of a difference map, current minus pinned.
  std::vector<std::int32_t> Counts;
  // Of a difference map: some days or interval values of either run are left out.
  bool PartlyShared = false;

  std::int32_t Count(std::size_t aDay, std::size_t aColumn) const {
    return Counts[aDay * IntervalValues.size() + aColumn];
  }
  // The measure of a cell as drawn: the exact product rounded once.
  double Value(std::size_t aDay, std::size_t aColumn, Measure aMeasure) const {
    return MeasureHeight(Count(aDay, aColumn), IntervalValues[aColumn], aMeasure);
  }
};

// aDayHasFile: one flag a day, or empty when not known (every day then counts as read).
TResultMap MapOf(const TVolatilityRes& aResult, const std::vector<bool>& aDayHasFile);

// aCurrent minus aPinned over the days (by date) and interval values both hold, in aCurrent's
// order; a day has a file when it had one in both runs. Differences of counts are clamped to the
// 32-bit range; the measures are linear in the count, so each is the difference of the measures.
TResultMap DifferenceMap(const TResultMap& aCurrent, const TResultMap& aPinned);

// The map as CSV: "date,interval,closed_positions,closed_points,square_factor,day_file" (the
// first three "..._change" of a difference map), a row for each day and interval value in
// order, day_file 1 or 0, CR LF.
std::string MapCsv(const TResultMap& aMap, bool aDifference);

// The whole period's closed points c·I and square factor c·I² against I: the scale signature.
struct TSignaturePoint {
  std::int32_t IntervalValue = 0;
  // Closed positions of the whole period.
  std::int32_t Count = 0;
  double ClosedPoints = 0.0;
  double SquareFactor = 0.0;
};
std::vector<TSignaturePoint> SignatureOf(const TVolatilityRes& aResult);
// "run,interval,closed_points,square_factor": the current run's rows, then the pinned one's.
std::string SignatureCsv(const std::vector<TSignaturePoint>& aCurrent,
                         const std::vector<TSignaturePoint>* aPinned);

}  // namespace melquon
