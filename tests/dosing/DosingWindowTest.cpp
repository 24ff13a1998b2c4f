// The estimate and plan handlers of the main window: what they show, the warning boxes, and the
// rule that the program's own changes in the wrong mode neither compute nor write.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "PlanFixtures.h"
#include "dosing/CourseGraph.h"
#include "records/Data.h"
#include "shell/ClickPanel.h"
#include "shell/ScheduleGrid.h"
#include "support/LocaleScope.h"
#include "support/WindowFixture.h"

namespace {

// Estimates 100, 200, 356 for every skin type at every age; first doses of 100..250 deliverable.
class DosingWindow : public ::testing::Test {
 protected:
  DosingWindow() : app(plan_fixtures::flatTables(100, 200, 356, 100, 250)) {}
  void SetUp() override {
    ASSERT_TRUE(app.created);
    f().show();
    QApplication::setActiveWindow(&f());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f()));
  }
  TForm1& f() { return *app.form; }
  TDataPatient& d() { return *app.data; }

  // A patient with an open course, as Select leaves it.
  void openCourse() {
    AppState = QuietMode;
    d().FindPatient("ABC1234", "", 7);
    d().AddPatient("ABC1234", "Smith");
    d().Addcourse();
    AppState = PatientMode;
  }
  void typeMed(const QString& text) {
    f().DBEdMED->setFocus();
    f().DBEdMED->selectAll();
    QTest::keyClicks(f().DBEdMED, text);
    f().BtnClear->setFocus();  // leaving the box runs the plan once
    QApplication::processEvents();
  }
  std::vector<QString> warnings() const {
    std::vector<QString> out;
    for (const auto& b : app.boxes)
      if (b.caption == "Undeliverable treatment") out.push_back(b.text);
    return out;
  }

  WindowFixture app;
};

TEST_F(DosingWindow, ToneClickShowsThePlanGraphAndStoresTheMed) {
  openCourse();
  f().ComSkinType->setCurrentIndex(0);
  f().EdAge->setText("40");
  f().EdAgeExit();
  EXPECT_EQ(f().Label6->text(), " 100.0");
  EXPECT_EQ(f().Label8->text(), " 356.0");
  EXPECT_TRUE(f().StringGrid1->isEnabled());
  QTest::mouseClick(f().Panel6, Qt::LeftButton);  // In-Sensitive: MED 356
  EXPECT_EQ(f().DBEdMED->text(), "356");
  EXPECT_EQ(d().ADOCourseEdMed.asInteger(), 356);
  EXPECT_EQ(d().ADOCourseSkinIndex.asInteger(), 0);
  EXPECT_EQ(f().StringGrid1->cell(2, 1).trimmed(), "249");  // 70 % of the MED
  EXPECT_EQ(f().StringGrid1->cell(3, 1).trimmed(), "356");
  EXPECT_EQ(f().CourseGraph1->title(), "I    Always burns, never tans - In-Sensitive");
  EXPECT_TRUE(f().BtnPrint->isEnabled());
  EXPECT_TRUE(warnings().empty());
}

TEST_F(DosingWindow, UndeliverableFirstDoseWarnsOncePerNewMed) {
  openCourse();
  f().ComSkinType->setCurrentIndex(0);
  f().EdAge->setText("40");
  f().EdAgeExit();
  typeMed("142");  // first dose 99 < 100
  ASSERT_EQ(warnings().size(), 1u);
  EXPECT_TRUE(warnings()[0].startsWith("Minimum MED deliverable is 142.74\n")) << warnings()[0].toStdString();
  EXPECT_EQ(d().ADOCourseEdMed.asInteger(), 142);
  f().StringGrid1->setCell(4, 2, "20");  // only an increment changes: no new warning
  f().EdMEDChange();
  typeMed("142");
  EXPECT_EQ(warnings().size(), 1u);
  typeMed("400");  // first dose 280 > 250
  ASSERT_EQ(warnings().size(), 2u);
  EXPECT_TRUE(warnings()[1].startsWith("Maximium MED deliverable is"));
}

TEST_F(DosingWindow, ProgramChangesInTheWrongModeNeitherComputeNorWrite) {
  openCourse();
  f().ComSkinType->setCurrentIndex(0);
  f().EdAge->setText("40");
  f().EdAgeExit();
  for (std::uint8_t mode : {ListMode, ImportMode, QuietMode}) {
    SCOPED_TRACE(int(mode));
    AppState = mode;
    f().DBEdMED->setText(QString::number(300 + mode));  // the box changes without the focus
    EXPECT_TRUE(f().StringGrid1->cell(2, 1).trimmed().isEmpty());
    EXPECT_TRUE(f().CourseGraph1->title().isEmpty());
  }
  // While a course is loaded the plan is computed, yet nothing is written.
  AppState = LoadingMode;
  f().ComSkinType->setCurrentIndex(2);
  f().DBEdMED->setText("300");
  EXPECT_EQ(f().StringGrid1->cell(2, 1).trimmed(), "210");
  d().ReopenDataSet(d().ADOCourse);
  EXPECT_EQ(d().ADOCourseSkinIndex.asInteger(), 0);
  EXPECT_TRUE(d().ADOCourseEdMed.isNull());
  AppState = PatientMode;
}

// A German therapist sees decimal commas where a German writes them, and exact figures: the
// digits do not pass through the C library's locale, which Qt sets from the environment.
TEST_F(DosingWindow, GermanUsersSeeAndTypeDecimalCommas) {
  const LocaleScope german("de_DE.UTF-8");
  openCourse();
  f().ComSkinType->setCurrentIndex(0);
  f().EdAge->setFocus();
  QTest::keyClicks(f().EdAge, "45,5");
  f().BtnClear->setFocus();  // leaving the age box applies it
  QApplication::processEvents();
  EXPECT_EQ(f().EdAge->text(), "45,5");
  EXPECT_DOUBLE_EQ(d().ADOCourseOld.asFloat(), 45.5);
  EXPECT_EQ(f().Label6->text(), " 100,0");
  EXPECT_EQ(f().Label7->text(), " 200,0");
  EXPECT_EQ(f().Label8->text(), " 356,0");
  QTest::mouseClick(f().Panel6, Qt::LeftButton);  // In-Sensitive: MED 356
  EXPECT_EQ(f().DBEdMED->text(), "356");
  EXPECT_EQ(f().StringGrid1->cell(2, 1), "  249");
  EXPECT_EQ(f().StringGrid1->cell(3, 1), "  356");
  EXPECT_EQ(f().StringGrid1->cell(2, 29), f().StringGrid1->cell(2, 29).trimmed().rightJustified(5, ' '));
  // A point typed by a user used to it is understood as well.
  f().EdAge->setFocus();
  f().EdAge->selectAll();
  QTest::keyClicks(f().EdAge, "46.5");
  f().BtnClear->setFocus();
  QApplication::processEvents();
  EXPECT_DOUBLE_EQ(d().ADOCourseOld.asFloat(), 46.5);
  // No label widens the window beyond a laptop's screen.
  EXPECT_LE(f().minimumSizeHint().width(), 1366);
}

}  // namespace
