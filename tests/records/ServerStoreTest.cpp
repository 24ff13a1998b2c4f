// The store on a database server: what a user is told when the server cannot be reached, refuses
// the password or holds no tables; what the clinic's role may do; init-db on a server. Run only
// on the server engine.

#include <QUrlQuery>
#include <gtest/gtest.h>

#include "RecordsFixtures.h"

using namespace testing_records;

namespace {

class ServerStoreTest : public StoreTest {
 protected:
  void SetUp() override {
    if (!onServer()) GTEST_SKIP() << "the server engine only";
    StoreTest::SetUp();
    qunsetenv("PGPASSWORD");
    login_ = QStringLiteral("halcyra_login_%1").arg(::getpid());
    if (auto admin = serverAdmin()) {
      admin->script(QStringLiteral("DROP ROLE IF EXISTS %1").arg(login_));
      admin->script(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE halcyra_clinic").arg(login_, kPassword));
    }
  }
  void TearDown() override {
    StoreTest::TearDown();
    if (login_.isEmpty()) return;
    if (auto admin = serverAdmin()) {
      try {
        admin->script(QStringLiteral("DROP OWNED BY %1").arg(login_));
        admin->script(QStringLiteral("DROP ROLE IF EXISTS %1").arg(login_));
      } catch (const records::StoreRefusal&) {
      }
    }
  }
  // The fixture's database as the workstation login reaches it: over TCP, where the server asks
  // for a password.
  QString loginUri(const QString& extra = {}) const {
    const records::StoreLocation base = records::parseStoreLocation(serverBase());
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3%4")
        .arg(login_, base.port, records::parseStoreLocation(dirPath()).database, extra);
  }
  static constexpr const char* kPassword = "right-horse";
  QString login_;
};

TEST_F(ServerStoreTest, AnUnusableServerIsNamedWithItsReason) {
  FreshStore bare(false);
  struct Case {
    const char* what;
    QString uri;
    QStringList expected;  // every one in the message
  };
  const Case cases[] = {
      {"nothing listens", QStringLiteral("postgresql://127.0.0.1:1/halcyra"), {"host 127.0.0.1, port 1", "refused"}},
      {"no such database", serverUri(QStringLiteral("halcyra_missing_db")), {"halcyra_missing_db", "does not exist"}},
      {"a database without the tables", bare.dbDir(), {bare.name(), "does not hold this program's tables", "init-db"}},
      {"no password anywhere", loginUri(), {"host 127.0.0.1", "password", "~/.pgpass"}},
      {"a wrong password in the address", loginUri(QStringLiteral("?password=wrong")), {"host 127.0.0.1", "password authentication failed"}},
      {"not a URI the client reads", QStringLiteral("postgresql://host/db?nonsense=1"), {"nonsense"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DBDir = c.uri;
    TDataPatient data;
    try {
      data.DataModuleCreate();
      ADD_FAILURE() << "connected";
    } catch (const records::DataError& e) {
      for (const QString& part : c.expected) EXPECT_TRUE(e.message().contains(part)) << e.message().toStdString();
      EXPECT_FALSE(e.message().contains(QLatin1String("wrong"))) << "a password is never shown";
    }
    EXPECT_FALSE(data.connected());
    EXPECT_FALSE(data.ADOPatient.active());
  }
}

TEST_F(ServerStoreTest, ThePasswordBoxIsAskedAgainWhenTheServerRefusesIt) {
  struct Case {
    const char* what;
    QList<std::optional<QString>> answers;
    bool connects;
  };
  const Case cases[] = {
      {"the right password", {QString::fromLatin1(kPassword)}, true},
      {"a wrong one, then the right one", {QStringLiteral("wrong"), QString::fromLatin1(kPassword)}, true},
      {"a wrong one, then Cancel", {QStringLiteral("wrong"), std::nullopt}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QStringList questions;
    QList<std::optional<QString>> answers = c.answers;
    DBDir = loginUri();
    TDataPatient data;
    data.passwordPrompt = [&](const QString& question) {
      questions << question;
      return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    };
    if (c.connects) {
      EXPECT_EQ(data.DataModuleCreate(), TDataPatient::ConnectResult::Connected);
    } else {
      EXPECT_THROW(data.DataModuleCreate(), records::ServerUnreachable);
    }
    ASSERT_EQ(questions.size(), c.answers.size());
    EXPECT_TRUE(questions.front().contains(login_)) << questions.front().toStdString();
    if (questions.size() > 1) {
      EXPECT_TRUE(questions[1].startsWith(QLatin1String("The server refused the password")));
    }
    EXPECT_EQ(data.connected(), c.connects);
  }
}

TEST_F(ServerStoreTest, TheClinicRoleWritesRowsButCannotChangeTheTables) {
  DBDir = loginUri();
  TDataPatient data;
  data.passwordPrompt = [](const QString&) { return std::optional<QString>(QString::fromLatin1(kPassword)); };
  ASSERT_EQ(data.DataModuleCreate(), TDataPatient::ConnectResult::Connected);
  data.FindPatient(QStringLiteral("CLN0001"), QString(), 7);
  data.AddPatient(QStringLiteral("CLN0001"), QStringLiteral("Clinic"));
  data.Addcourse();
  data.AddImage(QImage(8, 8, QImage::Format_RGB32), 45000.0);
  data.ADOImage.deleteRow();
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT NCourse FROM Patient WHERE Hosp = 'CLN0001'")).toInt(), 1);

  // Its writes were audited; it may read entries, and add them only as the program does.
  RawStore asLogin(loginUri(QStringLiteral("?password=") + QString::fromLatin1(kPassword)));
  const auto entries = asLogin.rows(QStringLiteral("SELECT \"AuditID\", \"Changes\" FROM \"Audit\" ORDER BY 1"));
  EXPECT_GE(entries.size(), 4u);
  for (const char* sql : {"DROP TABLE Course", "ALTER TABLE Patient ADD COLUMN Extra INTEGER", "TRUNCATE Imagedb",
                          "DELETE FROM PatientChange", "CREATE TABLE Other (x INTEGER)",
                          "UPDATE \"Audit\" SET \"Changes\" = ''", "DELETE FROM \"Audit\"", "TRUNCATE \"Audit\"",
                          "ALTER TABLE \"Audit\" DISABLE TRIGGER ALL",
                          "INSERT INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Hosp\") VALUES (999, '2000-01-01', 'CLN0001')"}) {
    SCOPED_TRACE(sql);
    QString error;
    EXPECT_FALSE(asLogin.tryExec(QString::fromLatin1(sql), {}, &error));
    EXPECT_TRUE(error.contains(QLatin1String("halcyra_clinic")) || error.contains(QLatin1String("owner")) ||
                error.contains(QLatin1String("denied")))
        << error.toStdString();
  }
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM Course")).toInt(), 1);
  EXPECT_EQ(asLogin.rows(QStringLiteral("SELECT \"AuditID\", \"Changes\" FROM \"Audit\" ORDER BY 1")), entries);
}

TEST_F(ServerStoreTest, ADatabaseWithoutTheAuditTrailTakesNoWritesUntilItsOwnerConnects) {
  RawStore(file()).exec(QStringLiteral("DROP TABLE \"Audit\""));
  const auto asClinic = [this] {
    DBDir = loginUri();
    auto data = std::make_unique<TDataPatient>();
    data->passwordPrompt = [](const QString&) { return std::optional<QString>(QString::fromLatin1(kPassword)); };
    EXPECT_EQ(data->DataModuleCreate(), TDataPatient::ConnectResult::Connected);
    data->FindPatient(QStringLiteral("CLN0001"), QString(), 7);
    return data;
  };
  {
    auto data = asClinic();
    try {
      data->AddPatient(QStringLiteral("CLN0001"), QStringLiteral("Clinic"));
      ADD_FAILURE() << "stored without its audit entry";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(QLatin1String("no audit trail"))) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QLatin1String("owner"))) << e.message().toStdString();
    }
  }
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM Patient")).toInt(), 0);

  connect();  // the owner: the trail is added, and the clinic's role may write to it
  asClinic()->AddPatient(QStringLiteral("CLN0001"), QStringLiteral("Clinic"));
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM \"Audit\" WHERE \"Hosp\" = 'CLN0001'")).toInt(), 1);
}

TEST_F(ServerStoreTest, InitDbRefusesADatabaseThatHoldsTheTables) {
  RawStore(file()).addPatient(QStringLiteral("KEEP001"), QStringLiteral("Kept"));
  try {
    records::createDatabase(dirPath());
    ADD_FAILURE() << "created again";
  } catch (const records::DataError& e) {
    EXPECT_TRUE(e.message().contains(QLatin1String("already holds the tables"))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(file())) << e.message().toStdString();
  }
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT SurN FROM Patient")).toString(), QStringLiteral("Kept"));
}

}  // namespace
