// The audit trail: an entry for every row the data module adds, changes or deletes, written in the
// same transaction as the change; entries kept as written; stores of earlier versions given the
// trail when opened; the one-line text of an entry.

#include <gtest/gtest.h>
#include <QImage>
#include <QRegularExpression>
#include <limits>

#include "EarlierStores.h"
#include "RecordsFixtures.h"
#include "records/AuditChain.h"
#include "records/AuditTrail.h"
#include "records/Connection.h"

using namespace testing_records;

namespace {

std::vector<records::AuditEntry> trailOf(const QString& store, const QString& nhi) {
  records::Connection c;
  records::openStore(c, store);
  return records::patientAudit(c, nhi);
}

// "Course added": what an entry did to which table, for comparing whole trails.
QStringList summary(const std::vector<records::AuditEntry>& entries) {
  QStringList out;
  for (const auto& e : entries) out << e.table + u' ' + e.action + QStringLiteral(" [") + e.key() + u']';
  return out;
}

const records::AuditEntry* find(const std::vector<records::AuditEntry>& entries, const QString& table,
                                const QString& action, const QString& changesPart) {
  for (const auto& e : entries) {
    if (e.table == table && e.action == action && e.changes.contains(changesPart)) return &e;
  }
  return nullptr;
}

class AuditTrailTest : public StoreTest {};

TEST_F(AuditTrailTest, EveryRecordOperationLeavesItsEntryWithWhoWhenAndWhatChanged) {
  auto data = connect();
  data->findPatients(QStringLiteral("AUD0001"), QString(), 7);
  data->addPatient(QStringLiteral("AUD0001"), QStringLiteral("Smith"));
  data->addCourse();
  data->courses.edit();
  data->courseMedication.setString(QStringLiteral("tab\there\nnext \"line\""));
  data->courseMed.setInteger(120);
  data->courseDoses.setBytes(QByteArray(12, '\x01'));
  data->courses.post();
  data->courses.edit();  // written again unchanged: no change, no entry
  data->courseMed.setInteger(120);
  data->courses.post();
  data->addPhotograph(QImage(16, 16, QImage::Format_RGB32), 45000.5);
  const qint64 jpegSize = data->photoJpeg.asBytes().size();
  data->photos.edit();
  data->photoNote.setString(QStringLiteral("left elbow"));
  data->photoDate.setDateTime(45001.25);
  data->photos.post();
  data->photos.deleteRow();

  const auto trail = trailOf(dirPath(), QStringLiteral("AUD0001"));
  EXPECT_EQ(summary(trail), (QStringList{
                                "Patient added [Hosp=AUD0001]",
                                "Patient changed [Hosp=AUD0001]",  // NCourse 0 -> 1
                                "Course added [Hosp=AUD0001, CourseID=1]",
                                "Patient changed [Hosp=AUD0001]",  // Complete: the course status
                                "Course changed [Hosp=AUD0001, CourseID=1]",
                                "Imagedb added [Hosp=AUD0001, CourseID=1, ImageID=1]",
                                "Imagedb changed [Hosp=AUD0001, CourseID=1, ImageID=1]",
                                "Imagedb deleted [Hosp=AUD0001, CourseID=1, ImageID=1]",
                            }));
  ASSERT_EQ(trail.size(), 8u);

  const records::AuditSource me = records::auditSource();
  static const QRegularExpression utc(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"));
  for (const auto& e : trail) {
    SCOPED_TRACE(e.line().toStdString());
    EXPECT_TRUE(utc.match(e.when).hasMatch());
    EXPECT_EQ(e.account, me.account);
    EXPECT_FALSE(e.account.isEmpty());
    EXPECT_EQ(e.workstation, me.workstation);
    EXPECT_EQ(e.program, QStringLiteral("halcyra"));
  }
  EXPECT_LE(trail.front().when, trail.back().when);

  // What each entry says changed: old and new values, byte columns as sizes, the key left out.
  EXPECT_TRUE(trail[0].changes.contains(QLatin1String("SurN: \"Smith\""))) << trail[0].changes.toStdString();
  EXPECT_FALSE(trail[0].changes.contains(QLatin1String("Hosp:"))) << trail[0].changes.toStdString();
  EXPECT_EQ(trail[1].changes, QStringLiteral("NCourse: 0 -> 1"));
  EXPECT_EQ(trail[4].changes,
            QStringLiteral("MemoMeds: null -> \"tab\\there\\nnext \\\"line\\\"\"; EdMed: null -> 120; "
                           "Dose: null -> 12 bytes"));
  EXPECT_TRUE(find(trail, "Imagedb", "added", QStringLiteral("JpegImage: %1 bytes").arg(jpegSize)));
  EXPECT_EQ(trail[6].changes,
            QStringLiteral("WhenDate: 2023-03-15 12:00:00 -> 2023-03-16 06:00:00; NoteMemo: null -> \"left elbow\""));
  EXPECT_TRUE(trail[7].changes.contains(QStringLiteral("JpegImage: %1 bytes; NoteMemo: \"left elbow\"").arg(jpegSize)))
      << trail[7].changes.toStdString();

  // Another patient's entries are not among them.
  data->findPatients(QStringLiteral("AUD0002"), QString(), 7);
  data->addPatient(QStringLiteral("AUD0002"), QStringLiteral("Jones"));
  EXPECT_EQ(trailOf(dirPath(), QStringLiteral("AUD0001")).size(), 8u);
  EXPECT_EQ(summary(trailOf(dirPath(), QStringLiteral("AUD0002"))), QStringList{"Patient added [Hosp=AUD0002]"});
}

TEST_F(AuditTrailTest, AChangeAndItsEntryAreStoredTogetherOrNotAtAll) {
  auto data = connect();
  data->findPatients(QStringLiteral("AUD0001"), QString(), 7);
  data->addPatient(QStringLiteral("AUD0001"), QStringLiteral("Smith"));
  data->addCourse();
  RawStore raw(file());
  const auto entries = [&] { return raw.scalar(QStringLiteral("SELECT COUNT(*) FROM \"Audit\"")).toInt(); };
  const auto rows = [&] {
    return raw.rows(
        QStringLiteral("SELECT NCourse, Complete FROM Patient UNION ALL SELECT COUNT(*), 0 FROM Course "
                       "UNION ALL SELECT COUNT(*), 0 FROM Imagedb"));
  };

  struct Case {
    const char* what;
    const char* event;  // where the store refuses
    const char* table;
    std::function<void()> change;
  };
  // clang-format off
  const Case cases[] = {
      {"a course the store refuses", "BEFORE INSERT ON Course", "Course", [&] { data->addCourse(); }},
      {"an entry the store refuses for a new course", "BEFORE INSERT ON \"Audit\"", "\"Audit\"", [&] { data->addCourse(); }},
      {"an entry the store refuses for a photograph", "BEFORE INSERT ON \"Audit\"", "\"Audit\"",
       [&] { data->addPhotograph(QImage(8, 8, QImage::Format_RGB32), 45000.0); }},
      {"an entry the store refuses for a deletion", "BEFORE INSERT ON \"Audit\"", "\"Audit\"",
       [&] { data->courses.deleteRow(); }},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int entriesBefore = entries();
    const auto rowsBefore = rows();
    raw.refuse(QStringLiteral("refused_here"), QString::fromLatin1(c.event), {}, QStringLiteral("refused here"));
    try {
      c.change();
      ADD_FAILURE() << "stored";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(QLatin1String("refused here"))) << e.message().toStdString();
    }
    raw.dropRefusal(QStringLiteral("refused_here"), QString::fromLatin1(c.table));
    EXPECT_EQ(entries(), entriesBefore);
    EXPECT_EQ(rows(), rowsBefore);
    data->patients.cancel();
    data->courses.cancel();
    data->photos.cancel();
  }
}

TEST_F(AuditTrailTest, EntriesCannotBeChangedDeletedReplacedOrPutInBetween) {
  auto data = connect();
  data->findPatients(QStringLiteral("AUD0001"), QString(), 7);
  data->addPatient(QStringLiteral("AUD0001"), QStringLiteral("Smith"));
  data->addCourse();
  RawStore raw(file());
  const auto before = raw.rows(QStringLiteral("SELECT * FROM \"Audit\" ORDER BY \"AuditID\""));
  ASSERT_EQ(before.size(), 4u);
  const QString kept = QStringLiteral("cannot be changed or deleted");
  const QString chained = QStringLiteral("only added after the newest one");
  const QString hash(64, u'a');
  struct Case {
    QString sql;
    QString refusal;
  };
  std::vector<Case> cases{
      {QStringLiteral("UPDATE \"Audit\" SET \"Changes\" = 'nothing'"), kept},
      {QStringLiteral("UPDATE \"Audit\" SET \"Hosp\" = 'OTHER01'"), kept},
      {QStringLiteral("DELETE FROM \"Audit\""), kept},
      // A number an entry has, or one before the newest: never in its place nor in between.
      {QStringLiteral("INSERT INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Hash\") VALUES (2, 'x', '%1')").arg(hash),
       chained},
      {QStringLiteral("INSERT INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Hash\") VALUES (0, 'x', '%1')").arg(hash),
       chained},
  };
  if (raw.server()) {
    cases.push_back({QStringLiteral("TRUNCATE \"Audit\""), kept});
    cases.push_back({QStringLiteral("INSERT INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Hash\") VALUES (2, 'x', '%1') "
                                    "ON CONFLICT (\"AuditID\") DO UPDATE SET \"Changes\" = 'forged'")
                         .arg(hash),
                     chained});
    // The server computes each entry's place in the chain and refuses one that names another.
    cases.push_back(
        {QStringLiteral("INSERT INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Hash\") VALUES (99, 'x', '%1')").arg(hash),
         QStringLiteral("does not continue the chain")});
  } else {
    // INSERT OR REPLACE deletes the row it replaces without the DELETE trigger.
    cases.push_back(
        {QStringLiteral("INSERT OR REPLACE INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Hash\") VALUES (2, 'x', '%1')")
             .arg(hash),
         chained});
    cases.push_back(
        {QStringLiteral("REPLACE INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Hash\") VALUES (3, 'x', '%1')").arg(hash),
         chained});
    cases.push_back(
        {QStringLiteral("INSERT INTO \"Audit\" (\"WhenUTC\", \"Hash\") VALUES ('x', '%1')").arg(hash), chained});
    cases.push_back(
        {QStringLiteral("UPDATE \"AuditHead\" SET \"AuditID\" = 2"), QStringLiteral("names the newest entry")});
    cases.push_back({QStringLiteral("DELETE FROM \"AuditHead\""), QStringLiteral("names the newest entry")});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql.toStdString());
    QString error;
    EXPECT_FALSE(raw.tryExec(c.sql, {}, &error));
    EXPECT_TRUE(error.contains(c.refusal)) << error.toStdString();
  }
  EXPECT_EQ(raw.rows(QStringLiteral("SELECT * FROM \"Audit\" ORDER BY \"AuditID\"")), before);
}

