// halcyra-tool check on stores as the program leaves them, on rows that disagree with one another,
// on packed columns of impossible lengths, on photographs that do not decode, and on files with
// damaged pages; on store files and on a database server alike.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "StoreSeeds.h"
#include "maintenance/StoreCheck.h"
#include "records/AuditChain.h"
#include "records/AuditTrail.h"
#include "records/Database.h"
#include "records/RecordsFixtures.h"
#include "support/ToolRun.h"

using namespace testing_records;

namespace {

class CheckTool : public StoreTest {
 protected:
  ToolRun check() { return runTool({QStringLiteral("check"), dirPath()}); }
};

TEST_F(CheckTool, SoundStoresAreOk) {
  const ToolRun empty = check();
  EXPECT_EQ(empty.exitCode, 0) << empty.out.toStdString() << empty.err.toStdString();
  EXPECT_EQ(empty.out, QStringLiteral("ok\n"));

  QTemporaryDir files;
  {
    auto data = connect();
    for (const char* nhi : {"ABC1001", "ABC1002", "XYZ2001"})
      store_seeds::addVisitedPatient(*data, files.path(), QString::fromLatin1(nhi));
    store_seeds::addVisitedPatient(*data, files.path(), QStringLiteral("ABC1001"));  // a second course
  }
  const ToolRun visited = check();
  EXPECT_EQ(visited.exitCode, 0) << visited.out.toStdString() << visited.err.toStdString();
  EXPECT_EQ(visited.out, QStringLiteral("ok\n"));
}

TEST_F(CheckTool, PrintsOneLinePerProblem) {
  QTemporaryDir files;
  { store_seeds::addVisitedPatient(*connect(), files.path(), QStringLiteral("LEN")); }
  {
    RawStore raw(file());
    raw.addPatient("HIGH", "High", 2, 3);
    raw.addCourse("HIGH", 1);
    raw.addPatient("LOW", "Low", 2, 1);
    raw.addCourse("LOW", 1);
    raw.addCourse("LOW", 2);
    raw.addPatient("NEVER", "Never", QVariant(), 1);
    raw.addCourse("NEVER", 1);
    raw.addPatient("STAT", "Status", 4, 1);
    raw.addCourse("STAT", 1, false);
    raw.addCourse("GONE", 1);
    raw.exec(QStringLiteral("UPDATE Course SET Dose = substr(Dose, 1, 57), SpotsLength = 25 WHERE Hosp = 'LEN'"));
    raw.exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, JpegImage) VALUES ('LEN', 1, ?)"),
             {QByteArray("this is not a JPEG file")});
    raw.exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, JpegImage) VALUES ('LEN', 1, ?)"), {QByteArray("")});
    raw.exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, JpegImage) VALUES ('GONE', 7, NULL)"));
  }
  const ToolRun r = check();
  EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
  const QStringList expected = {
      "patient HIGH: NCourse is 3, but its highest course number is 1; adding a course was cut short or a course "
      "was removed",
      "patient LOW: NCourse is 1, below its highest course number 2; the next new course would take a number "
      "already used",
      "patient NEVER: its course status was never worked out although it has 1 course(s) (their status bits are 2); "
      "the patient list misses it",
      "patient STAT: its course status bits are 4, but its courses give 2; the patient list shows it under the "
      "wrong status boxes",
      "course GONE 1: belongs to no patient; the program never shows it",
      "course LEN 1: Dose holds 57 bytes, not the 116 of 29 doses",
      "course LEN 1: SpotsLength is 25, outside the 0..20 spots a course keeps",
      "photograph 4 of course GONE 7: belongs to no course; the program never shows it",
      "photograph 2 of course LEN 1: does not decode: ",
      "photograph 3 of course LEN 1: holds no picture",
      "photograph 4 of course GONE 7: holds no picture",
  };
  const QStringList lines = r.lines();
  ASSERT_EQ(lines.size(), expected.size()) << r.out.toStdString();
  for (qsizetype i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(lines[i].startsWith(expected[i]))
        << lines[i].toStdString() << "\nexpected: " << expected[i].toStdString();
  }
}

// Writes `bytes` over the file from `offset` on.
void overwrite(const QString& path, qint64 offset, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.seek(offset));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

