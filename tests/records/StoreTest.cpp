// The data module's record operations: finding patients, adding a patient or a course, and the
// patient's course status, on small databases seeded behind the module's back.

#include <gtest/gtest.h>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include "RecordsFixtures.h"
#include "base/DateTime.h"
#include "records/DataError.h"
#include "support/LocaleScope.h"

using namespace testing_records;

namespace {

// ---------------------------------------------------------------------------------------------
// findPatients

class FindPatientTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    raw.addPatient("ABC1001", "Smith", 2);
    raw.addPatient("ABC1002", "Goldsmith", 4);
    raw.addPatient("ABC1003", "Jones", QVariant());  // status never computed
    raw.addPatient("ABD2001", "Smithers", 6);
    raw.addPatient("XYZ3001", "O'Brien", 0);  // no courses
    raw.addPatient("XYZ3002", "Lee_50%", 1);
    raw.addPatient("abc1004", "[Smith]*", 4);
  }
};

TEST_F(FindPatientTest, ListsWhatTheSearchTextsAndStatusBoxesSelect) {
  struct Case {
    const char* nhi;
    const char* surname;
    std::uint8_t mask;
    QStringList expected;
  };
  const Case cases[] = {
      // No text: only patients with a course; a null status is not listed.
      {"", "", 7, {"ABC1001", "ABC1002", "ABD2001", "XYZ3002", "abc1004"}},
      // A mask with text: the status test, and a null status listed whatever the mask.
      {"ABC", "", 2, {"ABC1001", "ABC1003"}},
      {"ABC", "", 4, {"ABC1002", "ABC1003", "abc1004"}},
      // Letter case is ignored in both texts.
      {"abc", "", 7, {"ABC1001", "ABC1002", "ABC1003", "abc1004"}},
      {"", "MIT", 7, {"ABC1001", "ABC1002", "ABD2001", "abc1004"}},
      {"AB", "mit", 7, {"ABC1001", "ABC1002", "ABD2001", "abc1004"}},
      // A mask without text: patients with a course of the ticked kinds.
      {"", "", 1, {"XYZ3002"}},
      {"", "", 6, {"ABC1001", "ABC1002", "ABD2001", "abc1004"}},
      // Status 0 is never listed under a mask.
      {"X", "", 4, {}},
      {"XYZ3001", "", 7, {"XYZ3001"}},
      {"XYZ3001", "", 6, {}},
      // Typed characters stand for themselves, not for patterns or the end of a quoted text.
      {"", "'", 7, {"XYZ3001"}},
      {"", "_", 7, {"XYZ3002"}},
      {"", "%", 7, {"XYZ3002"}},
      {"", "[", 7, {"abc1004"}},
      {"", "*", 7, {"abc1004"}},
      {"A*", "", 7, {}},
      {"", "' OR ''='", 7, {}},
      {"", "Smith]", 7, {"abc1004"}},
  };
  auto data = connect();
  for (const Case& c : cases) {
    SCOPED_TRACE(QStringLiteral("nhi '%1' surname '%2' mask %3").arg(c.nhi, c.surname).arg(c.mask).toStdString());
    data->findPatients(QString::fromUtf8(c.nhi), QString::fromUtf8(c.surname), c.mask);
    EXPECT_EQ(data->statusMask, c.mask);
    EXPECT_EQ(listed(*data), c.expected);
    // The first listed patient is current.
    EXPECT_EQ(data->patientNhi.asString(), c.expected.value(0));
    EXPECT_EQ(data->patients.isEmpty(), c.expected.isEmpty());
  }
}

// Letter case is folded by the same rule whatever the user's language: a Turkish user searching
// for "i" finds the patients an English user finds.
TEST_F(FindPatientTest, LetterCaseIsFoldedTheSameInEveryLanguage) {
  RawStore raw(file());
  raw.addPatient("TRK0001", QStringLiteral(u"\u0130nce"), 2);             // capital I with a dot
  raw.addPatient("TRK0002", QStringLiteral(u"K\u0131l\u0131\u00e7"), 2);  // dotless i
  raw.addPatient("TRK0003", "IRMAK", 2);
  auto data = connect();
  const QStringList withI = {"ABC1001", "ABC1002", "ABD2001", "XYZ3001", "abc1004", "TRK0003"};
  for (const char* locale : LocaleScope::kNames) {
    const LocaleScope scope(locale);
    SCOPED_TRACE(locale);
    for (const char* typed : {"i", "I"}) {
      data->findPatients(QString(), QString::fromLatin1(typed), 7);
      EXPECT_EQ(listed(*data), withI) << typed;
    }
    data->findPatients(QStringLiteral("trk"), QString(), 7);
    EXPECT_EQ(listed(*data).size(), 3);
  }
}

