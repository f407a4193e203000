#include "ui/date_picker.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <cmath>

#include "runtime/formats.h"

namespace melquon {

namespace {

// The picker writes its digits in its locale's script; the date fields elsewhere (log, report)
// are ASCII, so a locale with other digits gives way to the interface's own language.
QLocale PickerLocale() {
  const QLocale system;
  if (system.zeroDigit() == QStringLiteral("0")) {
    return system;
  }
  return QLocale(QLocale::Russian, QLocale::Russia);
}

}  // namespace

TDatePicker::TDatePicker(QWidget* aParent) : QDateEdit(aParent) {
  setLocale(PickerLocale());
  setMinimumDate(QDate(1, 1, 1));
  setMaximumDate(QDate(9999, 12, 31));
  setCalendarPopup(true);
  const FormatSettings& formats = RegionalFormats();
  setDisplayFormat(DatePickerFormat(formats.ShortDateFormat, formats.DateSeparator));
  SetDateTimeValue(0.0);
  lineEdit()->installEventFilter(this);
}

TDateTime TDatePicker::DateTimeValue() const {
  if (date() == dateOfValue_) {
    return value_;
  }
  const TDateTime day = FromQDate(date());
  return CombineDateTime(day, std::fabs(value_ - std::trunc(value_)));
}

void TDatePicker::SetDateTimeValue(TDateTime aValue) {
  value_ = aValue;
  dateOfValue_ = ToQDate(aValue);
  setDate(dateOfValue_);
}

bool TDatePicker::event(QEvent* aEvent) {
  if (aEvent->type() != QEvent::KeyPress) {
    return QDateEdit::event(aEvent);
  }
  const auto* key = static_cast<QKeyEvent*>(aEvent);
  const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
  tabbing_ = tab && (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
  const QString text = key->text();
  const bool digit = text.size() == 1 && text[0].isDigit();
  const bool separator = text.size() == 1 && (text[0].isPunct() || text[0].isSpace());
  // 10.06.2010: the 0 of 10 fills the day and moves on to the month, the dot must not move on
  // again to the year.
  if (separator && movedOnByDigit_) {
    movedOnByDigit_ = false;
    return true;
  }
  const int sectionBefore = currentSectionIndex();
  const bool handled = QDateEdit::event(aEvent);
  tabbing_ = false;
  movedOnByDigit_ = digit && currentSectionIndex() != sectionBefore;
  return handled;
}

bool TDatePicker::focusNextPrevChild(bool aNext) {
  if (tabbing_) {
    return QWidget::focusNextPrevChild(aNext);
  }
  const int section = currentSectionIndex() + (aNext ? 1 : -1);
  if (section < 0 || section >= sectionCount()) {
    return true;  // a separator typed in the last section changes nothing
  }
  return QDateEdit::focusNextPrevChild(aNext);
}

bool TDatePicker::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == lineEdit() && aEvent->type() == QEvent::MouseButtonRelease &&
      !lineEdit()->hasSelectedText()) {
    setSelectedSection(currentSection());
  }
  return QDateEdit::eventFilter(aWatched, aEvent);
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