TEST_F(CheckTool, DamagedPagesAreProblems) {
  if (onServer()) GTEST_SKIP() << "the store file only: a server looks after its own pages";
  {
    RawStore raw(file());
    raw.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 2000; ++i) {
      raw.addPatient(QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Surname number %1").arg(i),
                     0);
    }
    raw.exec(QStringLiteral("COMMIT"));
  }
  ASSERT_FALSE(QFile::exists(file() + QStringLiteral("-wal"))) << "the log was folded into the file on closing";
  const qint64 pages = QFileInfo(file()).size() / 4096;
  ASSERT_GT(pages, 20);

  // A few pages in the middle of the patient table, as a failing disk leaves them.
  overwrite(file(), 10 * 4096, QByteArray(3 * 4096, '\xA5'));
  const ToolRun middle = check();
  EXPECT_EQ(middle.exitCode, 1);
  ASSERT_FALSE(middle.lines().isEmpty());
  EXPECT_TRUE(middle.lines().front().startsWith(QLatin1String("integrity: "))) << middle.out.toStdString();

  // The file's header: it is no longer recognised as a database at all.
  overwrite(file(), 0, QByteArray(100, '\x5A'));
  const ToolRun header = check();
  EXPECT_EQ(header.exitCode, 1);
  ASSERT_EQ(header.lines().size(), 1) << header.out.toStdString();
  EXPECT_TRUE(header.lines().front().contains(file())) << header.out.toStdString();
}

// The audit trail rewritten behind the program's back, as someone with the database file, or the
// tables' owner on a server, could rewrite it, its triggers put back afterwards: check names what
// was found, the program stores no change into such a store and says why, and a trail removed is
// never made anew.
TEST_F(CheckTool, FindsTheAuditTrailRewrittenAndThenNothingIsStored) {
  const auto seed = [&] {
    auto data = connect();
    for (const char* nhi : {"AUD0001", "AUD0002"}) {
      data->findPatients(QString::fromLatin1(nhi), QString(), 7);
      data->addPatient(QString::fromLatin1(nhi), QStringLiteral("Smith"));
      data->addCourse();
    }
  };
  // Tampers with the trail with its triggers off, then puts them back as they were.
  const auto behindTheTriggers = [&](RawStore& raw, const std::function<void()>& tamper) {
    if (raw.server()) {
      raw.exec(QStringLiteral("ALTER TABLE \"Audit\" DISABLE TRIGGER USER"));
      tamper();
      raw.exec(QStringLiteral("ALTER TABLE \"Audit\" ENABLE TRIGGER USER"));
      return;
    }
    for (const QString& name : records::fileTrailTriggerNames())
      raw.exec(QStringLiteral("DROP TRIGGER \"%1\"").arg(name));
    tamper();
    for (const QString& sql : records::fileTrailTriggers()) raw.exec(sql);
  };
  struct Case {
    const char* what;
    std::function<void(RawStore&)> attack;
    const char* found;  // a part of check's line and of the program's refusal
  };
  // clang-format off
  const Case cases[] = {
      {"an entry rewritten",
       [&](RawStore& raw) {
         behindTheTriggers(raw, [&] { raw.exec(QStringLiteral("UPDATE \"Audit\" SET \"Changes\" = 'SurN: \"Nobody\"' WHERE \"AuditID\" = 2")); });
       },
       "audit entry 2 ("},
      {"an entry removed",
       [&](RawStore& raw) { behindTheTriggers(raw, [&] { raw.exec(QStringLiteral("DELETE FROM \"Audit\" WHERE \"AuditID\" = 3")); }); },
       "audit entry 4 ("},
      {"an entry replaced by one hashed for its place",
       [&](RawStore& raw) {
         behindTheTriggers(raw, [&] {
           const QString previous = raw.scalar(QStringLiteral("SELECT \"Hash\" FROM \"Audit\" WHERE \"AuditID\" = 2")).toString();
           const auto row = raw.rows(QStringLiteral("SELECT * FROM \"Audit\" WHERE \"AuditID\" = 3")).front();
           records::RowValues forged(row.begin(), row.end());
           forged[10] = QStringLiteral("Complete: null -> 4");
           forged[13] = records::auditHash(previous, forged);
           raw.exec(QStringLiteral("DELETE FROM \"Audit\" WHERE \"AuditID\" = 3"));
           raw.exec(QStringLiteral("INSERT INTO \"Audit\" VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    QVariantList(forged.begin(), forged.end()));
         });
       },
       "audit entry 4 ("},
      {"the newest entries removed",
       [&](RawStore& raw) {
         behindTheTriggers(raw, [&] {
           raw.exec(QStringLiteral("DELETE FROM \"Audit\" WHERE \"AuditID\" > (SELECT MAX(\"AuditID\") - 2 FROM \"Audit\")"));
         });
       },
       "its head names entry"},
      {"the trail removed", [&](RawStore& raw) { raw.exec(QStringLiteral("DROP TABLE \"Audit\"")); },
       "the table Audit, the audit trail, is missing"},
      {"a trigger of the trail removed",
       [&](RawStore& raw) {
         raw.exec(raw.server() ? QStringLiteral("ALTER TABLE \"Course\" DISABLE TRIGGER \"CourseAudit\"")
                               : QStringLiteral("DROP TRIGGER \"AuditKeptFromDELETE\""));
       },
       "trigger"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshStore store;
    {
      records::Store data;
      ASSERT_EQ(data.open(store.dbDir()), records::Store::ConnectResult::Connected);
      for (const char* nhi : {"AUD0001", "AUD0002"}) {
        data.findPatients(QString::fromLatin1(nhi), QString(), 7);
        data.addPatient(QString::fromLatin1(nhi), QStringLiteral("Smith"));
        data.addCourse();
      }
    }
    const ToolRun sound = runTool({QStringLiteral("check"), store.dbDir()});
    ASSERT_EQ(sound.out, QStringLiteral("ok\n")) << sound.err.toStdString();
    {
      RawStore raw(store.name());
      c.attack(raw);
    }
    const ToolRun r = runTool({QStringLiteral("check"), store.dbDir()});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String(c.found))) << r.out.toStdString();

    records::Store data;
    ASSERT_EQ(data.open(store.dbDir()), records::Store::ConnectResult::Connected);
    data.listOnlyNhi(QStringLiteral("AUD0001"));
    data.patients.edit();
    data.patientSurname.setString(QStringLiteral("Jones"));
    try {
      data.patients.post();
      ADD_FAILURE() << "stored into a store whose trail is not whole";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(QLatin1String("not whole"))) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QLatin1String(c.found))) << e.message().toStdString();
    }
    data.patients.cancel();
    EXPECT_EQ(
        RawStore(store.name()).scalar(QStringLiteral("SELECT SurN FROM Patient WHERE Hosp = 'AUD0001'")).toString(),
        QStringLiteral("Smith"));
  }
  // A trail removed stays removed: opening the store, as find does, never makes it anew.
  seed();
  RawStore raw(file());
  raw.exec(QStringLiteral("DROP TABLE \"Audit\""));
  EXPECT_EQ(runTool({QStringLiteral("find"), dirPath()}).exitCode, 0);
  EXPECT_EQ(raw.scalar(raw.server() ? QStringLiteral("SELECT COUNT(*) FROM pg_tables WHERE tablename = 'Audit'")
                                    : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'Audit'"))
                .toInt(),
            0);
}

