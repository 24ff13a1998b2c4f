// The Bulk Import tab through the main window: a batch with a skipped file in the middle, its log
// and summary, the progress, and the window left showing the last imported patient.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "../records/LegacyFixtures.h"
#include "base/DateTime.h"
#include "support/WindowFixture.h"
#include "ui/LegacyFileChooser.h"
#include "ui/widgets/DatePicker.h"
#include "ui/widgets/ScheduleGrid.h"

using namespace testing_legacy;

namespace {

class ImportWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.created);
    ASSERT_TRUE(files.isValid());
    ui::setLegacyFileChooser([this](QWidget*) {
      ++dialogsShown;
      return chosen;
    });
  }
  void TearDown() override { ui::setLegacyFileChooser({}); }

  template <class T = QWidget>
  T* w(const char* name) {
    return app.find<T>(name);
  }
  QString file(const QString& name, const UvbFile& u) { return writeFile(files.path(), name, u.bytes()); }
  QString logText() { return w<QPlainTextEdit>(names::Memo2)->toPlainText(); }
  QStringList log() { return logText().split('\n', Qt::SkipEmptyParts); }
  void loadData() { QTest::mouseClick(w(names::BtnLoadALL), Qt::LeftButton); }
  QTabWidget* tabs() { return w<QTabWidget>(names::PageControl1); }

  WindowFixture app;
  QTemporaryDir files;
  QStringList chosen;
  int dialogsShown = 0;
};

TEST_F(ImportWindow, ABatchLogsEachFileSkipsTheBadOneAndShowsTheLastPatient) {
  UvbFile first, bad, last;
  first.nhi = "AAA0001";
  first.name = "Mary Jane Jones";
  bad.nhi = "BBB0002";
  bad.med = "";  // no MED at all
  last.nhi = "CCC0003";
  last.name = "J Paul Smith";
  last.age = "62.5";
  last.skinType = 4;
  last.med = "210";
  for (int k = 0; k < 29; ++k) last.increments[static_cast<std::size_t>(k)] = 10 + k;
  chosen = {file("JONES.UVB", first), file("BAD.UVB", bad), file("SMITH.UVB", last)};
  // The pauses between files let the window work: a pending event runs before the first file.
  QString logWhenEventRan = "(never ran)";
  QTimer::singleShot(0, app.window.get(), [&] { logWhenEventRan = logText(); });

  loadData();

  EXPECT_EQ(logWhenEventRan, "");

  const QStringList lines = log();
  ASSERT_EQ(lines.size(), 5) << logText().toStdString();
  EXPECT_EQ(lines[0], "JONES.UVB   0");
  EXPECT_EQ(lines[1], "BAD.UVB   1");
  EXPECT_TRUE(lines[2].startsWith("   skipped: ")) << lines[2].toStdString();
  EXPECT_TRUE(lines[2].contains("BAD.UVB"));
  EXPECT_TRUE(lines[2].contains("MED"));
  EXPECT_EQ(lines[3], "SMITH.UVB   2");
  EXPECT_EQ(lines[4], "Import finished: 2 files imported, 1 file skipped.");
  EXPECT_EQ(w<QProgressBar>(names::ImportProgress)->value(), 3);
  EXPECT_EQ(w<QProgressBar>(names::ImportProgress)->maximum(), 3);
  EXPECT_TRUE(w(names::BtnLoadALL)->isEnabled());

  // The window: the log with the summary in front, list mode again with the patient list on the
  // Clinical tab, and the last imported patient's assessment.
  EXPECT_EQ(tabs()->currentWidget(), w(names::TabImport));
  EXPECT_EQ(app.course->mode(), course::Mode::List);
  EXPECT_FALSE(app.course->dosing().loadingStoredCourse());
  EXPECT_TRUE(w(names::PanDetails)->isHidden());
  EXPECT_FALSE(w(names::PanDataBase)->isHidden());
  EXPECT_EQ(w<QLineEdit>(names::EdFirst)->text(), "J Paul");
  EXPECT_EQ(w<QLineEdit>(names::EdSurname)->text(), "Smith");
  EXPECT_EQ(w<QLabel>(names::Label5)->text(), "J Paul  Smith");
  EXPECT_EQ(w<QComboBox>(names::ComSkinType)->currentIndex(), 3);
  EXPECT_EQ(w<QLineEdit>(names::DBEdMED)->text(), "210");
  auto* grid = w<ui::ScheduleGrid>(names::StringGrid1);
  EXPECT_EQ(grid->cell(2, 1), "");  // the plan is not computed for an imported course
  for (int row = 1; row <= 29; ++row) EXPECT_EQ(grid->cell(4, row), QString::number(9 + row)) << row;
  EXPECT_EQ(w<QDateTimeEdit>(names::DateAssess)->dateTime(), fixtureTime());
  EXPECT_FALSE(w(names::BtnPrint)->isEnabled()) << "nothing to print in list mode";
  EXPECT_EQ(app.data().patientNhi.asString(), "CCC0003");
  EXPECT_EQ(app.data().courseNumber.asInteger(), 1);
  EXPECT_TRUE(app.boxes.empty());

  // The store: the two good files, nothing of the bad one.
  auto other = app.secondCopy();
  QStringList listed;
  for (other->patients.first(); !other->patients.eof(); other->patients.next())
    listed << other->patientNhi.asString() + '/' + other->patientFirstName.asString() + '/' +
                  other->patientSurname.asString();
  EXPECT_EQ(listed, QStringList({"AAA0001/Mary/Jane Jones", "CCC0003/J Paul/Smith"}));
}

