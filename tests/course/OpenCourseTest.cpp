// The open course under a plain core application, as halcyra-tool and headless programs drive it:
// a course opened as Select opens it, what each mode works out and stores, what happens when the
// store refuses a write, and two windows writing one course. On both engines.

#include <gtest/gtest.h>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "../dosing/PlanFixtures.h"
#include "../records/LegacyFixtures.h"
#include "../records/RecordsFixtures.h"
#include "CourseFixtures.h"
#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "course/OpenCourse.h"
#include "records/AuditTrail.h"
#include "records/Connection.h"
#include "records/CourseRow.h"
#include "records/Database.h"

namespace {

using course::Mode;
using course::OpenCourse;
using course_fixtures::demoTables;
using course_fixtures::visit;
using testing_records::RawStore;

class OpenCourseTest : public testing_records::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    ASSERT_EQ(course.connectDatabase(dirPath()), records::Store::ConnectResult::Connected);
  }
  // Types the NHI and selects, as the top strip does.
  void selectNew(OpenCourse& c, const QString& nhi) {
    c.setSearchText(course::SearchField::Nhi, nhi);
    ASSERT_EQ(c.select(), course::SelectOutcome::Opened);
    ASSERT_EQ(c.mode(), Mode::Patient);
  }
  // Skin type II, 40 years, the Average estimate as MED.
  void plan(OpenCourse& c) {
    c.setSkinType(1);
    c.setAge("40");
    c.chooseTone(1);
  }
  QStringList problems() { return course_fixtures::problems(dirPath()); }
  // The records of course 1 of a patient as stored; nothing when none were ever stored.
  std::optional<std::array<TreatmentRecord, kTreatments>> storedRecords(const QString& nhi) {
    OpenCourse reader(demoTables());
    reader.connectDatabase(dirPath());
    reader.open(nhi, 1);
    return records::loadCourseRecords(reader.data());
  }

  OpenCourse course{demoTables()};
};

TEST_F(OpenCourseTest, OpensACourseAsSelectDoesWithoutAWindow) {
  selectNew(course, "ABC1234");
  plan(course);
  course.recordTreatment(2, visit(Same), false);
  course.clickDiagram(QPoint(10, 20), false);
  course.setCourseText(course::CourseText::Referral, "Dr Lock");
  const QString med = course.medText();

  OpenCourse other(demoTables());
  ASSERT_EQ(other.connectDatabase(dirPath()), records::Store::ConnectResult::Connected);
  other.open("abc1234", 1);  // the NHI's letter case does not matter
  EXPECT_EQ(other.mode(), Mode::Patient);
  EXPECT_EQ(other.medText(), med);
  EXPECT_EQ(other.dosing().skinTypeItem(), 1);
  EXPECT_EQ(other.dosing().ageText(), "40.0");
  EXPECT_EQ(other.dosing().plannedDose(), course.dosing().plannedDose());  // the plan worked out again
  EXPECT_TRUE(other.records()[1].recorded());
  EXPECT_EQ(other.records()[1].Dose, 123.0f);
  EXPECT_EQ(other.spots(), std::vector<QPoint>{QPoint(10, 20)});
  EXPECT_EQ(other.courseText(course::CourseText::Referral), "Dr Lock");
  EXPECT_TRUE(other.printable());

  struct Unknown {
    const char* nhi;
    std::optional<int> courseId;
    const char* says;
  };
  for (const Unknown& u :
       {Unknown{"XYZ9999", 1, "no patient has the NHI \"XYZ9999\""}, Unknown{"ABC1234", 7, "has no course 7"}}) {
    SCOPED_TRACE(u.nhi);
    OpenCourse third(demoTables());
    third.connectDatabase(dirPath());
    try {
      third.open(u.nhi, u.courseId);
      ADD_FAILURE() << "opened";
    } catch (const course::Error& e) {
      EXPECT_TRUE(e.message().contains(QLatin1String(u.says))) << e.message().toStdString();
    }
    EXPECT_EQ(third.mode(), Mode::List);
  }
}

