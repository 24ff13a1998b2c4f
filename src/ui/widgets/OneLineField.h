#pragma once
// Keeps a line edit to what its record can hold: one line (a pasted tab, line feed or other
// control character becomes a blank, as the store would have it) of at most `width` characters.
// A character typed beyond the width is not taken, as in any full field; a paste that does not
// fit is cut to the width and a box says so, naming the field by its label, so that nothing is
// cut without the user knowing.

#include <QObject>
#include <QString>

class QLineEdit;

namespace ui {

class OneLineField : public QObject {
  Q_OBJECT
 public:
  // `width` 0: no limit to the length. The field's accessible name labels it in the box.
  OneLineField(QLineEdit* field, int width);

  int width() const { return width_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void edited(const QString& text);
  void sayCut(int typedLength, const QString& kept);

  QLineEdit* field_;
  int width_;
  bool typing_ = false;  // the edit under way comes from one printable key
};

}  // namespace ui
