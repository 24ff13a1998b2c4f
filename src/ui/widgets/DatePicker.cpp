#include "ui/widgets/DatePicker.h"

#include <QLineEdit>

namespace ui {

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

}  // namespace ui
