// Importing patient files of the older system into the store: the rows a good file gives, how
// patients are found, files that are skipped with nothing written, refusals of the store undone,
// and halcyra-tool import.

#include <gtest/gtest.h>
#include <QProcess>
#include <QTemporaryDir>

#include "LegacyFixtures.h"
#include "RecordsFixtures.h"
#include "base/DateTime.h"
#include "records/LegacyImport.h"
#include "support/ToolRun.h"

using namespace testing_records;
using namespace testing_legacy;
using records::LegacyImport;

void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

class ImportTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    ASSERT_TRUE(files_.isValid());
    data_ = connect();
    data_->log = [this](const QString& line) { log_ << line; };
  }

  QString file(const QString& name, const UvbFile& f) { return writeFile(files_.path(), name, f.bytes()); }
  QString rawFile(const QString& name, const QByteArray& bytes) { return writeFile(files_.path(), name, bytes); }

  LegacyImport import(const QString& path) { return records::importLegacyFile(*data_, path); }

  int count(const QString& table) {
    return RawStore(StoreTest::file()).scalar("SELECT COUNT(*) FROM " + table).toInt();
  }

  QTemporaryDir files_;
  std::unique_ptr<records::Store> data_;
  QStringList log_;
};

TEST_F(ImportTest, AGoodFileGivesItsPatientAndOneFinishedCourse) {
  UvbFile f;
  f.name = "Dr John Smith";
  f.nhi = "  ABC1234";                         // leading blanks are not part of the NHI
  f.duration = "since childhood, on and off";  // 27 characters: the column keeps 20
  f.skinType = 7;                              // "Agressive"
  f.med = "135";
  f.increments[3] = 0;
  f.increments[10] = -20;
  f.increments[20] = 40000;  // more than a cell can store: kept as the empty mark

  const LegacyImport result = import(file("SMITH.UVB", f));
  ASSERT_TRUE(result.imported()) << result.reason.toStdString();
  EXPECT_EQ(result.hosp, "ABC1234");
  EXPECT_EQ(result.courseId, 1);
  EXPECT_TRUE(result.newPatient);
  EXPECT_EQ(result.names.first, "Dr John");
  EXPECT_EQ(result.names.surname, "Smith");

  RawStore raw(StoreTest::file());
  const auto patients = raw.rows("SELECT Hosp, FirstN, SecN, SurN, NCourse, Complete FROM Patient");
  ASSERT_EQ(patients.size(), 1u);
  EXPECT_EQ(patients[0], (QVariantList{"ABC1234", "Dr John", "", "Smith", 1, 4}));

  const auto courses = raw.rows(
      "SELECT Hosp, CourseID, DateAssess, Old, EdLong, SkinIndex, EdMed, PInc, Complete, Condition, ComSkinType "
      "FROM Course");
  ASSERT_EQ(courses.size(), 1u);
  const QVariantList& c = courses[0];
  EXPECT_EQ(c[0], "ABC1234");
  EXPECT_EQ(c[1].toInt(), 1);
  EXPECT_NEAR(c[2].toDouble(), datetime::fromQDateTime(fixtureTime()), 1e-7);  // the file's last-write time
  EXPECT_DOUBLE_EQ(c[3].toDouble(), 45.5);
  EXPECT_EQ(c[4].toString(), "since childhood, on ");
  EXPECT_EQ(c[5].toInt(), 6);
  EXPECT_EQ(c[6].toInt(), 135);
  EXPECT_EQ(c[7].toByteArray().toHex(), expectedPInc(f.increments).toHex());
  EXPECT_EQ(c[8].toInt(), 1);
  EXPECT_TRUE(c[9].isNull());   // no treatment records
  EXPECT_TRUE(c[10].isNull());  // a column nothing writes

  // The imported patient and course are current, the list unfiltered.
  EXPECT_EQ(data_->patientNhi.asString(), "ABC1234");
  EXPECT_EQ(data_->courseNumber.asInteger(), 1);
  EXPECT_FALSE(data_->patients.filtered());
}

