// "Print" on the main window: the preview of the open course's report, a note being typed stored
// with its own photograph first, and the last photograph shown afterwards.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "StoredCourse.h"
#include "report/TextSearch.h"
#include "support/WindowFixture.h"
#include "ui/report/ReportPreview.h"
#include "ui/report/ReportPrinting.h"

namespace {

struct PrintWindow : WindowFixture {
  PrintWindow() {
    show();
    report_fixtures::fillCourse(*course, dir.path(), 3);
    course->stepPhotograph(false);
    course->stepPhotograph(false);  // the first photograph on the Notes tab
    find<QTabWidget>(names::PageControl1)->setCurrentWidget(find(names::TabNotes));
  }
  // Types into the photograph's note without leaving it.
  void typeNote(const QString& text) {
    auto* note = find<QPlainTextEdit>(names::DBMemo1);
    note->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    QTest::keyClick(note, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(note, text);
  }
  bool printed(const QString& text) const {
    const ui::ReportPreview* preview = window->printing().preview();
    return preview && !report::findText(preview->report(), text).empty();
  }
};

}  // namespace

TEST(PrintWindow, ShowsThePreviewOfTheCourseWithItsPhotographPages) {
  PrintWindow w;
  auto* print = w.find<QPushButton>(names::BtnPrint);
  ASSERT_TRUE(print->isEnabled());
  QTest::mouseClick(print, Qt::LeftButton);
  const ui::ReportPreview* preview = w.window->printing().preview();
  ASSERT_TRUE(preview);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->windowTitle(), "NB UVB Treatment Report - ABC1234");
  ASSERT_EQ(preview->report().pages.size(), 2u);
  EXPECT_TRUE(preview->proposedPdfPath().endsWith("/ABC1234.pdf"));
  EXPECT_TRUE(w.printed("Whitfield"));
  EXPECT_TRUE(w.printed("Treatment Number"));  // the course chart
  EXPECT_TRUE(w.printed("Elbow, week 2"));
  EXPECT_TRUE(w.boxes.empty());
  // Afterwards the last photograph is the one shown.
  EXPECT_EQ(w.course->photographNumber(), 3);
  EXPECT_EQ(w.find<QPlainTextEdit>(names::DBMemo1)->toPlainText(), "Elbow, week 3\nplaque thinner");
}

TEST(PrintWindow, ANoteBeingTypedIsStoredWithItsPhotographAndPrinted) {
  // By the button (the focus leaves the note), and by a click that takes no focus (a shortcut).
  for (const bool takesFocus : {true, false}) {
    PrintWindow w;
    w.typeNote("Typed before printing");
    auto* print = w.find<QPushButton>(names::BtnPrint);
    if (takesFocus)
      QTest::mouseClick(print, Qt::LeftButton);
    else
      print->click();
    EXPECT_EQ(w.course->photographs()[0].note, "Typed before printing") << takesFocus;
    EXPECT_EQ(w.course->photographs()[2].note, "Elbow, week 3\nplaque thinner") << takesFocus;
    EXPECT_TRUE(w.printed("Typed before printing")) << takesFocus;
    EXPECT_EQ(w.course->photographNumber(), 3);
  }
}

// One patient's report is never left printable while another course is open: "List" closes it.
TEST(PrintWindow, ThePreviewOfACourseClosesWhenTheCourseIsLeft) {
  PrintWindow w;
  QTest::mouseClick(w.find<QPushButton>(names::BtnPrint), Qt::LeftButton);
  const ui::ReportPreview* preview = w.window->printing().preview();
  ASSERT_TRUE(preview && preview->isVisible());
  QTest::mouseClick(w.find<QPushButton>(names::BtnClear), Qt::LeftButton);
  ASSERT_EQ(w.course->mode(), course::Mode::List);
  EXPECT_FALSE(preview->isVisible());
}