TEST_F(FindPatientTest, EmptyTextsAndFullMaskUseTheCourseFilterAlone) {
  auto data = connect();
  data->findPatients(QString(), QString(), 7);
  EXPECT_EQ(data->patients.filterText(), QStringLiteral("(Complete > 0)"));
  EXPECT_FALSE(data->patients.hasFilterRecordTest());
  data->findPatients(QStringLiteral("AB"), QStringLiteral("o'b"), 3);
  EXPECT_EQ(data->patients.filterText(), QStringLiteral("(Hosp LIKE 'AB*' ) AND (SurN LIKE '*o''b*' )"));
  EXPECT_TRUE(data->patients.hasFilterRecordTest());
}

TEST_F(FindPatientTest, ExactNhiFilterIgnoresCaseAndIsSafeWithQuotes) {
  RawStore(file()).addPatient("O'1", "Quote");
  auto data = connect();
  struct Case {
    const char* nhi;
    QStringList expected;
  };
  for (const Case& c :
       {Case{"abc1001", {"ABC1001"}}, Case{"ABC100", {}}, Case{"O'1", {"O'1"}}, Case{"' OR Hosp LIKE '*", {}}}) {
    SCOPED_TRACE(c.nhi);
    data->listOnlyNhi(QString::fromUtf8(c.nhi));
    EXPECT_FALSE(data->patients.hasFilterRecordTest());
    EXPECT_EQ(listed(*data), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// addPatient

class AddPatientTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    raw.addPatient("ABC1001", "Smith", 2, 3);
    raw.addPatient("ABC1002", "Jones", 4, 0);
    for (int id = 1; id <= 3; ++id) raw.addCourse("ABC1001", id);
    data = connect();
    data->firstName = [this] { return first; };
    data->secondName = [] { return QStringLiteral("May"); };
    data->log = [this](const QString& line) { logLines << line; };
  }
  std::unique_ptr<records::Store> data;
  QString first = QStringLiteral("Anna");
  QStringList logLines;
};

TEST_F(AddPatientTest, AddsTheNewPatientWhenTheSearchMatchedNobody) {
  data->findPatients(QStringLiteral("NEW0001"), QStringLiteral("Brown"), 7);
  ASSERT_TRUE(data->patients.isEmpty());
  data->addPatient(QStringLiteral("NEW0001"), QStringLiteral("Brown"));

  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("NEW0001"));
  EXPECT_FALSE(data->patients.filtered());
  EXPECT_EQ(data->patients.recordCount(), 3);
  EXPECT_TRUE(logLines.isEmpty());
  RawStore raw(file());
  const auto rows = raw.rows(
      QStringLiteral("SELECT SurN, FirstN, SecN, NCourse, Lang, Complete FROM Patient WHERE Hosp = 'NEW0001'"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].toString(), QStringLiteral("Brown"));
  EXPECT_EQ(rows[0][1].toString(), QStringLiteral("Anna"));
  EXPECT_EQ(rows[0][2].toString(), QStringLiteral("May"));
  EXPECT_EQ(rows[0][3].toInt(), 0);
  EXPECT_EQ(rows[0][4].toInt(), 2);
  EXPECT_TRUE(rows[0][5].isNull());
  // A new patient has no courses yet.
  EXPECT_TRUE(data->courses.isEmpty());
}

TEST_F(AddPatientTest, WithAPatientCurrentItOnlyRemovesTheFilter) {
  data->findPatients(QStringLiteral("ABC"), QString(), 7);
  data->patients.next();
  ASSERT_EQ(data->patientNhi.asString(), QStringLiteral("ABC1002"));
  data->addPatient(QStringLiteral("ZZZ9999"), QStringLiteral("Nobody"));
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("ABC1002"));
  EXPECT_FALSE(data->patients.filtered());
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM Patient")).toInt(), 2);
}

TEST_F(AddPatientTest, LongSurnamesAreLoggedAndCut) {
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnop");
  int n = 0;
  for (int length : {20, 29, 30, 35}) {
    SCOPED_TRACE(length);
    logLines.clear();
    const QString nhi = QStringLiteral("LONG%1").arg(++n);
    const QString surname = letters.left(length);
    data->findPatients(nhi, QString(), 7);
    data->addPatient(nhi, surname);
    if (length > 29) {
      EXPECT_EQ(logLines, QStringList{QStringLiteral("Patient name tooo long ") + surname});
    } else {
      EXPECT_TRUE(logLines.isEmpty());
    }
    // The surname column holds 20 characters.
    EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT SurN FROM Patient WHERE Hosp = ?"), {nhi}).toString(),
              surname.left(20));
  }
}

