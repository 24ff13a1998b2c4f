// The patient list and the open course, end to end through the main window on a real database
// file: searching as the user types, creating and opening a patient, the estimate and plan
// stored as they are chosen, every assessment field written to its column, and everything found
// again after going back to the list.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include "records/Data.h"
#include "shell/ClickPanel.h"
#include "shell/DatePicker.h"
#include "shell/ScheduleGrid.h"
#include "support/LocaleScope.h"
#include "support/WindowFixture.h"

namespace {

class PatientWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.created);
    f().show();
    QApplication::setActiveWindow(&f());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f()));
  }
  TForm1& f() { return *app.form; }
  TDataPatient& d() { return *app.data; }

  void type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, text);
  }
  // Focus leaves `w` for a widget that stores nothing.
  void leave(QWidget* w) {
    w->setFocus();
    QApplication::processEvents();
    f().BtnClear->setFocus();
    QApplication::processEvents();
  }
  // A new patient through the window: NHI and names typed, Select.
  void createPatient(const QString& nhi, const QString& surname, const QString& first = {}) {
    type(f().EdHosp, nhi);
    type(f().EdFirst, first);
    type(f().EdSurname, surname);
    ASSERT_TRUE(f().BtnSelect->isEnabled()) << nhi.toStdString();
    QTest::mouseClick(f().BtnSelect, Qt::LeftButton);
    ASSERT_EQ(AppState, PatientMode);
  }
  void backToList() {
    QTest::mouseClick(f().BtnClear, Qt::LeftButton);
    ASSERT_EQ(AppState, ListMode);
  }
  QStringList listedNHIs() {
    QStringList out;
    auto* model = f().DBGrid1->model();
    for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, 0).data().toString();
    return out;
  }

  WindowFixture app;
};

TEST_F(PatientWindow, SelectCreatesThePatientWithItsFirstCourseAndOpensIt) {
  type(f().EdHosp, "ABC1234");
  EXPECT_EQ(f().BtnSelect->text(), "New Patient");
  EXPECT_TRUE(f().CkBxNewCourse->isChecked());
  EXPECT_FALSE(f().CkBxNewCourse->isEnabled());
  type(f().EdFirst, "Mary");
  type(f().EdSurname, "Smith");
  QTest::mouseClick(f().BtnSelect, Qt::LeftButton);
  ASSERT_EQ(AppState, PatientMode);
  EXPECT_EQ(d().ADOPatientHosp.asString(), "ABC1234");
  EXPECT_EQ(d().ADOPatientSurN.asString(), "Smith");
  EXPECT_EQ(d().ADOPatientFirstN.asString(), "Mary");
  EXPECT_EQ(d().ADOPatientNCourse.asInteger(), 1);
  EXPECT_EQ(d().ADOPatientLang.asInteger(), 2);
  EXPECT_EQ(d().ADOCourseCourseID.asInteger(), 1);
  EXPECT_EQ(d().ADOCourse.recordCount(), 1);
  EXPECT_TRUE(f().PanDataBase->isHidden());
  EXPECT_FALSE(f().PanDetails->isHidden());
  EXPECT_FALSE(f().PanPhone->isHidden());
  EXPECT_TRUE(f().BtnPrint->isEnabled());
  EXPECT_FALSE(f().EdHosp->isEnabled());
  EXPECT_EQ(f().Label5->text(), "Mary  Smith");
  EXPECT_TRUE(f().EdAge->text().isEmpty());  // no age yet: a birth date may supply it
  f().DateBirth->setFocus();
  f().DateBirth->setDate(QDate::currentDate().addYears(-40).addDays(-10));
  EXPECT_EQ(f().EdAge->text(), "40.0");
  EXPECT_DOUBLE_EQ(d().ADOCourseOld.asFloat(), f().Dosing.FOld);
  EXPECT_FALSE(d().ADOPatientBirth.isNull());
}

TEST_F(PatientWindow, TheButtonFollowsWhetherTheTypedNHIIsANewValidOne) {
  createPatient("ABC1234", "Smith");
  backToList();
  const struct {
    const char* nhi;
    bool allTicked;
    const char* caption;
    bool enabled;
  } cases[] = {
      {"ABC1", true, "Select", true},          // lists ABC1234
      {"XYZ9876", true, "New Patient", true},  // nobody, and a valid new NHI
      {"XYZ987", true, "Select", false},       // too short
      {"XY12345", true, "Select", false},      // a digit where a letter belongs
      {"XYZ9876", false, "Select", false},     // a status box unticked may hide the patient
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nhi);
    f().ChkPending->setChecked(c.allTicked);
    type(f().EdHosp, c.nhi);
    EXPECT_EQ(f().BtnSelect->text(), c.caption);
    EXPECT_EQ(f().BtnSelect->isEnabled(), c.enabled);
    f().ChkPending->setChecked(true);
  }
}