// The 29 treatment records are stored whole with a course, recorded or not: what one patient's
// course held must not travel into the next patient's stored record.
TEST_F(OpenCourseTest, ANewCourseStoresNothingOfThePreviousPatientsTreatments) {
  selectNew(course, "ABC1234");
  plan(course);
  for (int row = 1; row <= 3; ++row) course.recordTreatment(row, visit(Same, 150.0f + row), false);
  course.returnToList();

  selectNew(course, "XYZ0001");
  plan(course);
  course.recordTreatment(1, visit(Clearing), false);
  const auto stored = storedRecords("XYZ0001");
  ASSERT_TRUE(stored);
  EXPECT_TRUE((*stored)[0].recorded());
  for (std::size_t k = 1; k < kTreatments; ++k) {
    SCOPED_TRACE(k + 1);
    const TreatmentRecord& row = (*stored)[k];
    EXPECT_FALSE(row.recorded());
    EXPECT_EQ(row.Dose, 0.0f);
    EXPECT_EQ(row.Temperature, 0.0f);
    EXPECT_EQ(row.When, 0.0);
    EXPECT_EQ(std::count(row.Initials.begin(), row.Initials.end(), 'A'), 0);
  }
}

TEST_F(OpenCourseTest, WhileTheListIsReadAWholeNhiOpensAtOnceAndAnythingElseWaitsForTheList) {
  RawStore(file()).addPatient("ABC1234", "Early", 2);

  // The list comes in by itself: one announcement, and Select opens its first patient.
  OpenCourse waiting(demoTables());
  ASSERT_EQ(waiting.connectDatabase(dirPath(), records::Store::ListRead::InBackground),
            records::Store::ConnectResult::Connected);
  EXPECT_TRUE(waiting.readingList());
  EXPECT_FALSE(waiting.selectButton().enabled);
  QSignalSpy changed(&waiting, &OpenCourse::changed);
  ASSERT_TRUE(changed.wait(20000));
  EXPECT_FALSE(waiting.readingList());
  EXPECT_EQ(changed.count(), 1);
  EXPECT_TRUE(waiting.selectButton().enabled);
  EXPECT_EQ(waiting.data().patientNhi.asString(), "ABC1234");

  // A whole NHI typed before the list is in opens its patient at once, typing waiting for nothing;
  // the list comes in under the open course and changes nothing shown.
  OpenCourse hurried(demoTables());
  ASSERT_EQ(hurried.connectDatabase(dirPath(), records::Store::ListRead::InBackground),
            records::Store::ConnectResult::Connected);
  hurried.setSearchText(course::SearchField::Nhi, "abc123");
  EXPECT_TRUE(hurried.readingList());
  EXPECT_FALSE(hurried.selectButton().enabled) << "not a whole NHI";
  hurried.setSearchText(course::SearchField::Nhi, "abc1234");
  EXPECT_TRUE(hurried.readingList());
  EXPECT_EQ(hurried.selectButton().caption, "Select");
  EXPECT_TRUE(hurried.selectButton().enabled);
  EXPECT_EQ(hurried.select(), course::SelectOutcome::Opened);
  EXPECT_TRUE(hurried.readingList()) << "opened without the list";
  EXPECT_EQ(hurried.mode(), Mode::Patient);
  EXPECT_EQ(hurried.data().patientSurname.asString(), "Early");
  EXPECT_EQ(hurried.data().courses.recordCount(), 1) << "a patient without courses gets its first";
  hurried.setAge("40");  // an action on the open course does not wait for the list
  EXPECT_TRUE(hurried.readingList());
  QSignalSpy arrived(&hurried, &OpenCourse::changed);
  ASSERT_TRUE(arrived.wait(20000));
  EXPECT_FALSE(hurried.readingList());
  EXPECT_EQ(hurried.mode(), Mode::Patient);
  EXPECT_EQ(hurried.data().patientNhi.asString(), "ABC1234");
  EXPECT_EQ(hurried.data().patients.recordCount(), 1) << "listed once, with its new course status";
  hurried.returnToList(course::PendingChanges::Keep);
  EXPECT_EQ(hurried.data().courses.recordCount(), 1);

  // Any other Select waits for the list and lists what was typed: an NHI nobody has makes the
  // button say "New Patient", and nothing is opened or created yet.
  OpenCourse waited(demoTables());
  ASSERT_EQ(waited.connectDatabase(dirPath(), records::Store::ListRead::InBackground),
            records::Store::ConnectResult::Connected);
  waited.setSearchText(course::SearchField::Nhi, "XYZ9876");
  EXPECT_TRUE(waited.selectButton().enabled);
  EXPECT_EQ(waited.select(), course::SelectOutcome::NotNow);
  EXPECT_FALSE(waited.readingList());
  EXPECT_EQ(waited.mode(), Mode::List);
  EXPECT_EQ(waited.selectButton().caption, "New Patient");
  EXPECT_EQ(waited.data().patients.recordCount(), 0);

  // A surname typed meanwhile greys Select until the list is in, and is searched then.
  OpenCourse named(demoTables());
  ASSERT_EQ(named.connectDatabase(dirPath(), records::Store::ListRead::InBackground),
            records::Store::ConnectResult::Connected);
  named.setSearchText(course::SearchField::Surname, "ear");
  EXPECT_TRUE(named.readingList());
  EXPECT_FALSE(named.selectButton().enabled);
  QSignalSpy listed(&named, &OpenCourse::changed);
  ASSERT_TRUE(listed.wait(20000));
  EXPECT_TRUE(named.selectButton().enabled);
  EXPECT_EQ(named.data().patientNhi.asString(), "ABC1234");
  EXPECT_EQ(named.data().patients.recordCount(), 1);
}

