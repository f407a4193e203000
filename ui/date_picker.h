#pragma once

#include <QDate>
#include <QDateEdit>

#include "runtime/date_time.h"

namespace melquon {

// A date picker that shows the date but holds a full date-time: the time of day of the value
// last set survives until the user picks another date, and is kept for the new date too.
class TDatePicker : public QDateEdit {
 public:
  explicit TDatePicker(QWidget* aParent = nullptr);

  TDateTime DateTimeValue() const;
  void SetDateTimeValue(TDateTime aValue);

 protected:
  // Tab leaves the picker for the next control instead of stepping through day, month, year.
  bool focusNextPrevChild(bool aNext) override;

 private:
  TDateTime value_ = 0.0;
  QDate dateOfValue_;
};

// The regional short date pattern in the picker's notation.
QString DatePickerFormat(const std::string& aShortDateFormat, char aDateSeparator);

QDate ToQDate(TDateTime aValue);
// The date at midnight.
TDateTime FromQDate(QDate aDate);

}  // namespace melquon