// The text of each kind of value, as the server's triggers write it, is the text the program
// writes into a store file: the same entry on both engines.
TEST_F(AuditTrailTest, TheServerWritesTheSameTextAsTheProgram) {
  if (!onServer()) GTEST_SKIP() << "the server's triggers only";
  auto data = connect();
  data->findPatients(QStringLiteral("TXT0001"), QString(), 7);
  data->addPatient(QStringLiteral("TXT0001"), QStringLiteral("Text"));
  data->addCourse();
  const records::TableDef& course = records::courseTable();
  struct Case {
    const char* column;
    QVariant value;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"MemoMeds", QStringLiteral("plain")},
      {"MemoMeds", QStringLiteral("quote \" backslash \\ tab\t cr\r lf\n bell\x07 del\x7f c1\u0085 Māori \U0001F600")},
      {"MemoMeds", QString("")},
      {"MemoMeds", QVariant()},
      {"EdMed", 120},
      {"EdMed", -2147483647},
      {"Cautions", 255},
      {"Complete", true},
      {"Complete", false},
      {"Dose", QByteArray(116, '\x01')},
      {"Dose", QByteArray("", 0)},
  };
  const double reals[] = {0.0,
                          -0.0,
                          1.0,
                          45.5,
                          45.53424657534247,
                          0.1,
                          0.0001,
                          0.00012,
                          0.001,
                          1e-05,
                          1.5e-05,
                          1200.0,
                          10000.0,
                          100000.0,
                          150000.0,
                          1200000.0,
                          12000000.0,
                          1e15,
                          123456789012345680.0,
                          1e100,
                          5e-324,
                          -36.6,
                          2.0 / 3.0,
                          nan,
                          inf,
                          -inf};
  const double dates[] = {45000.0,   45000.5,   45000.123456789, 45000.9999999999, -1.25, 0.0,
                          -693593.0, -693594.0, 2958465.99,      2958466.0,        3e6,   1e9,
                          nan,       inf};
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (double d : reals) all.push_back({"Old", d});
  for (double d : dates) all.push_back({"DateAssess", d});
  RawStore raw(file());
  for (const Case& c : all) {
    SCOPED_TRACE(std::string(c.column) + " = " + c.value.toString().toStdString());
    const int column = course.indexOf(QLatin1String(c.column));
    const auto stored = [&] {
      return raw
          .rows(QStringLiteral("SELECT \"%1\" FROM \"Course\" WHERE \"Hosp\" = 'TXT0001'").arg(QLatin1String(c.column)))
          .front()
          .front();
    };
    records::RowValues before(course.columns.size()), after(course.columns.size());
    before[static_cast<std::size_t>(column)] = stored();
    data->courses.edit();
    data->courses.setValue(column, c.value);
    data->courses.post();
    after[static_cast<std::size_t>(column)] = stored();
    const QString expected = records::describeChange(course, records::AuditAction::Changed, before, after, {column});
    const auto trail = trailOf(dirPath(), QStringLiteral("TXT0001"));
    if (expected.isEmpty()) continue;  // written again unchanged: no entry on either engine
    ASSERT_FALSE(trail.empty());
    EXPECT_EQ(trail.back().changes, expected);
  }
}

