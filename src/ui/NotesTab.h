#pragma once
// The Notes tab: the open course's photographs one at a time, with the date and the note of each.
// The arrows step through them, "X" deletes the one shown, the date and the note are stored as
// they are changed and left.

#include <QWidget>

#include "course/OpenCourse.h"
#include "ui/CourseView.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QToolButton;

namespace ui {

class Actions;
class DatePicker;

class NotesTab : public QWidget, public CourseView {
  Q_OBJECT
 public:
  NotesTab(course::OpenCourse& course, Actions& actions, QWidget* parent = nullptr);

  void refresh(course::Parts parts) override;
  // A note typed and not yet stored is stored with its own photograph before the photographs
  // move or another is added.
  void storeTypedNote();

 private:
  void build();
  void connectHandlers();

  course::OpenCourse& course_;
  Actions& actions_;
  QPushButton* deleteButton_;
  QWidget* arrows_;
  QToolButton* previous_;
  QToolButton* next_;
  DatePicker* date_;
  QPlainTextEdit* note_;
  QLabel* picture_;
};

}  // namespace ui
