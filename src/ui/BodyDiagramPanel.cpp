#include "ui/BodyDiagramPanel.h"

#include <QMouseEvent>
#include <QPixmap>

#include "resources/Resources.h"
#include "ui/Actions.h"
#include "ui/ObjectNames.h"

namespace ui {

BodyDiagramPanel::BodyDiagramPanel(course::OpenCourse& course, Actions& actions, QWidget* parent)
    : QLabel(parent), course_(course), actions_(actions) {
  setObjectName(names::ImgPerson);
  setAccessibleName(QStringLiteral("Body diagram"));
  setFixedSize(216, 263);
  setFrameShape(QFrame::NoFrame);
  setCursor(resources::targetCursor());
  refresh(course::Part::Spots);
}

void BodyDiagramPanel::refresh(course::Parts parts) {
  if (!(parts & course::Part::Spots)) return;
  setPixmap(QPixmap::fromImage(course_.diagram()));
}

void BodyDiagramPanel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void BodyDiagramPanel::mouseReleaseEvent(QMouseEvent* event) {
  // The spot is where the button was released.
  const QPoint at = event->position().toPoint();
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (pressed_ && event->button() == Qt::LeftButton && rect().contains(at))
    actions_.run([this, at, ctrl] { course_.clickDiagram(at, ctrl); });
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
}

void BodyDiagramPanel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  guarded(this, [this] { course_.setDiagramSize(size()); });  // not a user action: nothing to settle
}

}  // namespace ui