// A store made by an earlier version keeps every entry it had: the trail is added where there was
// none, and entries without hashes are chained, oldest first, when the store is opened (by the
// owner, on a server); the next change continues the chain.
TEST(EarlierStore, IsGivenTheChainedTrailWithoutLosingAnEntry) {
  for (const Trail trail : {Trail::None, Trail::Unchained}) {
    SCOPED_TRACE(trail == Trail::None ? "no trail" : "a trail without hashes");
    FreshStore store(false);
    const QStringList earlier =
        makeEarlierStore(store.name(), trail, {QStringLiteral("OLD0001"), QStringLiteral("OLD0002")});
    {
      records::Store data;
      ASSERT_EQ(data.open(store.dbDir()), records::Store::ConnectResult::Connected);
      data.listOnlyNhi(QStringLiteral("OLD0001"));
      ASSERT_FALSE(data.patients.isEmpty());
      data.patients.edit();
      data.patientSurname.setString(QStringLiteral("Later"));
      data.patients.post();
    }
    records::Connection c;
    records::openStore(c, store.dbDir());
    EXPECT_TRUE(c.keepsAudit());
    QStringList texts;
    for (const QString& nhi : {QStringLiteral("OLD0001"), QStringLiteral("OLD0002")}) {
      for (const auto& e : records::patientAudit(c, nhi)) texts << e.changes;
    }
    QStringList expected = earlier;
    expected.insert(trail == Trail::None ? 0 : 2, QStringLiteral("SurN: \"Older\" -> \"Later\""));
    EXPECT_EQ(texts, expected);
    const QStringList problems = records::verifyAuditChain(
        [&c](const QString& sql, const QVariantList& values, const std::vector<const records::ColumnDef*>& columns) {
          return c.select(sql, values, columns, QStringLiteral("verify"));
        });
    EXPECT_EQ(problems, QStringList());
    RawStore raw(store.name());
    if (!raw.server()) {
      EXPECT_EQ(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), records::kChainedTrailVersion);
    }
    // The trail brought up is kept as written too.
    EXPECT_FALSE(raw.tryExec(QStringLiteral("DELETE FROM \"Audit\"")));
  }
}

