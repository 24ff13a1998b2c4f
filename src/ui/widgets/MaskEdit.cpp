#include "ui/widgets/MaskEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include "ui/Dialogs.h"

namespace ui {

MaskEdit::MaskEdit(const QString& mask, std::function<bool(const QString&)> acceptable, QWidget* parent)
    : QLineEdit(parent), acceptable_(std::move(acceptable)) {
  setInputMask(mask);  // the blank character is a space
  textOnEntry_ = maskedText();
}

void MaskEdit::setCharacterFilter(std::function<bool(QChar)> allowed) {
  allowed_ = std::move(allowed);
  connect(this, &QLineEdit::textEdited, this, &MaskEdit::dropRefusedCharacters, Qt::UniqueConnection);
}

void MaskEdit::dropRefusedCharacters() {
  if (!allowed_) return;
  QString text = maskedText();
  int first = -1;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char(' ') || allowed_(text[i])) continue;
    text[i] = QLatin1Char(' ');
    if (first < 0) first = i;
  }
  if (first < 0) return;
  setText(text);
  setModified(true);  // still the user's change
  setCursorPosition(first);
}

const QString& MaskEdit::invalidInputMessage() {
  static const QString text = QStringLiteral("Invalid input value.  Use escape key to abandon changes");
  return text;
}

QString MaskEdit::refusalMessage() const { return refusalText_ ? refusalText_(maskedText()) : invalidInputMessage(); }

void MaskEdit::setMaskedText(const QString& text) {
  setText(text);  // also marks the field unchanged
  textOnEntry_ = maskedText();
}

bool MaskEdit::currentTextAcceptable() const { return !isModified() || !acceptable_ || acceptable_(maskedText()); }

bool MaskEdit::acceptNow() {
  if (currentTextAcceptable()) return true;
  dialogs::error(this, refusalMessage());
  setFocus(Qt::OtherFocusReason);
  return false;
}

void MaskEdit::focusInEvent(QFocusEvent* event) {
  if (focusLeavesField(event) && !refusing_) textOnEntry_ = maskedText();
  QLineEdit::focusInEvent(event);
}

void MaskEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (refusing_ || !focusLeavesField(event) || currentTextAcceptable()) return;
  // The focus has already moved on; bring it back and then say why, once the focus change that
  // is under way has finished (a message box opened in the middle of it would disturb it).
  refusing_ = true;
  QPointer<MaskEdit> self(this);
  QTimer::singleShot(0, this, [self] {
    if (!self) return;
    if (self->isVisible()) {
      self->setFocus(Qt::OtherFocusReason);
      dialogs::error(self, self->refusalMessage());
    }
    if (self) self->refusing_ = false;
  });
}

void MaskEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && isModified()) {
    setText(textOnEntry_);  // marks the field unchanged again
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

std::vector<bool> MaskEdit::inputPositions() const {
  // The mask's own notation: a backslash makes the next character fixed, the case markers take no
  // position, and ";" starts the blank character.
  static const QString kInputCharacters = QStringLiteral("AaNnXx90Dd#HhBb");
  std::vector<bool> positions;
  const QString mask = inputMask();
  for (int i = 0; i < mask.size(); ++i) {
    const QChar c = mask[i];
    if (c == QLatin1Char(';')) break;
    if (c == QLatin1Char('\\')) {
      ++i;
      positions.push_back(false);
    } else if (c == QLatin1Char('>') || c == QLatin1Char('<') || c == QLatin1Char('!')) {
      continue;
    } else {
      positions.push_back(kInputCharacters.contains(c));
    }
  }
  return positions;
}

int MaskEdit::typingPosition(int clicked) const {
  const QString shown = maskedText();
  const std::vector<bool> input = inputPositions();
  int typedEnd = 0;  // just after the last filled position
  int firstUnfilled = -1;
  for (int i = 0; i < shown.size() && i < static_cast<int>(input.size()); ++i) {
    if (!input[static_cast<std::size_t>(i)]) continue;
    if (shown[i] == QLatin1Char(' ')) {
      if (firstUnfilled < 0) firstUnfilled = i;
    } else {
      typedEnd = i + 1;
    }
  }
  if (clicked <= typedEnd || firstUnfilled < 0) return clicked;
  return firstUnfilled;
}

void MaskEdit::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && !hasSelectedText()) setCursorPosition(typingPosition(cursorPosition()));
}

}  // namespace ui