TEST_F(OpenCourseTest, ThePlanIsWorkedOutOnlyWithACourseOpenOrLoadingAndStoredOnlyWithOneOpen) {
  selectNew(course, "ABC1234");
  course.setSkinType(1);
  course.setAge("40");
  struct Case {
    Mode mode;
    bool computes, stores;
  };
  const Case cases[] = {{Mode::List, false, false},
                        {Mode::Import, false, false},
                        {Mode::Quiet, false, false},
                        {Mode::Loading, true, false},
                        {Mode::Patient, true, true}};
  int med = 300;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    course.setSkinType(1);  // empties the plan
    ++med;
    {
      const auto held = course.holdMode(c.mode);
      course.setMed(QString::number(med));
    }
    EXPECT_EQ(!course.dosing().grid().dose[0].isEmpty(), c.computes);
    EXPECT_EQ(RawStore(file()).scalar("SELECT EdMed FROM Course").toInt() == med, c.stores);
  }
}

TEST_F(OpenCourseTest, ARefusedWriteWaitsInItsRowAndIsStoredWithTheNextOneNeverDropped) {
  selectNew(course, "ABC1234");
  plan(course);
  RawStore raw(file());
  raw.refuse("refuse", "BEFORE UPDATE ON Patient", {}, "database is locked");
  QSignalSpy changed(&course, &OpenCourse::changed);
  try {
    course.setPatientText(course::PatientText::Surname, "Lock");
    ADD_FAILURE() << "a refused write was reported as stored";
  } catch (const course::StoreError& e) {
    EXPECT_EQ(e.change(), "the Surname \"Lock\" of patient ABC1234");
    EXPECT_TRUE(e.reason().contains("database is locked")) << e.reason().toStdString();
  }
  EXPECT_EQ(changed.count(), 1);  // one operation, one announcement, also when it fails
  EXPECT_EQ(course.data().patients.state(), records::DataSet::State::Edit);
  EXPECT_EQ(course.patientText(course::PatientText::Surname), "Lock");  // the screen keeps it
  EXPECT_TRUE(course.hasPendingChanges());

  // A treatment re-reads the patient row for its status bits: it cannot, and says what waits.
  try {
    course.recordTreatment(1, visit(Clearing), false);
    ADD_FAILURE() << "the patient row was re-read over a change waiting in it";
  } catch (const course::StoreError& e) {
    EXPECT_TRUE(e.change().contains("Surname \"Lock\"")) << e.change().toStdString();
  }
  EXPECT_EQ(course.patientText(course::PatientText::Surname), "Lock");

  raw.dropRefusal("refuse", "Patient");
  course.recordTreatment(1, visit(Clearing), false);
  EXPECT_FALSE(course.hasPendingChanges());
  EXPECT_EQ(raw.scalar("SELECT SurN FROM Patient").toString(), "Lock");
  EXPECT_EQ(raw.scalar("SELECT Complete FROM Patient").toInt(), 2);
  EXPECT_TRUE(course.records()[0].recorded());
}

