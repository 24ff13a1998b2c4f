// halcyra-tool backup: copies taken while another process keeps writing are whole (each passes
// the check and holds every visit the writer had finished before the copy began), readable by the
// owner only, and never replace a file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

#include "StoreSeeds.h"
#include "records/RecordsFixtures.h"
#include "support/ToolRun.h"

using namespace testing_records;

namespace {

constexpr const char* kWriterDirVariable = "HALCYRA_BACKUP_WRITER_DIR";
// The folder of the writer's photographs: the parent's, since a killed child removes nothing.
constexpr const char* kWriterFilesVariable = "HALCYRA_BACKUP_WRITER_FILES";

// Run in a child process by the test below: visits patient after patient until it is killed,
// reporting each visit once all of it is stored.
TEST(BackupWriter, VisitsUntilKilled) {
  const QString dir = qEnvironmentVariable(kWriterDirVariable);
  if (dir.isEmpty()) GTEST_SKIP() << "runs only as the child of BackupTool.CopiesTakenDuringWritesAreWhole";
  records::Store data;
  ASSERT_EQ(data.open(dir), records::Store::ConnectResult::Connected);
  const QString files = qEnvironmentVariable(kWriterFilesVariable);
  ASSERT_FALSE(files.isEmpty());
  for (int i = 0;; ++i) {
    const QString nhi = QStringLiteral("W%1").arg(i);
    store_seeds::addVisitedPatient(data, files, nhi);
    if (::testing::Test::HasFailure()) return;
    std::printf("visited %s\n", nhi.toLatin1().constData());
    std::fflush(stdout);
  }
}

unsigned modeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Backups are of store files; a server is backed up with its own tools.
class BackupTool : public StoreTest {
 protected:
  void SetUp() override {
    if (onServer()) GTEST_SKIP() << "the store file only";
    StoreTest::SetUp();
  }
};

TEST_F(BackupTool, CopiesTakenDuringWritesAreWhole) {
  QTemporaryDir writerFiles;
  QProcess writer;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kWriterDirVariable), dirPath());
  env.insert(QString::fromLatin1(kWriterFilesVariable), writerFiles.path());
  writer.setProcessEnvironment(env);
  writer.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_filter=BackupWriter.VisitsUntilKilled")});
  ASSERT_TRUE(writer.waitForStarted());

  QStringList visited;
  QByteArray pending;
  auto readVisits = [&] {
    pending += writer.readAllStandardOutput();
    while (pending.contains('\n')) {
      const qsizetype end = pending.indexOf('\n');
      const QByteArray line = pending.left(end);
      pending.remove(0, end + 1);
      if (line.startsWith("visited ")) visited << QString::fromLatin1(line.mid(8));
    }
  };

  QTemporaryDir backups;
  QElapsedTimer clock;
  clock.start();
  for (int copy = 0; copy < 3; ++copy) {
    SCOPED_TRACE(copy);
    // Let the writer get on before each copy.
    const qsizetype before = visited.size();
    while (visited.size() < before + 3 && clock.elapsed() < 120000) {
      ASSERT_EQ(writer.state(), QProcess::Running) << writer.readAllStandardError().toStdString();
      writer.waitForReadyRead(100);
      readVisits();
    }
    const QStringList finished = visited;

    // The copy goes into a folder of its own as that folder's database, so that check can read it.
    const QString folder = QDir(backups.path()).filePath(QStringLiteral("copy%1").arg(copy));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString target = records::databasePath(folder);
    const ToolRun r = runTool({QStringLiteral("backup"), dirPath(), target});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Backed up %1 to %2").arg(file(), target));
    EXPECT_EQ(modeOf(target), 0600u);

    const ToolRun checked = runTool({QStringLiteral("check"), folder});
    EXPECT_EQ(checked.exitCode, 0) << checked.out.toStdString() << checked.err.toStdString();
    EXPECT_EQ(checked.out, QStringLiteral("ok\n"));

    RawStore copyStore(target);
    const char* tables[] = {"Patient", "Course", "Imagedb"};
    for (int t = 0; t < 3; ++t) {
      const qint64 rows =
          copyStore.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(tables[t]))).toLongLong();
      EXPECT_EQ(lines[t + 1], QStringLiteral("%1\t%2").arg(QLatin1String(tables[t])).arg(rows));
    }
    for (const QString& nhi : finished) {
      SCOPED_TRACE(nhi.toStdString());
      EXPECT_EQ(copyStore.scalar(QStringLiteral("SELECT COUNT(*) FROM Imagedb WHERE Hosp = ?"), {nhi}).toInt(), 1);
    }
  }
  writer.kill();
  writer.waitForFinished();
  readVisits();
  EXPECT_GE(visited.size(), 9);
}

TEST_F(BackupTool, NeverReplacesAFileAndSendsServersToTheirOwnTools) {
  QTemporaryDir backups;
  const QString existing = QDir(backups.path()).filePath(QStringLiteral("monday.db"));
  {
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("last week's copy");
  }
  QTemporaryDir empty;
  struct Case {
    QStringList args;
    int exitCode;
    QString message;
  };
  // clang-format off
  const Case cases[] = {
      {{QStringLiteral("backup"), dirPath(), existing}, 1, existing},
      {{QStringLiteral("backup"), dirPath(), QDir(backups.path()).filePath(QStringLiteral("no/such/folder.db"))}, 1,
       QStringLiteral("does not exist")},
      {{QStringLiteral("backup"), empty.path(), QDir(backups.path()).filePath(QStringLiteral("x.db"))}, 1,
       records::databasePath(empty.path())},
      {{QStringLiteral("backup"), QStringLiteral("postgres://clinic@db.example/halcyra"),
        QDir(backups.path()).filePath(QStringLiteral("x.db"))},
       1, QStringLiteral("pg_dump")},
      {{QStringLiteral("backup"), dirPath()}, 2, QStringLiteral("usage")},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(u' ').toStdString());
    const ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
  }
  QFile f(existing);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("last week's copy"));
  EXPECT_EQ(QDir(backups.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("monday.db")})
      << "no half-made copy is left behind";
}

}  // namespace
