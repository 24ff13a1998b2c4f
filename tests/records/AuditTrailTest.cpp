// The audit trail: an entry for every row the data module adds, changes or deletes, written in the
// same transaction as the change; entries kept as written; stores of earlier versions given the
// trail when opened; the one-line text of an entry.

#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "RecordsFixtures.h"
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
  data->FindPatient(QStringLiteral("AUD0001"), QString(), 7);
  data->AddPatient(QStringLiteral("AUD0001"), QStringLiteral("Smith"));
  data->Addcourse();
  data->ADOCourse.edit();
  data->ADOCourseMemoMeds.setString(QStringLiteral("tab\there\nnext \"line\""));
  data->ADOCourseEdMed.setInteger(120);
  data->ADOCourseDose.setBytes(QByteArray(12, '\x01'));
  data->ADOCourse.post();
  data->ADOCourse.edit();  // written again unchanged: no change, no entry
  data->ADOCourseEdMed.setInteger(120);
  data->ADOCourse.post();
  data->AddImage(QImage(16, 16, QImage::Format_RGB32), 45000.5);
  const qint64 jpegSize = data->ADOImageJpegImage.asBytes().size();
  data->ADOImage.edit();
  data->ADOImageNoteMemo.setString(QStringLiteral("left elbow"));
  data->ADOImageWhenDate.setDateTime(45001.25);
  data->ADOImage.post();
  data->ADOImage.deleteRow();

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
  EXPECT_EQ(trail[4].changes, QStringLiteral("MemoMeds: null -> \"tab\\there\\nnext \\\"line\\\"\"; EdMed: null -> 120; "
                                             "Dose: null -> 12 bytes"));
  EXPECT_TRUE(find(trail, "Imagedb", "added", QStringLiteral("JpegImage: %1 bytes").arg(jpegSize)));
  EXPECT_EQ(trail[6].changes,
            QStringLiteral("WhenDate: 2023-03-15 12:00:00 -> 2023-03-16 06:00:00; NoteMemo: null -> \"left elbow\""));
  EXPECT_TRUE(trail[7].changes.contains(QStringLiteral("JpegImage: %1 bytes; NoteMemo: \"left elbow\"").arg(jpegSize)))
      << trail[7].changes.toStdString();

  // Another patient's entries are not among them.
  data->FindPatient(QStringLiteral("AUD0002"), QString(), 7);
  data->AddPatient(QStringLiteral("AUD0002"), QStringLiteral("Jones"));
  EXPECT_EQ(trailOf(dirPath(), QStringLiteral("AUD0001")).size(), 8u);
  EXPECT_EQ(summary(trailOf(dirPath(), QStringLiteral("AUD0002"))), QStringList{"Patient added [Hosp=AUD0002]"});
}

TEST_F(AuditTrailTest, AChangeAndItsEntryAreStoredTogetherOrNotAtAll) {
  auto data = connect();
  data->FindPatient(QStringLiteral("AUD0001"), QString(), 7);
  data->AddPatient(QStringLiteral("AUD0001"), QStringLiteral("Smith"));
  data->Addcourse();
  RawStore raw(file());
  const auto entries = [&] { return raw.scalar(QStringLiteral("SELECT COUNT(*) FROM \"Audit\"")).toInt(); };
  const auto rows = [&] {
    return raw.rows(QStringLiteral("SELECT NCourse, Complete FROM Patient UNION ALL SELECT COUNT(*), 0 FROM Course "
                                   "UNION ALL SELECT COUNT(*), 0 FROM Imagedb"));
  };

  struct Case {
    const char* what;
    const char* event;  // where the store refuses
    const char* table;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"a course the store refuses", "BEFORE INSERT ON Course", "Course", [&] { data->Addcourse(); }},
      {"an entry the store refuses for a new course", "BEFORE INSERT ON \"Audit\"", "\"Audit\"", [&] { data->Addcourse(); }},
      {"an entry the store refuses for a photograph", "BEFORE INSERT ON \"Audit\"", "\"Audit\"",
       [&] { data->AddImage(QImage(8, 8, QImage::Format_RGB32), 45000.0); }},
      {"an entry the store refuses for a deletion", "BEFORE INSERT ON \"Audit\"", "\"Audit\"",
       [&] { data->ADOCourse.deleteRow(); }},
  };
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
    data->ADOPatient.cancel();
    data->ADOCourse.cancel();
    data->ADOImage.cancel();
  }
}

TEST_F(AuditTrailTest, EntriesCannotBeChangedOrDeleted) {
  auto data = connect();
  data->FindPatient(QStringLiteral("AUD0001"), QString(), 7);
  data->AddPatient(QStringLiteral("AUD0001"), QStringLiteral("Smith"));
  RawStore raw(file());
  const auto before = raw.rows(QStringLiteral("SELECT * FROM \"Audit\" ORDER BY \"AuditID\""));
  ASSERT_EQ(before.size(), 1u);
  QStringList statements{QStringLiteral("UPDATE \"Audit\" SET \"Changes\" = 'nothing'"),
                         QStringLiteral("UPDATE \"Audit\" SET \"Hosp\" = 'OTHER01'"),
                         QStringLiteral("DELETE FROM \"Audit\"")};
  if (raw.server()) statements << QStringLiteral("TRUNCATE \"Audit\"");
  for (const QString& sql : statements) {
    SCOPED_TRACE(sql.toStdString());
    QString error;
    EXPECT_FALSE(raw.tryExec(sql, {}, &error));
    EXPECT_TRUE(error.contains(QLatin1String("cannot be changed or deleted"))) << error.toStdString();
  }
  EXPECT_EQ(raw.rows(QStringLiteral("SELECT * FROM \"Audit\" ORDER BY \"AuditID\"")), before);
}

TEST_F(AuditTrailTest, AStoreOfAnEarlierVersionGetsTheTrailWhenOpened) {
  {
    RawStore raw(file());
    raw.exec(QStringLiteral("DROP TABLE \"Audit\""));
    raw.addPatient(QStringLiteral("OLD0001"), QStringLiteral("Earlier"));
  }
  auto data = connect();
  data->FilterPatientByNHI(QStringLiteral("OLD0001"));
  ASSERT_FALSE(data->ADOPatient.isEmpty());
  data->ADOPatient.edit();
  data->ADOPatientSurN.setString(QStringLiteral("Later"));
  data->ADOPatient.post();
  const auto trail = trailOf(dirPath(), QStringLiteral("OLD0001"));
  ASSERT_EQ(trail.size(), 1u);
  EXPECT_EQ(trail[0].changes, QStringLiteral("SurN: \"Earlier\" -> \"Later\""));
  // The trail added is kept as written too.
  EXPECT_FALSE(RawStore(file()).tryExec(QStringLiteral("DELETE FROM \"Audit\"")));
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
  const QStringList fields = e.line().split(u'\t');
  EXPECT_EQ(fields, (QStringList{"2024-03-14T09:12:33.123Z", "nurse\\tone", "ward-3", "halcyra-tool import", "Course",
                                 "Hosp=ABC1234, CourseID=2", "changed EdMed: 100 -> 120\\x0aforged line"}));
}

}  // namespace
