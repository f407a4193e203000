#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_observer.h"
#include "runtime/date_time.h"

namespace melquon {

// The table of counted moves as CSV: one row for every count, in the order of counting, with
// CR LF line ends.
inline constexpr std::string_view kMoveTableHeader =
    "date,time,line,interval,side,count,old_extreme,new_extreme\r\n";

// One row of the table: a counted move and the line that made it.
struct TMoveRow {
  std::int32_t DayIndex = 0;
  std::int32_t QuoteIndex = 0;
  // -1: the line had no time of day.
  std::int32_t TimeOfDayMs = -1;
  std::int32_t IntervalValue = 0;
  std::int32_t Count = 0;
  bool Descending = true;
  double OldExtreme = 0.0;
  double NewExtreme = 0.0;
};

TMoveRow MoveRowOf(const TCountedMove& aMove, const TCountedQuote& aQuote);
// Appends the row's CSV line, dated aDateText (yyyy-mm-dd of its day).
void AppendMoveRow(std::string& aText, std::string_view aDateText, const TMoveRow& aRow);
// The header and the rows aRows[i] for each i of aShown, the moves of day k dated aDateFrom + k.
std::string MoveTableCsv(TDateTime aDateFrom, const std::vector<TMoveRow>& aRows,
                         const std::vector<std::int32_t>& aShown);

// Keeps the first aMostKept moves of a run, and counts them all: what the window shows.
class TMoveRowsCollector : public TRunObserver {
 public:
  explicit TMoveRowsCollector(std::size_t aMostKept) : mostKept_(aMostKept) {}

  void RunStarted(TDateTime aDateFrom, std::int32_t aDaysCount) override;
  void MoveCounted(const TCountedMove& aMove, const TCountedQuote& aQuote) override;

  TDateTime DateFrom() const { return dateFrom_; }
  const std::vector<TMoveRow>& Rows() const { return rows_; }
  std::int64_t Total() const { return total_; }

 private:
  std::size_t mostKept_;
  TDateTime dateFrom_ = 0.0;
  std::vector<TMoveRow> rows_;
  std::int64_t total_ = 0;
};

// Writes a run's table of moves as the moves are counted: the header and the rows are handed
// on in pieces of some tens of kilobytes, the last when the run is done, so that a run of
// millions of moves holds only one piece.
class TMoveTableWriter : public TRunObserver {
 public:
  using Write = std::function<void(std::string_view aBytes)>;

  explicit TMoveTableWriter(Write aWrite);

  void RunStarted(TDateTime aDateFrom, std::int32_t aDaysCount) override;
  void MoveCounted(const TCountedMove& aMove, const TCountedQuote& aQuote) override;
  void RunDone() override;

  std::int64_t Rows() const { return rows_; }

 private:
  TDateTime dateFrom_ = 0.0;
  Write write_;
  std::string piece_;
  std::int64_t rows_ = 0;
  // The date text of the day of the last row.
  std::int32_t datedDay_ = -1;
  std::string dateText_;
};

}  // namespace melquon
