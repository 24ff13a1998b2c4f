#pragma once
// What every part of the main window that shows the open course has in common: it is told which
// parts of the course changed and refreshes what it shows of them. The main window keeps its
// panels in one list and passes every change of the open course to each (MainWindow::refresh);
// a panel reads what it shows through the open course and writes only through its operations.
//
// An interface rather than a widget base: some panels are widgets of different kinds (a frame, a
// label, a tab), and some only own widgets placed by another (the estimate's and the lookup's).

#include "course/OpenCourse.h"

namespace ui {

class CourseView {
 public:
  virtual ~CourseView() = default;
  // Shows the parts of the open course in `parts` as they are now.
  virtual void refresh(course::Parts parts) = 0;

 protected:
  CourseView() = default;
  CourseView(const CourseView&) = delete;
  CourseView& operator=(const CourseView&) = delete;
};

}  // namespace ui