TEST_F(AddPatientTest, CourseCursorGoesToTheLastCourseOrStays) {
  using AfterAdd = records::Store::AfterAdd;
  for (AfterAdd after : {AfterAdd::KeepCourse, AfterAdd::LastCourse}) {
    SCOPED_TRACE(int(after));
    data->findPatients(QStringLiteral("ABC1001"), QString(), 7);
    ASSERT_EQ(courses(*data), (QList<int>{1, 2, 3}));
    data->courses.next();  // the user picks course 2 in the course grid
    data->addPatient(QStringLiteral("ABC1001"), QStringLiteral("Smith"), after);
    EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("ABC1001"));
    EXPECT_EQ(data->courseNumber.asInteger(), after == AfterAdd::KeepCourse ? 2 : 3);
  }
}

TEST_F(AddPatientTest, ANewNhiAnotherCopyTookMeanwhileIsRefusedCleanly) {
  data->findPatients(QStringLiteral("DUP0001"), QString(), 7);
  RawStore(file()).addPatient("DUP0001", "Other copy");
  try {
    data->addPatient(QStringLiteral("DUP0001"), QStringLiteral("Mine"));
    ADD_FAILURE() << "a second patient with one NHI was stored";
  } catch (const records::DataError& e) {
    EXPECT_TRUE(e.message().contains(file())) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(QLatin1String("already exists"))) << e.message().toStdString();
  }
  EXPECT_EQ(data->patients.state(), records::DataSet::State::Browse);
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT SurN FROM Patient WHERE Hosp = 'DUP0001'")).toString(),
            QStringLiteral("Other copy"));
}

// ---------------------------------------------------------------------------------------------
// addCourse and storeCourseStatus

class CourseTest : public StoreTest {
 protected:
  // A patient with courses whose Complete flags are given, and NCourse as given.
  std::unique_ptr<records::Store> patientWith(const std::vector<bool>& complete, int nCourse) {
    {
      RawStore raw(file());
      raw.addPatient("PAT0001", "Course", QVariant(), nCourse);
      raw.addPatient("PAT0002", "Other", QVariant(), 1);
      raw.addCourse("PAT0002", 1, true);
      int id = 0;
      for (bool c : complete) raw.addCourse("PAT0001", ++id, c);
    }
    auto data = connect();
    data->patients.first();
    return data;
  }
};

TEST_F(CourseTest, AddCourseNumbersOnFromTheCountNeverReusingANumber) {
  struct Case {
    const char* what;
    std::vector<bool> existing;
    int nCourse;
    QList<int> expected;
  };
  const Case cases[] = {
      {"three courses", {false, false, true}, 3, {1, 2, 3, 4}},
      {"course 1 kept, 2 and 3 gone", {true}, 3, {1, 4}},
      {"a first course", {}, 0, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshStore store;
    {
      RawStore raw(store.name());
      raw.addPatient("PAT0001", "Course", QVariant(), c.nCourse);
      int id = 0;
      for (bool done : c.existing) raw.addCourse("PAT0001", ++id, done);
    }
    records::Store data;
    ASSERT_EQ(data.open(store.dbDir()), records::Store::ConnectResult::Connected);
    const double before = datetime::now();
    data.addCourse();
    const double after = datetime::now();

    EXPECT_EQ(courses(data), c.expected);
    EXPECT_EQ(data.courseNumber.asInteger(), c.expected.back()) << "the new course stays current";
    EXPECT_GE(data.courseAssessed.asDateTime(), before);
    EXPECT_LE(data.courseAssessed.asDateTime(), after);
    EXPECT_EQ(data.patientCourseCount.asInteger(), c.nCourse + 1);
    // The new course is not finished, so the patient has an open course now.
    EXPECT_EQ(data.patientStatus.asInteger() & 2, 2);
    RawStore raw(store.name());
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT NCourse FROM Patient")).toInt(), c.nCourse + 1);
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT Complete FROM Course WHERE CourseID = ?"), {c.expected.back()}).toInt(),
              0);
  }
}