// ---------------------------------------------------------------------------------------------
// The text of an entry

TEST(AuditText, ValuesAndLinesStayOnOneLine) {
  using K = records::ColumnKind;
  struct Case {
    const char* what;
    records::ColumnDef column;
    QVariant value;
    QString text;
  };
  const Case cases[] = {
      {"text", {"SurN", K::Text, 40}, QStringLiteral("O'Brien"), QStringLiteral("\"O'Brien\"")},
      {"empty text", {"SurN", K::Text, 40}, QString(""), QStringLiteral("\"\"")},
      {"separators in text",
       {"MEMOs", K::Memo},
       QStringLiteral("a\tb\r\nc\\d\x01"),
       QStringLiteral("\"a\\tb\\r\\nc\\\\d\\x01\"")},
      {"a whole number", {"EdMed", K::Integer}, 120, QStringLiteral("120")},
      {"a real number", {"Temperature", K::Float}, 36.6, QStringLiteral("36.6")},
      {"a date-time", {"WhenDate", K::DateTime}, 45000.5, QStringLiteral("2023-03-15 12:00:00")},
      {"yes", {"Complete", K::Boolean}, true, QStringLiteral("true")},
      {"bytes", {"Dose", K::VarBytes, 120}, QByteArray(7, '\n'), QStringLiteral("7 bytes")},
      {"a size read for the bytes", {"JpegImage", K::Blob}, qint64(4096), QStringLiteral("4096 bytes")},
      {"nothing", {"SurN", K::Text, 40}, QVariant(), QStringLiteral("null")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(records::auditValue(c.column, c.value), c.text);
  }

  records::AuditEntry e;
  e.when = QStringLiteral("2024-03-14T09:12:33.123Z");
  e.account = QStringLiteral("nurse\tone");
  e.workstation = QStringLiteral("ward-3");
  e.program = QStringLiteral("halcyra-tool import");
  e.table = QStringLiteral("Course");
  e.hosp = QStringLiteral("ABC1234");
  e.courseId = 2;
  e.action = QStringLiteral("changed");
  e.changes = QStringLiteral("EdMed: 100 -> 120\nforged line");  // as another writer might have stored it
  e.login = QStringLiteral("ward3");
  e.client = QStringLiteral("10.0.3.7");
  const QStringList fields = e.line().split(u'\t');
  EXPECT_EQ(fields, (QStringList{"2024-03-14T09:12:33.123Z", "nurse\\tone", "ward-3", "halcyra-tool import", "Course",
                                 "Hosp=ABC1234, CourseID=2", "changed EdMed: 100 -> 120\\x0aforged line", "ward3",
                                 "10.0.3.7"}));
}

}  // namespace