// Which patient each file's course goes to: every file adds exactly one course.
TEST_F(ImportTest, FindsThePatientByItsExactNhiOrCreatesIt) {
  {
    RawStore raw(StoreTest::file());
    raw.exec("INSERT INTO Patient (Hosp, FirstN, SurN, NCourse, Complete) VALUES ('OLD0001', 'Ann', 'Keep', 1, 2)");
    raw.addCourse("OLD0001", 1, false);
    raw.addPatient("O'B1234X", "Other");  // begins like the apostrophe NHI below but is not it
  }
  struct Case {
    const char* nhi;
    const char* name;
    const char* expectedHosp;
  };
  // clang-format off
  const Case cases[] = {
      {"OLD0001", "Bob Renamed", "OLD0001"},  // an existing patient keeps its names
      {"O'B123", "Pat O'Brien", "O'B123"},    // an apostrophe is matched as itself
      {"O'B123", "Pat O'Brien", "O'B123"},
      {"", "No Number", "BLANK"},  // no NHI: all such files meet under BLANK
      {"   ", "Only Blanks", "BLANK"},
      {"", "No Number", "BLANK"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nhi);
    UvbFile f;
    f.nhi = c.nhi;
    f.name = c.name;
    const LegacyImport result = import(file("P.UVB", f));
    ASSERT_TRUE(result.imported()) << result.reason.toStdString();
    EXPECT_EQ(result.hosp, c.expectedHosp);
  }

  RawStore raw(StoreTest::file());
  const auto patients = raw.rows("SELECT Hosp, FirstN, SurN, NCourse, Complete FROM Patient ORDER BY Hosp");
  ASSERT_EQ(patients.size(), 4u);
  EXPECT_EQ(patients[0], (QVariantList{"BLANK", "No", "Number", 3, 4}));  // the first such file's names
  EXPECT_EQ(patients[1], (QVariantList{"O'B123", "Pat", "O'Brien", 2, 4}));
  EXPECT_EQ(patients[2][0], "O'B1234X");
  EXPECT_EQ(patients[2][3].toInt(), 0);
  EXPECT_EQ(patients[3], (QVariantList{"OLD0001", "Ann", "Keep", 2, 6}));  // an open course and a finished one
  const auto courses = raw.rows("SELECT Hosp, CourseID, Complete FROM Course ORDER BY Hosp, CourseID");
  QStringList seen;
  for (const auto& row : courses)
    seen << row[0].toString() + '/' + row[1].toString() + '/' + QString::number(row[2].toInt());
  EXPECT_EQ(seen, QStringList({"BLANK/1/1", "BLANK/2/1", "BLANK/3/1", "O'B123/1/1", "O'B123/2/1", "OLD0001/1/0",
                               "OLD0001/2/1"}));
}

// An age written with a point or a comma (as the older program wrote it in any language) is kept.
TEST_F(ImportTest, AnAgeThatIsNotANumberLeavesOldEmpty) {
  const struct {
    const char* age;
    QVariant old;
  } cases[] = {{"45", 45.0}, {"  7.25", 7.25}, {"45 years", QVariant()}, {"", QVariant()}, {"45,5", 45.5}};
  int course = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.age);
    UvbFile f;
    f.age = c.age;
    ASSERT_TRUE(import(file("AGE.UVB", f)).imported());
    const QVariant old = RawStore(StoreTest::file()).scalar("SELECT Old FROM Course WHERE CourseID = ?", {++course});
    EXPECT_EQ(old.isNull(), c.old.isNull());
    if (!c.old.isNull()) {
      EXPECT_DOUBLE_EQ(old.toDouble(), c.old.toDouble());
    }
  }
}

TEST_F(ImportTest, ALongSurnameIsLoggedAndCut) {
  UvbFile f;
  f.name = "Jo Anne Featherstonehaugh-Cholmondeley-Smythe";  // surname of 38 characters
  const LegacyImport result = import(file("LONG.UVB", f));
  ASSERT_TRUE(result.imported()) << result.reason.toStdString();
  EXPECT_EQ(log_, QStringList({"Patient name tooo long Featherstonehaugh-Cholmondeley-Smythe"}));
  EXPECT_EQ(RawStore(StoreTest::file()).scalar("SELECT SurN FROM Patient").toString(), "Featherstonehaugh-Ch");
}

