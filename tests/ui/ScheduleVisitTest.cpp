// One course from the therapist's side, on a real database: a new patient is opened from the
// list, three visits are recorded through the dialog (typed into its fields), the graph takes
// them up at the next key in the grid, and after "List" and "Select" the course comes back with
// the same records, colours and finished state.
#include <gtest/gtest.h>

#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>

#include <QChartView>

#include "ScheduleFixture.h"
#include "ui/GraphTab.h"
#include "ui/widgets/CourseGraph.h"

using namespace schedule_test;

namespace {

const QString kNhi = QStringLiteral("VIS4321");

// The dialog filled from the keyboard and the mouse, as at the treatment unit.
Step typedVisit(int condition, int burn, const QString& time, const QString& temperature, const QString& initials,
                QDate date, bool stop) {
  return [=](ui::TreatmentEntryDialog& f) {
    auto* timeField = field<ui::MaskEdit>(f, names::MaskTime);
    timeField->setCursorPosition(0);
    QTest::keyClicks(timeField, time);
    QTest::keyClicks(field(f, names::EdTemp), temperature);
    QTest::keyClicks(field(f, names::EdDose), fmt::Fixed(f.expectedDose, 0, 0));  // the planned dose was given
    auto* initialsField = field<ui::MaskEdit>(f, names::MaskInit);
    initialsField->setCursorPosition(0);
    QTest::keyClicks(initialsField, initials);
    field<QDateTimeEdit>(f, names::DateTimePicker1)->setDate(date);
    QTest::mouseClick(panelOf(f, condition), Qt::LeftButton);
    if (burn != 0) QTest::mouseClick(panelOf(f, burn), Qt::LeftButton);
    if (stop) QTest::mouseClick(field(f, names::ChkStop), Qt::LeftButton);
    QTest::mouseClick(field(f, names::BitBtn1), Qt::LeftButton);
  };
}

}  // namespace

TEST(ScheduleVisit, RecordedTreatmentsComeBackWhenTheCourseIsOpenedAgain) {
  ScheduleWindow w;
  w.show();
  ui::CourseGraph& graph = w.find<ui::GraphTab>(names::TabGraph)->graph();

  // A new patient from the list, then skin type II, an age and the Average estimate as MED.
  w.selectPatient(kNhi);
  ASSERT_EQ(w.course->mode(), course::Mode::Patient);
  w.find<QComboBox>(names::ComSkinType)->setCurrentIndex(1);
  auto* age = w.find(names::EdAge);
  age->setFocus();
  QTest::keyClicks(age, QStringLiteral("40"));
  QTest::keyClick(age, Qt::Key_Tab);  // leaving the age box gives the estimates
  QApplication::processEvents();
  QTest::mouseClick(w.find(names::Panel5), Qt::LeftButton);
  ASSERT_TRUE(w.grid()->isEnabled());
  EXPECT_EQ(w.data().patientStatus.asInteger(), 2);  // a course under way
  w.boxes.clear();

  // Three visits; the third stops the course.
  struct Recorded {
    int condition, burn;
    QString time, temperature, initials;
    QDate date;
    bool stop;
  };
  const Recorded visits[] = {
      {Clearing, 0, "0530", "36.5", "ABC", QDate(2023, 3, 7), false},
      {Same, BurnII, "0545", "37.0", "JS", QDate(2023, 3, 9), false},
      {Worse, BurnI, "1000", "36.8", "ABC", QDate(2023, 3, 13), true},
  };
  for (int k = 1; k <= 3; ++k) {
    const Recorded& v = visits[k - 1];
    w.script.then(typedVisit(v.condition, v.burn, v.time, v.temperature, v.initials, v.date, v.stop));
    w.clickCell(k == 2 ? 1 : 0, k);  // either of the row's first cells
  }
  ASSERT_EQ(w.script.shown, 3);
  EXPECT_TRUE(w.boxes.empty()) << w.boxes.front().text.toStdString();
  std::array<TreatmentRecord, 4> recorded;
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    recorded[k] = w.record(k);
    EXPECT_EQ(recorded[k].response, visits[k - 1].condition);
    EXPECT_EQ(recorded[k].burn, visits[k - 1].burn);
    EXPECT_EQ(recorded[k].Dose, static_cast<float>(std::nearbyint(w.expected(k))));
  }
  EXPECT_EQ(recorded[1].time, "05:30");
  EXPECT_EQ(recorded[2].Initials, "JS ");
  EXPECT_EQ(recorded[3].Temperature, 36.8f);
  EXPECT_EQ(w.storedComplete(), true);
  EXPECT_EQ(w.data().patientStatus.asInteger(), 4);

  // The graph shows the visits from the next plan computation on: a key released in the grid.
  EXPECT_EQ(graph.delivered()->count(), 0);
  w.clickCell(4, 5);
  QTest::keyClick(w.grid(), Qt::Key_Down);
  ASSERT_EQ(graph.delivered()->count(), 3);
  ASSERT_EQ(graph.temp()->count(), 3);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(graph.delivered()->at(k - 1), QPointF(k, recorded[k].Dose));
    EXPECT_FLOAT_EQ(graph.temp()->at(k - 1).y(), recorded[k].Temperature);
  }

  // Back to the list: the window forgets the course.
  w.backToList();
  ASSERT_EQ(w.course->mode(), course::Mode::List);
  for (int k = 1; k <= kTreatments; ++k) EXPECT_FALSE(w.record(k).recorded()) << k;

  // And opened again it is all there: records, colours, the finished course.
  w.selectPatient(kNhi);
  ASSERT_EQ(w.course->mode(), course::Mode::Patient);
  for (int k = 1; k <= 3; ++k) EXPECT_TRUE(sameRecord(w.record(k), recorded[k])) << k;
  for (int k = 4; k <= kTreatments; ++k) EXPECT_FALSE(w.record(k).recorded()) << k;
  EXPECT_EQ(w.storedComplete(), true);
  EXPECT_EQ(w.data().patientStatus.asInteger(), 4);

  const QImage picture = w.picture();
  auto fillOf = [&](int column, int row) {
    return dominantColour(picture, w.cellRect(column, row).adjusted(1, 1, -2, -2));
  };
  EXPECT_EQ(fillOf(0, 1), QColor(255, 255, 255));
  EXPECT_EQ(fillOf(1, 1), QColor(0, 255, 0));
  EXPECT_EQ(fillOf(0, 2), QColor(255, 155, 155));
  EXPECT_EQ(fillOf(1, 2), QColor(255, 251, 240));
  EXPECT_EQ(fillOf(0, 3), QColor(255, 217, 213));
  EXPECT_EQ(fillOf(1, 3), QColor(0, 255, 255));
  EXPECT_EQ(graph.delivered()->count(), 3);

  // The next visit opens with "Stop Treatment" ticked, as the course was left; recording it
  // without the box takes the course up again.
  w.script.then(typedVisit(Same, 0, "0600", "36.6", "ABC", QDate(2023, 3, 15), true));  // untick
  w.clickCell(0, 4);
  EXPECT_TRUE(w.script.stopTickedOnShow.back());
  EXPECT_EQ(w.storedComplete(), false);
  EXPECT_EQ(w.data().patientStatus.asInteger(), 2);
}
