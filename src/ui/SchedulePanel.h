#pragma once
// The treatment schedule on the left of the main window: the plan of the open course, a click on a
// row's first cells records that treatment through the entry dialog, and the "% Inc" cells are
// edited in place, the plan following (and the course storing) every key released.

#include <QFrame>

#include "course/OpenCourse.h"
#include "ui/CourseView.h"

namespace ui {

class Actions;
class ScheduleGrid;
class TreatmentEntryDialog;

class SchedulePanel : public QFrame, public CourseView {
  Q_OBJECT
 public:
  SchedulePanel(course::OpenCourse& course, Actions& actions, QWidget* parent = nullptr);

  ScheduleGrid* grid() const { return grid_; }
  TreatmentEntryDialog* entryDialog() const { return dialog_; }

  void refresh(course::Parts parts) override;
  // The keyboard goes to the schedule, on the increment of the first treatment not yet recorded:
  // Home there opens that treatment's entry dialog.
  void focusNextTreatment();

 private:
  // Whether the cell (column, row 1..29) may become current: only the increments; a click on the
  // first two cells of a row records its treatment instead.
  bool selectCell(int column, int row);
  void recordTreatment(int row);
  void keyReleased();

  course::OpenCourse& course_;
  Actions& actions_;
  ScheduleGrid* grid_;
  TreatmentEntryDialog* dialog_;
  bool recording_ = false;  // the dialog is up: no second one from a nested event
};

}  // namespace ui
