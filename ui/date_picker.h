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
  // Tab leaves the picker for the next control instead of stepping through day, month, year;
  // a separator typed steps to the next section but never out of the picker.
  bool event(QEvent* aEvent) override;
  bool focusNextPrevChild(bool aNext) override;
  // A click into a section selects it, so that digits typed next replace it.
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

 private:
  bool tabbing_ = false;
  // The last digit filled its section and moved on to the next: a separator typed now only
  // confirms that move.
  bool movedOnByDigit_ = false;
  TDateTime value_ = 0.0;
  QDate dateOfValue_;
};

// The regional short date pattern in the picker's notation.
QString DatePickerFormat(const std::string& aShortDateFormat, char aDateSeparator);

QDate ToQDate(TDateTime aValue);
// The date at midnight.
TDateTime FromQDate(QDate aDate);

}  // namespace melquon
