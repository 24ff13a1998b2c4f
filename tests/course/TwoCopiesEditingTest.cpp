// Two copies of the program editing the same patients' courses at once, each through its own open
// course and each in its own process: treatments, increments and a course note, each copy on its
// own rows and cells of the same course rows. No edit may be lost or refused ("database is
// locked" is never shown while the other copy's transactions are short), and the rows end as a run
// of the same edits one copy after the other leaves them. On both engines.
//
// HALCYRA_TWO_COPIES_EDITS sets the number of edits per copy (150 by default; the figures
// of the long run are in docs/reliability.md).

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <functional>
#include <string>

#include "../records/RecordsFixtures.h"
#include "ChildCopy.h"
#include "CourseFixtures.h"
#include "course/OpenCourse.h"

namespace {

using course::OpenCourse;
using course_fixtures::ChildCopy;
using course_fixtures::demoTables;

constexpr char kDirVariable[] = "HALCYRA_EDITOR_DIR";
constexpr char kSideVariable[] = "HALCYRA_EDITOR_SIDE";
constexpr char kCountVariable[] = "HALCYRA_EDITOR_EDITS";
const QString kShared[] = {QStringLiteral("SHA0001"), QStringLiteral("SHA0002")};
constexpr int kSlots = 13;  // treatment rows and increment cells per copy

// The patients both copies edit, each with a planned first course.
void seed(const QString& dir) {
  OpenCourse c(demoTables());
  ASSERT_EQ(c.connectDatabase(dir), records::Store::ConnectResult::Connected);
  for (const QString& nhi : kShared) {
    c.setSearchText(course::SearchField::Nhi, nhi);
    ASSERT_EQ(c.select(), course::SelectOutcome::Opened);
    c.setSkinType(1);
    c.setAge(QStringLiteral("40"));
    c.chooseTone(1);
    c.returnToList();
  }
}

struct EditTimes {
  qint64 total = 0, longest = 0;  // ms
};

// The edits of one copy: side 0 records treatments 1 to 13 and changes increments 1 to 13 and the
// medication note, side 1 treatments 14 to 26, increments 14 to 26 and the operations note; it
// moves between the two patients every 25 edits. `done` hears each edit finished.
EditTimes editCourses(const QString& dir, int side, int count, const std::function<void(int)>& done) {
  OpenCourse c(demoTables());
  EXPECT_EQ(c.connectDatabase(dir), records::Store::ConnectResult::Connected);
  EditTimes times;
  QElapsedTimer all, one;
  all.start();
  QString shown;
  for (int k = 0; k < count; ++k) {
    one.start();
    const QString& nhi = kShared[k / 25 % 2];
    if (nhi != shown) {
      if (!shown.isEmpty()) c.returnToList();
      c.open(nhi, 1);
      shown = nhi;
    }
    const int slot = side * kSlots + k % kSlots;  // 0-based
    switch (k % 3) {
      case 0: c.recordTreatment(slot + 1, course_fixtures::visit(Same, static_cast<float>(100 + k)), false); break;
      case 1: {
        dosing::RowTexts increments = c.dosing().grid().inc;
        increments[static_cast<std::size_t>(slot)] = QString::number(k % 40);
        c.setIncrements(increments);
        break;
      }
      default:
        c.setCourseText(side == 0 ? course::CourseText::Medication : course::CourseText::Operations,
                        QStringLiteral("edit %1").arg(k));
    }
    times.longest = std::max(times.longest, one.elapsed());
    if (done) done(k);
  }
  c.returnToList();
  times.total = all.elapsed();
  return times;
}

// The child: one copy's edits, each said when finished.
TEST(CourseEditor, EditsItsSide) {
  const QString dir = qEnvironmentVariable(kDirVariable);
  if (dir.isEmpty()) GTEST_SKIP() << "runs only as a child of TwoCopiesEditingTest";
  const int side = qEnvironmentVariableIntValue(kSideVariable), count = qEnvironmentVariableIntValue(kCountVariable);
  try {
    const EditTimes times =
        editCourses(dir, side, count, [](int k) { course_fixtures::reportDone(QStringLiteral("edit %1").arg(k)); });
    course_fixtures::reportDone(QStringLiteral("times %1 %2").arg(times.total).arg(times.longest));
  } catch (const course::Error& e) {
    FAIL() << "the user was shown: " << e.message().toStdString();
  }
}

class TwoCopiesEditingTest : public testing_records::StoreTest {
 protected:
  // What the edits leave, one line per value, as the program reads it back: the two courses'
  // treatments (rows not recorded hold nothing that counts), increments, notes and Complete, and
  // the patients' course status.
  static std::vector<std::string> outcome(const QString& dbDir, const QString& store) {
    std::vector<std::string> out;
    const auto add = [&](const QString& line) { out.push_back(line.toStdString()); };
    OpenCourse reader(demoTables());
    EXPECT_EQ(reader.connectDatabase(dbDir), records::Store::ConnectResult::Connected);
    for (const QString& nhi : kShared) {
      reader.open(nhi, 1);
      for (int k = 0; k < kTreatments; ++k) {
        const TreatmentRecord& r = reader.records()[static_cast<std::size_t>(k)];
        add(r.recorded() ? QStringLiteral("%1 treatment %2: %3 %4 %5 %6 %7 %8 %9")
                               .arg(nhi)
                               .arg(k + 1)
                               .arg(r.response)
                               .arg(r.Dose)
                               .arg(r.Temperature)
                               .arg(r.When)
                               .arg(QString::fromStdString(r.time), QString::fromStdString(r.Initials))
                               .arg(r.burn)
                         : QStringLiteral("%1 treatment %2: none").arg(nhi).arg(k + 1));
        add(QStringLiteral("%1 increment %2: %3")
                .arg(nhi)
                .arg(k + 1)
                .arg(reader.dosing().grid().inc[static_cast<std::size_t>(k)]));
      }
      add(QStringLiteral("%1 medication: %2").arg(nhi, reader.courseText(course::CourseText::Medication)));
      add(QStringLiteral("%1 operations: %2").arg(nhi, reader.courseText(course::CourseText::Operations)));
      reader.returnToList();
    }
    testing_records::RawStore raw(store);
    for (const auto& row : raw.rows(QStringLiteral("SELECT Hosp, NCourse, Complete FROM Patient ORDER BY Hosp")))
      add(QStringLiteral("%1 courses %2, status %3").arg(row[0].toString(), row[1].toString(), row[2].toString()));
    return out;
  }
};

TEST_F(TwoCopiesEditingTest, NoEditIsLostOrRefusedAndTheRowsEndAsASerialRunLeavesThem) {
  bool set = false;
  const int count = std::max(qEnvironmentVariableIntValue("HALCYRA_TWO_COPIES_EDITS", &set), set ? 1 : 150);
  seed(dirPath());
  if (HasFatalFailure()) return;
  std::vector<std::unique_ptr<ChildCopy>> copies;
  for (int side = 0; side < 2; ++side) {
    copies.push_back(std::make_unique<ChildCopy>(
        QStringLiteral("CourseEditor.EditsItsSide"),
        std::map<QString, QString>{{QString::fromLatin1(kDirVariable), dirPath()},
                                   {QString::fromLatin1(kSideVariable), QString::number(side)},
                                   {QString::fromLatin1(kCountVariable), QString::number(count)}}));
    ASSERT_TRUE(copies.back()->started());
  }
  for (int side = 0; side < 2; ++side) {
    ChildCopy& copy = *copies[static_cast<std::size_t>(side)];
    SCOPED_TRACE(side);
    EXPECT_TRUE(copy.finish(600000)) << copy.output().toStdString() << copy.errors().toStdString();
    int edits = 0;
    for (const QString& line : copy.lines()) {
      if (line.startsWith(QLatin1String("edit "))) ++edits;
      if (line.startsWith(QLatin1String("times "))) {
        const QStringList t = line.split(u' ');
        std::printf("copy %d: %d edits in %s ms, the longest %s ms\n", side, count, qPrintable(t[1]), qPrintable(t[2]));
      }
    }
    EXPECT_EQ(edits, count);
  }

  testing_records::FreshStore serial;
  seed(serial.dbDir());
  for (int side = 0; side < 2; ++side) editCourses(serial.dbDir(), side, count, {});
  const std::vector<std::string> together = outcome(dirPath(), file()),
                                 oneAfterTheOther = outcome(serial.dbDir(), serial.name());
  ASSERT_EQ(together.size(), oneAfterTheOther.size());
  for (std::size_t i = 0; i < together.size(); ++i) EXPECT_EQ(together[i], oneAfterTheOther[i]);
  EXPECT_EQ(course_fixtures::problems(dirPath()), QStringList());
}

}  // namespace
