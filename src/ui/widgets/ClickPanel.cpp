#include "ui/widgets/ClickPanel.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
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
}

void ClickPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
    emit clicked(this);
  QFrame::mouseReleaseEvent(event);
}

void ClickPanel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) applyColours();
  QFrame::changeEvent(event);
}

}  // namespace ui
