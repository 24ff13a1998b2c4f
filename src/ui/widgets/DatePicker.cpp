#include "ui/widgets/DatePicker.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>

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
  // Shown because it is being entered (the focus may be here already, or come next).
  typeWholeDate_ = !blank;
  if (typeWholeDate_ && hasFocus()) selectFirstPartSoon();
}

void DatePicker::focusInEvent(QFocusEvent* event) {
  QDateTimeEdit::focusInEvent(event);
  if (typeWholeDate_) selectFirstPartSoon();
}

void DatePicker::selectFirstPartSoon() {
  typeWholeDate_ = false;
  // After the click that brought the focus has placed the cursor.
  QTimer::singleShot(0, this, [this] {
    if (!hasFocus()) return;
    setCurrentSectionIndex(0);
    setSelectedSection(sectionAt(0));
  });
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