// A file that fails its checks is skipped with a reason naming it and the field, and writes nothing.
TEST_F(ImportTest, ABadFileIsSkippedWithItsReasonAndWritesNothing) {
  UvbFile good;
  QByteArray hugeName;
  appendInt(hugeName, 0x7FFFFFF0);  // a length far beyond the file
  hugeName.append("John");
  UvbFile sevenPlus = good;
  sevenPlus.skinType = 8;
  UvbFile fraction = good;
  fraction.med = "120.5";
  UvbFile word = good;
  word.med = "high";
  UvbFile longNhi = good;
  longNhi.nhi = "ABC123456";
  // Values no patient can have, held to the limits the window holds them to.
  UvbFile bigMed = good, noMed = good, old = good, drop = good, noFirstDose = good;
  bigMed.med = "20000";
  noMed.med = "0";
  old.age = "200";
  drop.increments[4] = -100;
  noFirstDose.increments[0] = 0;

  const struct {
    const char* name;
    QByteArray bytes;
    const char* reason;
  } cases[] = {
      {"SHORT.UVB", good.bytes().left(good.bytes().size() - 3), "increment 29"},
      {"EMPTY.UVB", QByteArray(), "field 1"},
      {"HUGE.UVB", hugeName, "only 4 bytes are left"},
      {"SKIN8.UVB", sevenPlus.bytes(), "skin type 8"},
      {"HALF.UVB", fraction.bytes(), "MED \"120.5\""},
      {"WORD.UVB", word.bytes(), "MED \"high\""},
      {"LONGNHI.UVB", longNhi.bytes(), "NHI \"ABC123456\""},
      {"BIGMED.UVB", bigMed.bytes(),
       "The MED \"20000\" is too large: the MED is a whole number of mJ/cm2 from 1 to "
       "10000. It is field 6 of the file"},
      {"NOMED.UVB", noMed.bytes(), "The MED \"0\" is too small"},
      {"OLD.UVB", old.bytes(),
       "The Age \"200\" is too large: an age is a number of years from 0 to 120. It is field 3"},
      {"DROP.UVB", drop.bytes(), "The \"% Inc\" of treatment 5 \"-100\" is too small"},
      {"FIRST.UVB", noFirstDose.bytes(), "The \"% Inc\" of treatment 1 \"0\" is too small"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = rawFile(c.name, c.bytes);
    const LegacyImport result = import(path);
    EXPECT_EQ(result.status, LegacyImport::Status::Skipped);
    EXPECT_TRUE(result.reason.startsWith(QDir::toNativeSeparators(path))) << result.reason.toStdString();
    EXPECT_TRUE(result.reason.contains(c.reason)) << result.reason.toStdString();
    EXPECT_EQ(records::legacySkipLine(result), "   skipped: " + result.reason);
  }
  const LegacyImport missing = import(QDir(files_.path()).filePath("GONE.UVB"));
  EXPECT_EQ(missing.status, LegacyImport::Status::Skipped);
  EXPECT_TRUE(missing.reason.contains("GONE.UVB")) << missing.reason.toStdString();

  EXPECT_EQ(count("Patient"), 0);
  EXPECT_EQ(count("Course"), 0);
}

// The store refuses a row half-way: whatever the file had written is undone, the cursors forget
// it, and the next file imports as if the refused one had never been tried.
TEST_F(ImportTest, ARefusalOfTheStoreUndoesAllOfTheFilesRows) {
  const struct {
    const char* where;
    const char* trigger;
    const char* table;
  } cases[] = {
      {"the course row added", "BEFORE INSERT ON Course", "Course"},
      {"the course row filled", "BEFORE UPDATE OF PInc ON Course", "Course"},
      {"the patient's status", "BEFORE UPDATE OF Complete ON Patient", "Patient"},
  };
  int imported = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    RawStore(StoreTest::file())
        .refuse("refuse", c.trigger, "NEW.Hosp IN ('NEW0001', 'OLD0001')", "refused for the test");
    data_->patients.first();
    UvbFile fresh;
    fresh.nhi = "NEW0001";
    const LegacyImport refused = import(file("NEW.UVB", fresh));
    EXPECT_EQ(refused.status, LegacyImport::Status::Skipped);
    EXPECT_TRUE(refused.reason.contains("refused for the test")) << refused.reason.toStdString();
    EXPECT_TRUE(refused.reason.contains("none of them was kept"));

    RawStore raw(StoreTest::file());
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Patient WHERE Hosp = 'NEW0001'").toInt(), 0);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Course WHERE Hosp = 'NEW0001'").toInt(), 0);
    EXPECT_FALSE(listed(*data_).contains("NEW0001"));  // the cursor no longer shows the undone patient

    raw.dropRefusal("refuse", c.table);
    const LegacyImport again = import(file("NEW.UVB", fresh));
    ASSERT_TRUE(again.imported()) << again.reason.toStdString();
    ++imported;
    EXPECT_EQ(again.courseId, 1);
    EXPECT_EQ(raw.rows("SELECT NCourse, Complete FROM Patient WHERE Hosp = 'NEW0001'").at(0), (QVariantList{1, 4}));
    raw.exec("DELETE FROM Course WHERE Hosp = 'NEW0001'");
    raw.exec("DELETE FROM Patient WHERE Hosp = 'NEW0001'");
  }
  EXPECT_EQ(imported, 3);
}

