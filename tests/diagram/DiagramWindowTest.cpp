// The body diagram on the main window: clicks become spots in the outline's pixels at any shown
// size, Ctrl+click takes back the newest, at most 20 are kept, and the spots are written to the
// course at once and come back when the course is opened again.

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "diagram/Spots.h"
#include "support/WindowFixture.h"

namespace {

constexpr const char* kNhi = "ABC1234";

class DiagramWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.created);
    w.form->show();
    openPatient();
  }

  // Opens the patient as a therapist does: the NHI typed in list mode, then Select (which creates
  // the patient and a first course when the NHI is new).
  void openPatient() {
    w.form->EdHosp->setText(kNhi);
    w.form->EdSurname->setText("Spotted");
    w.form->BtnSelectClick();
    ASSERT_EQ(AppState, PatientMode);
  }
  void backToList() { w.form->BtnClearClick(); }

  void click(QPoint at, bool ctrl = false) {
    QTest::mouseClick(w.form->ImgPerson, Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier, at);
  }

  // What the course row holds, read again from the file by a second copy of the program.
  struct Stored {
    bool null = true;
    int length = 0;
    QByteArray bytes;
  };
  Stored stored() {
    auto other = w.secondCopy();
    other->FilterPatientByNHI(kNhi);
    other->ADOCourse.last();
    Stored s;
    s.null = other->ADOCourseSpots.isNull();
    s.length = other->ADOCourseSpotsLength.asInteger();
    s.bytes = other->ADOCourseSpots.asBytes();
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
    w.form->ImgPerson->setFixedSize(c.shown);
    QCoreApplication::processEvents();
    click(QPoint(0, 0), true);  // start from no spots
    ASSERT_TRUE(w.form->Spots.empty());

    click(c.clicked);
    EXPECT_EQ(w.form->Spots, std::vector<QPoint>{c.spot});
    const Stored s = stored();
    EXPECT_EQ(s.length, 1);
    EXPECT_EQ(s.bytes, diagram::packSpots({c.spot}));

    const QImage& drawn = w.form->Person_Img;
    ASSERT_EQ(drawn.size(), c.shown);
    EXPECT_TRUE(isRed(drawn, c.centre + QPoint(12, 0))) << "the cross";
    EXPECT_TRUE(isRed(drawn, c.centre + QPoint(0, -12))) << "the cross";
    EXPECT_TRUE(isRed(drawn, c.centre + QPoint(15, 0))) << "the outer circle";
    EXPECT_FALSE(isRed(drawn, c.centre + QPoint(12, 12))) << "between the arms";
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
  EXPECT_EQ(w.form->Spots, firstTwo);
  s = stored();
  EXPECT_EQ(s.length, 2);
  EXPECT_EQ(s.bytes, diagram::packSpots(firstTwo));
}

TEST_F(DiagramWindowTest, TwentySpotsAreStoredAndATwentyFirstClickChangesNothing) {
  for (int i = 0; i < 20; ++i) click(QPoint(5 + 10 * i, 7 + 12 * i));
  const Stored twenty = stored();
  EXPECT_EQ(twenty.length, 20);
  EXPECT_EQ(twenty.bytes.size(), 160);
  const QImage before = w.form->Person_Img;

  click(QPoint(100, 100));
  EXPECT_EQ(w.form->Spots.size(), 20u);
  EXPECT_EQ(w.form->Spots.back(), QPoint(5 + 10 * 19, 7 + 12 * 19));
  const Stored after = stored();
  EXPECT_EQ(after.length, 20);
  EXPECT_EQ(after.bytes, twenty.bytes);
  EXPECT_EQ(w.form->Person_Img, before);
}

TEST_F(DiagramWindowTest, SpotsComeBackAfterListAndSelectAndNewClicksAppend) {
  click(QPoint(10, 20));
  click(QPoint(30, 40));
  const QImage marked = w.form->Person_Img;

  backToList();
  EXPECT_TRUE(w.form->Spots.empty());
  EXPECT_NE(w.form->Person_Img, marked) << "the bare outline after List";

  openPatient();
  EXPECT_EQ(w.form->Spots, (std::vector<QPoint>{{10, 20}, {30, 40}}));
  EXPECT_EQ(w.form->Person_Img, marked);

  click(QPoint(50, 60));
  EXPECT_EQ(stored().bytes, diagram::packSpots({{10, 20}, {30, 40}, {50, 60}}));
}

TEST_F(DiagramWindowTest, LoadingTakesTheStoredCountAndLeavesANeverWrittenListAlone) {
  TDataPatient& d = *w.data;
  auto store = [&](const QVariant& length, const QVariant& bytes) {
    d.ADOCourse.edit();
    length.isNull() ? d.ADOCourseSpotsLength.setNull() : d.ADOCourseSpotsLength.setInteger(length.toInt());
    bytes.isNull() ? d.ADOCourseSpots.setNull() : d.ADOCourseSpots.setBytes(bytes.toByteArray());
    d.ADOCourse.post();
  };

  // A count beyond the stored bytes: the missing spots are drawn at the top-left corner.
  store(3, diagram::packSpots({{100, 50}}));
  w.form->DBLoadSpots();
  EXPECT_EQ(w.form->Spots, (std::vector<QPoint>{{100, 50}, {0, 0}, {0, 0}}));
  EXPECT_TRUE(isRed(w.form->Person_Img, QPoint(12, 0)));

  // Never written: what the window holds stays.
  store(QVariant(), QVariant());
  w.form->Spots = {{7, 7}};
  w.form->DBLoadSpots();
  EXPECT_EQ(w.form->Spots, (std::vector<QPoint>{{7, 7}}));
}

TEST_F(DiagramWindowTest, ClicksOutsidePatientModeTouchNothingStored) {
  click(QPoint(10, 20));
  AppState = QuietMode;
  click(QPoint(30, 40));
  AppState = PatientMode;
  EXPECT_EQ(stored().bytes, diagram::packSpots({{10, 20}}));
}

}  // namespace
