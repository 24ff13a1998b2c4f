// Several processes on one database file: halcyra-tool's init-db and find, a second process reading
// and writing while this one holds the file open, and a writer killed in the middle of its work.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>
#include <gtest/gtest.h>

#include "RecordsFixtures.h"
#include "records/DataError.h"
#include "support/ToolRun.h"

using namespace testing_records;

namespace {


QStringList lines(const QString& text) { return text.split(u'\n', Qt::SkipEmptyParts); }

TEST(InitDbTool, CreatesTheStoreOnceAndThenRefuses) {
  QTemporaryDir dir;
  const QString file = records::databasePath(dir.path());
  const ToolRun first = runTool({QStringLiteral("init-db"), dir.path()});
  EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
  EXPECT_TRUE(first.out.contains(file));
  {
    RawStore raw(file);
    EXPECT_EQ(raw.rows(QStringLiteral("PRAGMA table_info(Course)")).size(), 30u);
    raw.addPatient("KEEP", "Kept");
  }
  struct Case {
    QStringList args;
    int exitCode;
    QString message;
  };
  const Case cases[] = {
      {{QStringLiteral("init-db"), dir.path()}, 1, file},
      {{QStringLiteral("init-db"), dir.filePath(QStringLiteral("missing"))}, 1, dir.filePath(QStringLiteral("missing"))},
      {{QStringLiteral("init-db")}, 2, QStringLiteral("usage")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(u' ').toStdString());
    const ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
  }
  EXPECT_EQ(RawStore(file).scalar(QStringLiteral("SELECT SurN FROM Patient")).toString(), QStringLiteral("Kept"));
}

class FindToolTest : public StoreTest {};

TEST_F(FindToolTest, ListsWhatTheWindowWouldWhileAnotherCopyHoldsTheFile) {
  {
    RawStore raw(file());
    raw.addPatient("ABC1001", "Smith", 2);
    raw.addPatient("ABC1002", "Goldsmith", 4);
    raw.addPatient("ABC1003", "Jones", QVariant());
    raw.addPatient("XYZ3001", "O'Brien", 0);
  }
  // This process keeps the store open as a running program does, with a row posted since the
  // tool's last look and a write that is not committed yet.
  auto data = connect();
  data->FindPatient(QStringLiteral("ABC1004"), QString(), 7);
  data->AddPatient(QStringLiteral("ABC1004"), QStringLiteral("Posted"));
  data->Addcourse();
  RawStore writer(file());
  writer.exec(QStringLiteral("BEGIN IMMEDIATE"));
  writer.addPatient("ABC1005", "Uncommitted", 2);

  struct Case {
    QStringList options;
    QStringList expected;
  };
  const Case cases[] = {
      {{}, {"ABC1001", "ABC1002", "ABC1004"}},
      {{"--nhi", "abc"}, {"ABC1001", "ABC1002", "ABC1003", "ABC1004"}},
      {{"--nhi", "ABC", "--mask", "2"}, {"ABC1001", "ABC1003", "ABC1004"}},
      {{"--surname", "SMITH"}, {"ABC1001", "ABC1002"}},
      {{"--surname", "'"}, {"XYZ3001"}},
      {{"--surname", "%"}, {}},
      {{"--mask", "4"}, {"ABC1002"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.join(u' ').toStdString());
    const ToolRun r = runTool(QStringList{QStringLiteral("find"), dirPath()} + c.options);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out), c.expected);
  }
  writer.exec(QStringLiteral("ROLLBACK"));
}

TEST(FindTool, RefusesWithAMessageWhenThereIsNoDatabase) {
  QTemporaryDir dir;
  const ToolRun missing = runTool({QStringLiteral("find"), dir.path()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.err.contains(records::databasePath(dir.path()))) << missing.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(records::databasePath(dir.path()))) << "find never creates a database";

  for (const QStringList& args : {QStringList{QStringLiteral("find"), dir.path(), QStringLiteral("--mask"), QStringLiteral("8")},
                                  QStringList{QStringLiteral("find"), dir.path(), QStringLiteral("--nhi")},
                                  QStringList{QStringLiteral("find")}}) {
    SCOPED_TRACE(args.join(u' ').toStdString());
    EXPECT_EQ(runTool(args).exitCode, 2);
  }
}