TEST_F(PatientWindow, TypingFiltersByNHIPrefixAndSurnamePart) {
  const struct {
    const char* nhi;
    const char* surname;
  } patients[] = {{"ABC1234", "Smith"}, {"ABD2345", "Goldsmith"}, {"ABE3456", "Brown"}, {"XAB4567", "Smithers"}};
  for (const auto& p : patients) {
    createPatient(p.nhi, p.surname);
    backToList();
  }
  type(f().EdHosp, "AB");
  EXPECT_EQ(listedNHIs(), (QStringList{"ABC1234", "ABD2345", "ABE3456"}));
  type(f().EdSurname, "mit");
  EXPECT_EQ(listedNHIs(), (QStringList{"ABC1234", "ABD2345"}));
  type(f().EdFirst, "John");  // a first name does not filter
  EXPECT_EQ(listedNHIs(), (QStringList{"ABC1234", "ABD2345"}));
  type(f().EdHosp, "a'b%");  // quotes and wildcards match themselves
  EXPECT_TRUE(listedNHIs().isEmpty());
}

TEST_F(PatientWindow, EstimatePlanAndAssessmentAreStoredAndComeBackAfterTheList) {
  createPatient("ABC1234", "Smith", "Mary");
  // The estimate: skin type, age, a tone click puts the rounded estimate into the MED box.
  f().ComSkinType->setCurrentIndex(2);
  type(f().EdAge, "45");
  leave(f().EdAge);
  EXPECT_EQ(f().EdAge->text(), "45.0");
  EXPECT_TRUE(f().Panel5->isEnabled());
  QTest::mouseClick(f().Panel5, Qt::LeftButton);
  const QString med = f().DBEdMED->text();
  EXPECT_FALSE(med.isEmpty());
  EXPECT_EQ(d().ADOCourseEdMed.asInteger(), med.toInt());
  EXPECT_EQ(d().ADOCourseSkinIndex.asInteger(), 2);
  EXPECT_DOUBLE_EQ(d().ADOCourseOld.asFloat(), 45.0);
  EXPECT_FALSE(f().StringGrid1->cell(2, 1).trimmed().isEmpty());  // the plan is shown
  EXPECT_TRUE(f().BtnPrint->isEnabled());

  // The assessment, one field after another.
  f().ComboEye->setCurrentIndex(2);  // Hazel
  f().ComboLang->setCurrentIndex(7);  // Slovak
  f().ComCondition->setCurrentIndex(1);
  f().ComSched->setCurrentIndex(3);  // As Required
  f().RadioPrevRxGroup->button(1)->click();  // No
  EXPECT_FALSE(f().DBRxResult->isEnabled());
  f().RadioPrevRxGroup->button(0)->click();  // Yes
  EXPECT_TRUE(f().DBRxResult->isEnabled());
  type(f().DBHome, "094561234567");
  leave(f().DBHome);
  type(f().DBRxResult, "cleared");
  leave(f().DBRxResult);
  f().DBDiag->setFocus();
  f().DBDiag->setEditText("Lichen planus of the lower limbs");
  leave(f().DBDiag);
  f().DBMemoMeds->setFocus();
  QTest::keyClicks(f().DBMemoMeds, "Methotrexate");
  leave(f().DBMemoMeds);
  f().CheckBoxes[4]->setChecked(true);  // Pregnant
  f().CheckBoxes[6]->setChecked(true);  // Claustrophobia

  EXPECT_EQ(d().ADOPatientEyes.asInteger(), 2);
  EXPECT_EQ(d().ADOPatientLang.asInteger(), 7);
  EXPECT_EQ(d().ADOPatientHomePh.asString(), "0945612345");  // cut to the column's 10
  EXPECT_EQ(d().ADOCourseComCondition.asInteger(), 1);
  EXPECT_EQ(d().ADOCourseSched.asInteger(), 3);
  EXPECT_EQ(d().ADOCourseRadioPrevRx.asInteger(), 0);
  EXPECT_EQ(d().ADOCourseEdRxResult.asString(), "cleared");
  EXPECT_EQ(d().ADOCourseComDiag.asString(), "Lichen planus of the");  // cut to 20
  EXPECT_EQ(d().ADOCourseMemoMeds.asString(), "Methotrexate");
  EXPECT_EQ(d().ADOCourseCautions.asInteger(), 40);

  // An edited increment, stored as the schedule stores it.
  f().StringGrid1->setCell(4, 3, "25");
  d().ADOCourse.edit();
  f().DBSaveInc();
  d().ADOCourse.post();

  backToList();
  EXPECT_TRUE(f().EdAge->text().isEmpty());
  EXPECT_FALSE(f().CheckBoxes[4]->isChecked() && f().ComSkinType->currentIndex() >= 0);
  type(f().EdHosp, "ABC");
  QTest::mouseClick(f().BtnSelect, Qt::LeftButton);
  ASSERT_EQ(AppState, PatientMode);
  EXPECT_EQ(f().ComSkinType->currentIndex(), 2);
  EXPECT_EQ(f().EdAge->text(), "45.0");
  EXPECT_EQ(f().DBEdMED->text(), med);
  EXPECT_EQ(f().StringGrid1->cell(4, 3), "25");
  EXPECT_EQ(f().ComboEye->currentIndex(), 2);
  EXPECT_EQ(f().ComboLang->currentIndex(), 7);
  EXPECT_EQ(f().ComSched->currentIndex(), 3);
  EXPECT_TRUE(f().RadioPrevRxGroup->button(0)->isChecked());
  EXPECT_EQ(f().DBRxResult->text(), "cleared");
  EXPECT_EQ(f().DBHome->text(), "0945612345");
  EXPECT_EQ(f().DBMemoMeds->toPlainText(), "Methotrexate");
  const bool expectedBoxes[] = {false, false, false, false, true, false, true};
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(f().CheckBoxes[i]->isChecked(), expectedBoxes[i]) << i;
  EXPECT_TRUE(app.boxes.empty()) << app.boxes.front().text.toStdString();
}