// A department checks its store while workstations write to it: every check finds the store sound,
// its audit trail included, however the writes fall between the check's own reads.
TEST_F(CheckTool, AStoreInUseIsSoundWheneverItIsChecked) {
  { connect(); }  // the tables, as the program makes them on its first start
  // Four workstations each import fifty patient files, each file in a transaction of its own.
  QTemporaryDir files;
  std::vector<std::unique_ptr<QProcess>> workstations;
  for (int w = 0; w < 4; ++w) {
    QStringList importArgs{QStringLiteral("import"), dirPath()};
    for (int i = 0; i < 50; ++i) {
      testing_legacy::UvbFile patient;
      patient.nhi = "RACE" + QByteArray::number(1000 + 100 * w + i);
      importArgs << testing_legacy::writeFile(files.path(), QString::fromLatin1(patient.nhi) + QStringLiteral(".UVB"),
                                              patient.bytes());
    }
    workstations.push_back(std::make_unique<QProcess>());
    workstations.back()->start(QStringLiteral(HALCYRA_TOOL_PATH), importArgs);
    ASSERT_TRUE(workstations.back()->waitForStarted());
  }
  const auto writing = [&] {
    bool any = false;
    for (auto& w : workstations) {
      w->waitForFinished(0);  // notices an end; false again for one already noticed
      any = any || w->state() != QProcess::NotRunning;
    }
    return any;
  };

  records::Connection store;
  records::openStore(store, dirPath());
  QStringList problems;
  int checks = 0;
  while (writing()) {
    for (const QString& problem : maintenance::checkStore(store)) {
      if (!problems.contains(problem)) problems << problem;
    }
    ++checks;
  }
  SCOPED_TRACE(QStringLiteral("%1 checks while the patients were imported").arg(checks).toStdString());
  for (auto& w : workstations) EXPECT_EQ(w->exitCode(), 0) << w->readAllStandardError().toStdString();
  EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
  EXPECT_TRUE(maintenance::checkStore(store).isEmpty());
}

TEST(CheckToolUse, RefusesWhatItCannotCheck) {
  QTemporaryDir empty;
  struct Case {
    QStringList args;
    int exitCode;
    QString message;
  };
  // clang-format off
  const Case cases[] = {
      {{QStringLiteral("check"), empty.path()}, 1, QDir(empty.path()).filePath(QStringLiteral("Brell_Data.db"))},
      {{QStringLiteral("check"), QStringLiteral("postgresql://clinic@127.0.0.1:1/halcyra")}, 1,
       QStringLiteral("No connection to the database server (host 127.0.0.1, port 1)")},
      {{QStringLiteral("check")}, 2, QStringLiteral("usage")},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(u' ').toStdString());
    const ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
  }
}

}  // namespace
