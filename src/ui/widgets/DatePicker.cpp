#include "shell/DatePicker.h"

#include <QLineEdit>

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(parent) {
  setCalendarPopup(true);
  setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
}

void DatePicker::setBlank(bool blank) {
  if (blank_ == blank) return;
  blank_ = blank;
  lineEdit()->setText(textFromDateTime(dateTime()));
  update();
}

QString DatePicker::textFromDateTime(const QDateTime& dateTime) const {
  return blank_ ? QStringLiteral(" ") : QDateTimeEdit::textFromDateTime(dateTime);
}
