// The audit's rules that need no store: the quartiles, the period's dates, the written forms of
// hostile NHIs, and the chart's bars over long periods.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "audit/AuditCharts.h"
#include "audit/AuditLines.h"
#include "audit/AuditPeriod.h"
#include "audit/DepartmentAudit.h"
#include "base/Formats.h"

namespace {

TEST(AuditRules, QuartilesInterpolateBetweenTheNearestRanksAsSpreadsheetsDo) {
  struct Case {
    std::vector<double> values;
    double p;
    std::optional<double> expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // clang-format off
  const std::vector<Case> cases{
      {{}, 0.5, std::nullopt},
      {{7}, 0.25, 7},
      {{4, 1, 3, 2}, 0.5, 2.5},      // an even count: halfway between the middle two
      {{4, 1, 3, 2}, 0.25, 1.75},
      {{4, 1, 3, 2}, 0.75, 3.25},
      {{10, 20, 30, 40, 50}, 0.25, 20},
      {{2, nan, 1}, 0.5, 2},         // a damaged value sorts last and never upsets the sort
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::optional<double> got = audit::percentile(c.values, c.p);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.values.size() << " values, p " << c.p;
    if (got) {
      EXPECT_DOUBLE_EQ(*got, *c.expected) << c.values.size() << " values, p " << c.p;
    }
  }
}

TEST(AuditRules, DatesAreWholeDaysWrittenYearMonthDay) {
  EXPECT_EQ(audit::parseIsoDate("2024-02-29"), QDate(2024, 2, 29));
  for (const char* refused :
       {"2023-02-29", "2024-2-29", "24-02-29", "2024-02-29 ", "2024/02/29", "", "0000-01-01", "2024-02-2\u0669"})
    EXPECT_FALSE(audit::parseIsoDate(QString::fromUtf8(refused)).isValid()) << refused;

  EXPECT_EQ(audit::dayOf(45292.99), 45292);  // the time of day does not count
  EXPECT_EQ(audit::dayOf(-1.25), -1);        // before 1899-12-30 the fraction counts forward
  EXPECT_EQ(audit::dateOfDay(45292), QDate(2024, 1, 1));
  for (double unreadable : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 2e8})
    EXPECT_FALSE(audit::dayOf(unreadable)) << unreadable;

  EXPECT_EQ(audit::lastTwelveMonths(QDate(2025, 3, 10)), (audit::Period{QDate(2024, 3, 11), QDate(2025, 3, 10)}));
  EXPECT_EQ(audit::lastTwelveMonths(QDate(2024, 2, 29)), (audit::Period{QDate(2023, 3, 1), QDate(2024, 2, 29)}));
}

TEST(AuditRules, AnNhiFromTheStoreCannotBreakALineOrRunAsAFormula) {
  const std::vector<audit::AuditLine> lines{
      {"over", {"=HYPERLINK(\"x\")", "12", "100.0"}},
      {"over", {"AB,C\t1\n", "11", "90.0"}},
      {"grade3", {"-2+3", "2024-05-06", "250.0", "-", "-"}},
  };
  EXPECT_EQ(QString::fromUtf8(audit::toolText(lines)), QStringLiteral("over\t=HYPERLINK(\"x\")\t12\t100.0\n"
                                                                      "over\tAB,C\\t1\\n\t11\t90.0\n"
                                                                      "grade3\t-2+3\t2024-05-06\t250.0\t-\t-\n"));
  EXPECT_EQ(QString::fromUtf8(audit::csvText(lines)), QStringLiteral("over,\"'=HYPERLINK(\"\"x\"\")\",12,100.0\r\n"
                                                                     "over,\"AB,C\t1\n\",11,90.0\r\n"
                                                                     "grade3,'-2+3,2024-05-06,250.0,-,-\r\n"));
}

TEST(AuditRules, ALongPeriodIsChartedByYearsAndAnEmptyOneSaysSo) {
  audit::DepartmentAudit tally({QDate(1990, 1, 1), QDate(2024, 12, 31)}, std::nullopt);
  audit::AuditCourse course;
  course.nhi = "ABC1234";
  course.records[0] =
      TreatmentRecord{BurnI, Same, 0, 100, {}, {}, static_cast<double>(audit::dayNumber(QDate(2024, 6, 1)))};
  tally.add(course);
  const audit::BarChart years = audit::burnRateChart(tally.figures(), QLocale::c());
  ASSERT_EQ(years.bars.size(), 35u);  // 35 years, one bar each
  EXPECT_EQ(years.bars.front().label, "1990");
  EXPECT_FALSE(years.bars.front().value);  // no treatment that year: nothing to be worked out over
  EXPECT_EQ(years.bars.back().value, 100.0);
  EXPECT_TRUE(years.emptyNote.isEmpty());

  audit::DepartmentAudit centuries({QDate(1900, 1, 1), QDate(2099, 12, 31)}, std::nullopt);
  const audit::BarChart grouped = audit::burnRateChart(centuries.figures(), QLocale::c());
  EXPECT_LE(grouped.bars.size(), static_cast<std::size_t>(audit::kMostPeriodBars));
  EXPECT_EQ(grouped.bars.front().label, "1900-1905");
  EXPECT_FALSE(grouped.emptyNote.isEmpty());

  const audit::BarChart months = audit::burnRateChart(
      audit::DepartmentAudit({QDate(2024, 1, 15), QDate(2024, 3, 1)}, 5).figures(), QLocale(QLocale::German));
  ASSERT_EQ(months.bars.size(), 3u);
  EXPECT_EQ(months.bars[1].label, QString::fromUtf8("Feb. 24"));
  const report::Drawing drawn = audit::drawBarChart(months, QSizeF(93, 72), QLocale(QLocale::German));
  EXPECT_FALSE(drawn.items.empty());
}

}  // namespace
