#include "engine/move_table.h"

#include <utility>

#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;

}  // namespace

TMoveTableWriter::TMoveTableWriter(Write aWrite)
    : write_(std::move(aWrite)), piece_(kMoveTableHeader) {}

// The moves of day k are dated aDateFrom + k.
void TMoveTableWriter::RunStarted(TDateTime aDateFrom, std::int32_t) {
  dateFrom_ = aDateFrom;
  datedDay_ = -1;
}

void TMoveTableWriter::MoveCounted(const TCountedMove& aMove, const TCountedQuote& aQuote) {
  AppendRow(aMove, aQuote);
  ++rows_;
  if (piece_.size() >= kPieceBytes) {
    write_(piece_);
    piece_.clear();
  }
}

void TMoveTableWriter::RunDone() {
  write_(piece_);
  piece_.clear();
}

void TMoveTableWriter::AppendRow(const TCountedMove& aMove, const TCountedQuote& aQuote) {
  if (aMove.DayIndex != datedDay_) {
    datedDay_ = aMove.DayIndex;
    dateText_ = IsoDateText(dateFrom_ + aMove.DayIndex);
  }
  piece_ += dateText_;
  piece_ += ',';
  if (aQuote.TimeOfDayMs >= 0) {
    piece_ += ClockMsText(aQuote.TimeOfDayMs);
  }
  piece_ += ',';
  piece_ += IntToStr(aMove.QuoteIndex);
  piece_ += ',';
  piece_ += IntToStr(aMove.IntervalValue);
  piece_ += aMove.Descending ? ",down," : ",up,";
  piece_ += IntToStr(aMove.Count);
  piece_ += ',';
  piece_ += ShortestFloatText(aMove.OldExtreme);
  piece_ += ',';
  piece_ += ShortestFloatText(aMove.NewExtreme);
  piece_ += "\r\n";
}

}  // namespace melquon
