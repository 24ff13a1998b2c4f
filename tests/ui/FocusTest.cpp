// When a field's "left" handler runs: once for each real move of the focus to another widget of
// the window, never when the window is deactivated, a popup or a box opens; before any other
// action of the window; and for the field being typed in when the window closes.

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "../records/RecordsFixtures.h"
#include "support/WindowFixture.h"

namespace {

class Focus : public ::testing::Test {
 public:  // the cases' functions take the fixture
  void SetUp() override {
    ASSERT_TRUE(app.created);
    app.show();
    app.type(app.find(names::EdHosp), "ABC1234");
    QTest::mouseClick(app.find(names::BtnSelect), Qt::LeftButton);
    ASSERT_EQ(app.course->mode(), course::Mode::Patient);
    // Every store of the referral is counted.
    raw.exec("CREATE TABLE stores (n INTEGER)");
    raw.exec(
        "CREATE TRIGGER count_referral AFTER UPDATE OF Referal ON Course BEGIN INSERT INTO stores VALUES (1); END");
  }
  int referralStores() { return raw.scalar("SELECT COUNT(*) FROM stores").toInt(); }
  // The events of the focus change are over and a leave that waits has been handled.
  void settle() {
    QApplication::processEvents();
    QApplication::processEvents();
  }
  void typeReferral(const QString& text) {
    auto* referral = app.find<QLineEdit>(names::DBReferal);
    referral->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(referral, text);
  }

  WindowFixture app;
  testing_records::RawStore raw{records::databasePath(app.dbDir)};
};

TEST_F(Focus, TheLeftHandlerRunsOncePerRealMoveAndNeverForAPopupABoxOrAnotherWindow) {
  struct Case {
    const char* what;
    std::function<void(Focus&)> away;  // what takes the focus from the referral while it is typed
    int stores;
  };
  // clang-format off
  const Case cases[] = {
      {"another field of the window", [](Focus& t) { t.app.find(names::DBConsult)->setFocus(Qt::MouseFocusReason); }, 1},
      {"a list's drop-down",
       [](Focus& t) {
         auto* list = t.app.find<QComboBox>(names::ComCondition);
         list->showPopup();
         t.settle();
         list->hidePopup();
       },
       0},
      {"another window",
       [](Focus& t) {
         QWidget other;
         other.show();
         QApplication::setActiveWindow(&other);
         (void)QTest::qWaitForWindowActive(&other);
         t.settle();
         other.close();
         t.app.reactivate();
       },
       0},
      {"a message box",
       [](Focus& t) {
         QMessageBox box(QMessageBox::Warning, "Undeliverable treatment", "A warning", QMessageBox::Ok, t.app.window.get());
         QTimer::singleShot(50, &box, [&box] { box.done(QMessageBox::Ok); });
         box.exec();
         t.app.reactivate();
       },
       0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int before = referralStores();
    typeReferral("x");
    settle();
    c.away(*this);
    settle();
    EXPECT_EQ(referralStores() - before, c.stores);
  }
  // The text typed over all of it is the referral, stored when the field was finally left.
  app.find(names::DBConsult)->setFocus(Qt::MouseFocusReason);
  settle();
  EXPECT_EQ(raw.scalar("SELECT Referal FROM Course").toString(), "xxxx");
}

TEST_F(Focus, ALeaveStillWaitingIsHandledBeforeTheNextAction) {
  typeReferral("Dr Lock");
  // The click moves the focus to "List" and clicks it in one go: the referral is stored before
  // the course is left.
  QTest::mouseClick(app.find(names::BtnClear), Qt::LeftButton);
  EXPECT_EQ(app.course->mode(), course::Mode::List);
  EXPECT_EQ(raw.scalar("SELECT Referal FROM Course").toString(), "Dr Lock");
  EXPECT_EQ(referralStores(), 1);
}

TEST_F(Focus, ClosingTheWindowStoresTheFieldBeingTyped) {
  auto* meds = app.find<QPlainTextEdit>(names::DBMemoMeds);
  meds->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(meds, "Methotrexate");
  app.window->close();
  EXPECT_FALSE(app.window->isVisible());
  EXPECT_EQ(raw.scalar("SELECT MemoMeds FROM Course").toString(), "Methotrexate");
}

TEST_F(Focus, ClosingWhileTheStoreRefusesAsksAndStaysOpenOnNo) {
  raw.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Course BEGIN SELECT RAISE(ABORT, 'the disk is full'); END");
  typeReferral("Dr Lock");
  app.answer = [](const dialogs::Box& b) {
    return b.kind == dialogs::Kind::Question ? QMessageBox::No : QMessageBox::Ok;
  };
  app.window->close();
  EXPECT_TRUE(app.window->isVisible());
  ASSERT_EQ(app.boxes.size(), 2u);  // why the referral was not stored, then whether to close all the same
  EXPECT_EQ(app.boxes[1].caption, "Not stored");
  EXPECT_EQ(app.course->mode(), course::Mode::Patient);
  // Once the store takes writes again, closing stores it.
  raw.exec("DROP TRIGGER refuse");
  app.window->close();
  EXPECT_FALSE(app.window->isVisible());
  EXPECT_EQ(raw.scalar("SELECT Referal FROM Course").toString(), "Dr Lock");
}

}  // namespace
