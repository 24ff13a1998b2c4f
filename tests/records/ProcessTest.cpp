// Several processes on one database file: halcyra-tool's init-db and find, a second process reading
// and writing while this one holds the file open, and a writer killed in the middle of its work;
// halcyra-tool asking a server's password on a terminal.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "RecordsFixtures.h"
#include "records/AuditTrail.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "support/ToolRun.h"

using namespace testing_records;

namespace {

QStringList lines(const QString& text) { return text.split(u'\n', Qt::SkipEmptyParts); }

TEST(InitDbTool, CreatesTheStoreOnceAndThenRefuses) {
  if (onServer()) {
    // On a server: the tables in an empty database, then a refusal that leaves them as they are.
    FreshStore empty(false);
    const ToolRun first = runTool({QStringLiteral("init-db"), empty.dbDir()});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QLatin1String("halcyra_clinic"))) << first.out.toStdString();
    RawStore(empty.name()).addPatient("KEEP", "Kept");
    const ToolRun again = runTool({QStringLiteral("init-db"), empty.dbDir()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains(QLatin1String("already holds the tables"))) << again.err.toStdString();
    EXPECT_EQ(RawStore(empty.name()).scalar(QStringLiteral("SELECT SurN FROM Patient")).toString(),
              QStringLiteral("Kept"));
    return;
  }
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
  // clang-format off
  const Case cases[] = {
      {{QStringLiteral("init-db"), dir.path()}, 1, file},
      {{QStringLiteral("init-db"), dir.filePath(QStringLiteral("missing"))}, 1, dir.filePath(QStringLiteral("missing"))},
      {{QStringLiteral("init-db")}, 2, QStringLiteral("usage")},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(u' ').toStdString());
    const ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
  }
  EXPECT_EQ(RawStore(file).scalar(QStringLiteral("SELECT SurN FROM Patient")).toString(), QStringLiteral("Kept"));
}

class FindToolTest : public StoreTest {};
class TwoProcesses : public StoreTest {};

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
  data->findPatients(QStringLiteral("ABC1004"), QString(), 7);
  data->addPatient(QStringLiteral("ABC1004"), QStringLiteral("Posted"));
  data->addCourse();
  RawStore writer(file());
  writer.exec(writer.server() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
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
  if (onServer()) GTEST_SKIP() << "the store file only";
  QTemporaryDir dir;
  const ToolRun missing = runTool({QStringLiteral("find"), dir.path()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.err.contains(records::databasePath(dir.path()))) << missing.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(records::databasePath(dir.path()))) << "find never creates a database";

  for (const QStringList& args :
       {QStringList{QStringLiteral("find"), dir.path(), QStringLiteral("--mask"), QStringLiteral("8")},
        QStringList{QStringLiteral("find"), dir.path(), QStringLiteral("--nhi")},
        QStringList{QStringLiteral("find")}}) {
    SCOPED_TRACE(args.join(u' ').toStdString());
    EXPECT_EQ(runTool(args).exitCode, 2);
  }
}

// ---------------------------------------------------------------------------------------------
// copy-db

// Every row of every table of a store, typed by its column, patients in the order they were added.
std::vector<QVariantList> dump(const QString& store) {
  records::Connection c;
  records::openStore(c, store);
  std::vector<QVariantList> out;
  for (const records::TableDef* t :
       {&records::patientTable(), &records::courseTable(), &records::imageTable(), &records::auditTable()}) {
    std::vector<const records::ColumnDef*> columns;
    QStringList names;
    for (const records::ColumnDef& col : t->columns) {
      columns.push_back(&col);
      names << records::quoted(col.name);
    }
    const QString order = t->journaled ? QString::fromLatin1(c.dialect().insertionOrder) : names.mid(0, 3).join(u',');
    for (const auto& row : c.select(
             QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(names.join(u','), records::quoted(t->name), order), {},
             columns, QStringLiteral("dump"))) {
      out.push_back(QVariantList{t->name} + QVariantList(row.begin(), row.end()));
    }
  }
  return out;
}

