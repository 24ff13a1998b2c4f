#pragma once
// The clinical assessment of the open course (the details panel) and the patient's particulars
// (the strip beside the names): every field stored the moment it is changed or left. The panel
// also places the estimate's widgets and the body diagram where the layout has them.

#include <QFrame>
#include <array>
#include <vector>

#include "course/OpenCourse.h"
#include "ui/CourseView.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;

namespace ui {

class Actions;
class BodyDiagramPanel;
class DatePicker;
class EstimatePanel;

class AssessmentPanel : public QFrame, public CourseView {
  Q_OBJECT
 public:
  AssessmentPanel(course::OpenCourse& course, Actions& actions, EstimatePanel& estimate, BodyDiagramPanel& diagram,
                  QWidget* parent = nullptr);

  // The particulars strip: birth date, age, language, telephones.
  QFrame* particulars() const { return particulars_; }

  void refresh(course::Parts parts) override;

 private:
  // A text box or memo with the column it shows and the operation that stores it.
  struct BoundText {
    QWidget* widget;
    std::function<QString()> stored;  // the column's text in the current row
    std::function<void(const QString&)> store;
  };
  void buildDetails(EstimatePanel& estimate, BodyDiagramPanel& diagram);
  void buildParticulars(EstimatePanel& estimate);
  void connectHandlers();
  void bindText(QWidget* widget, course::PatientText field);
  void bindText(QWidget* widget, course::CourseText field);
  void showPreviousTreatment(int answer);

  course::OpenCourse& course_;
  Actions& actions_;
  QFrame* particulars_;
  QComboBox* condition_;
  QComboBox* treatmentType_;
  QComboBox* schedule_;
  DatePicker* assessed_;
  QLineEdit* referral_;
  QComboBox* diagnosis_;
  QLineEdit* therapist_;
  QLineEdit* familyHistory_;
  QPlainTextEdit* medication_;
  QPlainTextEdit* operations_;
  QComboBox* hair_;
  QComboBox* eyes_;
  QComboBox* skinColour_;
  std::array<QCheckBox*, 6> contraindications_{};  // bit 1 << i
  QPlainTextEdit* address_;
  QGroupBox* previousTreatment_;
  QButtonGroup* previousAnswers_;
  QLineEdit* duration_;
  QLineEdit* previousResult_;
  QComboBox* language_;
  QLineEdit* homePhone_;
  QLineEdit* cellPhone_;
  QLineEdit* workPhone_;
  std::vector<BoundText> bound_;
};

}  // namespace ui
