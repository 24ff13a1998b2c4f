// Start-up of the main window on the offscreen platform: the calibration, the disclaimer, the
// schedule's first state, F1 help and the database-directory setting.

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "dosing/FactorFile.h"
#include "base/AppState.h"
#include "shell/DatePicker.h"
#include "shell/Dialogs.h"
#include "shell/Notice.h"
#include "shell/ScheduleGrid.h"
#include "base/Settings.h"
#include "shell/SkinU.h"

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    startDir_ = dir_.filePath("start");
    ASSERT_TRUE(QDir().mkpath(startDir_));
    ASSERT_TRUE(QDir().mkpath(dir_.filePath("elsewhere")));
    // Settings live in the test's own folder, never in the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.filePath("config"));
    FactorTables tables;
    tables.ESF = 1.0;
    tables.Default_Format = "LLL0000";
    tables.Default_Lang = 2;
    dosing::writeFactorFile(QDir(startDir_).filePath("UVB_Factors.Dat"), tables);
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(startDir_);
    StartDir = startDir_;
    DBDir.clear();
    dialogs::setHook([this](const dialogs::Box& box) {
      boxes_.push_back(box);
      return QMessageBox::Ok;
    });
  }
  void TearDown() override {
    dialogs::setHook({});
    QDir::setCurrent(previousDir_);
  }

  std::unique_ptr<TForm1> createdForm() {
    auto form = std::make_unique<TForm1>();
    Form1 = form.get();
    EXPECT_TRUE(form->FormCreate());
    return form;
  }

  QTemporaryDir dir_;
  QString startDir_;
  QString previousDir_;
  std::vector<dialogs::Box> boxes_;
};

TEST_F(StartupTest, MissingFactorFileIsReportedByItsFullPathAndStopsStartUp) {
  QFile::remove(QDir(startDir_).filePath("UVB_Factors.Dat"));
  TForm1 form;
  EXPECT_FALSE(form.FormCreate());
  ASSERT_EQ(boxes_.size(), 1u);
  const QString expected = "Cannot open file \"" + QDir(startDir_).absoluteFilePath("UVB_Factors.Dat") + "\".";
  EXPECT_TRUE(boxes_[0].text.startsWith(expected)) << boxes_[0].text.toStdString();
  EXPECT_EQ(boxes_[0].kind, dialogs::Kind::Error);
}

TEST_F(StartupTest, FirstStateShowsThePatientListAndAnEmptySchedule) {
  auto form = createdForm();
  EXPECT_EQ(AppState, ListMode);
  EXPECT_EQ(form->windowTitle(), "Halcyra - NB UVB MED Calculator");
  const QStringList headings = {"#", "", "Dose (mJ)", "Erythema", "% Inc", "Def %Inc"};
  for (int c = 0; c < 6; ++c) EXPECT_EQ(form->StringGrid1->cell(c, 0), headings[c]) << "column " << c;
  for (int row = 1; row <= kTreatments; ++row) {
    EXPECT_EQ(form->StringGrid1->cell(0, row), QString::number(row));
    EXPECT_FALSE(form->Condition[row].recorded());
  }
  EXPECT_EQ(form->StringGrid1->columnWidth(0), 50);
  EXPECT_EQ(form->StringGrid1->columnWidth(1), 115);
  EXPECT_EQ(form->StringGrid1->currentColumn(), 4);
  EXPECT_FALSE(form->StringGrid1->isEnabled());
  EXPECT_FALSE(form->BtnPrint->isEnabled());
  EXPECT_FALSE(form->PanDataBase->isHidden());
  EXPECT_TRUE(form->PanDetails->isHidden());
  EXPECT_TRUE(form->PanPhone->isHidden());
  EXPECT_TRUE(form->ChkPending->isChecked() && form->ChkCurrent->isChecked() && form->ChkComplete->isChecked());
  EXPECT_FALSE(form->CkBxNewCourse->isChecked());
  EXPECT_EQ(form->Factors().Default_Format, "LLL0000");
  EXPECT_TRUE(form->EdtDBDir->text().isEmpty());  // no stored directory
  EXPECT_TRUE(form->DateBirth->isBlank());        // no birth date shown before one is entered
  EXPECT_EQ(form->DateBirth->date(), QDate::currentDate());
  EXPECT_EQ(form->Person_Img.size(), QSize(216, 263));
  EXPECT_DOUBLE_EQ(form->ScX, 1.0);
  EXPECT_EQ(form->ImgPerson->cursor().hotSpot(), QPoint(15, 15));
}

TEST_F(StartupTest, EveryInputCarriesItsLabelAsAccessibleName) {
  auto form = createdForm();
  const std::vector<std::pair<const char*, const char*>> inputs = {
      {"EdHosp", "NHI"}, {"EdSurname", "Surname"}, {"EdAge", "Age"}, {"DBEdMED", "MED"},
      {"ComSkinType", "Skin Type"}, {"DateBirth", "DoB"}, {"EdtDBDir", "Database Directory"},
      {"DBHome", "Home"}, {"DBRxResult", "Result"}, {"DBMemoOps", "PMH major ops / illness"}};
  for (const auto& [name, label] : inputs) {
    auto* w = form->findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->accessibleName(), label) << name;
  }
}

