// The patient list and the open course, end to end through the main window on a real database
// file: searching as the user types, creating and opening a patient, the estimate and plan
// stored as they are chosen, every assessment field written to its column, and everything found
// again after going back to the list.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QTest>

#include "support/LocaleScope.h"
#include "support/WindowFixture.h"
#include "ui/widgets/ScheduleGrid.h"

namespace {

class PatientWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.created);
    app.show();
  }
  course::OpenCourse& c() { return *app.course; }
  const records::Store& d() { return app.data(); }
  template <class T = QWidget>
  T* w(const char* name) {
    return app.find<T>(name);
  }
  void type(const char* box, const QString& text) { app.type(w(box), text); }
  void leave(const char* box) { app.leave(w(box)); }

  // A new patient through the window: NHI and names typed, Select.
  void createPatient(const QString& nhi, const QString& surname, const QString& first = {}) {
    type(names::EdHosp, nhi);
    type(names::EdFirst, first);
    type(names::EdSurname, surname);
    ASSERT_TRUE(w(names::BtnSelect)->isEnabled()) << nhi.toStdString();
    QTest::mouseClick(w(names::BtnSelect), Qt::LeftButton);
    ASSERT_EQ(c().mode(), course::Mode::Patient);
  }
  void backToList() {
    QTest::mouseClick(w(names::BtnClear), Qt::LeftButton);
    ASSERT_EQ(c().mode(), course::Mode::List);
  }
  void select() { QTest::mouseClick(w(names::BtnSelect), Qt::LeftButton); }
  QStringList listedNHIs() {
    QStringList out;
    auto* model = w<QTableView>(names::DBGrid1)->model();
    for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, 0).data().toString();
    return out;
  }
  bool ticked(const char* box) { return w<QAbstractButton>(box)->isChecked(); }

  WindowFixture app;
};

TEST_F(PatientWindow, SelectCreatesThePatientWithItsFirstCourseAndOpensIt) {
  type(names::EdHosp, "ABC1234");
  EXPECT_EQ(w<QPushButton>(names::BtnSelect)->text(), "New Patient");
  EXPECT_TRUE(ticked(names::CkBxNewCourse));
  EXPECT_FALSE(w(names::CkBxNewCourse)->isEnabled());
  type(names::EdFirst, "Mary");
  type(names::EdSurname, "Smith");
  select();
  ASSERT_EQ(c().mode(), course::Mode::Patient);
  EXPECT_EQ(d().patientNhi.asString(), "ABC1234");
  EXPECT_EQ(d().patientSurname.asString(), "Smith");
  EXPECT_EQ(d().patientFirstName.asString(), "Mary");
  EXPECT_EQ(d().patientCourseCount.asInteger(), 1);
  EXPECT_EQ(d().patientLanguage.asInteger(), 2);
  EXPECT_EQ(d().courseNumber.asInteger(), 1);
  EXPECT_EQ(d().courses.recordCount(), 1);
  EXPECT_TRUE(w(names::PanDataBase)->isHidden());
  EXPECT_FALSE(w(names::PanDetails)->isHidden());
  EXPECT_FALSE(w(names::PanPhone)->isHidden());
  EXPECT_FALSE(w(names::EdHosp)->isEnabled());
  EXPECT_EQ(w<QLabel>(names::Label5)->text(), "Mary  Smith");
  EXPECT_TRUE(w<QLineEdit>(names::EdAge)->text().isEmpty());  // no age yet: a birth date may supply it
  auto* birth = w<QDateTimeEdit>(names::DateBirth);
  birth->setFocus();
  birth->setDate(QDate::currentDate().addYears(-40).addDays(-10));
  EXPECT_EQ(w<QLineEdit>(names::EdAge)->text(), "40.0");
  EXPECT_DOUBLE_EQ(d().courseAge.asFloat(), c().dosing().age());
  EXPECT_FALSE(d().patientBirth.isNull());
}

