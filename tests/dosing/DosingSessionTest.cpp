// The dosing state of the open course, handler by handler.

#include <gtest/gtest.h>

#include "PlanFixtures.h"
#include "dosing/DosingSession.h"

using namespace dosing;
using plan_fixtures::flatTables;

namespace {

// A session with an age and skin type I chosen, estimates 200/300/400, range lo..hi.
DosingSession openCourse(int item = 0, int lo = 1, int hi = 100000) {
  DosingSession s(flatTables(200, 300, 400, lo, hi));
  s.enterAge(QStringLiteral("45"));
  s.chooseSkinType(item);
  return s;
}

std::vector<PlanWarning> enterMed(DosingSession& s, const char* med) {
  return s.planForMed(QString::fromLatin1(med), skinTypeText(s.skinTypeItem()));
}

TEST(Session, SameAgeAgainChangesNothingANewAgeClearsThePlan) {
  DosingSession s = openCourse();
  enterMed(s, "300");
  ASSERT_FALSE(s.grid().dose[0].isEmpty());

  EXPECT_FALSE(s.setAge(45));
  EXPECT_FALSE(s.grid().dose[0].isEmpty());
  EXPECT_EQ(s.lastWarnedMed(), 300);
  EXPECT_TRUE(s.gridEnabled());

  // Leaving the age box with the same age is still a valid age (the window stores it again).
  EXPECT_TRUE(s.enterAge(QStringLiteral("45")));
  EXPECT_FALSE(s.grid().dose[0].isEmpty());

  EXPECT_TRUE(s.setAge(46));
  EXPECT_EQ(s.ageText(), QStringLiteral("46.0"));
  EXPECT_TRUE(s.grid().dose[0].isEmpty());
  EXPECT_TRUE(s.grid().erythema[28].isEmpty());
  EXPECT_TRUE(s.series().empty());
  EXPECT_EQ(s.lastWarnedMed(), 0);
  EXPECT_EQ(s.plannedDose()[0], 210);                // kept until the next plan
  EXPECT_EQ(s.grid().inc[0], QStringLiteral("70"));  // increments stay
  EXPECT_EQ(s.toneLabels()[1], QStringLiteral(" 300.0"));
  EXPECT_TRUE(s.gridEnabled());
}

TEST(Session, TextThatIsNotAnAgeIsIgnored) {
  DosingSession s = openCourse();
  EXPECT_FALSE(s.enterAge(QStringLiteral("forty")));
  EXPECT_EQ(s.age(), 45);
}

TEST(Session, SkinTypeBeforeAnyAgeFillsTheIncrementsButShowsNoEstimate) {
  DosingSession s(flatTables(200, 300, 400));
  s.chooseSkinType(2);
  EXPECT_EQ(s.grid().inc[1], QStringLiteral("15"));
  EXPECT_EQ(s.grid().defInc[12], QStringLiteral("14"));
  EXPECT_EQ(s.toneLabels(), (std::array<QString, 3>{}));  // the "**" are gone
  EXPECT_FALSE(s.gridEnabled());
  EXPECT_FALSE(s.tonePanelsEnabled());
  EXPECT_EQ(s.estimatedItem(), 0);  // no estimate was made
}

TEST(Session, EachSkinTypeLoadsItsScheduleReplacingEditedIncrements) {
  const struct {
    int item;
    const char* rows1to3[3];
    bool estimate;
    // clang-format off
  } cases[] = {
      {-1, {"30", "20", "19"}, false},
      {0, {"70", "10", "10"}, true},
      {2, {"70", "15", "15"}, true},
      {5, {"70", "15", "15"}, true},
      {6, {"70", "40", "30"}, false},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    DosingSession s(flatTables(200, 300, 400));
    s.enterAge(QStringLiteral("45"));
    s.setIncrement(1, QStringLiteral("99"));
    s.chooseSkinType(c.item);
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(s.grid().inc[r], QLatin1String(c.rows1to3[r]));
      EXPECT_EQ(s.grid().defInc[r], QLatin1String(c.rows1to3[r]));
    }
    EXPECT_EQ(s.estimatedItem(), c.item);
    EXPECT_EQ(s.gridEnabled(), c.estimate);
    EXPECT_EQ(s.tonePanelsEnabled(), c.estimate);
    EXPECT_EQ(s.toneLabels()[0], c.estimate ? QStringLiteral(" 200.0") : QString());
  }
}

TEST(Session, ToneClickCopiesTheRoundedEstimate) {
  const struct {
    int tag;
    double average;
    const char* med;
  } cases[] = {{1, 312.5, "312"}, {1, 313.5, "314"}, {0, 312.5, "200"}, {2, 312.5, "400"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.average);
    DosingSession s(flatTables(200, c.average, 400));
    s.enterAge(QStringLiteral("45"));
    s.chooseSkinType(2);
    const ToneChoice click = s.chooseTone(c.tag, skinTypeText(2));
    ASSERT_TRUE(click.medText.has_value());
    EXPECT_EQ(*click.medText, QLatin1String(c.med));
    EXPECT_EQ(s.toneClass(), c.tag);
    EXPECT_EQ(s.chartTitle(), skinTypeText(2) + QStringLiteral(" - ") + ToneNames[c.tag]);
  }
}

TEST(Session, ToneClickAppliesATypedAgeFirst) {
  FactorTables t = flatTables(0, 0, 0);
  t.Average[1] = 10;  // type I, Average: 10 * age
  DosingSession s(t);
  s.enterAge(QStringLiteral("30"));
  s.chooseSkinType(0);
  const ToneChoice click = s.chooseTone(1, skinTypeText(0), QStringLiteral("40"));
  EXPECT_TRUE(click.ageApplied);
  EXPECT_EQ(s.age(), 40);
  EXPECT_EQ(click.medText, std::optional<QString>(QStringLiteral("400")));
}