// The disclaimer is answered by clicking one of its buttons as soon as it is up.
void answerDisclaimerWith(const char* button) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, button] {
    if (Notice_Form && Notice_Form->isVisible()) {
      timer->stop();
      timer->deleteLater();
      QTest::mouseClick(Notice_Form->findChild<QPushButton*>(button), Qt::LeftButton);
    }
  });
  timer->start(10);
}

TEST_F(StartupTest, DeclineOrCloseBoxEndsTheProgramAcceptShowsTheList) {
  for (const char* answer : {"BtnDecline", "close", "BtnAccept"}) {
    SCOPED_TRACE(answer);
    auto form = createdForm();
    TNotice_Form notice(form.get());
    Notice_Form = &notice;
    if (QString(answer) == "close") {
      auto* timer = new QTimer;
      QObject::connect(timer, &QTimer::timeout, [timer] {
        if (Notice_Form->isVisible()) {
          timer->stop();
          timer->deleteLater();
          Notice_Form->close();
        }
      });
      timer->start(10);
    } else {
      answerDisclaimerWith(answer);
    }
    form->show();
    const bool accepted = QString(answer) == "BtnAccept";
    if (accepted) {
      QTRY_VERIFY_WITH_TIMEOUT(!notice.isVisible() && notice.result() == TNotice_Form::Accepted, 5000);
      EXPECT_TRUE(form->isVisible());
      EXPECT_EQ(form->PageControl1->currentWidget(), form->TabClinical);
      EXPECT_FALSE(form->PanDataBase->isHidden());
      EXPECT_FALSE(form->PageControl1->isTabVisible(1));  // Notes hidden until there are photographs
      EXPECT_EQ(AppState, ListMode);
    } else {
      QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
      EXPECT_EQ(notice.result(), TNotice_Form::Declined);
      EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());  // the main window closing ends the program
      EXPECT_EQ(AppState, QuietMode);  // closing: handlers write nothing
    }
    form->close();
    Notice_Form = nullptr;
  }
}

TEST_F(StartupTest, DisclaimerShowsItsTexts) {
  TNotice_Form notice;
  QStringList lines;
  for (int i = 1; i <= 5; ++i) lines << notice.findChild<QLabel*>(QString("NoticeLine%1").arg(i))->text();
  EXPECT_EQ(lines[0], "No Responsibility for the care of the patient will be held by the developers of this program, ");
  EXPECT_EQ(lines[4], "Professional issuing the script.");
  EXPECT_EQ(notice.BtnAccept->text(), "Accept");
  EXPECT_EQ(notice.BtnDecline->text(), "Decline");
}

TEST_F(StartupTest, F1AsksForTheActiveTabsTopicFromTheStartDirectoryAndRestoresTheCurrentOne) {
  auto form = createdForm();
  std::vector<std::pair<QString, QString>> asked;  // topic, current directory at the time
  form->setHelpViewer([&](const QString& topic) { asked.emplace_back(topic, QDir::currentPath()); });
  form->show();
  const QStringList expected = {"Halcyra.chm::Clinical.htm", "Halcyra.chm::Notes.htm", "Halcyra.chm::Chart.htm",
                                "Halcyra.chm::About.htm", "Halcyra.chm::Import.htm"};
  const QString elsewhere = QDir(dir_.filePath("elsewhere")).canonicalPath();
  const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier,
                                             Qt::NoModifier, Qt::NoModifier};
  for (int tab = 0; tab < 5; ++tab) {
    SCOPED_TRACE(tab);
    form->PageControl1->setCurrentIndex(tab);
    QDir::setCurrent(elsewhere);  // as a file dialog may have left it
    QTest::keyClick(form->EdtDBDir, Qt::Key_F1, modifiers[tab]);
    ASSERT_EQ(asked.size(), static_cast<std::size_t>(tab + 1));
    EXPECT_EQ(asked.back().first, expected[tab]);
    EXPECT_EQ(QDir(asked.back().second).canonicalPath(), QDir(startDir_).canonicalPath());
    EXPECT_EQ(QDir::currentPath(), elsewhere);
  }
  QTest::keyClick(form->EdtDBDir, Qt::Key_F2);
  EXPECT_EQ(asked.size(), 5u);  // other keys do nothing here
  form->close();
}

TEST_F(StartupTest, DoubleClickAppliesTheDirectoryAndStoresItOnlyWithCtrl) {
  {
    auto form = createdForm();
    form->EdtDBDir->setText("/data/uvb-one");
    QTest::mouseDClick(form->EdtDBDir, Qt::LeftButton);
    EXPECT_EQ(DBDir, "/data/uvb-one");
    EXPECT_FALSE(settings::readDBDir().has_value());  // nothing stored

    form->EdtDBDir->setText("/data/uvb-two");
    QTest::mouseDClick(form->EdtDBDir, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(DBDir, "/data/uvb-two");
    EXPECT_EQ(settings::readDBDir().value_or(""), "/data/uvb-two");
  }
  DBDir.clear();
  auto next = createdForm();  // the next start reads the stored value
  EXPECT_EQ(DBDir, "/data/uvb-two");
  EXPECT_EQ(next->EdtDBDir->text(), "/data/uvb-two");
}

}  // namespace
