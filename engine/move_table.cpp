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
  if (aMove.DayIndex != datedDay_) {
    datedDay_ = aMove.DayIndex;
    dateText_ = IsoDateText(dateFrom_ + aMove.DayIndex);
  }
  AppendMoveRow(piece_, dateText_, MoveRowOf(aMove, aQuote));
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

TMoveRow MoveRowOf(const TCountedMove& aMove, const TCountedQuote& aQuote) {
  return {aMove.DayIndex, aMove.QuoteIndex, aQuote.TimeOfDayMs, aMove.IntervalValue,
          aMove.Count,    aMove.Descending, aMove.OldExtreme,   aMove.NewExtreme};
}

void AppendMoveRow(std::string& aText, std::string_view aDateText, const TMoveRow& aRow) {
  aText += aDateText;
  aText += ',';
  if (aRow.TimeOfDayMs >= 0) {
    aText += ClockMsText(aRow.TimeOfDayMs);
  }
  aText += ',';
  aText += IntToStr(aRow.QuoteIndex);
  aText += ',';
  aText += IntToStr(aRow.IntervalValue);
  aText += aRow.Descending ? ",down," : ",up,";
  aText += IntToStr(aRow.Count);
  aText += ',';
  aText += ShortestFloatText(aRow.OldExtreme);
  aText += ',';
  aText += ShortestFloatText(aRow.NewExtreme);
  aText += "\r\n";
}

std::string MoveTableCsv(TDateTime aDateFrom, const std::vector<TMoveRow>& aRows,
                         const std::vector<std::int32_t>& aShown) {
  std::string text(kMoveTableHeader);
  for (const std::int32_t index : aShown) {
    const TMoveRow& row = aRows[static_cast<std::size_t>(index)];
    AppendMoveRow(text, IsoDateText(aDateFrom + row.DayIndex), row);
  }
  return text;
}

void TMoveRowsCollector::RunStarted(TDateTime aDateFrom, std::int32_t) {
  dateFrom_ = aDateFrom;
  rows_.clear();
  total_ = 0;
}

void TMoveRowsCollector::MoveCounted(const TCountedMove& aMove, const TCountedQuote& aQuote) {
  ++total_;
  if (rows_.size() < mostKept_) {
    rows_.push_back(MoveRowOf(aMove, aQuote));
  }
}

}  // namespace melquon