TEST(Session, ToneClickWithoutEstimatesGivesNoMed) {
  // The In-Sensitive class chosen under skin type I is held when the type becomes "Agressive".
  DosingSession s = openCourse(0);
  s.chooseTone(2, skinTypeText(0));
  s.chooseSkinType(6);
  const ToneChoice click = s.chooseTone(0, skinTypeText(6));
  EXPECT_FALSE(click.medText.has_value());
  EXPECT_EQ(s.toneClass(), 2);
  EXPECT_EQ(s.chartTitle(), QStringLiteral("Agressive"));
}

TEST(Session, ZeroFactorTablesOfferNoToneAndStillPlanATypedMed) {
  DosingSession s(FactorTables{});
  s.enterAge(QStringLiteral("45"));
  s.chooseSkinType(0);
  // Every estimate is 0: no MED of 0 is offered to be chosen.
  EXPECT_EQ(s.toneOffered(), (std::array<bool, 3>{false, false, false}));
  const ToneChoice click = s.chooseTone(1, skinTypeText(0));
  EXPECT_FALSE(click.medText.has_value());
  enterMed(s, "250");
  EXPECT_EQ(s.chartTitle(), skinTypeText(0));
  EXPECT_EQ(s.grid().dose[0].trimmed(), QStringLiteral("175"));
}

// A calibration's curve may fall to nothing or below at an extreme age, or rise beyond any MED:
// such an estimate is not offered, its neighbours still are.
TEST(Session, OnlyEstimatesThatRoundToAnMedWithinTheLimitsAreOffered) {
  const struct {
    double sensitive, average, insensitive;
    std::array<bool, 3> offered;
    // clang-format off
  } cases[] = {
      {-286.7, -358.4, -448.0, {false, false, false}},
      {0.4, 0.5, 1.5, {false, false, true}},  // 0.5 rounds to 0 (half to even), 1.5 to 2
      {9999.5, 10000.4, 10000.6, {true, true, false}},  // 9999.5 and 10000.4 round to 10000
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sensitive);
    DosingSession s(flatTables(c.sensitive, c.average, c.insensitive));
    s.enterAge(QStringLiteral("45"));
    s.chooseSkinType(2);
    EXPECT_TRUE(s.tonePanelsEnabled());
    EXPECT_EQ(s.toneOffered(), c.offered);
    for (int tag = 0; tag < 3; ++tag) {
      EXPECT_EQ(s.toneLabels()[static_cast<std::size_t>(tag)].isEmpty(), !c.offered[static_cast<std::size_t>(tag)]);
      EXPECT_EQ(s.chooseTone(tag, skinTypeText(2)).medText.has_value(), c.offered[static_cast<std::size_t>(tag)]);
    }
  }
}

// A course stored by an earlier version may hold an MED or an increment outside the limits: no
// plan is built on it.
TEST(Session, NoPlanIsBuiltOnAStoredValueOutsideTheLimits) {
  DosingSession s = openCourse(2);
  enterMed(s, "-358");
  EXPECT_TRUE(s.series().empty());
  EXPECT_FALSE(s.printEnabled());
  enterMed(s, "300");
  EXPECT_TRUE(s.printEnabled());
  s.setIncrement(4, QStringLiteral("-150"));
  enterMed(s, "301");
  EXPECT_TRUE(s.grid().dose[4].isEmpty());
  EXPECT_FALSE(s.printEnabled());
  for (std::size_t r = 0; r < kTreatments; ++r) EXPECT_FALSE(s.grid().dose[r].trimmed().startsWith(u'-'));
}

TEST(Session, WarningsOncePerNewMed) {
  DosingSession s = openCourse(0, 100);
  EXPECT_EQ(enterMed(s, "142").size(), 1u);
  EXPECT_EQ(enterMed(s, "142").size(), 0u);  // the same MED again
  s.setIncrement(5, QStringLiteral("12"));
  EXPECT_EQ(enterMed(s, "142").size(), 0u);  // only an increment changed
  EXPECT_EQ(enterMed(s, "143").size(), 0u);  // deliverable
  EXPECT_EQ(enterMed(s, "142").size(), 1u);  // a new MED again
  s.chooseSkinType(0);                       // clears the plan and forgets the MED
  EXPECT_EQ(enterMed(s, "142").size(), 1u);

  s.setLoadingStoredCourse(true);  // a stored course being loaded
  EXPECT_EQ(enterMed(s, "141").size(), 0u);
  EXPECT_EQ(s.lastWarnedMed(), 141);
  s.setLoadingStoredCourse(false);
  EXPECT_EQ(enterMed(s, "141").size(), 0u);
}

TEST(Session, BirthDateSetsTheAgeOnlyWhileTheAgeBoxIsEmpty) {
  const double now = 45678.5;
  const double birth = now - 365.25 * 40;
  DosingSession s(flatTables(200, 300, 400));
  s.chooseSkinType(0);
  EXPECT_FALSE(s.takeBirthDate(QStringLiteral("35"), birth, now));
  EXPECT_EQ(s.age(), 0);
  EXPECT_TRUE(s.takeBirthDate(QString(), birth, now));
  EXPECT_EQ(s.age(), 40);
  EXPECT_EQ(s.ageText(), QStringLiteral("40.0"));
  EXPECT_EQ(s.toneLabels()[2], QStringLiteral(" 400.0"));
}

}  // namespace