TEST_F(ImportTest, ARefusedFileLeavesAnExistingPatientAsItWas) {
  {
    RawStore raw(StoreTest::file());
    raw.exec("INSERT INTO Patient (Hosp, SurN, NCourse, Complete) VALUES ('OLD0001', 'Keep', 1, 2)");
    raw.addCourse("OLD0001", 1, false);
    raw.refuse("refuse", "BEFORE UPDATE OF EdMed ON Course", {}, "no");
  }
  data_->reread(data_->patients);
  UvbFile f;
  f.nhi = "OLD0001";
  EXPECT_FALSE(import(file("OLD.UVB", f)).imported());
  RawStore raw(StoreTest::file());
  EXPECT_EQ(raw.rows("SELECT NCourse, Complete FROM Patient").at(0), (QVariantList{1, 2}));
  EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Course").toInt(), 1);
  EXPECT_EQ(data_->patientNhi.asString(), "OLD0001");  // the patient that was current stays current
  EXPECT_EQ(data_->patientCourseCount.asInteger(), 1);
}

TEST(ImportLog, LinesOfTheBatch) {
  EXPECT_EQ(records::legacyFileLine(QDir("/old").filePath("SMITH.UVB"), 2), "SMITH.UVB   2");
  EXPECT_EQ(records::legacySummaryLine(3, 1), "Import finished: 3 files imported, 1 file skipped.");
  EXPECT_EQ(records::legacySummaryLine(1, 0), "Import finished: 1 file imported, 0 files skipped.");
}

// ---------------------------------------------------------------------------------------------
// halcyra-tool import

class ImportToolTest : public ImportTest {};

TEST_F(ImportToolTest, ABadMedInTheMiddleOfABatchSkipsOnlyThatFile) {
  UvbFile first, bad, last;
  first.nhi = "AAA0001";
  bad.nhi = "BBB0002";
  bad.med = "12O";  // a letter O for a zero
  last.nhi = "CCC0003";
  const QString badPath = file("B.UVB", bad);
  const ToolRun r = runTool({"import", dirPath(), file("A.UVB", first), badPath, file("C.UVB", last)});
  EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
  EXPECT_EQ(lines[0], "A.UVB   0");
  EXPECT_EQ(lines[1], "B.UVB   1");
  EXPECT_TRUE(lines[2].startsWith("   skipped: " + QDir::toNativeSeparators(badPath))) << lines[2].toStdString();
  EXPECT_TRUE(lines[2].contains("\"12O\""));
  EXPECT_EQ(lines[3], "C.UVB   2");
  EXPECT_EQ(lines[4], "Import finished: 2 files imported, 1 file skipped.");

  RawStore raw(StoreTest::file());
  const auto rows =
      raw.rows("SELECT p.Hosp, c.CourseID, c.EdMed FROM Patient p JOIN Course c ON c.Hosp = p.Hosp ORDER BY p.Hosp");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (QVariantList{"AAA0001", 1, 120}));
  EXPECT_EQ(rows[1], (QVariantList{"CCC0003", 1, 120}));
  EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Patient WHERE Hosp = 'BBB0002'").toInt(), 0);
}

