#include "ui/widgets/ClickPanel.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace ui {

ClickPanel::ClickPanel(const QString& caption, QColor background, int tag, QWidget* parent)
    : QFrame(parent), label_(new QLabel(caption, this)), background_(background), tag_(tag) {
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
  label_->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(label_);
  setAccessibleName(caption);
  applyColours();
}

QString ClickPanel::caption() const { return label_->text(); }

void ClickPanel::setCaption(const QString& caption) {
  label_->setText(caption);
  setAccessibleName(caption);
}

void ClickPanel::setBold(bool bold) {
  QFont f = label_->font();
  f.setBold(bold);
  label_->setFont(f);
}

bool ClickPanel::isBold() const { return label_->font().bold(); }

void ClickPanel::setKeyboardChoice(const QString& hint) {
  setFocusPolicy(Qt::StrongFocus);
  if (!hint_) {
    hint_ = new QLabel(this);
    hint_->setAlignment(Qt::AlignCenter);
    QFont small = hint_->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    hint_->setFont(small);
    static_cast<QVBoxLayout*>(layout())->addWidget(hint_);
  }
  hint_->setText(hint);
  setAccessibleDescription(QStringLiteral("Key %1").arg(hint));
  applyColours();
}

void ClickPanel::setTextColour(QColor colour) {
  text_ = colour;
  applyColours();
}

void ClickPanel::applyColours() {
  QPalette p = palette();
  // A disabled panel keeps its colour but greys its caption, so the clinician sees it is not ready.
  p.setColor(QPalette::Window, background_);
  p.setColor(QPalette::Active, QPalette::WindowText, text_);
  p.setColor(QPalette::Inactive, QPalette::WindowText, text_);
  p.setColor(QPalette::Disabled, QPalette::WindowText, text_ == Qt::black ? QColor(128, 128, 128) : text_.darker(150));
  setPalette(p);
  label_->setPalette(p);
  if (hint_) hint_->setPalette(p);
}

void ClickPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
    emit clicked(this);
  QFrame::mouseReleaseEvent(event);
}

void ClickPanel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (focusPolicy() != Qt::NoFocus && isEnabled() &&
      (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
    emit clicked(this);
    event->accept();
    return;
  }
  QFrame::keyPressEvent(event);
}

void ClickPanel::focusInEvent(QFocusEvent* event) {
  QFrame::focusInEvent(event);
  update();
}

void ClickPanel::focusOutEvent(QFocusEvent* event) {
  QFrame::focusOutEvent(event);
  update();
}

void ClickPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (!hasFocus()) return;
  // A frame in the caption's colour, inside the border: seen on every panel colour.
  QPainter painter(this);
  QPen pen(text_ == Qt::black ? QColor(0, 0, 0) : text_, 2, Qt::DashLine);
  painter.setPen(pen);
  painter.drawRect(rect().adjusted(3, 3, -4, -4));
}

void ClickPanel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) applyColours();
  QFrame::changeEvent(event);
}

}  // namespace ui