class CopyDbTool : public StoreTest {
 protected:
  // A department in the store under test: patients added in an order that is not their NHIs',
  // values of every kind, photographs, a deleted photograph's number left unused.
  void seed() {
    auto data = connect();
    data->firstName = [] { return QStringLiteral("Māori \xF0\x9F\x98\x80"); };
    for (const char* nhi : {"ZZZ0001", "AAA0002", "MMM0003"}) {
      data->findPatients(QString::fromLatin1(nhi), QString(), 7);
      data->addPatient(QString::fromLatin1(nhi), QStringLiteral("O'Brien"));
      data->addCourse();
      data->courses.edit();
      data->courseAssessed.setDateTime(45678.123456789);
      data->courseMedication.setString(QString());
      data->courseDoses.setBytes(QByteArray("\x00\x01\xff", 3));
      data->courseFinished.setBoolean(true);
      data->courses.post();
      data->addCourse();
    }
    data->addPhotograph(QImage(64, 48, QImage::Format_RGB32), 45000.25);
    data->addPhotograph(QImage(32, 32, QImage::Format_RGB32), 45001.5);
    data->addPhotograph(QImage(16, 16, QImage::Format_RGB32), 45002.0);
    data->photos.first();
    data->photos.next();
    data->photos.deleteRow();
  }
};

TEST_F(CopyDbTool, CopiesEveryRowBothWaysAndRefusesATargetThatHoldsRows) {
  seed();
  const auto original = dump(dirPath());
  const int entries = RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM \"Audit\"")).toInt();
  ASSERT_GT(entries, 3 + 6 + 3);
  ASSERT_EQ(original.size(), 3u + 6u + 2u + static_cast<unsigned>(entries));

  // Out of the store under test into a store file, and back into a new store of the kind under
  // test: each copy holds exactly what its source holds.
  FreshStore file(true, FreshStore::Engine::File);
  FreshStore back;
  for (const auto& [from, to] : {std::pair{dirPath(), file.dbDir()}, std::pair{file.dbDir(), back.dbDir()}}) {
    SCOPED_TRACE((from + " -> " + to).toStdString());
    const ToolRun r = runTool({QStringLiteral("copy-db"), from, to});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // The audit history goes with the rows, and the copy adds none of its own.
    EXPECT_EQ(r.lines(), (QStringList{QStringLiteral("Patient\t3"), QStringLiteral("Course\t6"),
                                      QStringLiteral("Imagedb\t2"), QStringLiteral("Audit\t%1").arg(entries)}));
    EXPECT_EQ(dump(to), original);
  }
  // A photograph added after the copy takes a number after the copied ones.
  auto copy = connectTo(back.dbDir());
  copy->courses.last();
  copy->addPhotograph(QImage(8, 8, QImage::Format_RGB32), 45003.0);
  EXPECT_EQ(copy->photoId.asInteger(), 4);
  EXPECT_EQ(RawStore(back.name()).scalar(QStringLiteral("SELECT MAX(\"AuditID\") FROM \"Audit\"")).toInt(),
            entries + 1);

  // A target that holds rows is refused and left as it is; so is a target whose store refuses a
  // row part-way through.
  FreshStore refusing;
  RawStore(refusing.name())
      .refuse(QStringLiteral("no_photographs"), QStringLiteral("BEFORE INSERT ON Imagedb"), {},
              QStringLiteral("no photographs here"));
  struct Case {
    QString to;
    const char* message;
  };
  for (const Case& c : {Case{file.dbDir(), "already holds"}, Case{refusing.dbDir(), "no photographs here"}}) {
    SCOPED_TRACE(c.message);
    const auto before = dump(c.to);
    const ToolRun r = runTool({QStringLiteral("copy-db"), dirPath(), c.to});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
    EXPECT_EQ(dump(c.to), before);
  }
  EXPECT_EQ(runTool({QStringLiteral("copy-db"), dirPath()}).exitCode, 2);
}

// ---------------------------------------------------------------------------------------------
// Two copies adding courses to one patient at the same moment

constexpr const char* kAdderVariable = "HALCYRA_RECORDS_ADDER";  // store|start (ms since the epoch)|courses

