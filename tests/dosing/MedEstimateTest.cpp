// The MED estimate and the default schedules.

#include <gtest/gtest.h>

#include <numeric>

#include "dosing/DefaultSchedules.h"
#include "dosing/MedEstimate.h"

using namespace dosing;

namespace {

TEST(EffectiveAge, YoungPatientsAreMappedOntoTheOlderSideOfTheCurve) {
  const struct { double age, effective; } cases[] = {{20, 20}, {45.5, 45.5}, {19.9, 19}, {19, 22}, {10, 57}, {0, 96}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.age);
    EXPECT_EQ(effectiveAge(c.age), c.effective);
  }
}

TEST(ToneEstimate, EvaluatedInExtendedPrecisionInItsOwnOrder) {
  // (c1*a + c0) keeps the 1 next to 2e17 only in extended precision; the c2 term then takes
  // 2e17 away again. In doubles the 1 would be lost and the estimate would be 0.
  std::array<double, 24> table{};
  table[4 * 3 + 0] = 1;      // c0 of type IV
  table[4 * 3 + 1] = 1e16;   // c1
  table[4 * 3 + 2] = -5e14;  // c2: c2*a*a = -2e17 at a = 20
  EXPECT_EQ(toneEstimate(table, 3, 20, 2.5), 2.5);
  EXPECT_EQ(toneEstimate(table, 2, 20, 2.5), 0);
}

TEST(ToneEstimate, EachTypeAndClassReadsItsOwnCoefficients) {
  FactorTables t;
  t.ESF = 2;
  for (int type = 0; type < 6; ++type) {
    t.Lighter[4 * type] = type + 1;              // c0
    t.Average[4 * type + 1] = 10 * (type + 1);   // c1
    t.Darker[4 * type + 2] = 100 * (type + 1);   // c2
    t.Darker[4 * type + 3] = 1000 * (type + 1);  // c3
  }
  const ToneEstimates e = estimateTones(t, 2);
  for (int type = 0; type < 6; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(e.sensitiveMeds[type], 2 * (type + 1));
    EXPECT_EQ(e.averageMeds[type], 2 * 10 * (type + 1) * 2);
    EXPECT_EQ(e.insensitiveMeds[type], 2 * (100 * (type + 1) * 4 + 1000 * (type + 1) * 8));
  }
}

TEST(ToneEstimate, ZeroTablesGiveZero) {
  const ToneEstimates e = estimateTones(FactorTables{}, 45);
  for (int type = 0; type < 6; ++type)
    EXPECT_EQ(e.sensitiveMeds[type] + e.averageMeds[type] + e.insensitiveMeds[type], 0);
}

TEST(DefaultSchedules, EachSkinTypeStartsFromItsSchedule) {
  const int expected[] = {0, 1, 1, 2, 2, 3, 3, 4};  // items -1..6
  for (int item = -1; item <= 6; ++item) EXPECT_EQ(SkinTypeSchedule(item), expected[item + 1]) << item;
  EXPECT_EQ(SkinTypeSchedule(7), 0);
  EXPECT_EQ(SkinTypeSchedule(-2), 0);
}

TEST(DefaultSchedules, RowsAndTotals) {
  const struct {
    int schedule;
    int total;
    std::array<int, 5> rows1to5;
    int row21, row23, row29;
    // clang-format off
  } cases[] = {
      {0, 240, {30, 20, 19, 18, 17}, 1, 0, 0},
      {1, 245, {70, 10, 10, 10, 10}, 3, 1, 0},
      {2, 340, {70, 15, 15, 15, 15}, 6, 4, 0},
      {3, 340, {70, 15, 15, 15, 15}, 6, 4, 0},
      {4, 584, {70, 40, 30, 30, 30}, 10, 6, 0},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.schedule);
    const auto& s = DefIncTable[c.schedule];
    EXPECT_EQ(std::accumulate(s.begin(), s.end(), 0), c.total);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(s[r], c.rows1to5[r]) << "row " << r + 1;
    EXPECT_EQ(s[20], c.row21);
    EXPECT_EQ(s[22], c.row23);
    EXPECT_EQ(s[28], c.row29);
  }
  EXPECT_EQ(DefIncTable[2], DefIncTable[3]);
}

}  // namespace
