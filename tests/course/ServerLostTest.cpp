// The department's server lost in the middle of a visit: stopped, or behind a network that goes
// silent. The treatment being stored is named as not stored within half a minute, with the server;
// it stays on screen and waiting, and the next action after the server is back stores it, without
// a restart; closing never waits on a dead server. On a server of the test's own (it is stopped and
// started), reached over TCP on the loopback, directly and through a proxy that can go silent.

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "CourseFixtures.h"
#include "course/OpenCourse.h"
#include "records/Database.h"
#include "records/PostgresBackend.h"
#include "support/LoopbackProxy.h"

namespace {

using course::OpenCourse;
using course_fixtures::demoTables;
using course_fixtures::visit;

constexpr const char* kPassword = "lost-and-found";
// How soon a lost server must be named.
constexpr qint64 kNamedWithinMs = 30000;

bool serverScript(const QStringList& args, QString* out = nullptr) {
  QProcess p;
  p.start(QStringLiteral("bash"), QStringList{QStringLiteral(HALCYRA_SOURCE_DIR "/scripts/test-server.sh")} + args);
  if (!p.waitForFinished(180000)) {
    p.kill();
    p.waitForFinished();
    return false;
  }
  if (out) *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class ServerLost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QFileInfo::exists(QStringLiteral("/usr/lib/postgresql/15/bin/initdb"))) return;
    dir_ = new QTemporaryDir;
    dir_->setAutoRemove(false);  // the script removes it
    QString admin;
    if (!serverScript({QStringLiteral("start"), dir_->path()}, &admin)) return;
    port_ = records::parseStoreLocation(admin).port.toInt();
    records::PostgresBackend server(records::parseStoreLocation(admin), std::nullopt);
    server.script(QStringLiteral("ALTER ROLE halcyra_owner PASSWORD '%1'").arg(QLatin1String(kPassword)));
    server.script(QStringLiteral("CREATE DATABASE lost OWNER halcyra_owner"));
    QString socketUri = admin;
    socketUri.replace(QStringLiteral("halcyra_admin@/postgres"), QStringLiteral("halcyra_owner@/lost"));
    records::createDatabase(socketUri);
  }
  static void TearDownTestSuite() {
    if (dir_) serverScript({QStringLiteral("stop"), dir_->path()});
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (port_ == 0) GTEST_SKIP() << "no PostgreSQL 15 server could be started here";
  }
  // The store over TCP through `port`: the server's own, or a proxy's.
  static QString address(int port) {
    return QStringLiteral("postgresql://halcyra_owner@127.0.0.1:%1/lost?password=%2")
        .arg(port)
        .arg(QLatin1String(kPassword));
  }
  static void selectNew(OpenCourse& c, const QString& nhi) {
    c.setSearchText(course::SearchField::Nhi, nhi);
    ASSERT_EQ(c.select(), course::SelectOutcome::Opened);
    c.setSkinType(1);
    c.setAge("40");
    c.chooseTone(1);
  }
  static std::optional<float> storedDose(const QString& nhi, int row) {
    OpenCourse reader(demoTables());
    reader.connectDatabase(address(port_));
    reader.open(nhi, 1);
    const TreatmentRecord& r = reader.records()[static_cast<std::size_t>(row - 1)];
    if (!r.recorded()) return std::nullopt;
    return r.Dose;
  }

  // Records treatment 2 while the server cannot be reached: refused within the bound, with the
  // server named, and still shown and waiting.
  static void visitWhileLost(OpenCourse& course, const QString& server) {
    QElapsedTimer clock;
    clock.start();
    try {
      course.recordTreatment(2, visit(Same, 222), false);
      ADD_FAILURE() << "stored without a server";
    } catch (const course::StoreError& e) {
      EXPECT_LT(clock.elapsed(), kNamedWithinMs);
      EXPECT_TRUE(e.message().contains(server)) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QLatin1String("treatment 2"))) << e.message().toStdString();
    }
    EXPECT_TRUE(course.hasPendingChanges());
    EXPECT_EQ(course.records()[1].Dose, 222.0f);
  }

  static inline QTemporaryDir* dir_ = nullptr;
  static inline int port_ = 0;
};

TEST_F(ServerLost, AStoppedServerIsNamedAndTheVisitStoredWhenItIsBack) {
  OpenCourse course(demoTables());
  ASSERT_EQ(course.connectDatabase(address(port_)), records::Store::ConnectResult::Connected);
  selectNew(course, QStringLiteral("LST0001"));
  course.recordTreatment(1, visit(Same, 111), false);

  ASSERT_TRUE(serverScript({QStringLiteral("pause"), dir_->path()}));
  visitWhileLost(course, QStringLiteral("127.0.0.1"));
  // While the server is away every action says so, and nothing waiting is dropped.
  EXPECT_THROW(course.setCourseText(course::CourseText::Referral, QStringLiteral("Dr Away")), course::StoreError);
  EXPECT_TRUE(course.hasPendingChanges());

  ASSERT_TRUE(serverScript({QStringLiteral("resume"), dir_->path()}));
  course.setCourseText(course::CourseText::Referral, QStringLiteral("Dr Back"));
  EXPECT_FALSE(course.hasPendingChanges()) << course.pendingChanges().toStdString();
  EXPECT_EQ(storedDose(QStringLiteral("LST0001"), 1), std::optional<float>(111.0f));
  EXPECT_EQ(storedDose(QStringLiteral("LST0001"), 2), std::optional<float>(222.0f));
  EXPECT_EQ(course_fixtures::problems(address(port_)), QStringList());
}

TEST_F(ServerLost, ASilentNetworkIsNamedAndTheVisitStoredWhenItAnswersAgain) {
  LoopbackProxy proxy(port_);
  auto course = std::make_unique<OpenCourse>(demoTables());
  ASSERT_EQ(course->connectDatabase(address(proxy.port())), records::Store::ConnectResult::Connected);
  selectNew(*course, QStringLiteral("LST0002"));
  course->recordTreatment(1, visit(Same, 111), false);

  proxy.setSilent(true);
  visitWhileLost(*course, QStringLiteral("127.0.0.1"));

  proxy.setSilent(false);
  course->setCourseText(course::CourseText::Referral, QStringLiteral("Dr Back"));
  EXPECT_FALSE(course->hasPendingChanges()) << course->pendingChanges().toStdString();
  EXPECT_EQ(storedDose(QStringLiteral("LST0002"), 2), std::optional<float>(222.0f));

  // Closing while the network is silent does not wait for the server.
  proxy.setSilent(true);
  QElapsedTimer clock;
  clock.start();
  course->close();
  course.reset();
  EXPECT_LT(clock.elapsed(), 5000);
}

}  // namespace
