#include <QComboBox>
#include <QToolButton>
#include <cmath>

#include "engine/engine.h"
#include "runtime/number_text.h"
#include "ui/date_picker.h"
#include "ui/main_form.h"

namespace melquon {

namespace {

void AddBar(TChartAdapter& aChart, double aX, std::int32_t aCount, std::int32_t aIntervalValue,
            Measure aMeasure) {
  aChart.AddPoint(aX, MeasureHeight(aCount, aIntervalValue, aMeasure), "", kSeriesColor);
}

}  // namespace

void TfrmMain::tsGraphShow() {
  const TVolatilityRes* result = Engine().CurrentResult.get();
  if (result == nullptr) {
    tsGraph->setEnabled(false);
    return;
  }
  tsGraph->setEnabled(true);
  dtpForDate->SetDateTimeValue(result->StartDate);
  cbByInterval->clear();
  for (const TVolatilityResItem& item : result->Items) {
    cbByInterval->addItem(QString::fromStdString(IntToStr(item.IntervalValue)));
  }
  cbByInterval->setCurrentIndex(cbByInterval->count() > 0 ? 0 : -1);
}

void TfrmMain::sbtnForDateClick() {
  SetChoosersEnabled(true, false);
}

void TfrmMain::sbtnAllPeriodClick() {
  SetChoosersEnabled(false, false);
}

void TfrmMain::sbtnIntervalByDatesClick() {
  SetChoosersEnabled(false, true);
}

void TfrmMain::SetChoosersEnabled(bool aForDate, bool aByInterval) {
  dtpForDate->setEnabled(aForDate);
  cbByInterval->setEnabled(aByInterval);
}

void TfrmMain::acRefreshGraphExecute() {
  const TVolatilityRes* result = Engine().CurrentResult.get();
  if (result == nullptr) {
    return;
  }
  PutForDateIntoRun(*result);
  // The bars reach the drawing at once at the end: time linear in the bars.
  chart_->BeginUpdate();
  chart_->Clear();
  const Measure measure = ChosenMeasure();
  if (sbtnForDate->isChecked()) {
    DrawSingleDay(*result, measure);
  } else if (sbtnAllPeriod->isChecked()) {
    DrawWholePeriod(*result, measure);
  } else if (sbtnIntervalByDates->isChecked()) {
    DrawByDay(*result, measure);
  }
  chart_->EndUpdate();
}

Measure TfrmMain::ChosenMeasure() const {
  if (sbtnClosedSumm->isChecked()) {
    return Measure::ClosedPoints;
  }
  if (sbtnKFactor->isChecked()) {
    return Measure::SquareFactor;
  }
  return Measure::ClosedPositions;
}

void TfrmMain::PutForDateIntoRun(const TVolatilityRes& aResult) {
  const TDateTime forDate = dtpForDate->DateTimeValue();
  if (forDate < aResult.StartDate || forDate >= aResult.StartDate + aResult.DaysCount) {
    dtpForDate->SetDateTimeValue(aResult.StartDate);
  }
}

void TfrmMain::DrawSingleDay(const TVolatilityRes& aResult, Measure aMeasure) {
  chart_->SetXDateTime(false);
  const double day = std::trunc(dtpForDate->DateTimeValue() - aResult.StartDate);
  // A run without days has no count to show, whatever the picker says.
  if (!(day >= 0.0 && day < aResult.DaysCount)) {
    return;
  }
  const auto dayIndex = static_cast<std::size_t>(day);
  for (const TVolatilityResItem& item : aResult.Items) {
    if (dayIndex < item.ResultPerDays.size()) {
      AddBar(*chart_, item.IntervalValue, item.ResultPerDays[dayIndex], item.IntervalValue,
             aMeasure);
    }
  }
}

void TfrmMain::DrawWholePeriod(const TVolatilityRes& aResult, Measure aMeasure) {
  chart_->SetXDateTime(false);
  for (const TVolatilityResItem& item : aResult.Items) {
    AddBar(*chart_, item.IntervalValue, item.Result, item.IntervalValue, aMeasure);
  }
}

void TfrmMain::DrawByDay(const TVolatilityRes& aResult, Measure aMeasure) {
  chart_->SetXDateTime(true);
  const int index = cbByInterval->currentIndex();
  // A result set without elements leaves nothing to choose: the chart stays empty.
  if (index < 0 || index >= aResult.Count()) {
    return;
  }
  const TVolatilityResItem& item = aResult[index];
  for (std::int32_t day = 0; day < aResult.DaysCount; ++day) {
    const auto dayIndex = static_cast<std::size_t>(day);
    const std::int32_t count =
        dayIndex < item.ResultPerDays.size() ? item.ResultPerDays[dayIndex] : 0;
    AddBar(*chart_, aResult.StartDate + day, count, item.IntervalValue, aMeasure);
  }
}

}  // namespace melquon
