// Two copies of the program on one database file (two data modules, each with its own connection):
// each sees the other's posted rows once it re-reads, and an update finds its row by key even after
// the other copy changed that row.

#include <gtest/gtest.h>

#include "RecordsFixtures.h"
#include "records/DataError.h"

using namespace testing_records;

namespace {

class TwoCopiesTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    raw.addPatient("P1", "Shared", 2, 1);
    raw.addCourse("P1", 1);
    a = connect();
    b = connect();
  }
  std::unique_ptr<records::Store> a, b;
};

TEST_F(TwoCopiesTest, EachSeesTheOthersRowsAfterARereadOnly) {
  b->findPatients(QStringLiteral("NEWB"), QString(), 7);
  b->addPatient(QStringLiteral("NEWB"), QStringLiteral("FromB"));
  b->addCourse();

  EXPECT_EQ(listed(*a), QStringList{QStringLiteral("P1")}) << "a snapshot until re-read";
  a->reread(a->patients);
  EXPECT_EQ(listed(*a), (QStringList{QStringLiteral("P1"), QStringLiteral("NEWB")}));
  a->findPatients(QStringLiteral("newb"), QString(), 7);
  EXPECT_EQ(a->patientSurname.asString(), QStringLiteral("FromB"));
  EXPECT_EQ(courses(*a), QList<int>{1});

  // A's own additions show at once in A, and in B after B re-reads.
  a->findPatients(QStringLiteral("NEWA"), QString(), 7);
  a->addPatient(QStringLiteral("NEWA"), QStringLiteral("FromA"));
  EXPECT_EQ(listed(*a), (QStringList{QStringLiteral("P1"), QStringLiteral("NEWB"), QStringLiteral("NEWA")}));
  EXPECT_EQ(listed(*b), (QStringList{QStringLiteral("P1"), QStringLiteral("NEWB")}));
  b->reread(b->patients);
  EXPECT_EQ(listed(*b), (QStringList{QStringLiteral("P1"), QStringLiteral("NEWB"), QStringLiteral("NEWA")}));

  // The search works on the snapshot: a surname B changed is found by A only after A re-reads.
  b->findPatients(QStringLiteral("P1"), QString(), 7);
  b->patients.edit();
  b->patientSurname.setString(QStringLiteral("Renamed"));
  b->patients.post();
  a->findPatients(QString(), QStringLiteral("renamed"), 7);
  EXPECT_TRUE(a->patients.isEmpty());
  a->patients.setFiltered(false);
  a->reread(a->patients);
  a->findPatients(QString(), QStringLiteral("renamed"), 7);
  EXPECT_EQ(listed(*a), QStringList{QStringLiteral("P1")});
}

TEST_F(TwoCopiesTest, AnUpdateFindsItsRowByKeyAndKeepsTheOtherCopysChanges) {
  // Both copies have patient P1 and its course open.
  ASSERT_EQ(a->patientNhi.asString(), QStringLiteral("P1"));
  a->patients.edit();  // A starts editing with the row as it read it
  ASSERT_EQ(b->patientNhi.asString(), QStringLiteral("P1"));
  b->patients.edit();
  b->patientWorkPhone.setString(QStringLiteral("09 111"));
  b->patients.post();
  b->courses.edit();
  b->courseDiagnosis.setString(QStringLiteral("Psoriasis"));
  b->courses.post();

  a->patientHomePhone.setString(QStringLiteral("09 222"));
  a->patients.post();
  a->courses.edit();
  a->courseMed.setInteger(300);
  a->courses.post();
  a->storeCourseStatus();

  RawStore raw(file());
  const auto patient = raw.rows(QStringLiteral("SELECT WorkPh, HomePh, SurN FROM Patient WHERE Hosp = 'P1'"));
  ASSERT_EQ(patient.size(), 1u);
  EXPECT_EQ(patient[0][0].toString(), QStringLiteral("09 111"));
  EXPECT_EQ(patient[0][1].toString(), QStringLiteral("09 222"));
  EXPECT_EQ(patient[0][2].toString(), QStringLiteral("Shared"));
  const auto course = raw.rows(QStringLiteral("SELECT ComDiag, EdMed FROM Course WHERE Hosp = 'P1'"));
  ASSERT_EQ(course.size(), 1u);
  EXPECT_EQ(course[0][0].toString(), QStringLiteral("Psoriasis"));
  EXPECT_EQ(course[0][1].toInt(), 300);
  // After its re-read A shows B's change too.
  EXPECT_EQ(a->courseDiagnosis.asString(), QStringLiteral("Psoriasis"));
}

