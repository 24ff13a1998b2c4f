// halcyra-tool show-course prints a course as the window would load it.

#include <gtest/gtest.h>

#include "RecordsFixtures.h"
#include "records/CourseRow.h"
#include "records/Store.h"
#include "support/ToolRun.h"

namespace {

using testing_records::StoreTest;

QString line(const ToolRun& run, const QString& name) {
  for (const QString& l : run.lines())
    if (l.startsWith(name + '\t')) return l.mid(name.size() + 1);
  return QStringLiteral("<missing>");
}

class ShowCourseTool : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    data_ = connect();
    data_->firstName = [] { return QString("Mary"); };
    data_->secondName = [] { return QString(); };
    data_->log = [](const QString&) {};
    data_->findPatients("ABC1234", "", 7);
    data_->addPatient("ABC1234", "Smith");
    data_->addCourse();  // course 1: skin type III, nothing recorded
    data_->courses.edit();
    data_->courseSkinType.setInteger(2);
    data_->courseAge.setFloat(45.5);
    data_->courseMedication.setString("Methotrexate\nFolic acid");
    data_->courses.post();
    data_->addCourse();  // course 2: increments and one recorded treatment
    data_->courses.edit();
    treatment::IncrementTexts inc;
    inc.fill("10");
    inc[1] = "";
    inc[2] = "-5";
    records::storeCourseIncrements(*data_, inc);
    std::array<TreatmentRecord, kTreatments> recs{};
    recs[3].response = 3;
    recs[3].burn = 6;
    recs[3].Dose = 250.5f;
    recs[3].Temperature = 36.5f;
    recs[3].time = " 2:30";
    recs[3].Initials = "AB";
    recs[3].When = 46000.75;
    records::storeCourseRecords(*data_, recs);
    data_->courseFinished.setBoolean(true);
    data_->courses.post();
  }
  std::unique_ptr<records::Store> data_;
};

TEST_F(ShowCourseTool, NewestCourseWithItsRecordsAndIncrements) {
  const ToolRun run = runTool({"show-course", dirPath(), "ABC1234"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList names = {"Hosp",         "CourseID",   "DateAssess",  "Old",        "ComDiag",  "ComReason",
                             "ComCondition", "EdLong",     "RadioPrevRx", "EdRxResult", "EdMed",    "SkinIndex",
                             "SpotsLength",  "Consultant", "Referal",     "Cautions",   "Complete", "Sched",
                             "MemoMeds",     "MemoOps",    "Spots"};
  for (int i = 0; i < names.size(); ++i) EXPECT_TRUE(run.lines()[i].startsWith(names[i] + '\t')) << i;
  EXPECT_EQ(line(run, "CourseID"), "2");
  EXPECT_EQ(line(run, "Complete"), "1");
  EXPECT_EQ(line(run, "ComDiag"), "");  // null
  EXPECT_EQ(run.lines().size(), names.size() + 29);
  EXPECT_EQ(run.lines()[names.size() + 0], "treatment\t1\t0\t0\t0\t0\t0\t\t\t10");
  EXPECT_EQ(run.lines()[names.size() + 1], "treatment\t2\t0\t0\t0\t0\t0\t\t\t");
  EXPECT_EQ(run.lines()[names.size() + 2], "treatment\t3\t0\t0\t0\t0\t0\t\t\t-5");
  // The course row keeps the high half of a date: 18:00 survives, a finer time would not.
  EXPECT_EQ(run.lines()[names.size() + 3].toStdString(), "treatment\t4\t3\t6\t250.5\t36.5\t46000.75\t 2:30\tAB\t10");
}

TEST_F(ShowCourseTool, OlderCourseShowsTheSkinTypesDefaultIncrements) {
  const ToolRun run = runTool({"show-course", dirPath(), "ABC1234", "1"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(line(run, "Old"), "45.5");
  EXPECT_EQ(line(run, "SkinIndex"), "2");
  EXPECT_EQ(line(run, "Complete"), "0");
  EXPECT_EQ(line(run, "MemoMeds"), "Methotrexate\\nFolic acid");
  const int first = static_cast<int>(run.lines().size()) - 29;
  EXPECT_TRUE(run.lines()[first].endsWith("\t70"));  // schedule of types III and IV
  EXPECT_TRUE(run.lines()[first + 1].endsWith("\t15"));
  EXPECT_TRUE(run.lines()[first + 28].endsWith("\t0"));
}

TEST_F(ShowCourseTool, UnknownPatientOrCourseFails) {
  for (const QStringList& args : {QStringList{dirPath(), "XYZ0000"}, QStringList{dirPath(), "ABC1234", "3"}}) {
    const ToolRun run = runTool(QStringList{"show-course"} + args);
    EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
    EXPECT_FALSE(run.err.isEmpty());
  }
}

}  // namespace

namespace {

// A clinical engineer's scripts get the same bytes on every machine, whatever its language.
TEST_F(ShowCourseTool, PrintsTheSameInEveryLocale) {
  for (const QStringList& args : {QStringList{dirPath(), "ABC1234"}, QStringList{dirPath(), "ABC1234", "1"}}) {
    const ToolRun c = runTool(QStringList{"show-course"} + args, {"LC_ALL=C"});
    ASSERT_EQ(c.exitCode, 0) << c.err.toStdString();
    for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8", "sk_SK.UTF-8", "tr_TR.UTF-8"}) {
      const ToolRun other = runTool(QStringList{"show-course"} + args, {QStringLiteral("LC_ALL=") + locale});
      EXPECT_EQ(other.out, c.out) << locale;
    }
  }
}

}  // namespace

namespace {

// A patient file from elsewhere can put a terminal's escape sequences into an NHI, a name or a note:
// the tool prints them as escapes, so that nothing of them acts on the terminal it prints to.
TEST_F(ShowCourseTool, PrintsControlCharactersOfStoredTextsAsEscapes) {
  const QString nhi = QStringLiteral("E\x1b[2J");  // "clear the screen"
  data_->findPatients(nhi, "", 7);
  data_->addPatient(nhi, QStringLiteral("Evil\x1b]0;owned\x07"));
  data_->addCourse();
  data_->courses.edit();
  data_->courseHistory.setString(QStringLiteral("Left\relbow\x9b"));
  data_->courses.post();

  const ToolRun found = runTool({"find", dirPath(), "--nhi", "E"});
  ASSERT_EQ(found.exitCode, 0) << found.err.toStdString();
  EXPECT_EQ(found.lines(), QStringList{"E\\x1b[2J"});
  const ToolRun shown = runTool({"show-course", dirPath(), nhi});
  ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
  EXPECT_EQ(line(shown, "Hosp"), "E\\x1b[2J");
  EXPECT_EQ(line(shown, "MemoOps"), "Left\\relbow\\x9b");
  for (const ToolRun* run : {&found, &shown}) {
    for (const QChar c : run->out)
      EXPECT_TRUE(c == QLatin1Char('\n') || c == QLatin1Char('\t') ||
                  (c.unicode() >= 0x20 && c.unicode() != 0x7F && (c.unicode() < 0x80 || c.unicode() >= 0xA0)))
          << "control character " << int(c.unicode());
  }
}

}  // namespace
