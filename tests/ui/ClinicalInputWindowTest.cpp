// What the main window lets in and how a visit goes by keyboard: refused values go back with a
// box that names them, pasted text stays one line and a cut is said, Enter in the NHI box
// selects, Tab leaves the memos, a hidden tab is never reached, and a course being recorded is
// never left behind the dialog's back.

#include <gtest/gtest.h>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "support/WindowFixture.h"
#include "ui/SchedulePanel.h"
#include "ui/TreatmentEntryDialog.h"
#include "ui/widgets/DatePicker.h"
#include "ui/widgets/ScheduleGrid.h"

namespace {

class ClinicalInputWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.created);
    app.show();
  }
  course::OpenCourse& c() { return *app.course; }
  template <class T = QWidget>
  T* w(const char* name) {
    return app.find<T>(name);
  }
  void type(const char* box, const QString& text) { app.type(w(box), text); }
  void leave(const char* box) { app.leave(w(box)); }
  void openNew(const QString& nhi) {
    type(names::EdHosp, nhi);
    QTest::mouseClick(w(names::BtnSelect), Qt::LeftButton);
    ASSERT_EQ(c().mode(), course::Mode::Patient);
  }
  // A new patient ABC1234 with a plan: skin type II, 40 years, the Average estimate as MED.
  void openPlanned() {
    openNew("ABC1234");
    w<QComboBox>(names::ComSkinType)->setCurrentIndex(1);
    type(names::EdAge, "40");
    leave(names::EdAge);
    QTest::mouseClick(w(names::Panel5), Qt::LeftButton);
  }
  void paste(const char* box, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    auto* edit = w<QLineEdit>(box);
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    edit->paste();
    QTest::qWait(1);  // the word about a cut comes once the paste is over
    QApplication::processEvents();
  }
  std::vector<QString> texts() {
    std::vector<QString> out;
    for (const auto& b : app.boxes) out.push_back(b.text);
    return out;
  }

  WindowFixture app;
};

TEST_F(ClinicalInputWindow, ARefusedValueGoesBackAndItsBoxNamesItAndTheRange) {
  openPlanned();
  const QString med = w<QLineEdit>(names::DBEdMED)->text();
  ASSERT_FALSE(med.isEmpty());
  app.boxes.clear();

  const struct {
    const char* box;
    const char* typed;
    const char* shownAfter;
    const char* said;
  } cases[] = {
      {names::EdAge, "200", "40.0", "The Age \"200\" is too large: an age is a number of years from 0 to 120."},
      {names::EdAge, "abc", "40.0", "The Age \"abc\" is not a number"},
      {names::DBEdMED, "99999999999", "", "The MED \"99999999999\" is too large"},
      {names::DBEdMED, "-358", "", "The MED \"-358\" is too small"},
  };
  for (const auto& cs : cases) {
    SCOPED_TRACE(cs.typed);
    app.boxes.clear();
    type(cs.box, QString::fromLatin1(cs.typed));
    leave(cs.box);
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].caption, "Check Data Entry");
    EXPECT_TRUE(app.boxes[0].text.startsWith(QString::fromUtf8(cs.said))) << app.boxes[0].text.toStdString();
    EXPECT_TRUE(app.boxes[0].text.contains("Nothing was stored"));
    const QString shown = *cs.shownAfter ? QString::fromLatin1(cs.shownAfter) : med;
    EXPECT_EQ(w<QLineEdit>(cs.box)->text(), shown);
    EXPECT_EQ(app.secondCopy()->courseMed.asString(), med);
    EXPECT_DOUBLE_EQ(app.secondCopy()->courseAge.asFloat(), 40.0);
    EXPECT_TRUE(w(names::BtnPrint)->isEnabled());
  }
}

TEST_F(ClinicalInputWindow, PastedTextStaysOneLineAndACutIsSaid) {
  paste(names::EdSurname, QStringLiteral("Anna\tMaria\nSeco"));
  EXPECT_EQ(w<QLineEdit>(names::EdSurname)->text(), "Anna Maria Seco");
  EXPECT_TRUE(app.boxes.empty());
  paste(names::EdSurname, QStringLiteral("Abcdefghijklmnopqrstuvwxyz1234"));
  EXPECT_EQ(w<QLineEdit>(names::EdSurname)->text(), "Abcdefghijklmnopqrst");
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_TRUE(
      app.boxes[0].text.startsWith("The Surname you entered has 30 characters, more than the 20 its record "
                                   "keeps, so it was cut to \"Abcdefghijklmnopqrst\"."))
      << app.boxes[0].text.toStdString();
  // Typing into a full box takes no more characters, without a word.
  QTest::keyClick(w(names::EdSurname), Qt::Key_End);
  QTest::keyClicks(w(names::EdSurname), "x");
  EXPECT_EQ(w<QLineEdit>(names::EdSurname)->text(), "Abcdefghijklmnopqrst");
  EXPECT_EQ(app.boxes.size(), 1u);

  app.boxes.clear();
  type(names::EdHosp, "ABC1234");
  paste(names::EdSurname, QStringLiteral("Anna\tMaria\nSeco"));
  QTest::mouseClick(w(names::BtnSelect), Qt::LeftButton);
  ASSERT_EQ(c().mode(), course::Mode::Patient);
  EXPECT_EQ(app.secondCopy()->patientSurname.asString(), "Anna Maria Seco");
  paste(names::DBReferal, QStringLiteral("Dr\r\nLock"));
  leave(names::DBReferal);
  EXPECT_EQ(app.secondCopy()->courseReferrer.asString(), "Dr Lock");
}

