#include "ui/widgets/OneLineField.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <algorithm>

#include "base/OneLine.h"
#include "ui/Dialogs.h"

namespace ui {

OneLineField::OneLineField(QLineEdit* field, int width) : QObject(field), field_(field), width_(width) {
  field->installEventFilter(this);
  connect(field, &QLineEdit::textEdited, this, &OneLineField::edited);
}

bool OneLineField::eventFilter(QObject* watched, QEvent* event) {
  // A printable key typed (not a shortcut such as Ctrl+V): one character goes in.
  if (watched == field_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    typing_ = key->text().size() == 1 && key->text()[0].isPrint() &&
              !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  }
  return QObject::eventFilter(watched, event);
}

void OneLineField::edited(const QString& text) {
  const bool typed = typing_;
  typing_ = false;
  QString line = text::blanked(text);
  int cursor = field_->cursorPosition() - static_cast<int>(text.size() - line.size());
  if (width_ > 0 && line.size() > width_) {
    if (typed && line.size() == width_ + 1 && cursor > 0) {
      // A full field takes no more characters: the one typed is not taken.
      line.remove(cursor - 1, 1);
      cursor -= 1;
    } else {
      const auto typedLength = static_cast<int>(line.size());
      line.truncate(width_);
      sayCut(typedLength, line);
    }
  }
  if (line == text) return;
  field_->setText(line);
  field_->setModified(true);  // still the user's change
  field_->setCursorPosition(std::clamp(cursor, 0, static_cast<int>(line.size())));
}

void OneLineField::sayCut(int typedLength, const QString& kept) {
  // Once the paste is over: a box opened in the middle of the edit would disturb it.
  const QPointer<QLineEdit> field(field_);
  const QString text = QStringLiteral(
                           "The %1 you entered has %2 characters, more than the %3 its record keeps, so it "
                           "was cut to \"%4\".\n\nCorrect it in the field if the cut is not right.")
                           .arg(field_->accessibleName())
                           .arg(typedLength)
                           .arg(width_)
                           .arg(kept);
  QTimer::singleShot(0, field_, [field, text] {
    if (field) dialogs::information(field, QStringLiteral("Check Data Entry"), text);
  });
}

}  // namespace ui
