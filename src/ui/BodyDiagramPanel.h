#pragma once
// The body diagram of the open course (ImgPerson): the outline with the course's lesion spots. A
// click marks a spot where it lands, a Ctrl+click takes back the newest; the picture is drawn at
// the size it is shown at.

#include <QLabel>

#include "course/OpenCourse.h"
#include "ui/CourseView.h"

namespace ui {

class Actions;

class BodyDiagramPanel : public QLabel, public CourseView {
  Q_OBJECT
 public:
  BodyDiagramPanel(course::OpenCourse& course, Actions& actions, QWidget* parent = nullptr);

  void refresh(course::Parts parts) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  course::OpenCourse& course_;
  Actions& actions_;
  bool pressed_ = false;  // a click is a press and a release of the left button on the picture
};

}  // namespace ui
