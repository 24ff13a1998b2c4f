#include "ui/widgets/DatePicker.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "base/DateTime.h"

namespace ui {

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(parent) {
  setCalendarPopup(true);
  setDisplayFormat(datetime::shortDateFormat());
}

void DatePicker::setBlank(bool blank) {
  if (blank_ == blank) return;
  blank_ = blank;
  lineEdit()->setText(textFromDateTime(dateTime()));
  update();
}

QSize DatePicker::sizeHint() const {
  ensurePolished();
  // The widest day and month the format can show, with a four-digit year.
  const QString sample = locale().toString(QDate(2000, 12, 28), displayFormat());
  const int width = fontMetrics().horizontalAdvance(sample + QStringLiteral("  "));
  QStyleOptionComboBox option;
  option.initFrom(this);
  option.editable = true;
  option.frame = true;
  const QSize content(width, lineEdit()->sizeHint().height());
  return style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, this);
}

QSize DatePicker::minimumSizeHint() const { return sizeHint(); }

QString DatePicker::textFromDateTime(const QDateTime& dateTime) const {
  return blank_ ? QStringLiteral(" ") : QDateTimeEdit::textFromDateTime(dateTime);
}

}  // namespace ui