// ---------------------------------------------------------------------------------------------
// A second process writing, killed at an arbitrary moment

constexpr const char* kWriterDirVariable = "HALCYRA_RECORDS_WRITER_DIR";

// Run in a child process by the test below: adds patients, each with a course, and reports every
// one it has posted, until it is killed.
TEST(ChildWriter, PostsUntilKilled) {
  const QString dir = qEnvironmentVariable(kWriterDirVariable);
  if (dir.isEmpty()) GTEST_SKIP() << "runs only as the child of SeveralProcesses.KilledWriterLosesNothingItPosted";
  DBDir = dir;
  TDataPatient data;
  ASSERT_EQ(data.DataModuleCreate(), TDataPatient::ConnectResult::Connected);
  for (int i = 0;; ++i) {
    const QString nhi = QStringLiteral("K%1").arg(i);
    data.FindPatient(nhi, QString(), 7);
    data.AddPatient(nhi, QStringLiteral("Writer"));
    data.Addcourse();
    data.ADOCourse.edit();
    data.ADOCourseEdMed.setInteger(i);
    data.ADOCourse.post();
    std::printf("posted %s\n", nhi.toLatin1().constData());
    std::fflush(stdout);
  }
}

class SeveralProcesses : public StoreTest {};

TEST_F(SeveralProcesses, KilledWriterLosesNothingItPostedAndNobodyWaitsInVain) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kWriterDirVariable), dirPath());
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ChildWriter.PostsUntilKilled")});
  ASSERT_TRUE(child.waitForStarted());

  // Meanwhile this process works on the same file as a second copy of the program would.
  auto data = connect();
  QStringList posted;
  QByteArray pending;
  int mine = 0;
  QElapsedTimer clock;
  clock.start();
  while (posted.size() < 40 && clock.elapsed() < 120000) {
    ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardError().toStdString();
    const QString nhi = QStringLiteral("M%1").arg(mine++);
    ASSERT_NO_THROW({
      data->FindPatient(nhi, QString(), 7);
      data->AddPatient(nhi, QStringLiteral("Parent"));
      data->Addcourse();
      data->ReopenDataSet(data->ADOPatient);
    });
    child.waitForReadyRead(50);
    pending += child.readAllStandardOutput();
    while (pending.contains('\n')) {
      const qsizetype end = pending.indexOf('\n');
      const QByteArray line = pending.left(end);
      pending.remove(0, end + 1);
      if (line.startsWith("posted ")) posted << QString::fromLatin1(line.mid(7));
    }
  }
  child.kill();  // SIGKILL: no chance to tidy up
  child.waitForFinished();
  ASSERT_GE(posted.size(), 40) << "the writer was too slow";
  EXPECT_TRUE(child.readAllStandardError().isEmpty());

  data.reset();
  RawStore raw(file());
  EXPECT_EQ(raw.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
  for (int i = 0; i < posted.size(); ++i) {
    const QString& nhi = posted[i];
    SCOPED_TRACE(nhi.toStdString());
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT NCourse FROM Patient WHERE Hosp = ?"), {nhi}).toInt(), 1);
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT EdMed FROM Course WHERE Hosp = ? AND CourseID = 1"), {nhi}).toInt(),
              nhi.mid(1).toInt());
  }
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT COUNT(*) FROM Patient WHERE Hosp LIKE 'M%'")).toInt(), mine);

  // The program opens the file the killed writer left behind and carries on.
  auto after = connect();
  after->FindPatient(QStringLiteral("K"), QString(), 7);
  EXPECT_GE(after->ADOPatient.recordCount(), posted.size());
}

}  // namespace
