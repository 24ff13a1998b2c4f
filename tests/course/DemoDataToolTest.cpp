// halcyra-tool demo-data: the demonstration department a new user meets at the first start,
// written through the open course; it must be sound and show every kind of course and record.

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

#include "support/ToolRun.h"

namespace {

class DemoData : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    made = runTool({"demo-data", dir.path(), "--factors", HALCYRA_DEMO_FACTORS});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
  }
  ToolRun tool(QStringList args) { return runTool(args); }
  QStringList nhis(int mask) { return runTool({"find", dir.path(), "--mask", QString::number(mask)}).lines(); }
  QTemporaryDir dir;
  ToolRun made;
};

TEST_F(DemoData, AWorkingDepartmentThatPassesTheCheck) {
  EXPECT_EQ(made.lines(), QStringList({"patients\t8", "courses\t9", "treatments\t100", "photographs\t13"}));
  // Its doses come from the demonstration calibration, and it says so.
  EXPECT_EQ(made.err, QStringLiteral("halcyra-tool demo-data: Demonstration calibration: not for clinical use (%1)\n")
                          .arg(QStringLiteral(HALCYRA_DEMO_FACTORS)));
  const ToolRun check = tool({"check", dir.path()});
  EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
  EXPECT_EQ(check.out, "ok\n");
  // Finished courses, and courses pending or under way.
  EXPECT_EQ(nhis(4), QStringList({"DEM0001", "DEM0002", "DEM0005"}));
  EXPECT_EQ(nhis(2).size(), 6);

  // Every response and burn grade is recorded somewhere; increments were edited by hand; spots
  // and annotated photographs are stored.
  QSet<QString> responses, burns;
  bool editedIncrement = false, spots = false;
  int annotated = 0;
  for (const QString& nhi : nhis(7)) {
    const int newest = tool({"show-course", dir.path(), nhi}).lines().value(1).section('\t', 1).toInt();
    ASSERT_GE(newest, 1) << nhi.toStdString();
    for (int id = 1; id <= newest; ++id) {
      const ToolRun course = tool({"show-course", dir.path(), nhi, QString::number(id)});
      ASSERT_EQ(course.exitCode, 0) << nhi.toStdString() << " " << id;
      for (const QString& line : course.lines()) {
        const QStringList f = line.split('\t');
        if (f[0] == "treatment" && f[2] != "0") {
          responses << f[2];
          if (f[3] != "0") burns << f[3];
        }
        if (f[0] == "treatment" && f[9] == "0" && f[1].toInt() < 20) editedIncrement = true;
        if (f[0] == "Spots" && !f[1].isEmpty()) spots = true;
      }
      for (const QString& photo : tool({"photos", dir.path(), nhi, QString::number(id)}).lines())
        annotated += !photo.section('\t', 4).isEmpty();
    }
  }
  EXPECT_EQ(responses, QSet<QString>({"1", "2", "3", "4"}));
  EXPECT_EQ(burns, QSet<QString>({"5", "6", "7"}));
  EXPECT_TRUE(editedIncrement);
  EXPECT_TRUE(spots);
  EXPECT_GE(annotated, 8);
  // The painted photographs stay beside the database, to be dropped by hand too.
  EXPECT_EQ(QDir(dir.filePath("demo-photographs")).entryList({"*.jpg"}).size(), 13);
}

TEST_F(DemoData, NeverWritesIntoADatabaseThatHoldsPatients) {
  const ToolRun again = runTool({"demo-data", dir.path(), "--factors", HALCYRA_DEMO_FACTORS});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_TRUE(again.err.contains("already holds patients")) << again.err.toStdString();
  EXPECT_EQ(tool({"find", dir.path(), "--mask", "7"}).lines().size(), 8);
}

}  // namespace