// Run in a child process by the test below: adds courses to patient SHARED1, finishing every
// second one, from the given moment on as fast as it can.
TEST(ChildAdder, AddsCoursesToOnePatient) {
  const QStringList job = qEnvironmentVariable(kAdderVariable).split(u'|');
  if (job.size() != 3)
    GTEST_SKIP() << "runs only as a child of TwoProcesses.TwoCopiesAddingCoursesToOnePatientGetDistinctNumbers";
  records::Store data;
  ASSERT_EQ(data.open(job[0]), records::Store::ConnectResult::Connected);
  data.listOnlyNhi(QStringLiteral("SHARED1"));
  ASSERT_FALSE(data.patients.isEmpty());
  while (QDateTime::currentMSecsSinceEpoch() < job[1].toLongLong()) QThread::msleep(1);
  for (int i = 0; i < job[2].toInt(); ++i) {
    data.addCourse();
    if (i % 2 == 0) {
      data.courses.edit();
      data.courseFinished.setBoolean(true);
      data.courses.post();
      data.storeCourseStatus();
    }
    std::printf("added %d\n", data.courseNumber.asInteger());
    std::fflush(stdout);
  }
}

TEST_F(TwoProcesses, TwoCopiesAddingCoursesToOnePatientGetDistinctNumbers) {
  RawStore(file()).addPatient(QStringLiteral("SHARED1"), QStringLiteral("Shared"), QVariant(), 0);
  constexpr int kEach = 40;
  const qint64 start = QDateTime::currentMSecsSinceEpoch() + 1500;
  QProcess copies[2];
  for (QProcess& p : copies) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kAdderVariable), QStringLiteral("%1|%2|%3").arg(dirPath()).arg(start).arg(kEach));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=ChildAdder.AddsCoursesToOnePatient")});
    ASSERT_TRUE(p.waitForStarted());
  }
  QList<int> numbers;
  for (QProcess& p : copies) {
    ASSERT_TRUE(p.waitForFinished(240000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString() << p.readAllStandardError().toStdString();
    for (const QString& line : QString::fromLatin1(p.readAllStandardOutput()).split(u'\n')) {
      if (line.startsWith(QLatin1String("added "))) numbers << line.mid(6).toInt();
    }
  }
  std::sort(numbers.begin(), numbers.end());
  QList<int> expected;
  for (int i = 1; i <= 2 * kEach; ++i) expected << i;
  EXPECT_EQ(numbers, expected) << "each copy's courses have numbers of their own";
  RawStore raw(file());
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT NCourse FROM Patient WHERE Hosp = 'SHARED1'")).toInt(), 2 * kEach);
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT COUNT(DISTINCT CourseID) FROM Course WHERE Hosp = 'SHARED1'")).toInt(),
            2 * kEach);
  // The status the last copy stored counts every course: some finished, some not.
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT Complete FROM Patient WHERE Hosp = 'SHARED1'")).toInt(), 6);
}

// ---------------------------------------------------------------------------------------------
// A second process writing, killed at an arbitrary moment

constexpr const char* kWriterDirVariable = "HALCYRA_RECORDS_WRITER_DIR";