TEST_F(CourseTest, PatientCompleteStoresTheStatusBitsAndKeepsTheCurrentCourse) {
  struct Case {
    const char* what;
    std::vector<bool> complete;
    int status;
  };
  const Case cases[] = {
      {"no course", {}, 0},
      {"one finished and one open", {true, false}, 6},
      {"all finished", {true, true}, 4},
      {"all open", {false, false, false}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshStore store;
    {
      RawStore raw(store.name());
      raw.addPatient("PAT0001", "Course", QVariant(), static_cast<int>(c.complete.size()));
      int id = 0;
      for (bool done : c.complete) raw.addCourse("PAT0001", ++id, done);
    }
    records::Store data;
    ASSERT_EQ(data.open(store.dbDir()), records::Store::ConnectResult::Connected);
    if (data.courses.recordCount() > 1) data.courses.last();
    const QVariant current = data.courseNumber.value();

    int courseNotices = 0;
    QObject::connect(&data.courses, &records::DataSet::dataChanged, [&] { ++courseNotices; });
    data.storeCourseStatus();

    EXPECT_EQ(data.courseNumber.value(), current);
    EXPECT_FALSE(data.courses.controlsDisabled());
    EXPECT_GE(courseNotices, 1);
    EXPECT_EQ(data.patientStatus.asInteger(), c.status);
    EXPECT_EQ(RawStore(store.name()).scalar(QStringLiteral("SELECT Complete FROM Patient")).toInt(), c.status);
  }
}

TEST_F(CourseTest, AFailedStatusUpdateIsReportedAndLeavesTheWidgetsAttached) {
  auto data = patientWith({true}, 1);
  RawStore(file()).exec(QStringLiteral("DELETE FROM Patient WHERE Hosp = 'PAT0001'"));  // another copy
  try {
    data->storeCourseStatus();
    ADD_FAILURE() << "the status of a deleted patient was reported as stored";
  } catch (const records::DataError& e) {
    EXPECT_TRUE(e.message().contains(QLatin1String("PAT0001"))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(file())) << e.message().toStdString();
  }
  EXPECT_FALSE(data->courses.controlsDisabled());
  EXPECT_EQ(data->patients.state(), records::DataSet::State::Browse);
}

TEST_F(CourseTest, RereadReturnsToTheRow) {
  auto data = patientWith({false, true, false}, 3);
  data->courses.next();
  data->reread(data->courses);
  EXPECT_EQ(data->courseNumber.asInteger(), 2);
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("PAT0001"));
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------------------------
// open()

TEST(open, ConnectsOnlyToAnExistingStoreAndNamesTheFileOtherwise) {
  if (onServer()) GTEST_SKIP() << "the store file only";
  struct Case {
    const char* what;
    std::function<void(const QString& dir)> prepare;
    std::optional<records::Store::ConnectResult> result;  // nullopt: DataError expected
  };
  const Case cases[] = {
      {"no directory set", nullptr, records::Store::ConnectResult::NoDirectory},
      {"no database in the directory", [](const QString&) {}, records::Store::ConnectResult::NoDatabase},
      {"a file that is not a database",
       [](const QString& dir) {
         QFile f(records::databasePath(dir));
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(QByteArray(4096, 'x'));
       },
       std::nullopt},
      {"a database of some other program",
       [](const QString& dir) { RawStore(records::databasePath(dir)).exec(QStringLiteral("CREATE TABLE Other (x)")); },
       std::nullopt},
      {"a store made by init-db", [](const QString& dir) { records::createDatabase(dir); },
       records::Store::ConnectResult::Connected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    if (c.prepare) c.prepare(dir.path());
    const bool existed = QFileInfo::exists(records::databasePath(dir.path()));
    records::Store data;
    if (c.result) {
      EXPECT_EQ(data.open(c.prepare ? dir.path() : QString()), *c.result);
    } else {
      try {
        data.open(c.prepare ? dir.path() : QString());
        ADD_FAILURE() << "connected";
      } catch (const records::DataError& e) {
        EXPECT_TRUE(e.message().contains(records::databasePath(dir.path()))) << e.message().toStdString();
      }
    }
    const bool connected = c.result == records::Store::ConnectResult::Connected;
    EXPECT_EQ(data.connected(), connected);
    EXPECT_EQ(data.patients.active(), connected);
    EXPECT_EQ(data.photos.active(), connected);
    // Never a database made on the quiet.
    EXPECT_EQ(QFileInfo::exists(records::databasePath(dir.path())), existed);
    if (!connected) {
      EXPECT_THROW(data.findPatients(QString(), QString(), 7), records::DataError);
      EXPECT_THROW(data.addCourse(), records::DataError);
    }
  }
}

}  // namespace
