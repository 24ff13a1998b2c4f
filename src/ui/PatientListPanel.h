#pragma once
// The patient list of list mode: three read-only grids over the patients, the chosen patient's
// courses and the chosen course's photographs. Each grid follows its cursor's current row, and a
// row the user picks becomes the current one.

#include <QFrame>

#include "course/OpenCourse.h"

class QTableView;

namespace ui {

class Actions;

class PatientListPanel : public QFrame {
  Q_OBJECT
 public:
  PatientListPanel(course::OpenCourse& course, Actions& actions, QWidget* parent = nullptr);

 private:
  void bindGrid(QTableView* grid, const records::DataSet& rows, const QStringList& columns,
                std::function<void(int recNo)> pick);

  course::OpenCourse& course_;
  Actions& actions_;
};

}  // namespace ui
