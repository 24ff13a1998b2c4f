#pragma once
// A date picker that can show nothing: a birth date or an assessment date that was never entered
// is shown blank rather than as a made-up date. Entering a date (or the program setting one
// with setBlank(false)) shows it again. Blank or not, the picker is as wide as a date in its
// format, in every layout, so that a date typed into it is seen whole. A blank picker entered
// shows today's date with its first part (the day or the month, as the language orders them)
// selected, so that a date is typed in whole at once.

#include <QDateTimeEdit>

namespace ui {

class DatePicker : public QDateTimeEdit {
  Q_OBJECT
 public:
  explicit DatePicker(QWidget* parent = nullptr);

  void setBlank(bool blank);
  bool isBlank() const { return blank_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  QString textFromDateTime(const QDateTime& dateTime) const override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void selectFirstPartSoon();

 private:
  bool blank_ = false;
  bool typeWholeDate_ = false;  // shown after being blank: the next entry selects the first part
};

}  // namespace ui
