// The database as created for a department: every column in its declared order with a type that
// keeps its meaning, the Yes/No default, the constraints the program relies on, and the refusal to
// touch an existing file.

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "RecordsFixtures.h"
#include "records/DataError.h"
#include "records/Database.h"

using namespace testing_records;

namespace {

struct ExpectedTable {
  const char* table;
  std::vector<std::pair<const char*, const char*>> columns;  // name, declared type
};

const char* const kSmall = "SMALLINT";
const char* const kDouble = "DOUBLE PRECISION";

// clang-format off
const std::vector<ExpectedTable> kExpected = {
    {"Patient",
     {{"Hosp", "VARCHAR(8)"}, {"Birth", kDouble}, {"WorkPh", "VARCHAR(10)"}, {"MEMOs", "TEXT"},
      {"NCourse", "INTEGER"}, {"Eyes", kSmall}, {"Hair", kSmall}, {"SkinC", kSmall}, {"Complete", kSmall},
      {"FirstN", "VARCHAR(15)"}, {"SecN", "VARCHAR(15)"}, {"SurN", "VARCHAR(20)"}, {"HomePh", "VARCHAR(10)"},
      {"CellPh", "VARCHAR(10)"}, {"Lang", kSmall}, {"FHistory", "VARCHAR(30)"}}},
    {"Course",
     {{"Hosp", "VARCHAR(8)"}, {"CourseID", "INTEGER"}, {"DateAssess", kDouble}, {"Old", kDouble},
      {"ComDiag", "VARCHAR(20)"}, {"ComReason", "VARCHAR(20)"}, {"ComSkinType", "INTEGER"},
      {"ComCondition", "INTEGER"}, {"EdLong", "VARCHAR(20)"}, {"RadioPrevRx", "INTEGER"},
      {"EdRxResult", "VARCHAR(20)"}, {"MemoMeds", "TEXT"}, {"MemoOps", "TEXT"}, {"EdMed", "INTEGER"},
      {"SkinIndex", "INTEGER"}, {"SpotsLength", "INTEGER"}, {"Spots", "BLOB"}, {"Condition", "BLOB"},
      {"TxTime", "BLOB"}, {"Dose", "BLOB"}, {"WhenDate", "BLOB"}, {"Initials", "BLOB"}, {"Temperature", "BLOB"},
      {"PInc", "BLOB"}, {"Consultant", "VARCHAR(25)"}, {"Referal", "VARCHAR(25)"}, {"Cautions", kSmall},
      {"Complete", "BOOLEAN"}, {"Burn", "BLOB"}, {"Sched", "INTEGER"}}},
    {"Imagedb",
     {{"Hosp", "VARCHAR(8)"}, {"CourseID", "INTEGER"}, {"ImageID", "INTEGER"}, {"WhenDate", kDouble},
      {"JpegImage", "BLOB"}, {"NoteMemo", "TEXT"}}},
};
// clang-format on

class SchemaTest : public StoreTest {};

// Name and declared type of each column of `table`, in order, as the engine reports them (a
// server's types written as they are declared: VARCHAR(8), BYTEA, ...).
std::vector<std::pair<std::string, std::string>> columnsOf(RawStore& raw, const char* table) {
  std::vector<std::pair<std::string, std::string>> out;
  if (!raw.server()) {
    for (const auto& row : raw.rows(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)))) {
      out.emplace_back(row[1].toString().toStdString(), row[2].toString().toStdString());
    }
    return out;
  }
  const auto rows =
      raw.rows(QStringLiteral("SELECT column_name::text, upper(data_type::text), character_maximum_length::int "
                              "FROM information_schema.columns WHERE table_name = '%1' ORDER BY ordinal_position")
                   .arg(QLatin1String(table)));
  for (const auto& row : rows) {
    QString type = row[1].toString();
    if (type == QLatin1String("CHARACTER VARYING")) type = QStringLiteral("VARCHAR(%1)").arg(row[2].toInt());
    out.emplace_back(row[0].toString().toStdString(), type.toStdString());
  }
  return out;
}