// Run in a child process by the test below: adds patients, each with a course, and reports every
// one it has posted, until it is killed.
TEST(ChildWriter, PostsUntilKilled) {
  const QString dir = qEnvironmentVariable(kWriterDirVariable);
  if (dir.isEmpty()) GTEST_SKIP() << "runs only as the child of SeveralProcesses.KilledWriterLosesNothingItPosted";
  records::Store data;
  ASSERT_EQ(data.open(dir), records::Store::ConnectResult::Connected);
  for (int i = 0;; ++i) {
    const QString nhi = QStringLiteral("K%1").arg(i);
    data.findPatients(nhi, QString(), 7);
    data.addPatient(nhi, QStringLiteral("Writer"));
    data.addCourse();
    data.courses.edit();
    data.courseMed.setInteger(i);
    data.courses.post();
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
      data->findPatients(nhi, QString(), 7);
      data->addPatient(nhi, QStringLiteral("Parent"));
      data->addCourse();
      data->reread(data->patients);
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
  if (!raw.server()) {
    EXPECT_EQ(raw.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
  }
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
  after->findPatients(QStringLiteral("K"), QString(), 7);
  EXPECT_GE(after->patients.recordCount(), posted.size());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// halcyra-tool and the server's password

// Runs halcyra-tool on a terminal of its own, answering the first question with `answer`; gives
// everything the terminal showed and the exit status.
std::pair<QString, int> runOnTerminal(const QStringList& args, const QByteArray& answer,
                                      const QStringList& environment) {
  std::vector<QByteArray> argv{QByteArray(HALCYRA_TOOL_PATH)};
  for (const QString& a : args) argv.push_back(a.toLocal8Bit());
  std::vector<char*> pointers;
  for (QByteArray& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  for (const QString& e : environment) variables.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
  std::vector<QByteArray> env;
  for (const QString& e : variables.toStringList()) env.push_back(e.toLocal8Bit());
  std::vector<char*> envPointers;
  for (QByteArray& e : env) envPointers.push_back(e.data());
  envPointers.push_back(nullptr);

  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    ::execve(pointers[0], pointers.data(), envPointers.data());
    ::_exit(127);
  }
  QByteArray shown;
  bool answered = false;
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    pollfd p{terminal, POLLIN, 0};
    if (::poll(&p, 1, 500) > 0) {
      char buffer[4096];
      const ssize_t n = ::read(terminal, buffer, sizeof buffer);
      if (n <= 0) break;  // the tool is done and the terminal closed
      shown.append(buffer, n);
    }
    if (!answered && shown.contains("Password for")) {
      [[maybe_unused]] const ssize_t w = ::write(terminal, answer.constData(), static_cast<size_t>(answer.size()));
      answered = true;
    }
    if (clock.elapsed() > 120000) {
      ::kill(child, SIGKILL);
      break;
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(terminal);
  return {QString::fromLocal8Bit(shown), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class ToolPassword : public StoreTest {
 protected:
  void SetUp() override {
    if (!onServer()) GTEST_SKIP() << "the server engine only";
    StoreTest::SetUp();
    login_ = QStringLiteral("halcyra_tool_%1").arg(::getpid());
    if (auto admin = serverAdmin()) {
      admin->script(QStringLiteral("DROP ROLE IF EXISTS %1").arg(login_));
      admin->script(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'Quokka-42' IN ROLE halcyra_clinic").arg(login_));
    }
  }
  void TearDown() override {
    StoreTest::TearDown();
    if (login_.isEmpty()) return;
    if (auto admin = serverAdmin()) {
      try {
        admin->script(QStringLiteral("DROP ROLE IF EXISTS %1").arg(login_));
      } catch (const records::StoreRefusal&) {
      }
    }
  }
  QString login_;
};

TEST_F(ToolPassword, IsAskedWithoutEchoOnATerminalOrReadAsTheClientLibraryReadsIt) {
  const records::StoreLocation base = records::parseStoreLocation(serverBase());
  const QString uri = QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
                          .arg(login_, base.port, records::parseStoreLocation(dirPath()).database);
  QTemporaryDir home;
  const QStringList noPassword{QStringLiteral("HOME=") + home.path(), QStringLiteral("PGPASSWORD=")};

  // On a terminal: asked, and the typed password never shows.
  const auto [shown, status] = runOnTerminal({QStringLiteral("find"), uri}, "Quokka-42\n", noPassword);
  EXPECT_EQ(status, 0) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("Password for user %1").arg(login_))) << shown.toStdString();
  EXPECT_FALSE(shown.contains(QLatin1String("Quokka"))) << shown.toStdString();

  // Without a terminal nothing is asked: the refusal says where the password may come from.
  const ToolRun refused = runTool({QStringLiteral("find"), uri}, noPassword);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(refused.err.contains(QLatin1String("~/.pgpass"))) << refused.err.toStdString();

  // PGPASSWORD and ~/.pgpass, as the client library reads them.
  EXPECT_EQ(runTool({QStringLiteral("find"), uri},
                    {QStringLiteral("HOME=") + home.path(), QStringLiteral("PGPASSWORD=Quokka-42")})
                .exitCode,
            0);
  {
    QFile pgpass(home.filePath(QStringLiteral(".pgpass")));
    ASSERT_TRUE(pgpass.open(QIODevice::WriteOnly));
    pgpass.write(QStringLiteral("127.0.0.1:%1:*:%2:Quokka-42\n").arg(base.port, login_).toUtf8());
    pgpass.close();
    pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  }
  const ToolRun fromFile = runTool({QStringLiteral("find"), uri}, noPassword);
  EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err.toStdString();
}