// The header shows the open patient's treatments and dose over all courses, following each
// recorded or cleared treatment; a department's review threshold brings an advisory box each time
// such a patient is opened.
TEST_F(PatientWindow, LifetimeExposureIsShownAndReviewedAtTheDepartmentsThreshold) {
  auto* lifetime = w<QLabel>(names::LifetimeExposure);
  createPatient("ABC1234", "Smith", "Mary");
  EXPECT_FALSE(lifetime->isHidden());
  EXPECT_EQ(lifetime->text(), QString::fromUtf8("Lifetime: 0 treatments, 0.0 J/cm²"));
  treatment::TreatmentEntry visit;
  visit.condition = Same;
  visit.dose = 360;
  visit.when = 45000;
  c().recordTreatment(1, visit, false);
  EXPECT_EQ(lifetime->text(), QString::fromUtf8("Lifetime: 1 treatment, 0.4 J/cm²"));
  c().recordTreatment(2, visit, false);
  EXPECT_EQ(lifetime->text(), QString::fromUtf8("Lifetime: 2 treatments, 0.7 J/cm²"));
  c().clearTreatment(1);
  EXPECT_EQ(lifetime->text(), QString::fromUtf8("Lifetime: 1 treatment, 0.4 J/cm²"));
  EXPECT_TRUE(app.boxes.empty());

  const auto reopen = [&] {
    backToList();
    EXPECT_TRUE(lifetime->isHidden());
    type(names::EdHosp, "ABC1234");
    select();
  };
  const auto advice = [&] {
    int n = 0;
    for (const dialogs::Box& b : app.boxes) n += b.caption == "Lifetime exposure";
    return n;
  };
  reopen();
  EXPECT_EQ(advice(), 0) << "no threshold: no box";
  QSettings(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell").setValue("LifetimeReviewThreshold", 1);
  reopen();
  ASSERT_EQ(advice(), 1);
  EXPECT_TRUE(app.boxes.back().text.startsWith("Mary Smith (ABC1234) has had 1 UV treatment over all courses"))
      << app.boxes.back().text.toStdString();
  c().recordTreatment(3, visit, false);
  EXPECT_EQ(advice(), 1) << "once per opening";
  QSettings(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell").setValue("LifetimeReviewThreshold", 3);
  reopen();
  EXPECT_EQ(advice(), 1) << "2 treatments are below 3";
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
  auto* pending = w<QCheckBox>(names::ChkPending);
  for (const auto& test : cases) {
    SCOPED_TRACE(test.nhi);
    pending->setChecked(test.allTicked);
    type(names::EdHosp, test.nhi);
    EXPECT_EQ(w<QPushButton>(names::BtnSelect)->text(), test.caption);
    EXPECT_EQ(w(names::BtnSelect)->isEnabled(), test.enabled);
    pending->setChecked(true);
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
  type(names::EdHosp, "AB");
  EXPECT_EQ(listedNHIs(), (QStringList{"ABC1234", "ABD2345", "ABE3456"}));
  type(names::EdSurname, "mit");
  EXPECT_EQ(listedNHIs(), (QStringList{"ABC1234", "ABD2345"}));
  type(names::EdFirst, "John");  // a first name does not filter
  EXPECT_EQ(listedNHIs(), (QStringList{"ABC1234", "ABD2345"}));
  type(names::EdHosp, "a'b%");  // quotes and wildcards match themselves
  EXPECT_TRUE(listedNHIs().isEmpty());
}

TEST_F(PatientWindow, EstimatePlanAndAssessmentAreStoredAndComeBackAfterTheList) {
  createPatient("ABC1234", "Smith", "Mary");
  // The estimate: skin type, age, a tone click puts the rounded estimate into the MED box.
  w<QComboBox>(names::ComSkinType)->setCurrentIndex(2);
  type(names::EdAge, "45");
  leave(names::EdAge);
  EXPECT_EQ(w<QLineEdit>(names::EdAge)->text(), "45.0");
  EXPECT_TRUE(w(names::Panel5)->isEnabled());
  QTest::mouseClick(w(names::Panel5), Qt::LeftButton);
  const QString med = w<QLineEdit>(names::DBEdMED)->text();
  EXPECT_FALSE(med.isEmpty());
  EXPECT_EQ(d().courseMed.asInteger(), med.toInt());
  EXPECT_EQ(d().courseSkinType.asInteger(), 2);
  EXPECT_DOUBLE_EQ(d().courseAge.asFloat(), 45.0);
  EXPECT_FALSE(w<ui::ScheduleGrid>(names::StringGrid1)->cell(2, 1).trimmed().isEmpty());  // the plan is shown
  EXPECT_TRUE(w(names::BtnPrint)->isEnabled());

  // The assessment, one field after another.
  w<QComboBox>(names::ComboEye)->setCurrentIndex(2);   // Hazel
  w<QComboBox>(names::ComboLang)->setCurrentIndex(7);  // Slovak
  w<QComboBox>(names::ComCondition)->setCurrentIndex(1);
  w<QComboBox>(names::ComSched)->setCurrentIndex(3);  // As Required
  QTest::mouseClick(w(names::RadioPrevRxNo), Qt::LeftButton);
  EXPECT_FALSE(w(names::DBRxResult)->isEnabled());
  QTest::mouseClick(w(names::RadioPrevRxYes), Qt::LeftButton);
  EXPECT_TRUE(w(names::DBRxResult)->isEnabled());
  type(names::DBHome, "094561234567");
  leave(names::DBHome);
  type(names::DBRxResult, "cleared");
  leave(names::DBRxResult);
  w(names::DBDiag)->setFocus();
  w<QComboBox>(names::DBDiag)->setEditText("Lichen planus of the lower limbs");
  leave(names::DBDiag);
  type(names::DBMemoMeds, "Methotrexate");
  leave(names::DBMemoMeds);
  w<QCheckBox>(names::CheckBox4)->setChecked(true);  // Pregnant
  w<QCheckBox>(names::CheckBox6)->setChecked(true);  // Claustrophobia

  EXPECT_EQ(d().patientEyes.asInteger(), 2);
  EXPECT_EQ(d().patientLanguage.asInteger(), 7);
  EXPECT_EQ(d().patientHomePhone.asString(), "0945612345");  // cut to the column's 10
  EXPECT_EQ(d().courseAppearance.asInteger(), 1);
  EXPECT_EQ(d().courseFrequency.asInteger(), 3);
  EXPECT_EQ(d().coursePreviousTreatment.asInteger(), 0);
  EXPECT_EQ(d().coursePreviousResult.asString(), "cleared");
  EXPECT_EQ(d().courseDiagnosis.asString(), "Lichen planus of the");  // cut to 20
  EXPECT_EQ(d().courseMedication.asString(), "Methotrexate");
  EXPECT_EQ(d().courseCautions.asInteger(), 40);

  // An edited increment, stored as the schedule stores it.
  dosing::RowTexts increments = c().dosing().grid().inc;
  increments[2] = "25";
  c().setIncrements(increments);

  backToList();
  EXPECT_TRUE(w<QLineEdit>(names::EdAge)->text().isEmpty());
  EXPECT_EQ(w<QComboBox>(names::ComSkinType)->currentIndex(), -1);
  type(names::EdHosp, "ABC");
  select();
  ASSERT_EQ(c().mode(), course::Mode::Patient);
  EXPECT_EQ(w<QComboBox>(names::ComSkinType)->currentIndex(), 2);
  EXPECT_EQ(w<QLineEdit>(names::EdAge)->text(), "45.0");
  EXPECT_EQ(w<QLineEdit>(names::DBEdMED)->text(), med);
  EXPECT_EQ(w<ui::ScheduleGrid>(names::StringGrid1)->cell(4, 3), "25");
  EXPECT_EQ(w<QComboBox>(names::ComboEye)->currentIndex(), 2);
  EXPECT_EQ(w<QComboBox>(names::ComboLang)->currentIndex(), 7);
  EXPECT_EQ(w<QComboBox>(names::ComSched)->currentIndex(), 3);
  EXPECT_TRUE(ticked(names::RadioPrevRxYes));
  EXPECT_EQ(w<QLineEdit>(names::DBRxResult)->text(), "cleared");
  EXPECT_EQ(w<QLineEdit>(names::DBHome)->text(), "0945612345");
  EXPECT_EQ(w<QPlainTextEdit>(names::DBMemoMeds)->toPlainText(), "Methotrexate");
  const bool expectedBoxes[] = {false, false, false, true, false, true};
  const char* boxes[] = {names::CheckBox1, names::CheckBox2, names::CheckBox3,
                         names::CheckBox4, names::CheckBox5, names::CheckBox6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ticked(boxes[i]), expectedBoxes[i]) << boxes[i];
  // The one box: the diagnosis set longer than its column was cut, and the user was told.
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_TRUE(app.boxes[0].text.startsWith("The Diagnosis has 32 characters, more than the 20 its record keeps"))
      << app.boxes[0].text.toStdString();
}

TEST_F(PatientWindow, NumbersAreShownAndReadInTheUsersLocale) {
  const LocaleScope german("de_DE.UTF-8");
  createPatient("ABC1234", "Smith");
  w<QComboBox>(names::ComSkinType)->setCurrentIndex(0);
  type(names::EdAge, "45,5");
  leave(names::EdAge);
  EXPECT_EQ(w<QLineEdit>(names::EdAge)->text(), "45,5");
  EXPECT_DOUBLE_EQ(d().courseAge.asFloat(), 45.5);
  EXPECT_TRUE(w<QLabel>(names::Label6)->text().contains(','));  // the estimates use the decimal comma
  leave(names::EdAge);                                          // what is shown reads back as the same age
  EXPECT_DOUBLE_EQ(d().courseAge.asFloat(), 45.5);
  type(names::EdAge, "46.5");  // a point is understood too
  leave(names::EdAge);
  EXPECT_DOUBLE_EQ(d().courseAge.asFloat(), 46.5);
}

TEST_F(PatientWindow, LoadingACourseWritesNothing) {
  createPatient("ABC1234", "Smith");
  w<QComboBox>(names::ComSkinType)->setCurrentIndex(0);
  type(names::EdAge, "30");
  leave(names::EdAge);
  w<QCheckBox>(names::CheckBox1)->setChecked(true);
  // Another copy changes the course meanwhile; "List" re-reads it, and loading it again must not
  // write our window's view back.
  auto other = app.secondCopy();
  other->listOnlyNhi("ABC1234");
  other->courses.edit();
  other->courseCautions.setInteger(5);
  other->courses.post();
  ASSERT_EQ(other->courseNhi.asString(), "ABC1234");
  backToList();
  type(names::EdHosp, "ABC");
  select();
  EXPECT_TRUE(ticked(names::CheckBox1));
  EXPECT_TRUE(ticked(names::CheckBox3));
  EXPECT_FALSE(ticked(names::CheckBox2));
  other->reread(other->courses);
  EXPECT_EQ(other->courseCautions.asInteger(), 5);
  EXPECT_EQ(other->courseSkinType.asInteger(), 0);
}

TEST_F(PatientWindow, NewCourseForAnExistingPatientStartsWithAnEmptyAssessment) {
  createPatient("ABC1234", "Smith");
  w<QCheckBox>(names::CheckBox2)->setChecked(true);
  w<QComboBox>(names::ComCondition)->setCurrentIndex(2);
  backToList();
  type(names::EdHosp, "ABC1234");
  EXPECT_TRUE(w(names::CkBxNewCourse)->isEnabled());
  w<QCheckBox>(names::CkBxNewCourse)->setChecked(true);
  select();
  EXPECT_EQ(d().courseNumber.asInteger(), 2);
  EXPECT_EQ(d().patientCourseCount.asInteger(), 2);
  EXPECT_EQ(w<QComboBox>(names::ComCondition)->currentIndex(), -1);
  EXPECT_FALSE(ticked(names::CheckBox2));
  EXPECT_FALSE(w(names::DBRxResult)->isEnabled());
}

// A search makes the patient's newest course current, so Select opens the course under way, not
// the first one; a course picked in the course list is opened instead.
TEST_F(PatientWindow, SelectAfterASearchOpensTheNewestCourse) {
  createPatient("AAA0001", "Jones");  // listed first: the list is read anew behind Select
  backToList();
  createPatient("ABC1234", "Smith");
  backToList();
  type(names::EdHosp, "ABC1234");
  w<QCheckBox>(names::CkBxNewCourse)->setChecked(true);
  select();
  ASSERT_EQ(d().courseNumber.asInteger(), 2);
  backToList();
  type(names::EdHosp, "ABC1234");
  EXPECT_EQ(w<QTableView>(names::DBGrid2)->currentIndex().row(), 1);
  select();
  EXPECT_EQ(d().courseNumber.asInteger(), 2);
  backToList();
  type(names::EdHosp, "ABC1234");
  auto* courses = w<QTableView>(names::DBGrid2);
  courses->setCurrentIndex(courses->model()->index(0, 0));
  select();
  EXPECT_EQ(d().courseNumber.asInteger(), 1);
}

TEST_F(PatientWindow, ANameLeftInPatientModeIsStoredCutToItsColumn) {
  createPatient("ABC1234", "Smith");
  type(names::EdSurname, "Abcdefghijklmnopqrstuvwxy");  // 25 characters: the box takes 20
  leave(names::EdSurname);
  EXPECT_EQ(app.secondCopy()->patientSurname.asString(), "Abcdefghijklmnopqrst");
  EXPECT_EQ(w<QLabel>(names::Label5)->text(), "  Abcdefghijklmnopqrst");
}

}  // namespace