TEST_F(TwoCopiesTest, RereadsWhileTheOtherCopyWritesKeepTheRightRowCurrent) {
  // A records treatments on P1 while B adds patients: each status update re-reads the patient
  // table, which B keeps changing.
  a->findPatients(QStringLiteral("P1"), QString(), 7);
  a->addPatient(QStringLiteral("P1"), QStringLiteral("Shared"));
  for (int i = 0; i < 5; ++i) {
    const QString nhi = QStringLiteral("B%1").arg(i);
    b->findPatients(nhi, QString(), 7);
    b->addPatient(nhi, QStringLiteral("Busy"));
    a->courses.edit();
    a->courseFinished.setBoolean(i % 2 == 0);
    a->courses.post();
    a->storeCourseStatus();
    ASSERT_EQ(a->patientNhi.asString(), QStringLiteral("P1"));
    EXPECT_EQ(a->patientStatus.asInteger(), i % 2 == 0 ? 4 : 2);
  }
  EXPECT_EQ(a->patients.recordCount(), 6);
  EXPECT_EQ(listed(*a).last(), QStringLiteral("B4"));
  RawStore raw(file());
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT Complete FROM Patient WHERE Hosp = 'P1'")).toInt(), 4);
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT COUNT(*) FROM Patient WHERE Complete IS NOT NULL")).toInt(), 1);
}

// The change journal: a re-read reads only the patients another copy changed, and nothing when
// nobody wrote; the list it gives is the one a fresh read gives, order included.
TEST_F(TwoCopiesTest, ARereadReadsOnlyThePatientsTheOtherCopyChanged) {
  {
    RawStore raw(file());
    raw.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 300; ++i)
      raw.addPatient(QStringLiteral("L%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Listed"), 2);
    raw.exec(QStringLiteral("COMMIT"));
  }
  a->reread(a->patients);
  ASSERT_EQ(a->patients.recordCount(), 301);
  auto reread = [&] {
    const qint64 before = a->connection.rowsRead();
    a->reread(a->patients);
    return a->connection.rowsRead() - before;
  };
  EXPECT_EQ(reread(), 0) << "nobody wrote";

  a->findPatients(QStringLiteral("NEW0"), QString(), 7);
  a->addPatient(QStringLiteral("NEW0"), QStringLiteral("Mine"));
  b->reread(b->patients);
  b->findPatients(QStringLiteral("L010"), QString(), 7);
  b->patients.edit();
  b->patientSurname.setString(QStringLiteral("Renamed"));
  b->patients.post();
  b->findPatients(QStringLiteral("L020"), QString(), 7);
  b->patients.deleteRow();
  b->findPatients(QStringLiteral("NEW1"), QString(), 7);
  b->addPatient(QStringLiteral("NEW1"), QStringLiteral("Added"));
  // The journal names B's three patients (and perhaps A's own), two of them still there.
  const qint64 cost = reread();
  EXPECT_GE(cost, 5);
  EXPECT_LE(cost, 7) << "only the changed patients are read";
  EXPECT_EQ(a->patientNhi.asString(), QStringLiteral("NEW0")) << "the current patient stays current";
  EXPECT_EQ(reread(), 0);
  auto fresh = connect();
  EXPECT_EQ(listed(*a), listed(*fresh));
  EXPECT_EQ(listed(*a).size(), 302);
  a->findPatients(QString(), QStringLiteral("renamed"), 7);
  EXPECT_EQ(listed(*a), QStringList{QStringLiteral("L010")});
}

TEST_F(TwoCopiesTest, EditingARowTheOtherCopyDeletedIsReported) {
  RawStore(file()).exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, NoteMemo) VALUES ('P1', 1, 'photo')"));
  a->reread(a->photos);
  b->reread(b->photos);
  ASSERT_EQ(a->photos.recordCount(), 1);
  b->photos.deleteRow();
  a->photos.edit();
  a->photoNote.setString(QStringLiteral("edited"));
  try {
    a->photos.post();
    ADD_FAILURE() << "an update of a deleted row was reported as saved";
  } catch (const records::DataError& e) {
    EXPECT_TRUE(e.message().contains(QLatin1String("no longer in the database"))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(file())) << e.message().toStdString();
  }
  a->photos.cancel();
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM Imagedb")).toInt(), 0);
}

}  // namespace