TEST_F(OpenCourseTest, ListWithAChangeStillRefusedStaysUnlessToldToDropIt) {
  selectNew(course, "ABC1234");
  RawStore raw(file());
  raw.refuse("refuse", "BEFORE UPDATE ON Course", {}, "disk I/O error");
  EXPECT_THROW(course.setCourseText(course::CourseText::Therapist, "AB"), course::StoreError);
  EXPECT_THROW(course.returnToList(), course::StoreError);
  EXPECT_EQ(course.mode(), Mode::Patient);
  EXPECT_EQ(course.pendingChanges(), "the Therapist \"AB\" of course 1 of patient ABC1234");
  course.returnToList(course::PendingChanges::Drop);
  EXPECT_EQ(course.mode(), Mode::List);
  EXPECT_FALSE(course.hasPendingChanges());
}

TEST_F(OpenCourseTest, TheStoreIsReReadInTheQuietMode) {
  selectNew(course, "ABC1234");
  plan(course);
  std::vector<Mode> seen;
  QObject::connect(&course.data().courses, &records::DataSet::afterScroll, [&] { seen.push_back(course.mode()); });
  course.recordTreatment(3, visit(Worse), true);  // re-reads the course for the status bits, then again
  course.setContraindications(5);                 // re-reads the course
  ASSERT_FALSE(seen.empty());
  for (Mode m : seen) EXPECT_EQ(m, Mode::Quiet);
  EXPECT_EQ(course.mode(), Mode::Patient);
}

TEST_F(OpenCourseTest, DuringAnImportSelectWaitsAndNothingIsPrintable) {
  QTemporaryDir files;
  testing_legacy::UvbFile u;
  u.nhi = "DDD0004";
  const QString path = testing_legacy::writeFile(files.path(), "D.UVB", u.bytes());
  {
    const auto importing = course.holdMode(Mode::Import);
    EXPECT_TRUE(course.importFile(path).imported());
    EXPECT_EQ(course.select(), course::SelectOutcome::NotNow);
  }
  EXPECT_EQ(course.mode(), Mode::List);
  EXPECT_FALSE(course.printable());
  EXPECT_EQ(course.searchTexts().nhi, "");
  EXPECT_EQ(course.data().patientNhi.asString(), "DDD0004");
}

