#include "engine/day_figures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "runtime/number_text.h"

namespace melquon {

bool TDayFigures::Parkinson(double& aValue) const {
  if (Ticks == 0 || !(Low > 0.0)) {
    return false;
  }
  const double logRange = std::log(High / Low);
  aValue = logRange * logRange / (4.0 * std::numbers::ln2);
  return true;
}

void TDayFiguresCollector::RunStarted(TDateTime aDateFrom, std::int32_t aDaysCount) {
  dateFrom_ = aDateFrom;
  days_.assign(static_cast<std::size_t>(std::max(aDaysCount, 0)), TDayFigures{});
}

void TDayFiguresCollector::DayLoaded(std::int32_t aDayIndex) {
  if (aDayIndex >= 0 && static_cast<std::size_t>(aDayIndex) < days_.size())
    days_[static_cast<std::size_t>(aDayIndex)].HasFile = true;
}

void TDayFiguresCollector::QuoteCounted(const TCountedQuote& aQuote) {
  if (aQuote.DayIndex < 0 || static_cast<std::size_t>(aQuote.DayIndex) >= days_.size()) {
    return;
  }
  TDayFigures& day = days_[static_cast<std::size_t>(aQuote.DayIndex)];
  const double value = aQuote.Value;
  if (day.Ticks++ == 0) {
    day = {1, value, value, value, value, 0.0, day.HasFile};
    return;
  }
  const double step = value - day.Last;
  day.RealizedVariance += step * step;
  day.High = std::max(day.High, value);
  day.Low = std::min(day.Low, value);
  day.Last = value;
}

std::string DayFiguresCsv(const TDayFiguresCollector& aFigures) {
  std::string text = "date,ticks,first,high,low,last,range,realized_variance,parkinson\r\n";
  const std::vector<TDayFigures>& days = aFigures.Days();
  for (std::size_t i = 0; i < days.size(); ++i) {
    const TDayFigures& day = days[i];
    text += IsoDateText(aFigures.DateFrom() + static_cast<double>(i));
    text += ',';
    text += IntToStr(day.Ticks);
    if (day.Ticks == 0) {
      text += ",,,,,,,\r\n";
      continue;
    }
    for (const double value :
         {day.First, day.High, day.Low, day.Last, day.High - day.Low, day.RealizedVariance}) {
      text += ',';
      text += ShortestFloatText(value);
    }
    text += ',';
    if (double parkinson = 0.0; day.Parkinson(parkinson)) {
      text += ShortestFloatText(parkinson);
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace melquon