TEST_F(ImportWindow, CancellingTheDialogImportsNothing) {
  chosen.clear();
  tabs()->setCurrentWidget(w(names::TabImport));
  loadData();
  EXPECT_EQ(dialogsShown, 1);
  EXPECT_TRUE(logText().isEmpty());
  EXPECT_EQ(tabs()->currentWidget(), w(names::TabClinical));  // the list is shown before choosing
  EXPECT_TRUE(w(names::PanDataBase)->isVisibleTo(app.window.get()));
  EXPECT_TRUE(app.data().patients.isEmpty());
}

TEST_F(ImportWindow, ASkippedLastFileLeavesThePreviousPatientShown) {
  UvbFile good, shortFile;
  good.nhi = "AAA0001";
  good.name = "Ann Brown";
  shortFile.nhi = "BBB0002";
  chosen = {file("BROWN.UVB", good), writeFile(files.path(), "CUT.UVB", shortFile.bytes().left(20))};
  loadData();
  EXPECT_EQ(log().last(), "Import finished: 1 file imported, 1 file skipped.");
  EXPECT_TRUE(log()[2].contains("CUT.UVB")) << log()[2].toStdString();
  EXPECT_EQ(w<QLineEdit>(names::EdSurname)->text(), "Brown");
  EXPECT_EQ(app.data().patientNhi.asString(), "AAA0001");
}

TEST_F(ImportWindow, AnOpenPatientIsClosedBeforeTheImport) {
  app.show();
  w<QLineEdit>(names::EdHosp)->setText("ABC1234");
  w<QLineEdit>(names::EdSurname)->setText("Open");
  QTest::mouseClick(w(names::BtnSelect), Qt::LeftButton);
  ASSERT_EQ(app.course->mode(), course::Mode::Patient);
  UvbFile u;
  u.nhi = "DDD0004";
  chosen = {file("D.UVB", u)};
  loadData();
  EXPECT_EQ(app.course->mode(), course::Mode::List);  // no edit can reach the imported course as if it were open
  EXPECT_EQ(log().last(), "Import finished: 1 file imported, 0 files skipped.");
  EXPECT_EQ(app.data().patientNhi.asString(), "DDD0004");
}

TEST_F(ImportWindow, SelectInThePauseOfABatchOpensNothingAndWritesNothing) {
  app.show();
  w<QLineEdit>(names::EdHosp)->setText("ABC1234");
  QTest::mouseClick(w(names::BtnSelect), Qt::LeftButton);
  ASSERT_EQ(app.course->mode(), course::Mode::Patient);
  w<QCheckBox>(names::CheckBox1)->setChecked(true);  // the course the user had open
  UvbFile first, second;
  first.nhi = "DDD0004";
  second.nhi = "EEE0005";
  chosen = {file("D.UVB", first), file("E.UVB", second)};
  // Once the first file is in, a click on Select in the pause before the second.
  bool clicked = false, enabledInPause = true;
  QMetaObject::Connection once;
  once = QObject::connect(app.course.get(), &course::OpenCourse::changed, [&] {
    if (clicked || app.data().patientNhi.asString() != "DDD0004") return;
    clicked = true;
    QObject::disconnect(once);
    QTimer::singleShot(0, app.window.get(), [&] {
      enabledInPause = w(names::BtnSelect)->isEnabled();
      QTest::mouseClick(w(names::BtnSelect), Qt::LeftButton);
      EXPECT_EQ(app.course->select(), course::SelectOutcome::NotNow);
    });
  });
  loadData();
  ASSERT_TRUE(clicked);
  EXPECT_FALSE(enabledInPause);
  EXPECT_EQ(app.course->mode(), course::Mode::List);
  EXPECT_EQ(log().last(), "Import finished: 2 files imported, 0 files skipped.");
  auto other = app.secondCopy();
  for (const char* nhi : {"DDD0004", "EEE0005"}) {
    other->listOnlyNhi(nhi);
    other->courses.last();
    EXPECT_TRUE(other->courseCautions.isNull()) << nhi << ": the open course's boxes reached the imported one";
  }
}

}  // namespace