TEST_F(ClinicalInputWindow, EnterInTheNhiBoxSelectsAndTabLeavesTheMemos) {
  type(names::EdHosp, "ABC1234");
  QTest::keyClick(w(names::EdHosp), Qt::Key_Return);
  ASSERT_EQ(c().mode(), course::Mode::Patient);

  for (const char* memo : {names::DBMemoMeds, names::DBMemoOps, names::DBMemoAdd}) {
    SCOPED_TRACE(memo);
    auto* box = w<QPlainTextEdit>(memo);
    box->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    QTest::keyClicks(box, "a");
    QTest::keyClick(box, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_NE(QApplication::focusWidget(), box);
    EXPECT_EQ(box->toPlainText(), "a");
  }
}

TEST_F(ClinicalInputWindow, CtrlTabNeverShowsTheHiddenNotesTab) {
  auto* tabs = w<QTabWidget>(names::PageControl1);
  const int notes = tabs->indexOf(w(names::TabNotes));
  ASSERT_FALSE(tabs->isTabVisible(notes));
  tabs->setCurrentIndex(0);
  for (int k = 0; k < 5; ++k) {
    QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_NE(tabs->currentIndex(), notes);
  }
}

TEST_F(ClinicalInputWindow, TheBirthDateBoxShowsAWholeDate) {
  openNew("ABC1234");
  auto* birth = w<ui::DatePicker>(names::DateBirth);
  ASSERT_TRUE(birth->isBlank());
  const int dateWidth =
      birth->fontMetrics().horizontalAdvance(birth->locale().toString(QDate(2000, 12, 28), birth->displayFormat()));
  EXPECT_GE(birth->width(), dateWidth);
  EXPECT_TRUE(birth->displayFormat().contains("yyyy"));
}

// While the "Patient Condition" dialog is up, "List" pressed by any route (here the button's own
// click, as an accessibility action gives it) is refused and the dialog's treatment is recorded.
TEST_F(ClinicalInputWindow, ListIsRefusedWhileATreatmentIsBeingRecorded) {
  openPlanned();
  auto* schedule = app.window->findChild<ui::SchedulePanel*>();
  ASSERT_TRUE(schedule);
  ui::TreatmentEntryDialog* dialog = schedule->entryDialog();
  bool refused = false;
  QTimer::singleShot(0, dialog, [&] {
    w<QPushButton>(names::BtnClear)->click();
    refused = c().mode() == course::Mode::Patient;
    dialog->chosenCondition = Same;
    widgetNamed<QToolButton>(dialog, names::BitBtn1)->click();
  });
  auto* grid = w<ui::ScheduleGrid>(names::StringGrid1);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
  EXPECT_TRUE(refused);
  ASSERT_FALSE(app.boxes.empty());
  EXPECT_TRUE(app.boxes[0].text.contains("is being recorded")) << app.boxes[0].text.toStdString();
  EXPECT_TRUE(c().records()[0].recorded());
  EXPECT_EQ(c().mode(), course::Mode::Patient);
}

}  // namespace

namespace {

// A whole visit with the keyboard alone: Enter in the NHI box opens the course, the keyboard is
// then on the next treatment's row, Home opens its dialog, the fields and Tab fill it, Alt+3
// chooses "Same", and Space on "Update" records it.
TEST_F(ClinicalInputWindow, AWholeVisitByKeyboard) {
  openPlanned();
  c().recordTreatment(
      1,
      [] {
        treatment::TreatmentEntry e;
        e.condition = Same;
        e.when = datetime::now();
        return e;
      }(),
      false);
  QTest::mouseClick(w(names::BtnClear), Qt::LeftButton);
  ASSERT_EQ(QApplication::focusWidget(), w(names::EdHosp));

  QTest::keyClicks(w(names::EdHosp), "ABC1234");
  QTest::keyClick(w(names::EdHosp), Qt::Key_Return);
  ASSERT_EQ(c().mode(), course::Mode::Patient);
  auto* grid = w<ui::ScheduleGrid>(names::StringGrid1);
  ASSERT_EQ(QApplication::focusWidget(), grid);
  EXPECT_EQ(grid->currentRowNumber(), 2);
  ui::TreatmentEntryDialog* dialog = app.window->findChild<ui::SchedulePanel*>()->entryDialog();
  QTimer::singleShot(0, dialog, [&] {
    if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }, 3000)) {
      ADD_FAILURE() << "the entry dialog did not take the keyboard";
      dialog->done(-1);
      return;
    }
    auto key = [](const char* text) { QTest::keyClicks(QApplication::focusWidget(), text); };
    auto tab = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); };
    key("0230");
    tab();
    key("36.5");
    tab();
    key(qPrintable(fmt::Fixed(c().dosing().plannedDose()[1], 0, 0)));
    tab();
    key("KB");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::AltModifier);
    widgetNamed<QWidget>(dialog, names::BitBtn1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    if (dialog->isVisible()) dialog->done(-1);
  });
  QTest::keyClick(grid, Qt::Key_Home);
  EXPECT_TRUE(c().records()[1].recorded());
  EXPECT_EQ(c().records()[1].response, Same);
  EXPECT_EQ(c().records()[1].Initials, "KB ");
  EXPECT_EQ(c().records()[1].time, "02:30");
  EXPECT_TRUE(app.boxes.empty()) << app.boxes.front().text.toStdString();
}

}  // namespace
