// The estimate and the plan on the main window: what the panels show after the user's choices,
// the warning boxes, and what is stored.

#include <gtest/gtest.h>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "../dosing/PlanFixtures.h"
#include "support/LocaleScope.h"
#include "support/WindowFixture.h"
#include "ui/widgets/ClickPanel.h"
#include "ui/widgets/ScheduleGrid.h"

namespace {

// Estimates 100, 200, 356 for every skin type at every age; first doses of 100..250 deliverable.
FactorTables flatWithPattern() {
  FactorTables t = plan_fixtures::flatTables(100, 200, 356, 100, 250);
  t.Default_Format = "LLL0000";
  return t;
}

class EstimateWindow : public ::testing::Test {
 protected:
  EstimateWindow() : app(flatWithPattern()) {}
  void SetUp() override {
    ASSERT_TRUE(app.created);
    app.show();
  }
  course::OpenCourse& c() { return *app.course; }
  ui::ScheduleGrid* grid() { return app.find<ui::ScheduleGrid>(names::StringGrid1); }
  QString title() { return app.find<QChartView>(names::Chart1)->chart()->title(); }

  // A new patient opened from the list, skin type I, 40 years.
  void openCourse() {
    app.type(app.find(names::EdHosp), "ABC1234");
    QTest::mouseClick(app.find(names::BtnSelect), Qt::LeftButton);
    ASSERT_EQ(c().mode(), course::Mode::Patient);
    app.find<QComboBox>(names::ComSkinType)->setCurrentIndex(0);
    app.type(app.find(names::EdAge), "40");
    app.leave(app.find(names::EdAge));
  }
  void typeMed(const QString& text) {
    app.type(app.find(names::DBEdMED), text);
    app.leave(app.find(names::DBEdMED));  // leaving the box runs the plan once
  }
  std::vector<QString> warnings() const {
    std::vector<QString> out;
    for (const auto& b : app.boxes)
      if (b.caption == "Undeliverable treatment") out.push_back(b.text);
    return out;
  }

