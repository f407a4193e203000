#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/run_observer.h"
#include "runtime/date_time.h"

namespace melquon {

// The table of counted moves as CSV: one row for every count, in the order of counting, with
// CR LF line ends.
inline constexpr std::string_view kMoveTableHeader =
    "date,time,line,interval,side,count,old_extreme,new_extreme\r\n";

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
  void AppendRow(const TCountedMove& aMove, const TCountedQuote& aQuote);

  TDateTime dateFrom_ = 0.0;
  Write write_;
  std::string piece_;
  std::int64_t rows_ = 0;
  // The date text of the day of the last row.
  std::int32_t datedDay_ = -1;
  std::string dateText_;
};

}  // namespace melquon
