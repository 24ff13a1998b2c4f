#pragma once
// Finding and opening a patient: the names and the NHI (search texts in list mode, the patient's
// own names once a course is open), the status boxes, "Select" and "New Course" in the Clinical
// tab's top strip, and the name shown large with "List" in the window's top strip.

#include <QObject>

#include "course/OpenCourse.h"
#include "ui/CourseView.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class Actions;

class PatientLookupPanel : public QObject, public CourseView {
  Q_OBJECT
 public:
  PatientLookupPanel(course::OpenCourse& course, Actions& actions, QObject* parent = nullptr);

  QFrame* namesBox() const { return namesBox_; }           // names and NHI
  QFrame* selectionBox() const { return selectionBox_; }   // status boxes, Select, New Course
  QLabel* patientName() const { return patientName_; }     // the name shown large
  QLabel* lifetime() const { return lifetime_; }           // the lifetime exposure beside it
  QPushButton* listButton() const { return listButton_; }  // "List"
  QLineEdit* nhiBox() const { return nhi_; }               // where a search begins

  void refresh(course::Parts parts) override;

 private:
  void build();
  void connectHandlers();
  void showNameLine();
  void select();
  void adviseOnLifetime();
  void returnToList();

  course::OpenCourse& course_;
  Actions& actions_;
  QFrame* namesBox_;
  QLineEdit* firstName_;
  QLineEdit* secondName_;
  QLineEdit* surname_;
  QLineEdit* nhi_;
  QFrame* selectionBox_;
  QGroupBox* statusBoxes_;
  QCheckBox* pending_;
  QCheckBox* current_;
  QCheckBox* complete_;
  QPushButton* selectButton_;
  QCheckBox* newCourse_;
  QLabel* patientName_;
  QLabel* lifetime_;
  QPushButton* listButton_;
};

}  // namespace ui
