#pragma once
// The MED estimate and the MED: the skin type, the birth date and the age, the three tone panels
// with their estimates, and the MED box. The widgets are placed by the assessment panel (the age
// and birth date in the particulars strip, the rest on the details panel).

#include <QObject>
#include <optional>

#include "course/OpenCourse.h"
#include "ui/CourseView.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace ui {

class Actions;
class ClickPanel;
class DatePicker;

class EstimatePanel : public QObject, public CourseView {
  Q_OBJECT
 public:
  EstimatePanel(course::OpenCourse& course, Actions& actions, QObject* parent = nullptr);

  QComboBox* skinType() const { return skinType_; }
  DatePicker* birthDate() const { return birthDate_; }
  QLineEdit* age() const { return age_; }
  QLineEdit* med() const { return med_; }
  // The tone panels (Sensitive, Average, In-Sensitive) over their estimates, and the MED box.
  QWidget* tonesAndMed() const { return tonesAndMed_; }

  void refresh(course::Parts parts) override;

 private:
  void build();
  void connectHandlers();
  void offerAgeFromBirthDate();

  course::OpenCourse& course_;
  Actions& actions_;
  QComboBox* skinType_;
  DatePicker* birthDate_;
  QLineEdit* age_;
  ClickPanel* tones_[3];
  QLabel* estimates_[3];
  QLineEdit* med_;
  QWidget* tonesAndMed_;
  std::optional<double> askedFor_;  // the birth date whose age was last offered
};

}  // namespace ui
