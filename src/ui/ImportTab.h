#pragma once
// The Bulk Import tab: "Load Data" imports the chosen patient files of the older system one after
// another through the open course, with a short pause between files during which the window stays
// usable, a progress bar, and a log line per file with a skipped file's reason and a summary.

#include <QWidget>

#include "course/OpenCourse.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace ui {

class Actions;

class ImportTab : public QWidget {
  Q_OBJECT
 public:
  ImportTab(course::OpenCourse& course, Actions& actions, QWidget* parent = nullptr);

  QPlainTextEdit* log() const { return log_; }

 signals:
  // The patient list is to be shown while the files are read, and the log once the batch ends.
  void showPatientList();
  void showLog();

 private:
  void loadData();

  course::OpenCourse& course_;
  Actions& actions_;
  QPushButton* loadButton_;
  QProgressBar* progress_;
  QPlainTextEdit* log_;
};

}  // namespace ui