// Every action that writes several rows stores them together or not at all. Here the store
// refuses the action's last statement: nothing of the action may stay in the store (check finds
// the rows agreeing with one another), what the user entered stays on screen, waiting, and the
// next change stores it.
TEST_F(OpenCourseTest, EachActionIsStoredWholeOrNotAtAll) {
  RawStore raw(file());

  // Select on a new NHI: the patient, its first course and its status bits.
  raw.refuse("no_course", "BEFORE INSERT ON Course", {}, "the disk is full");
  course.setSearchText(course::SearchField::Nhi, "ABC1234");
  EXPECT_THROW(course.select(), course::Error);
  EXPECT_EQ(course.mode(), Mode::List);
  EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Patient").toInt(), 0) << "the patient was kept without its course";
  raw.dropRefusal("no_course", "Course");
  ASSERT_EQ(course.select(), course::SelectOutcome::Opened);
  EXPECT_EQ(raw.scalar("SELECT NCourse FROM Patient").toInt(), 1);
  plan(course);

  struct Case {
    const char* name;
    const char* refused;  // the action's last statement
    std::function<void()> action;
    QString stillStored;  // a value the refused action must not have changed
    QVariant before;
    std::function<void()> next;  // the next change, once the store takes it again
    QString stored;
    QVariant after;
  };
  const Case cases[] = {
      {"a treatment and the patient's status bits", "BEFORE UPDATE OF Complete ON Patient",
       [&] { course.recordTreatment(2, visit(Same), false); }, "SELECT Condition IS NULL FROM Course", true,
       [&] { course.setCourseText(course::CourseText::Therapist, "AB"); }, "SELECT Complete FROM Patient", 2},
      {"the age of the course with the patient's birth date", "BEFORE UPDATE OF Birth ON Patient",
       [&] {
         course.setAge("");  // no age typed: the birth date gives it
         course.setBirthDate(datetime::now() - 365.25 * 30);
       },
       "SELECT Old FROM Course", 40.0, [&] { course.setBirthDate(datetime::now() - 365.25 * 30); },
       "SELECT Old < 40 FROM Course", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    raw.refuse("last", c.refused, {}, "the disk is full");
    EXPECT_THROW(c.action(), course::StoreError);
    EXPECT_EQ(raw.scalar(c.stillStored).toDouble(), c.before.toDouble());
    EXPECT_EQ(problems(), QStringList());
    EXPECT_TRUE(course.hasPendingChanges());
    raw.dropRefusal("last", "Patient");
    c.next();
    EXPECT_FALSE(course.hasPendingChanges());
    EXPECT_EQ(raw.scalar(c.stored).toDouble(), c.after.toDouble());
    EXPECT_EQ(problems(), QStringList());
  }
  // The treatment that waited was stored with the next change, and is shown.
  EXPECT_TRUE(course.records()[1].recorded());
  const auto stored = storedRecords("ABC1234");
  ASSERT_TRUE(stored);
  EXPECT_EQ((*stored)[1].Dose, 123.0f);
}

// Two workstations with the same course open, each writing what its own window loaded: neither
// overwrites the other's treatments or increments, and a treatment row both recorded keeps the
// first one stored, with a word to the second workstation.
TEST_F(OpenCourseTest, TwoWindowsOnOneCourseKeepEachOthersTreatmentsAndIncrements) {
  selectNew(course, "ABC1234");
  plan(course);
  OpenCourse other(demoTables());
  ASSERT_EQ(other.connectDatabase(dirPath()), records::Store::ConnectResult::Connected);
  other.open("ABC1234", 1);
  QStringList told;
  QObject::connect(&other, &OpenCourse::warning, [&](const QString& caption, const QString&) { told << caption; });

  const auto entry = [](float dose) { return visit(Same, dose); };
  course.recordTreatment(1, entry(100), false);
  other.recordTreatment(2, entry(110), false);  // its window has not seen treatment 1
  course.recordTreatment(3, entry(120), false);
  other.recordTreatment(3, entry(130), false);  // nor treatment 3

  const auto stored = storedRecords("ABC1234");
  ASSERT_TRUE(stored);
  EXPECT_EQ((*stored)[0].Dose, 100.0f);
  EXPECT_EQ((*stored)[1].Dose, 110.0f);
  EXPECT_EQ((*stored)[2].Dose, 120.0f) << "a recorded treatment was overwritten unseen";
  EXPECT_EQ(told, QStringList{"Recorded at another workstation"});
  EXPECT_EQ(other.records()[0].Dose, 100.0f);  // the other window shows what is stored
  EXPECT_EQ(other.records()[2].Dose, 120.0f);

  dosing::RowTexts mine = course.dosing().grid().inc, theirs = other.dosing().grid().inc;
  mine[4] = "33";
  theirs[8] = "44";
  course.setIncrements(mine);
  other.setIncrements(theirs);
  OpenCourse reader(demoTables());
  reader.connectDatabase(dirPath());
  reader.open("ABC1234", 1);
  EXPECT_EQ(reader.dosing().grid().inc[4], "33");
  EXPECT_EQ(reader.dosing().grid().inc[8], "44");
  EXPECT_EQ(other.dosing().grid().inc[4], "33");
  EXPECT_EQ(problems(), QStringList());
}

// A stop recorded in a row that another workstation recorded first is not stored, and the course's
// Complete and the patient's status follow the records as merged, not the window's own action.
TEST_F(OpenCourseTest, CompleteFollowsTheMergedRecords) {
  struct Case {
    const char* what;
    int theirRow;
    bool theirStop;
    int myRow;
    bool myStop;
    bool complete;  // the course's Complete as stored afterwards
  };
  const Case cases[] = {
      {"my stop in a row recorded there first", 5, false, 5, true, false},
      {"my treatment without a stop in a row stopped there first", 5, true, 5, false, true},
      {"my stop in a row of its own", 5, false, 6, true, true},
      {"my treatment in a row of its own after a stop there", 5, true, 6, false, false},
  };
  int patient = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString nhi = QStringLiteral("CMP%1").arg(++patient, 4, 10, QLatin1Char('0'));
    selectNew(course, nhi);
    plan(course);
    OpenCourse other(demoTables());
    ASSERT_EQ(other.connectDatabase(dirPath()), records::Store::ConnectResult::Connected);
    other.open(nhi, 1);
    other.recordTreatment(c.theirRow, visit(Same, 110), c.theirStop);
    course.recordTreatment(c.myRow, visit(Same, 120), c.myStop);

    OpenCourse reader(demoTables());
    reader.connectDatabase(dirPath());
    reader.open(nhi, 1);
    EXPECT_EQ(reader.courseComplete(), std::optional<bool>(c.complete));
    EXPECT_EQ(course.courseComplete(), std::optional<bool>(c.complete));
    EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT Complete FROM Patient WHERE Hosp = ?"), {nhi}).toInt(),
              c.complete ? 4 : 2);
    course.returnToList();
  }
  EXPECT_EQ(problems(), QStringList());
}