  WindowFixture app;
};

TEST_F(EstimateWindow, ToneClickShowsThePlanGraphAndStoresTheMed) {
  openCourse();
  EXPECT_EQ(app.find<QLabel>(names::Label6)->text(), " 100.0");
  EXPECT_EQ(app.find<QLabel>(names::Label8)->text(), " 356.0");
  EXPECT_TRUE(grid()->isEnabled());
  QTest::mouseClick(app.find(names::Panel6), Qt::LeftButton);  // In-Sensitive: MED 356
  EXPECT_EQ(app.find<QLineEdit>(names::DBEdMED)->text(), "356");
  EXPECT_EQ(app.data().courseMed.asInteger(), 356);
  EXPECT_EQ(app.data().courseSkinType.asInteger(), 0);
  EXPECT_EQ(grid()->cell(2, 1).trimmed(), "249");  // 70 % of the MED
  EXPECT_EQ(grid()->cell(3, 1).trimmed(), "356");
  EXPECT_EQ(title(), "I    Always burns, never tans - In-Sensitive");
  EXPECT_TRUE(app.find(names::BtnPrint)->isEnabled());
  EXPECT_TRUE(warnings().empty());
}

TEST_F(EstimateWindow, UndeliverableFirstDoseWarnsOncePerNewMedAndTheTypedMedIsStored) {
  openCourse();
  typeMed("142");  // first dose 99 < 100
  ASSERT_EQ(warnings().size(), 1u);
  EXPECT_TRUE(warnings()[0].startsWith("Minimum MED deliverable is 142.74\n")) << warnings()[0].toStdString();
  EXPECT_EQ(app.data().courseMed.asInteger(), 142);
  dosing::RowTexts increments = c().dosing().grid().inc;
  increments[1] = "20";  // only an increment changes: no new warning
  c().setIncrements(increments);
  typeMed("142");
  EXPECT_EQ(warnings().size(), 1u);
  // The warning advises; the clinician decides: an MED beyond the range is kept as typed.
  typeMed("5000");
  ASSERT_EQ(warnings().size(), 2u);
  EXPECT_TRUE(warnings()[1].startsWith("Maximium MED deliverable is"));
  EXPECT_EQ(app.find<QLineEdit>(names::DBEdMED)->text(), "5000");
  EXPECT_EQ(app.data().courseMed.asInteger(), 5000);
  EXPECT_EQ(app.secondCopy()->courseMed.asInteger(), 5000);
}

TEST_F(EstimateWindow, ATypedAgeAppliedByATonePanelReplacesThePlanOnScreen) {
  openCourse();
  QTest::mouseClick(app.find(names::Panel5), Qt::LeftButton);  // Average: 200
  const QString before = grid()->cell(2, 1);
  ASSERT_FALSE(before.trimmed().isEmpty());
  // The estimates are flat, so the new age gives the same MED: the plan must still be the one
  // worked out after the new age, not the old one left on screen.
  app.type(app.find(names::EdAge), "50");
  QTest::mouseClick(app.find(names::Panel5), Qt::LeftButton);
  EXPECT_EQ(app.find<QLineEdit>(names::EdAge)->text(), "50.0");
  EXPECT_DOUBLE_EQ(app.data().courseAge.asFloat(), 50.0);
  EXPECT_EQ(grid()->cell(2, 1), before);
  EXPECT_EQ(c().dosing().grid().dose[0], before);
  EXPECT_EQ(title(), "I    Always burns, never tans - Average");
}

TEST_F(EstimateWindow, TonePanelsAreClickableOnlyBesideAnEstimate) {
  openCourse();
  auto* average = app.find<ui::ClickPanel>(names::Panel5);
  EXPECT_TRUE(average->isEnabled());
  app.find<QComboBox>(names::ComSkinType)->setCurrentIndex(6);  // "Agressive": no estimate
  EXPECT_FALSE(average->isEnabled());
  EXPECT_EQ(app.find<QLabel>(names::Label7)->text(), "");
  app.find<QComboBox>(names::ComSkinType)->setCurrentIndex(2);
  EXPECT_TRUE(average->isEnabled());
}

// A German therapist sees decimal commas where a German writes them, and exact figures: the
// digits do not pass through the C library's locale, which Qt sets from the environment.
TEST_F(EstimateWindow, GermanUsersSeeAndTypeDecimalCommas) {
  const LocaleScope german("de_DE.UTF-8");
  app.type(app.find(names::EdHosp), "ABC1234");
  QTest::mouseClick(app.find(names::BtnSelect), Qt::LeftButton);
  ASSERT_EQ(c().mode(), course::Mode::Patient);
  app.find<QComboBox>(names::ComSkinType)->setCurrentIndex(0);
  app.type(app.find(names::EdAge), "45,5");
  app.leave(app.find(names::EdAge));  // leaving the age box applies it
  EXPECT_EQ(app.find<QLineEdit>(names::EdAge)->text(), "45,5");
  EXPECT_DOUBLE_EQ(app.data().courseAge.asFloat(), 45.5);
  EXPECT_EQ(app.find<QLabel>(names::Label6)->text(), " 100,0");
  EXPECT_EQ(app.find<QLabel>(names::Label7)->text(), " 200,0");
  EXPECT_EQ(app.find<QLabel>(names::Label8)->text(), " 356,0");
  QTest::mouseClick(app.find(names::Panel6), Qt::LeftButton);  // In-Sensitive: MED 356
  EXPECT_EQ(app.find<QLineEdit>(names::DBEdMED)->text(), "356");
  EXPECT_EQ(grid()->cell(2, 1), "  249");
  EXPECT_EQ(grid()->cell(3, 1), "  356");
  EXPECT_EQ(grid()->cell(2, 29), grid()->cell(2, 29).trimmed().rightJustified(5, ' '));
  // A point typed by a user used to it is understood as well.
  app.type(app.find(names::EdAge), "46.5");
  app.leave(app.find(names::EdAge));
  EXPECT_DOUBLE_EQ(app.data().courseAge.asFloat(), 46.5);
  // No label widens the window beyond a laptop's screen.
  EXPECT_LE(app.window->minimumSizeHint().width(), 1366);
}

}  // namespace
