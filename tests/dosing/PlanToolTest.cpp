// halcyra-tool estimate and plan, run as a clinical engineer runs them.

#include <gtest/gtest.h>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "PlanFixtures.h"
#include "dosing/FactorFile.h"
#include "support/ToolRun.h"

namespace {

class PlanTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    // Deliverable first doses from 100 to 10000 mJ/cm2, the widest a calibration may give.
    FactorTables t = plan_fixtures::flatTables(0, 0, 0, 100, 10000);
    for (int type = 0; type < 6; ++type) {
      t.Lighter[4 * type] = 100 * (type + 1);
      t.Lighter[4 * type + 1] = 0.5;
      t.Average[4 * type] = 200 * (type + 1);
      t.Darker[4 * type] = 300 * (type + 1);
      t.Darker[4 * type + 2] = 0.25;
    }
    factors_ = dir_.filePath(QStringLiteral("UVB_Factors.Dat"));
    dosing::writeFactorFile(factors_, t);
  }
  QTemporaryDir dir_;
  QString factors_;
};

TEST_F(PlanTool, EstimatePrintsTheEffectiveAgeAndEveryTypesEstimates) {
  const ToolRun r = runTool({"estimate", "--factors", factors_, "--age", "19"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList expected = {"effective_age\t22", "1\t111\t200\t421",   "2\t211\t400\t721",  "3\t311\t600\t1021",
                                "4\t411\t800\t1321", "5\t511\t1000\t1621", "6\t611\t1200\t1921"};
  EXPECT_EQ(r.lines(), expected);
}

TEST_F(PlanTool, PlanWithAFirstDoseBelowTheMinimum) {
  // Type I at 45: Sensitive 122.5, In-Sensitive 806.25; MED 142 is class 0.
  const ToolRun r = runTool({"plan", "--factors", factors_, "--skin-type", "0", "--age", "45", "--med", "142"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  ASSERT_EQ(r.lines().size(), 32);
  EXPECT_EQ(r.lines()[0], "1\t99\t142");
  EXPECT_EQ(r.lines()[1], "2\t108\t156");
  EXPECT_EQ(r.lines()[28], "29\t500\t735");
  EXPECT_EQ(r.lines()[29], "class\t0");
  EXPECT_EQ(r.lines()[30], "print\t1");
  EXPECT_EQ(r.lines()[31],
            "warning\tUndeliverable treatment\tMinimum MED deliverable is 142.74\\nMay need to reclassify as a "
            "more Sensitive Skin Type to use current MED\\n\\nConsult specialist before proceeding");
}

TEST_F(PlanTool, PlanWithTypedIncrements) {
  QStringList inc = {"100", "10", "10", "10", "", "10"};
  while (inc.size() < 29) inc << "0";
  const ToolRun r = runTool(
      {"plan", "--factors", factors_, "--skin-type", "2", "--age", "45", "--med", "1000", "--inc", inc.join(',')});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  ASSERT_EQ(r.lines().size(), 31);  // no warning
  EXPECT_EQ(r.lines()[3], "4\t1331\t1331");
  EXPECT_EQ(r.lines()[4], "5\t\t");
  EXPECT_EQ(r.lines()[5], "6\t1464\t1464");
  EXPECT_EQ(r.lines()[28], "29\t1464\t1464");
  EXPECT_EQ(r.lines()[29], "class\t1");  // type III at 45: 1000 lies 0.63 of the way from 322.5 to 1406.25
  EXPECT_EQ(r.lines()[30], "print\t0");
}

TEST_F(PlanTool, WrongArgumentsAndUnreadableFiles) {
  const QString missing = dir_.filePath(QStringLiteral("none.Dat"));
  const struct {
    QStringList args;
    int exit;
  } cases[] = {
      {{"plan", "--factors", factors_, "--skin-type", "0", "--age", "45"}, 2},
      {{"plan", "--factors", factors_, "--skin-type", "7", "--age", "45", "--med", "1"}, 2},
      {{"plan", "--factors", factors_, "--skin-type", "0", "--age", "old", "--med", "1"}, 2},
      {{"plan", "--factors", factors_, "--skin-type", "0", "--age", "45", "--med", "1", "--inc", "1,2"}, 2},
      {{"plan", "--factors", factors_, "--skin-type", "0", "--age", "45", "--med", "1", "--colour", "red"}, 2},
      {{"estimate", "--factors", factors_}, 2},
      {{"estimate", "--factors", factors_, "--age"}, 2},
      {{"estimate", "--factors", missing, "--age", "45"}, 1},
      {{"plan", "--factors", missing, "--skin-type", "0", "--age", "45", "--med", "1"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exitCode, c.exit);
    EXPECT_TRUE(r.lines().isEmpty());
    EXPECT_EQ(r.err.contains(QStringLiteral("usage:")), c.exit == 2) << r.err.toStdString();
    EXPECT_EQ(r.err.contains(missing), c.exit == 1) << r.err.toStdString();
  }
}

// The tool holds its clinical arguments to the same limits as the window: just inside a bound is
// planned, just outside is refused with exit 2 and the argument named.
TEST_F(PlanTool, ClinicalArgumentsOutsideTheLimitsAreRefused) {
  QStringList inc(29, QStringLiteral("10"));
  inc[0] = QStringLiteral("70");
  auto plan = [&](const char* age, const char* med, const QStringList& increments) {
    return runTool(
        {"plan", "--factors", factors_, "--skin-type", "2", "--age", age, "--med", med, "--inc", increments.join(',')});
  };
  auto with = [&](int row, const char* text) {
    QStringList changed = inc;
    changed[row - 1] = QString::fromLatin1(text);
    return changed;
  };
  const struct {
    const char* what;
    ToolRun run;
    const char* said;  // empty: planned
    // clang-format off
  } cases[] = {
      {"age 0", plan("0", "300", inc), ""},
      {"age 120", plan("120", "300", inc), ""},
      {"age 120.5", plan("120.5", "300", inc), "--age \"120.5\" is too large: an age is a number of years from 0 to 120"},
      {"age -1", plan("-1", "300", inc), "--age \"-1\" is too small"},
      {"MED 1", plan("45", "1", inc), ""},
      {"MED 10000", plan("45", "10000", inc), ""},
      {"MED 0", plan("45", "0", inc), "--med \"0\" is too small: the MED is a whole number of mJ/cm2 from 1 to 10000"},
      {"MED 10001", plan("45", "10001", inc), "--med \"10001\" is too large"},
      {"MED 99999999999", plan("45", "99999999999", inc), "--med \"99999999999\" is too large"},
      {"MED in letters", plan("45", "abc", inc), "--med \"abc\" is not a whole number"},
      {"no MED", plan("45", "", inc), ""},
      {"-99 %", plan("45", "300", with(5, "-99")), ""},
      {"-100 %", plan("45", "300", with(5, "-100")),
       "--inc \"-100\" is too small (the \"% Inc\" of treatment 5)"},
      {"a first increment of 0", plan("45", "300", with(1, "0")),
       "--inc \"0\" is too small (the \"% Inc\" of treatment 1)"},
      {"letters in a cell", plan("45", "300", with(5, "x")), ""},  // kept as a cell keeps it
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.run.exitCode, *c.said ? 2 : 0) << c.run.err.toStdString();
    if (*c.said) {
      EXPECT_TRUE(c.run.err.contains(QString::fromUtf8(c.said))) << c.run.err.toStdString();
      EXPECT_TRUE(c.run.lines().isEmpty());
    }
  }
  const ToolRun estimate = runTool({"estimate", "--factors", factors_, "--age", "200"});
  EXPECT_EQ(estimate.exitCode, 2);
  EXPECT_TRUE(estimate.err.contains(QStringLiteral("--age \"200\" is too large"))) << estimate.err.toStdString();
}

// The figures read and print the same on every machine, whatever its language: a point in every
// argument and every figure, and a comma named as the slip it is.
TEST_F(PlanTool, ArgumentsAndFiguresUseAPointInEveryLocale) {
  const QStringList estimate = {"estimate", "--factors", factors_, "--age", "19.9"};
  const QStringList plan = {"plan", "--factors", factors_, "--skin-type", "0", "--age", "45.5", "--med", "142"};
  const ToolRun estimateC = runTool(estimate, {"LC_ALL=C"});
  const ToolRun planC = runTool(plan, {"LC_ALL=C"});
  ASSERT_EQ(estimateC.exitCode, 0) << estimateC.err.toStdString();
  ASSERT_EQ(planC.exitCode, 0) << planC.err.toStdString();
  EXPECT_EQ(estimateC.lines()[0], "effective_age\t19");  // 19.9 gives Round(18.72)
  EXPECT_EQ(estimateC.lines()[1], "1\t109.5\t200\t390.25");
  for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8", "sk_SK.UTF-8", "tr_TR.UTF-8"}) {
    const QString env = QStringLiteral("LC_ALL=") + locale;
    EXPECT_EQ(runTool(estimate, {env}).out, estimateC.out) << locale;
    EXPECT_EQ(runTool(plan, {env}).out, planC.out) << locale;
    const ToolRun comma = runTool({"estimate", "--factors", factors_, "--age", "19,9"}, {env});
    EXPECT_EQ(comma.exitCode, 2) << locale;
    EXPECT_TRUE(comma.err.contains("--age \"19,9\"")) << comma.err.toStdString();
    EXPECT_TRUE(comma.err.contains("with a point")) << comma.err.toStdString();
  }
  const ToolRun commaMed =
      runTool({"plan", "--factors", factors_, "--skin-type", "0", "--age", "45", "--med", "142,5"});
  EXPECT_EQ(commaMed.exitCode, 2);
  EXPECT_TRUE(commaMed.err.contains("--med")) << commaMed.err.toStdString();
}

}  // namespace