TEST_F(OpenCourseTest, EachStoredOperationLeavesAnAuditEntryAndARefusedOneNone) {
  const auto trail = [this] {
    records::Connection c;
    records::openStore(c, dirPath());
    QStringList out;
    for (const records::AuditEntry& e : records::patientAudit(c, "ABC1234")) {
      EXPECT_EQ(e.program, "halcyra");
      out << e.table + ' ' + e.action + ' ' + e.changes;
    }
    return out;
  };
  selectNew(course, "ABC1234");
  const qsizetype opened = trail().size();
  EXPECT_GE(opened, 2);  // the patient and the course added
  course.setCourseText(course::CourseText::Referral, "Dr Lock");
  EXPECT_EQ(trail().mid(opened), QStringList{"Course changed Referal: null -> \"Dr Lock\""});

  // Refused: nothing stored, no entry; stored with the next operation, with its entry then.
  RawStore raw(file());
  raw.refuse("refuse", "BEFORE UPDATE ON Course", {}, "disk I/O error");
  EXPECT_THROW(course.setCourseText(course::CourseText::Referral, "Dr Key"), course::StoreError);
  EXPECT_EQ(trail().size(), opened + 1);
  raw.dropRefusal("refuse", "Course");
  course.setCourseText(course::CourseText::Referral, "Dr Key");
  EXPECT_EQ(trail().mid(opened + 1), QStringList{"Course changed Referal: \"Dr Lock\" -> \"Dr Key\""});

  // Photographs added, annotated, re-dated and deleted through the window's operations.
  QTemporaryDir files;
  const QString photo = files.filePath("ARM.JPG");
  {
    QFile f(photo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(jpeg::encode(QImage(40, 30, QImage::Format_RGB888), 90));
  }
  course.addPhotographFile(photo);
  course.setPhotographNote("left\tarm");
  course.setPhotographDate(45001.0);
  course.deletePhotograph();
  const QStringList photographs = trail().mid(opened + 2).filter(QRegularExpression("^Imagedb "));
  ASSERT_EQ(photographs.size(), 4) << photographs.join('\n').toStdString();
  EXPECT_TRUE(photographs[0].startsWith("Imagedb added ")) << photographs[0].toStdString();
  EXPECT_TRUE(photographs[0].contains(QRegularExpression("JpegImage: \\d+ bytes"))) << photographs[0].toStdString();
  EXPECT_EQ(photographs[1], "Imagedb changed NoteMemo: null -> \"left\\tarm\"");
  EXPECT_TRUE(photographs[2].startsWith("Imagedb changed WhenDate: ")) << photographs[2].toStdString();
  EXPECT_TRUE(photographs[2].endsWith(" -> 2023-03-16 00:00:00")) << photographs[2].toStdString();
  EXPECT_TRUE(photographs[3].startsWith("Imagedb deleted ")) << photographs[3].toStdString();
}

}  // namespace
