#include "ui/date_picker.h"

#include <cmath>

#include "runtime/formats.h"

namespace melquon {

TDatePicker::TDatePicker(QWidget* aParent) : QDateEdit(aParent) {
  setMinimumDate(QDate(1, 1, 1));
  setMaximumDate(QDate(9999, 12, 31));
  setCalendarPopup(true);
  const FormatSettings& formats = RegionalFormats();
  setDisplayFormat(DatePickerFormat(formats.ShortDateFormat, formats.DateSeparator));
  SetDateTimeValue(0.0);
}

TDateTime TDatePicker::DateTimeValue() const {
  if (date() == dateOfValue_) {
    return value_;
  }
  const TDateTime day = FromQDate(date());
  const double timeOfDay = std::fabs(value_ - std::trunc(value_));
  // Before 30 December 1899 the whole days are negative and the time of day still counts
  // forward, so it is subtracted there.
  return day < 0.0 ? day - timeOfDay : day + timeOfDay;
}

void TDatePicker::SetDateTimeValue(TDateTime aValue) {
  value_ = aValue;
  dateOfValue_ = ToQDate(aValue);
  setDate(dateOfValue_);
}

bool TDatePicker::focusNextPrevChild(bool aNext) {
  return QWidget::focusNextPrevChild(aNext);
}

QString DatePickerFormat(const std::string& aShortDateFormat, char aDateSeparator) {
  QString format = QString::fromStdString(aShortDateFormat);
  format.replace(QChar('/'), QChar::fromLatin1(aDateSeparator));
  format.replace(QChar('"'), QChar('\''));
  return format;
}

QDate ToQDate(TDateTime aValue) {
  const CalendarDate date = DecodeDate(aValue);
  return QDate(date.year, date.month, date.day);
}

TDateTime FromQDate(QDate aDate) {
  TDateTime result = 0.0;
  TryEncodeDate(aDate.year(), aDate.month(), aDate.day(), result);
  return result;
}

}  // namespace melquon