TEST_F(ImportToolTest, ExitStatus) {
  UvbFile f;
  const QString good = file("GOOD.UVB", f);
  QTemporaryDir empty;
  const struct {
    QStringList args;
    int exitCode;
    const char* text;  // in stdout for status 0, in stderr otherwise
  } cases[] = {
      {{"import", dirPath(), good}, 0, "Import finished: 1 file imported, 0 files skipped."},
      {{"import", empty.path(), good}, 1, "init-db"},
      {{"import", dirPath()}, 2, "usage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE((c.exitCode == 0 ? r.out : r.err).contains(c.text)) << r.out.toStdString() << r.err.toStdString();
  }
  EXPECT_EQ(count("Course"), 1);
}

// ---------------------------------------------------------------------------------------------
// halcyra-tool audit

TEST_F(ImportToolTest, TheAuditToolListsAPatientsEntriesOneALineOldestFirst) {
  UvbFile f;
  f.nhi = "AUD0001";
  ASSERT_EQ(runTool({"import", dirPath(), file("A.UVB", f)}).exitCode, 0);
  {
    auto data = connect();  // a later change by the program, with a line feed and a tab in it
    data->listOnlyNhi("AUD0001");
    data->patients.edit();
    data->patientAddress.setString("first\nsecond\tthird");
    data->patients.post();
  }
  const ToolRun r = runTool({"audit", dirPath(), "aud0001"});  // in any letter case
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = r.lines();
  ASSERT_GE(lines.size(), 3) << r.out.toStdString();
  QStringList programs, tables;
  for (const QString& line : lines) {
    SCOPED_TRACE(line.toStdString());
    const QStringList fields = line.split('\t');
    ASSERT_EQ(fields.size(), 9);
    EXPECT_TRUE(fields[0].endsWith('Z'));
    EXPECT_FALSE(fields[1].isEmpty());
    EXPECT_TRUE(fields[5].startsWith("Hosp=AUD0001"));
    // The database login and its address: known on a server only, whatever the client says.
    EXPECT_EQ(fields[7].isEmpty(), !onServer());
    EXPECT_EQ(fields[8].isEmpty(), !onServer());
    programs << fields[3];
    tables << fields[4];
  }
  EXPECT_EQ(programs.first(), "halcyra-tool import");
  EXPECT_TRUE(tables.contains("Course"));
  EXPECT_EQ(lines.last().section('\t', 3, 6),
            "halcyra\tPatient\tHosp=AUD0001\tchanged MEMOs: null -> \"first\\nsecond\\tthird\"");
  const QStringList times = [&] {
    QStringList t;
    for (const QString& line : lines) t << line.section('\t', 0, 0);
    return t;
  }();
  QStringList sorted = times;
  sorted.sort();
  EXPECT_EQ(times, sorted);

  struct Case {
    QStringList args;
    int exitCode;
    const char* says;
  };
  const Case cases[] = {
      {{"audit", dirPath(), "NOB0DY9"}, 1, "no patient has the NHI \"NOB0DY9\""},
      {{"audit", dirPath()}, 2, "usage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const ToolRun bad = runTool(c.args);
    EXPECT_EQ(bad.exitCode, c.exitCode);
    EXPECT_TRUE(bad.err.contains(c.says)) << bad.err.toStdString();
    EXPECT_TRUE(bad.out.isEmpty());
  }
}

}  // namespace
