// The body diagram on the main window: clicks become spots in the outline's pixels at any shown
// size, Ctrl+click takes back the newest, at most 20 are kept, and the spots are written to the
// course at once and come back when the course is opened again.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "diagram/Spots.h"
#include "support/WindowFixture.h"
#include "ui/widgets/DatePicker.h"

namespace {

constexpr const char* kNhi = "ABC1234";

class DiagramWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.created);
    w.show();
    openPatient();
  }

  // Opens the patient as a therapist does: the NHI typed in list mode, then Select (which creates
  // the patient and a first course when the NHI is new).
  void openPatient() {
    w.find<QLineEdit>(names::EdHosp)->setText(kNhi);
    w.find<QLineEdit>(names::EdSurname)->setText("Spotted");
    QTest::mouseClick(w.find(names::BtnSelect), Qt::LeftButton);
    ASSERT_EQ(w.course->mode(), course::Mode::Patient);
  }
  void backToList() { QTest::mouseClick(w.find(names::BtnClear), Qt::LeftButton); }
  QWidget* diagram() { return w.find(names::ImgPerson); }
  const std::vector<QPoint>& spots() { return w.course->spots(); }
  const QImage& drawn() { return w.course->diagram(); }

  void click(QPoint at, bool ctrl = false) {
    QTest::mouseClick(diagram(), Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier, at);
  }

  // What the course row holds, read again from the file by a second copy of the program.
  struct Stored {
    bool null = true;
    int length = 0;
    QByteArray bytes;
  };
  Stored stored() {
    auto other = w.secondCopy();
    other->listOnlyNhi(kNhi);
    other->courses.last();
    Stored s;
    s.null = other->courseSpots.isNull();
    s.length = other->courseSpotCount.asInteger();
    s.bytes = other->courseSpots.asBytes();
    return s;
  }

  static bool isRed(const QImage& image, QPoint at) {
    const QColor c = image.pixelColor(at);
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
  }

  WindowFixture w;
};

TEST_F(DiagramWindowTest, AClickIsStoredInPictureCoordinatesAndMarkedWhereItWasClicked) {
  struct Case {
    QSize shown;
    QPoint clicked, spot, centre;
  };
  const Case cases[] = {
      {{216, 263}, {100, 50}, {100, 50}, {100, 50}},
      // Shown twice as large: (201, 101) is the same point of the body, 100.5 and 50.5 rounded to
      // even, and the mark is centred on the spot's place at that size.
      {{432, 526}, {201, 101}, {100, 50}, {200, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.shown.width() << " x " << c.shown.height());
    diagram()->setFixedSize(c.shown);
    QCoreApplication::processEvents();
    click(QPoint(0, 0), true);  // start from no spots
    ASSERT_TRUE(spots().empty());

    click(c.clicked);
    EXPECT_EQ(spots(), std::vector<QPoint>{c.spot});
    const Stored s = stored();
    EXPECT_EQ(s.length, 1);
    EXPECT_EQ(s.bytes, diagram::packSpots({c.spot}));

    const QImage shown = static_cast<QLabel*>(diagram())->pixmap().toImage();
    ASSERT_EQ(shown.size(), c.shown);
    EXPECT_TRUE(isRed(shown, c.centre + QPoint(12, 0))) << "the cross";
    EXPECT_TRUE(isRed(shown, c.centre + QPoint(0, -12))) << "the cross";
    EXPECT_TRUE(isRed(shown, c.centre + QPoint(15, 0))) << "the outer circle";
    EXPECT_FALSE(isRed(shown, c.centre + QPoint(12, 12))) << "between the arms";
  }
}

TEST_F(DiagramWindowTest, CtrlClickTakesBackTheNewestSpot) {
  // With no spots: an empty list is stored (not left null) and the bare outline shown.
  click(QPoint(40, 40), true);
  Stored s = stored();
  EXPECT_FALSE(s.null);
  EXPECT_EQ(s.length, 0);
  EXPECT_TRUE(s.bytes.isEmpty());

  click(QPoint(10, 20));
  click(QPoint(30, 40));
  click(QPoint(50, 60));
  click(QPoint(200, 200), true);
  const std::vector<QPoint> firstTwo = {{10, 20}, {30, 40}};
  EXPECT_EQ(spots(), firstTwo);
  s = stored();
  EXPECT_EQ(s.length, 2);
  EXPECT_EQ(s.bytes, diagram::packSpots(firstTwo));
}

TEST_F(DiagramWindowTest, TwentySpotsAreStoredAndATwentyFirstClickChangesNothing) {
  for (int i = 0; i < 20; ++i) click(QPoint(5 + 10 * i, 7 + 12 * i));
  const Stored twenty = stored();
  EXPECT_EQ(twenty.length, 20);
  EXPECT_EQ(twenty.bytes.size(), 160);
  const QImage before = drawn();

  click(QPoint(100, 100));
  EXPECT_EQ(spots().size(), 20u);
  EXPECT_EQ(spots().back(), QPoint(5 + 10 * 19, 7 + 12 * 19));
  const Stored after = stored();
  EXPECT_EQ(after.length, 20);
  EXPECT_EQ(after.bytes, twenty.bytes);
  EXPECT_EQ(drawn(), before);
}

TEST_F(DiagramWindowTest, SpotsComeBackAfterListAndSelectAndNewClicksAppend) {
  click(QPoint(10, 20));
  click(QPoint(30, 40));
  const QImage marked = drawn();

  backToList();
  EXPECT_TRUE(spots().empty());
  EXPECT_NE(drawn(), marked) << "the bare outline after List";

  openPatient();
  EXPECT_EQ(spots(), (std::vector<QPoint>{{10, 20}, {30, 40}}));
  EXPECT_EQ(drawn(), marked);

  click(QPoint(50, 60));
  EXPECT_EQ(stored().bytes, diagram::packSpots({{10, 20}, {30, 40}, {50, 60}}));
}

TEST_F(DiagramWindowTest, OpeningTakesTheStoredCountAndACourseNeverMarkedShowsNoSpots) {
  click(QPoint(10, 20));
  // Another copy writes a count beyond the stored bytes; "List" reads the course anew, and opened
  // again the missing spots are drawn at the top-left corner.
  auto other = w.secondCopy();
  other->listOnlyNhi(kNhi);
  other->courses.edit();
  other->courseSpotCount.setInteger(3);
  other->courseSpots.setBytes(diagram::packSpots({{100, 50}}));
  other->courses.post();
  backToList();
  openPatient();
  EXPECT_EQ(spots(), (std::vector<QPoint>{{100, 50}, {0, 0}, {0, 0}}));
  EXPECT_TRUE(isRed(drawn(), QPoint(12, 0)));

  // A new course, whose spots were never written, shows none of the course opened before.
  backToList();
  w.find<QLineEdit>(names::EdHosp)->setText(kNhi);
  w.find<QCheckBox>(names::CkBxNewCourse)->setChecked(true);
  QTest::mouseClick(w.find(names::BtnSelect), Qt::LeftButton);
  ASSERT_EQ(w.data().courseNumber.asInteger(), 2);
  EXPECT_TRUE(w.data().courseSpots.isNull());
  EXPECT_TRUE(spots().empty());
}

TEST_F(DiagramWindowTest, ClicksOutsidePatientModeTouchNothingStored) {
  click(QPoint(10, 20));
  {
    const auto quiet = w.course->holdMode(course::Mode::Quiet);
    click(QPoint(30, 40));
  }
  EXPECT_EQ(stored().bytes, diagram::packSpots({{10, 20}}));
}

}  // namespace
