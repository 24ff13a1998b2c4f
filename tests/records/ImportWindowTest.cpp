// The Bulk Import tab through the main window: a batch with a skipped file in the middle, its log
// and summary, the progress, and the window left showing the last imported patient.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "LegacyFixtures.h"
#include "records/Data.h"
#include "records/LegacyFileChooser.h"
#include "shell/DatePicker.h"
#include "base/DateTime.h"
#include "shell/ScheduleGrid.h"
#include "support/WindowFixture.h"

using namespace testing_legacy;

namespace {

class ImportWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.created);
    ASSERT_TRUE(files.isValid());
    records::setLegacyFileChooser([this](QWidget*) {
      ++dialogsShown;
      return chosen;
    });
  }
  void TearDown() override { records::setLegacyFileChooser({}); }

  TForm1& f() { return *app.form; }
  QString file(const QString& name, const UvbFile& u) { return writeFile(files.path(), name, u.bytes()); }
  QStringList log() const { return app.form->Memo2->toPlainText().split('\n', Qt::SkipEmptyParts); }
  void loadData() { QTest::mouseClick(f().BtnLoadALL, Qt::LeftButton); }

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
  AppState = ListMode;
  // The pauses between files let the window work: a pending event runs before the first file.
  QString logWhenEventRan = "(never ran)";
  QTimer::singleShot(0, &f(), [&] { logWhenEventRan = f().Memo2->toPlainText(); });

  loadData();

  EXPECT_EQ(logWhenEventRan, "");

  const QStringList lines = log();
  ASSERT_EQ(lines.size(), 5) << f().Memo2->toPlainText().toStdString();
  EXPECT_EQ(lines[0], "JONES.UVB   0");
  EXPECT_EQ(lines[1], "BAD.UVB   1");
  EXPECT_TRUE(lines[2].startsWith("   skipped: ")) << lines[2].toStdString();
  EXPECT_TRUE(lines[2].contains("BAD.UVB"));
  EXPECT_TRUE(lines[2].contains("MED"));
  EXPECT_EQ(lines[3], "SMITH.UVB   2");
  EXPECT_EQ(lines[4], "Import finished: 2 files imported, 1 file skipped.");
  EXPECT_EQ(f().ImportProgress->value(), 3);
  EXPECT_EQ(f().ImportProgress->maximum(), 3);
  EXPECT_TRUE(f().BtnLoadALL->isEnabled());

  // The window: the log with the summary in front, list mode again with the patient list on the
  // Clinical tab, and the last imported patient's assessment.
  EXPECT_EQ(f().PageControl1->currentWidget(), f().TabImport);
  EXPECT_EQ(AppState, ListMode);
  EXPECT_FALSE(f().Dosing.MEDImport);
  EXPECT_TRUE(f().PanDetails->isHidden());
  EXPECT_FALSE(f().PanDataBase->isHidden());
  EXPECT_EQ(f().EdFirst->text(), "J Paul");
  EXPECT_EQ(f().EdSurname->text(), "Smith");
  EXPECT_EQ(f().Label5->text(), "J Paul  Smith");
  EXPECT_EQ(f().ComSkinType->currentIndex(), 3);
  EXPECT_EQ(f().DBEdMED->text(), "210");
  EXPECT_EQ(f().StringGrid1->cell(2, 1), "");  // the plan is not computed for an imported course
  for (int row = 1; row <= 29; ++row) EXPECT_EQ(f().StringGrid1->cell(4, row), QString::number(9 + row)) << row;
  EXPECT_EQ(f().DateAssess->dateTime(), fixtureTime());
  EXPECT_EQ(app.data->ADOPatientHosp.asString(), "CCC0003");
  EXPECT_EQ(app.data->ADOCourseCourseID.asInteger(), 1);
  EXPECT_TRUE(app.boxes.empty());

  // The store: the two good files, nothing of the bad one.
  app.data->FindPatient("", "", 7);
  QStringList listed;
  for (app.data->ADOPatient.first(); !app.data->ADOPatient.eof(); app.data->ADOPatient.next())
    listed << app.data->ADOPatientHosp.asString() + '/' + app.data->ADOPatientFirstN.asString() + '/' +
                  app.data->ADOPatientSurN.asString();
  EXPECT_EQ(listed, QStringList({"AAA0001/Mary/Jane Jones", "CCC0003/J Paul/Smith"}));
}

TEST_F(ImportWindow, CancellingTheDialogImportsNothing) {
  chosen.clear();
  f().PageControl1->setCurrentWidget(f().TabImport);
  loadData();
  EXPECT_EQ(dialogsShown, 1);
  EXPECT_TRUE(f().Memo2->toPlainText().isEmpty());
  EXPECT_EQ(f().PageControl1->currentWidget(), f().TabClinical);  // the list is shown before choosing
  EXPECT_TRUE(f().PanDataBase->isVisibleTo(&f()));
  EXPECT_TRUE(app.data->ADOPatient.isEmpty());
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
  EXPECT_EQ(f().EdSurname->text(), "Brown");
  EXPECT_EQ(app.data->ADOPatientHosp.asString(), "AAA0001");
}

TEST_F(ImportWindow, AnOpenPatientIsClosedBeforeTheImport) {
  f().show();
  f().EdHosp->setText("ABC1234");
  f().EdSurname->setText("Open");
  QTest::mouseClick(f().BtnSelect, Qt::LeftButton);
  ASSERT_EQ(AppState, PatientMode);
  UvbFile u;
  u.nhi = "DDD0004";
  chosen = {file("D.UVB", u)};
  loadData();
  EXPECT_EQ(AppState, ListMode);  // no edit can reach the imported course as if it were open
  EXPECT_EQ(log().last(), "Import finished: 1 file imported, 0 files skipped.");
  EXPECT_EQ(app.data->ADOPatientHosp.asString(), "DDD0004");
}

}  // namespace