TEST_F(SchemaTest, EveryColumnInDeclaredOrderWithItsType) {
  RawStore raw(file());
  for (const ExpectedTable& t : kExpected) {
    SCOPED_TRACE(t.table);
    auto info = columnsOf(raw, t.table);
    if (raw.server() && std::string(t.table) == "Patient") {
      // The server keeps the order of adding in a column of its own, after the patient columns.
      ASSERT_FALSE(info.empty());
      EXPECT_EQ(info.back(), (std::pair<std::string, std::string>{"InsertOrder", "BIGINT"}));
      info.pop_back();
    }
    ASSERT_EQ(info.size(), t.columns.size());
    for (std::size_t i = 0; i < info.size(); ++i) {
      EXPECT_EQ(info[i].first, t.columns[i].first);
      const std::string expected =
          raw.server() && std::string(t.columns[i].second) == "BLOB" ? "BYTEA" : t.columns[i].second;
      EXPECT_EQ(info[i].second, expected) << t.columns[i].first;
    }
  }
  if (raw.server()) {
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT is_identity::text FROM information_schema.columns WHERE table_name = "
                                        "'Imagedb' AND column_name = 'ImageID'"))
                  .toString(),
              QStringLiteral("YES"));
    return;
  }
  // The photograph number is the table's own auto-increment key.
  const auto image = raw.rows(QStringLiteral("PRAGMA table_info(Imagedb)"));
  EXPECT_EQ(image[2][5].toInt(), 1) << "ImageID is the primary key";
  EXPECT_TRUE(raw.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Imagedb'"))
                  .toString()
                  .contains(QLatin1String("AUTOINCREMENT")));
}

TEST_F(SchemaTest, YesNoColumnIsNeverNull) {
  RawStore raw(file());
  raw.exec(QStringLiteral("INSERT INTO Course (Hosp, CourseID) VALUES ('A1', 1)"));
  const QVariant complete = raw.scalar(QStringLiteral("SELECT Complete FROM Course"));
  ASSERT_FALSE(complete.isNull());
  EXPECT_EQ(complete.toInt(), 0);
  EXPECT_FALSE(raw.tryExec(QStringLiteral("INSERT INTO Course (Hosp, CourseID, Complete) VALUES ('A1', 2, NULL)")));
}

TEST_F(SchemaTest, StoreEnforcesWhatTheProgramReliesOn) {
  struct Case {
    const char* what;
    const char* first;
    const char* second;
    bool secondAccepted;
  };
  const Case cases[] = {
      {"two patients with one NHI", "INSERT INTO Patient (Hosp) VALUES ('ABC1234')",
       "INSERT INTO Patient (Hosp) VALUES ('ABC1234')", false},
      {"one course number twice for a patient", "INSERT INTO Course (Hosp, CourseID) VALUES ('ABC1234', 1)",
       "INSERT INTO Course (Hosp, CourseID) VALUES ('ABC1234', 1)", false},
      {"the same course number for two patients", "INSERT INTO Course (Hosp, CourseID) VALUES ('ABC1234', 1)",
       "INSERT INTO Course (Hosp, CourseID) VALUES ('XYZ9876', 1)", true},
      {"a small unsigned value above 255", "SELECT 1", "INSERT INTO Patient (Hosp, Eyes) VALUES ('E1', 256)", false},
      {"a negative small unsigned value", "SELECT 1",
       "INSERT INTO Course (Hosp, CourseID, Cautions) VALUES ('E1', 1, -1)", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshStore store;
    RawStore raw(store.name());
    raw.exec(QString::fromLatin1(c.first));
    EXPECT_EQ(raw.tryExec(QString::fromLatin1(c.second)), c.secondAccepted);
  }
}

TEST_F(SchemaTest, CreatedFileUsesTheWriteAheadLog) {
  if (onServer()) GTEST_SKIP() << "the store file only";
  RawStore raw(file());
  EXPECT_EQ(raw.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
  EXPECT_EQ(raw.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

TEST(CreateDatabase, NeverTouchesAnExistingFileOrMissingDirectory) {
  if (onServer()) GTEST_SKIP() << "the store file only";
  QTemporaryDir dir;
  const QString path = records::databasePath(dir.path());
  EXPECT_TRUE(path.endsWith(QLatin1String("/Brell_Data.db")));

  struct Case {
    const char* what;
    QByteArray existing;  // empty: no file there
  };
  for (const Case& c : {Case{"a file that is not a database", QByteArray("patient notes\n")},
                        Case{"an earlier database", QByteArray()}}) {
    SCOPED_TRACE(c.what);
    QTemporaryDir d;
    const QString file = records::databasePath(d.path());
    if (c.existing.isEmpty()) {
      records::createDatabase(d.path());
      RawStore(file).addPatient(QStringLiteral("KEEP001"), QStringLiteral("Kept"));
    } else {
      QFile f(file);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.existing);
    }
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();
    try {
      records::createDatabase(d.path());
      ADD_FAILURE() << "an existing file was accepted";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(file)) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QLatin1String("already exists"))) << e.message().toStdString();
    }
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    // Nothing half-made is left beside it.
    EXPECT_EQ(QDir(d.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Brell_Data.db")});
  }

  const QString missing = dir.filePath(QStringLiteral("no/such/dir"));
  try {
    records::createDatabase(missing);
    ADD_FAILURE() << "a missing directory was accepted";
  } catch (const records::DataError& e) {
    EXPECT_TRUE(e.message().contains(missing)) << e.message().toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(missing));
}

}  // namespace
