#pragma once
// A text field with an input mask, as the entry dialog's time and initials fields need it:
// - its text always has every position of the mask, unfilled positions as spaces
//   (maskedText(), e.g. " 5:30" or "  :  "), and it accepts only characters that fit the mask;
// - leaving it after a change that cannot be accepted (a needed digit missing) is refused: a
//   message naming the field and the form it takes is shown (setRefusalText; without one, "Invalid
//   input value.  Use escape key to abandon changes") and the focus comes back;
// - Escape takes back the changes made since the field was entered;
// - a click puts the cursor where typing fills the field: at the click when it falls inside what is
//   already typed, otherwise at the first unfilled position (a click behind the blanks of an empty
//   field would leave nothing for the typed characters to fill).

#include <QFocusEvent>
#include <QLineEdit>
#include <functional>
#include <vector>

namespace ui {

// Whether losing the focus counts as leaving a field: a switch to another program or a popup
// opening does not, the user comes back to the field as it was.
inline bool focusLeavesField(const QFocusEvent* event) {
  return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

class MaskEdit : public QLineEdit {
  Q_OBJECT
 public:
  // `mask` in QLineEdit's input-mask notation; `acceptable` decides whether a changed text may
  // be left (none: every text fitting the mask may).
  MaskEdit(const QString& mask, std::function<bool(const QString&)> acceptable = {}, QWidget* parent = nullptr);

  // Every position of the mask, unfilled ones as spaces.
  QString maskedText() const { return displayText(); }
  // Shows a text set by the program; it counts as unchanged and as the text Escape returns to.
  void setMaskedText(const QString& text);

  // True when the text may be left as it is. When not, the message is shown at once and the
  // field keeps the focus; used before the dialog closes while the field still has the focus.
  bool acceptNow();

  // True while a refused leave is being undone (the focus is on its way back here); the dialog
  // ignores the other fields' leave events meanwhile.
  bool refusing() const { return refusing_; }

  // Narrows what the mask lets in (the mask takes any digit or letter of any script, the record
  // holds single-byte characters): a character typed or pasted that `allowed` refuses leaves its
  // position blank.
  void setCharacterFilter(std::function<bool(QChar)> allowed);

  static const QString& invalidInputMessage();
  // The message for a refused text, made from the text.
  void setRefusalText(std::function<QString(const QString&)> text) { refusalText_ = std::move(text); }
  QString refusalMessage() const;

  // Where typing after a click at `clicked` fills the field (see the top of this file).
  int typingPosition(int clicked) const;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool currentTextAcceptable() const;
  std::vector<bool> inputPositions() const;  // per shown position: filled by typing, or fixed
  void dropRefusedCharacters();

  std::function<bool(const QString&)> acceptable_;
  std::function<bool(QChar)> allowed_;
  std::function<QString(const QString&)> refusalText_;
  QString textOnEntry_;  // what Escape returns to
  bool refusing_ = false;
};

}  // namespace ui