TEST_F(PatientWindow, NumbersAreShownAndReadInTheUsersLocale) {
  const LocaleScope german("de_DE.UTF-8");
  createPatient("ABC1234", "Smith");
  f().ComSkinType->setCurrentIndex(0);
  type(f().EdAge, "45,5");
  leave(f().EdAge);
  EXPECT_EQ(f().EdAge->text(), "45,5");
  EXPECT_DOUBLE_EQ(d().ADOCourseOld.asFloat(), 45.5);
  EXPECT_EQ(f().Label6->text().contains(','), true);  // the estimates use the decimal comma
  leave(f().EdAge);  // what is shown reads back as the same age
  EXPECT_DOUBLE_EQ(d().ADOCourseOld.asFloat(), 45.5);
  type(f().EdAge, "46.5");  // a point is understood too
  leave(f().EdAge);
  EXPECT_DOUBLE_EQ(d().ADOCourseOld.asFloat(), 46.5);
}

TEST_F(PatientWindow, LoadingACourseWritesNothing) {
  createPatient("ABC1234", "Smith");
  f().ComSkinType->setCurrentIndex(0);
  type(f().EdAge, "30");
  leave(f().EdAge);
  f().CheckBoxes[1]->setChecked(true);
  // Another copy changes the course meanwhile; "List" re-reads it, and loading it again must not
  // write our window's view back.
  auto other = app.secondCopy();
  other->FilterPatientByNHI("ABC1234");
  other->ADOCourse.edit();
  other->ADOCourseCautions.setInteger(5);
  other->ADOCourse.post();
  ASSERT_EQ(other->ADOCourseHosp.asString(), "ABC1234");
  backToList();
  type(f().EdHosp, "ABC");
  QTest::mouseClick(f().BtnSelect, Qt::LeftButton);
  EXPECT_TRUE(f().CheckBoxes[1]->isChecked());
  EXPECT_TRUE(f().CheckBoxes[3]->isChecked());
  EXPECT_FALSE(f().CheckBoxes[2]->isChecked());
  other->ReopenDataSet(other->ADOCourse);
  EXPECT_EQ(other->ADOCourseCautions.asInteger(), 5);
  EXPECT_EQ(other->ADOCourseSkinIndex.asInteger(), 0);
}

TEST_F(PatientWindow, NewCourseForAnExistingPatientStartsWithAnEmptyAssessment) {
  createPatient("ABC1234", "Smith");
  f().CheckBoxes[2]->setChecked(true);
  f().ComCondition->setCurrentIndex(2);
  backToList();
  type(f().EdHosp, "ABC1234");
  EXPECT_TRUE(f().CkBxNewCourse->isEnabled());
  f().CkBxNewCourse->setChecked(true);
  QTest::mouseClick(f().BtnSelect, Qt::LeftButton);
  EXPECT_EQ(d().ADOCourseCourseID.asInteger(), 2);
  EXPECT_EQ(d().ADOPatientNCourse.asInteger(), 2);
  EXPECT_EQ(f().ComCondition->currentIndex(), -1);
  EXPECT_FALSE(f().CheckBoxes[2]->isChecked());
  EXPECT_FALSE(f().DBRxResult->isEnabled());
}

}  // namespace
