#pragma once
// A date picker that can show nothing: a birth date or an assessment date that was never entered
// is shown blank rather than as a made-up date. Entering a date (or the program setting one
// with setBlank(false)) shows it again.

#include <QDateTimeEdit>

namespace ui {

class DatePicker : public QDateTimeEdit {
  Q_OBJECT
 public:
  explicit DatePicker(QWidget* parent = nullptr);

  void setBlank(bool blank);
  bool isBlank() const { return blank_; }

 protected:
  QString textFromDateTime(const QDateTime& dateTime) const override;

 private:
  bool blank_ = false;
};

}  // namespace ui
