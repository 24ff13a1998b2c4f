// The plan computation: doses, erythema doses, tone class, warnings, the graph's points.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "PlanFixtures.h"
#include "dosing/TreatmentPlan.h"

using namespace dosing;
using plan_fixtures::scheduleTexts;
using plan_fixtures::texts;

namespace {

// A plan input for skin type `index` with its default schedule, estimates 200/300/400 for every
// type and a range no first dose leaves.
PlanInput baseInput(const char* med, int index = 0) {
  PlanInput in;
  in.medText = QString::fromLatin1(med);
  in.estimatedItem = index;
  in.skinTypeText = skinTypeText(index);
  in.inc = in.defInc = scheduleTexts(SkinTypeSchedule(index));
  in.sensitiveMeds.fill(200);
  in.averageMeds.fill(300);
  in.insensitiveMeds.fill(400);
  in.MED_Min.fill(1);
  in.MED_Max.fill(100000);
  return in;
}

// The number a "%5.0F" cell shows.
int shown(const QString& cell) {
  bool ok = false;
  const int v = cell.trimmed().toInt(&ok);
  EXPECT_TRUE(ok) << "not a whole number: '" << cell.toStdString() << "'";
  return v;
}

std::vector<double> xs(const std::vector<QPointF>& points) {
  std::vector<double> out;
  for (const QPointF& p : points) out.push_back(p.x());
  return out;
}

struct ScheduleCase {
  const char* name;
  int index;
  std::vector<int> dose1to5, erythema1to5;
  std::vector<int> dose23to29, erythema23to29;
};

class DefaultSchedulePlan : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(DefaultSchedulePlan, Med300GrowsByTheScheduleRowByRow) {
  const ScheduleCase& c = GetParam();
  const PlanOutput out = computePlan(baseInput("300", c.index));
  for (int r = 0; r < 5; ++r) {
    SCOPED_TRACE(r + 1);
    EXPECT_EQ(shown(out.dose[r]), c.dose1to5[r]);
    EXPECT_EQ(shown(out.erythema[r]), c.erythema1to5[r]);
    EXPECT_EQ(out.plannedDose[r], c.dose1to5[r]);
  }
  for (int r = 22; r < 29; ++r) {
    SCOPED_TRACE(r + 1);
    EXPECT_EQ(shown(out.dose[r]), c.dose23to29[r - 22]);
    EXPECT_EQ(shown(out.erythema[r]), c.erythema23to29[r - 22]);
    EXPECT_EQ(out.plannedDose[r], c.dose23to29[r - 22]);
  }
  EXPECT_EQ(out.dose[0], QStringLiteral("  210"));  // "%5.0F": right-aligned in five places
  EXPECT_TRUE(out.printEnabled);
  EXPECT_TRUE(out.warnings.empty());
  EXPECT_EQ(out.lastWarnedMed, 300);
  EXPECT_EQ(out.series.erythema.size(), 29u);
  EXPECT_EQ(out.series.dose.size(), 29u);
  EXPECT_EQ(out.series.minDose.size(), 29u);
  EXPECT_EQ(out.series.dose.back(), QPointF(29, c.dose23to29.back()));
}

INSTANTIATE_TEST_SUITE_P(Plan, DefaultSchedulePlan,
                         ::testing::Values(ScheduleCase{"TypeI",
                                                        0,
                                                        {210, 231, 254, 279, 306},
                                                        {300, 330, 363, 399, 438},
                                                        {1098, 1098, 1098, 1098, 1098, 1098, 1098},
                                                        {1582, 1582, 1582, 1582, 1582, 1582, 1582}},
                                           ScheduleCase{"TypeIII",
                                                        2,
                                                        {210, 241, 277, 318, 365},
                                                        {300, 345, 396, 455, 523},
                                                        {2465, 2538, 2588, 2613, 2613, 2613, 2613},
                                                        {3552, 3658, 3731, 3768, 3768, 3768, 3768}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlanArithmetic, RunsInExtendedPrecision) {
  // 225 grown by 4 %: (4 / 100 + 1) * 225 lies just below 234 in extended precision.
  PlanInput in = baseInput("225");
  in.inc = texts({"100", "4"});  // row 1 at 100 % makes the first dose the MED itself
  const PlanOutput out = computePlan(in);
  EXPECT_EQ(shown(out.dose[0]), 225);
  EXPECT_EQ(shown(out.dose[1]), 233);
  EXPECT_EQ(shown(out.erythema[1]), 233);
  EXPECT_EQ(out.plannedDose[1], 233);
  // The same step in plain doubles lands on 234: the precision is what makes the difference.
  volatile double growth = 4.0 / 100 + 1;
  EXPECT_EQ(std::trunc(growth * 225.0), 234.0);
}

TEST(PlanArithmetic, NegativeAndZeroIncrements) {
  PlanInput in = baseInput("200");
  in.inc = texts({"100", "-10", "0", "-50", "10"});
  const PlanOutput out = computePlan(in);
  const int expected[] = {200, 180, 180, 90, 99};
  for (int r = 0; r < 5; ++r) EXPECT_EQ(shown(out.dose[r]), expected[r]) << "row " << r + 1;
  EXPECT_TRUE(out.printEnabled);
}

TEST(PlanArithmetic, MinimumDoseLineFollowsTheDefaultIncrementsFromTheNextMoreSensitiveType) {
  PlanInput in = baseInput("300", 2);  // type III, class from 300 between 200 and 400: Average
  in.averageMeds = {111, 222, 333, 444, 555, 666};
  in.defInc = texts({"100", "10"});
  in.inc = texts({"70", "15"});  // the line ignores the edited increments
  const PlanOutput out = computePlan(in);
  ASSERT_EQ(out.toneClass, 1);
  ASSERT_GE(out.series.minDose.size(), 2u);
  EXPECT_EQ(out.series.minDose[0], QPointF(1, 222));  // type II's Average estimate
  EXPECT_EQ(out.series.minDose[1], QPointF(2, 244));
}

struct RangeCase {
  const char* med;
  int firstDose;
  const char* warning;  // empty: none
};

TEST(PlanWarnings, FirstDoseBelowTheMinimumNamesTheSmallestMed) {
  const RangeCase cases[] = {
      {"143", 100, ""},
      {"142", 99,
       "Minimum MED deliverable is 142.74\nMay need to reclassify as a more Sensitive Skin Type to use "
       "current MED\n\nConsult specialist before proceeding"},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.med);
    PlanInput in = baseInput(c.med);
    in.MED_Min[0] = 100;
    const PlanOutput out = computePlan(in);
    EXPECT_EQ(shown(out.dose[0]), c.firstDose);
    if (*c.warning) {
      ASSERT_EQ(out.warnings.size(), 1u);
      EXPECT_EQ(out.warnings[0].caption, QStringLiteral("Undeliverable treatment"));
      EXPECT_EQ(out.warnings[0].text, QString::fromLatin1(c.warning));
    } else {
      EXPECT_TRUE(out.warnings.empty());
    }
    EXPECT_TRUE(out.printEnabled);  // an undeliverable first dose is shown, not refused
  }
}

TEST(PlanWarnings, FirstDoseAboveTheMaximumAndBothInOrder) {
  PlanInput in = baseInput("300");
  in.MED_Max[0] = 200;  // the first dose 210 is too high
  PlanOutput out = computePlan(in);
  ASSERT_EQ(out.warnings.size(), 1u);
  EXPECT_EQ(out.warnings[0].text,
            QStringLiteral("Maximium MED deliverable is 285.60\nMay need to reclassify as a less Sensitive "
                           "Skin Type to use current MED\n\nConsult specialist before proceeding"));

  in.MED_Min[0] = 250;  // a crossed range: both boxes, the minimum first
  out = computePlan(in);
  ASSERT_EQ(out.warnings.size(), 2u);
  EXPECT_TRUE(out.warnings[0].text.startsWith(QStringLiteral("Minimum MED deliverable is ")));
  EXPECT_TRUE(out.warnings[1].text.startsWith(QStringLiteral("Maximium MED deliverable is ")));
}

TEST(PlanWarnings, OnlyForANewMedAndNeverWhileLoading) {
  struct Case {
    const char* name;
    double oldMed;
    bool import;
    size_t warnings;
  } cases[] = {{"new MED", 0, false, 1}, {"same MED again", 142, false, 0}, {"loading a course", 0, true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlanInput in = baseInput("142");
    in.MED_Min[0] = 100;
    in.lastWarnedMed = c.oldMed;
    in.loadingStoredCourse = c.import;
    const PlanOutput out = computePlan(in);
    EXPECT_EQ(out.warnings.size(), c.warnings);
    EXPECT_EQ(out.lastWarnedMed, 142);  // remembered in every case
  }
}

TEST(PlanWarnings, FirstIncrementOfZeroOrLessSaysNoMedReachesTheMinimum) {
  const struct {
    const char* inc;
    const char* text;
  } cases[] = {
      {"0",
       "No MED gives a first dose within the minimum deliverable dose of 100 with a first increment of 0 %\n"
       "Check the \"% Inc\" of treatment 1\n\nConsult specialist before proceeding"},
      {"-10",
       "No MED gives a first dose within the minimum deliverable dose of 100 with a first increment of -10 %\n"
       "Check the \"% Inc\" of treatment 1\n\nConsult specialist before proceeding"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inc);
    PlanInput in = baseInput("300");
    in.MED_Min[0] = 100;
    in.inc[0] = QString::fromLatin1(c.inc);
    const PlanOutput out = computePlan(in);
    ASSERT_EQ(out.warnings.size(), 1u);
    EXPECT_EQ(out.warnings[0].caption, QStringLiteral("Undeliverable treatment"));
    EXPECT_EQ(out.warnings[0].text, QString::fromLatin1(c.text));
  }
}

TEST(ToneClass, BordersTakeTheEvenClass) {
  const struct {
    double med;
    int cls;
  } cases[] = {{100, 0}, {163.9, 0}, {164, 0}, {164.1, 1}, {228, 1},   {291.9, 1},
               {292, 2}, {356, 2},   {50, 0},  {1e300, 2}, {-1e300, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.med);
    EXPECT_EQ(toneClass(c.med, 100, 356), c.cls);
  }
}

TEST(ToneClass, ClassNamesTheChartTitle) {
  PlanInput in = baseInput("292", 2);
  in.sensitiveMeds.fill(100);
  in.insensitiveMeds.fill(356);
  const PlanOutput out = computePlan(in);
  EXPECT_EQ(out.toneClass, 2);
  EXPECT_EQ(out.title, QStringLiteral("III  Sometimes burns, always tans - In-Sensitive"));
}

TEST(ToneClass, EqualEstimatesGiveNoClassButStillAPlan) {
  EXPECT_EQ(toneClass(300, 0, 0), std::nullopt);
  EXPECT_EQ(toneClass(300, NAN, 10), std::nullopt);
  PlanInput in = baseInput("300");
  in.sensitiveMeds.fill(0);
  in.averageMeds.fill(0);
  in.insensitiveMeds.fill(0);
  in.toneClass = 1;
  const PlanOutput out = computePlan(in);
  EXPECT_EQ(out.toneClass, 1);  // kept, not made up
  EXPECT_EQ(out.title, skinTypeText(0));
  EXPECT_EQ(shown(out.dose[0]), 210);
  EXPECT_TRUE(out.printEnabled);
}

TEST(PlanWithoutSkinType, ComputedFromTheMedWithoutClassOrRange) {
  for (int index : {-1, 6}) {
    SCOPED_TRACE(index);
    PlanInput in = baseInput("300", index);
    in.MED_Min.fill(10000);  // would warn for any type I..VI
    in.MED_Max.fill(1);
    in.toneClass = 2;
    const PlanOutput out = computePlan(in);
    EXPECT_TRUE(out.warnings.empty());
    EXPECT_EQ(out.toneClass, 2);
    EXPECT_EQ(out.title, skinTypeText(index));            // no class word
    EXPECT_EQ(shown(out.dose[0]), index < 0 ? 90 : 210);  // schedule 0 starts at 30 %, schedule 4 at 70 %
    EXPECT_EQ(shown(out.erythema[0]), 300);
    EXPECT_TRUE(out.printEnabled);
  }
}

TEST(PlanRows, IncrementAbove200EndsThePlanAtItsRow) {
  PlanInput in = baseInput("300");
  in.inc[9] = QStringLiteral("250");
  in.dose.fill(QStringLiteral("old"));
  in.erythema.fill(QStringLiteral("old"));
  in.plannedDose.fill(-1);
  const PlanOutput out = computePlan(in);
  EXPECT_EQ(out.dose[9], out.dose[8]);
  EXPECT_EQ(out.erythema[9], out.erythema[8]);
  EXPECT_EQ(out.plannedDose[8], shown(out.dose[8]));
  EXPECT_EQ(out.plannedDose[9], -1);
  for (int r = 10; r < 29; ++r) {
    EXPECT_EQ(out.dose[r], QStringLiteral("old"));
    EXPECT_EQ(out.erythema[r], QStringLiteral("old"));
    EXPECT_EQ(out.plannedDose[r], -1);
  }
  EXPECT_EQ(xs(out.series.erythema).back(), 9);
  EXPECT_EQ(out.series.dose.size(), 9u);
  EXPECT_TRUE(out.printEnabled);
}

TEST(PlanRows, UnreadableIncrementSkipsItsRowAndDisablesPrint) {
  for (const char* bad : {"", "abc", "1.5", "99999999999"}) {
    SCOPED_TRACE(bad);
    PlanInput in = baseInput("300");
    in.inc = texts({"100", "10", "10", "10", bad, "10"});
    in.plannedDose.fill(-1);
    const PlanOutput out = computePlan(in);
    EXPECT_EQ(shown(out.dose[3]), 399);
    EXPECT_TRUE(out.dose[4].isEmpty());
    EXPECT_TRUE(out.erythema[4].isEmpty());
    EXPECT_EQ(out.plannedDose[4], -1);
    EXPECT_EQ(shown(out.dose[5]), 438);  // 399 grown by 10 %
    EXPECT_EQ(out.series.erythema.size(), 28u);
    EXPECT_EQ(xs(out.series.erythema)[4], 6);
    EXPECT_FALSE(out.printEnabled);
  }
}

TEST(PlanRows, NoRowIsComputedWithoutAMedOrAFirstIncrement) {
  const struct {
    const char* med;
    const char* first;
  } cases[] = {{"", "70"}, {"abc", "70"}, {"300", ""}, {"300", "x"}, {"300", "-100"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.med) + " / " + c.first);
    PlanInput in = baseInput(c.med);
    in.MED_Min[0] = 100000;
    in.inc[0] = QString::fromLatin1(c.first);
    in.dose.fill(QStringLiteral("kept"));
    in.erythema.fill(QStringLiteral("kept"));
    in.lastWarnedMed = 77;
    const PlanOutput out = computePlan(in);
    EXPECT_EQ(out.dose[0], QStringLiteral("kept"));
    EXPECT_EQ(out.erythema[28], QStringLiteral("kept"));
    EXPECT_TRUE(out.series.empty());
    EXPECT_TRUE(out.warnings.empty());
    EXPECT_EQ(out.lastWarnedMed, 77);
    EXPECT_FALSE(out.printEnabled);
  }
}

TEST(PlanGraph, RecordedTreatmentsShowDeliveredDoseAndTemperature) {
  std::vector<TreatmentRecord> records(29);
  records[1].response = Same;
  records[1].Dose = 225.5f;
  records[1].Temperature = 36.5f;
  records[3].response = 0;  // not recorded, whatever else it holds
  records[3].Dose = 999;
  PlanInput in = baseInput("300");
  in.records = records;
  const PlanOutput out = computePlan(in);
  EXPECT_EQ(out.series.delivered, std::vector<QPointF>{QPointF(2, 225.5)});
  EXPECT_EQ(out.series.temp, std::vector<QPointF>{QPointF(2, 36.5)});
  EXPECT_EQ(out.series.dose.size(), 28u);
  EXPECT_EQ(xs(out.series.dose)[1], 3);
  EXPECT_EQ(out.series.erythema.size(), 29u);
  EXPECT_EQ(out.plannedDose[1], 231);  // the plan itself is unchanged
  EXPECT_EQ(shown(out.dose[1]), 231);
}

TEST(PlanRobustness, ExtremeTextsGiveAWellFormedResult) {
  const struct {
    const char* med;
    const char* first;
  } cases[] = {{"1e308", "70"},       {"-1e308", "70"},       {"300", "-100"}, {"0", "-100"},
               {"300", "2147483647"}, {"300", "-2147483648"}, {"  300", "+70"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.med) + " / " + c.first);
    PlanInput in = baseInput(c.med);
    in.MED_Min[0] = 100;
    in.MED_Max[0] = 200;
    in.inc[0] = QString::fromLatin1(c.first);
    const PlanOutput out = computePlan(in);
    EXPECT_GE(out.toneClass, 0);
    EXPECT_LE(out.toneClass, 2);
    for (const PlanWarning& w : out.warnings) EXPECT_FALSE(w.text.contains(QStringLiteral("NAN")));
  }
}

}  // namespace
