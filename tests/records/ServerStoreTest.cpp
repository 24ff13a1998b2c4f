// The store on a database server: what a user is told when the server cannot be reached, refuses
// the password or holds no tables; what the clinic's role may do, with the program and with any
// other client (psql); the audit trail the server keeps; a database of an earlier version; the
// session's limits; init-db on a server. Run only on the server engine.

#include <gtest/gtest.h>
#include <QProcess>
#include <QUrlQuery>

#include "EarlierStores.h"
#include "RecordsFixtures.h"
#include "records/AuditTrail.h"
#include "records/Connection.h"

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
  // clang-format off
  const Case cases[] = {
      {"nothing listens", QStringLiteral("postgresql://127.0.0.1:1/halcyra"), {"host 127.0.0.1, port 1", "refused"}},
      {"no such database", serverUri(QStringLiteral("halcyra_missing_db")), {"halcyra_missing_db", "does not exist"}},
      {"a database without the tables", bare.dbDir(), {bare.name(), "does not hold this program's tables", "init-db"}},
      {"no password anywhere", loginUri(), {"host 127.0.0.1", "password", "~/.pgpass"}},
      {"a wrong password in the address", loginUri(QStringLiteral("?password=wrong")), {"host 127.0.0.1", "password authentication failed"}},
      {"not a URI the client reads", QStringLiteral("postgresql://host/db?nonsense=1"), {"nonsense"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    records::Store data;
    try {
      data.open(c.uri);
      ADD_FAILURE() << "connected";
    } catch (const records::DataError& e) {
      for (const QString& part : c.expected) EXPECT_TRUE(e.message().contains(part)) << e.message().toStdString();
      EXPECT_FALSE(e.message().contains(QLatin1String("wrong"))) << "a password is never shown";
    }
    EXPECT_FALSE(data.connected());
    EXPECT_FALSE(data.patients.active());
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
    records::Store data;
    data.passwordPrompt = [&](const QString& question) {
      questions << question;
      return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    };
    if (c.connects) {
      EXPECT_EQ(data.open(loginUri()), records::Store::ConnectResult::Connected);
    } else {
      EXPECT_THROW(data.open(loginUri()), records::ServerUnreachable);
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
  records::Store data;
  data.passwordPrompt = [](const QString&) { return std::optional<QString>(QString::fromLatin1(kPassword)); };
  ASSERT_EQ(data.open(loginUri()), records::Store::ConnectResult::Connected);
  data.findPatients(QStringLiteral("CLN0001"), QString(), 7);
  data.addPatient(QStringLiteral("CLN0001"), QStringLiteral("Clinic"));
  data.addCourse();
  data.addPhotograph(QImage(8, 8, QImage::Format_RGB32), 45000.0);
  data.photos.deleteRow();
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT NCourse FROM Patient WHERE Hosp = 'CLN0001'")).toInt(), 1);

  // Its writes were audited; it may read entries, and add them only as the program does.
  RawStore asLogin(loginUri(QStringLiteral("?password=") + QString::fromLatin1(kPassword)));
  const auto entries = asLogin.rows(QStringLiteral("SELECT \"AuditID\", \"Changes\" FROM \"Audit\" ORDER BY 1"));
  EXPECT_GE(entries.size(), 4u);
  for (const char* sql :
       {"DROP TABLE Course", "ALTER TABLE Patient ADD COLUMN Extra INTEGER", "TRUNCATE Imagedb",
        "DELETE FROM PatientChange", "CREATE TABLE Other (x INTEGER)", "CREATE TEMP TABLE Other (x INTEGER)",
        "UPDATE \"AuditHead\" SET \"AuditID\" = 0", "UPDATE \"Audit\" SET \"Changes\" = ''", "DELETE FROM \"Audit\"",
        "TRUNCATE \"Audit\"", "ALTER TABLE \"Audit\" DISABLE TRIGGER ALL",
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

TEST_F(ServerStoreTest, ADatabaseOfAnEarlierVersionTakesNoWritesUntilItsOwnerConnects) {
  FreshStore earlier(false);
  makeEarlierStore(earlier.name(), Trail::Unchained, {QStringLiteral("OLD0001")});
  const QString database = records::parseStoreLocation(earlier.dbDir()).database;
  const QString asLogin = QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
                              .arg(login_, records::parseStoreLocation(serverBase()).port, database);
  const auto asClinic = [&] {
    auto data = std::make_unique<records::Store>();
    data->passwordPrompt = [](const QString&) { return std::optional<QString>(QString::fromLatin1(kPassword)); };
    EXPECT_EQ(data->open(asLogin), records::Store::ConnectResult::Connected);
    data->findPatients(QStringLiteral("CLN0001"), QString(), 7);
    return data;
  };
  {
    auto data = asClinic();
    try {
      data->addPatient(QStringLiteral("CLN0001"), QStringLiteral("Clinic"));
      ADD_FAILURE() << "stored without its audit entry";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(QLatin1String("no audit trail"))) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QLatin1String("owner"))) << e.message().toStdString();
    }
  }
  EXPECT_EQ(RawStore(earlier.name()).scalar(QStringLiteral("SELECT COUNT(*) FROM Patient")).toInt(), 1);

  connectTo(earlier.dbDir());  // the owner: the trail is chained, and the clinic's role writes through the server's
  asClinic()->addPatient(QStringLiteral("CLN0001"), QStringLiteral("Clinic"));
  RawStore raw(earlier.name());
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT COUNT(*) FROM \"Audit\"")).toInt(), 3);
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT \"Login\" FROM \"Audit\" WHERE \"Hosp\" = 'CLN0001'")).toString(),
            login_);
  // What the earlier version let the clinic's role do itself is taken back.
  QString error;
  EXPECT_FALSE(
      RawStore(asLogin + QStringLiteral("?password=") + QString::fromLatin1(kPassword))
          .tryExec(QStringLiteral("INSERT INTO \"Audit\" (\"Hosp\", \"Changes\") VALUES ('CLN0001', 'forged')"), {},
                   &error));
  EXPECT_TRUE(error.contains(QLatin1String("denied"))) << error.toStdString();
}

// The attack on the journal of an earlier version: a login of the clinic made a temporary
// PatientChange with a trigger of its own, and its trigger then ran with the owner's rights. The
// journal and the trail name their tables with their schema now, and no login of the clinic may
// make temporary tables at all; even one given that right changes nothing.
TEST_F(ServerStoreTest, TheTemporaryTableTrickChangesNothing) {
  {
    auto data = connect();
    data->findPatients(QStringLiteral("TMP0001"), QString(), 7);
    data->addPatient(QStringLiteral("TMP0001"), QStringLiteral("Victim"));
  }
  const QString database = records::parseStoreLocation(dirPath()).database;
  RawStore asLogin(loginUri(QStringLiteral("?password=") + QString::fromLatin1(kPassword)));
  QString error;
  EXPECT_FALSE(asLogin.tryExec(
      QStringLiteral("CREATE TEMP TABLE \"PatientChange\" (\"Hosp\" VARCHAR(8) PRIMARY KEY, \"Seq\" BIGINT)"), {},
      &error));
  EXPECT_TRUE(error.contains(QLatin1String("denied"))) << error.toStdString();

  // Had an administrator given the right back, the trick still finds nothing to take over.
  if (auto admin = serverAdmin()) {
    admin->script(QStringLiteral("GRANT TEMPORARY ON DATABASE \"%1\" TO %2").arg(database, login_));
  }
  RawStore attacker(loginUri(QStringLiteral("?password=") + QString::fromLatin1(kPassword)));
  const auto trailBefore = attacker.rows(QStringLiteral("SELECT * FROM \"Audit\" ORDER BY \"AuditID\""));
  for (const char* table : {"PatientChange", "Audit", "AuditHead"}) {
    attacker.exec(
        QStringLiteral("CREATE TEMP TABLE \"%1\" (\"Hosp\" TEXT, \"Seq\" BIGINT, \"AuditID\" BIGINT, \"Hash\" TEXT, "
                       "\"Account\" TEXT, \"Workstation\" TEXT, \"Program\" TEXT, \"TableName\" TEXT, "
                       "\"CourseID\" BIGINT, \"ImageID\" BIGINT, \"Action\" TEXT, \"Changes\" TEXT, "
                       "\"Login\" TEXT, \"Client\" TEXT, \"WhenUTC\" TEXT)")
            .arg(QLatin1String(table)));
    attacker.exec(
        QStringLiteral(
            "CREATE FUNCTION pg_temp.take_over_%1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
            "DELETE FROM public.\"Audit\"; ALTER ROLE %2 SUPERUSER; GRANT halcyra_owner TO %2; RETURN NULL; END $$")
            .arg(QLatin1String(table), login_));
    attacker.exec(QStringLiteral("CREATE TRIGGER take_over AFTER INSERT OR UPDATE ON pg_temp.\"%1\" FOR EACH ROW "
                                 "EXECUTE FUNCTION pg_temp.take_over_%1()")
                      .arg(QLatin1String(table)));
  }
  attacker.exec(QStringLiteral("UPDATE \"Patient\" SET \"SurN\" = 'Changed' WHERE \"Hosp\" = 'TMP0001'"));

  RawStore owner(file());
  const auto trailAfter = owner.rows(QStringLiteral("SELECT * FROM \"Audit\" ORDER BY \"AuditID\""));
  ASSERT_EQ(trailAfter.size(), trailBefore.size() + 1);  // the change, and its entry in the real trail
  EXPECT_EQ(std::vector<QVariantList>(trailAfter.begin(), trailAfter.end() - 1), trailBefore);
  EXPECT_TRUE(trailAfter.back()[10].toString().contains(QLatin1String("Changed")));
  EXPECT_EQ(owner.scalar(QStringLiteral("SELECT COUNT(*) FROM \"PatientChange\" WHERE \"Hosp\" = 'TMP0001'")).toInt(),
            1);
  EXPECT_FALSE(owner.scalar(QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = '%1'").arg(login_)).toBool());
  EXPECT_FALSE(
      owner.scalar(QStringLiteral("SELECT pg_has_role('%1', 'halcyra_owner', 'MEMBER')").arg(login_)).toBool());
}

// A change made with any client by a login of the clinic is audited under that login, and that
// login cannot write an entry of its own, nor call the trail's functions.
TEST_F(ServerStoreTest, AChangeMadeWithPsqlIsAuditedUnderItsLoginAndAForgedEntryIsRefused) {
  {
    auto data = connect();
    data->findPatients(QStringLiteral("PSQ0001"), QString(), 7);
    data->addPatient(QStringLiteral("PSQ0001"), QStringLiteral("Before"));
  }
  const QString psql = QStringLiteral("/usr/lib/postgresql/15/bin/psql");
  if (!QFileInfo::exists(psql)) GTEST_SKIP() << "psql is not installed";
  const auto runPsql = [&](const QString& sql, QString* out = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), QString::fromLatin1(kPassword));
    p.setProcessEnvironment(env);
    p.start(psql, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                   QStringLiteral("-d"), loginUri(), QStringLiteral("-c"), sql});
    EXPECT_TRUE(p.waitForFinished(60000));
    if (out) *out = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitCode() == 0;
  };
  ASSERT_TRUE(runPsql(QStringLiteral("UPDATE \"Patient\" SET \"SurN\" = 'After' WHERE \"Hosp\" = 'PSQ0001'")));
  records::Connection c;
  records::openStore(c, dirPath());
  const std::vector<records::AuditEntry> trail = records::patientAudit(c, QStringLiteral("PSQ0001"));
  ASSERT_EQ(trail.size(), 2u);
  const records::AuditEntry& e = trail.back();
  EXPECT_EQ(e.login, login_);
  EXPECT_EQ(e.client, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(e.program, QStringLiteral("psql"));
  EXPECT_TRUE(e.account.isEmpty()) << e.account.toStdString();  // psql names no account
  EXPECT_EQ(e.changes, QStringLiteral("SurN: \"Before\" -> \"After\""));
  EXPECT_EQ(trail.front().login, QLatin1String(kStoreOwner));

  struct Case {
    const char* what;
    QString sql;
  };
  const Case cases[] = {
      {"an entry of its own",
       QStringLiteral("INSERT INTO \"Audit\" (\"Account\", \"TableName\", \"Hosp\", \"Action\", "
                      "\"Changes\") VALUES ('jsmith', 'Patient', 'PSQ0001', 'changed', 'nothing')")},
      {"the trail's writer",
       QStringLiteral("SELECT \"AuditWrite\"('Patient', 'PSQ0001', NULL, NULL, 'changed', 'forged')")},
      {"the head", QStringLiteral("UPDATE \"AuditHead\" SET \"Hash\" = ''")},
      {"a trigger off", QStringLiteral("ALTER TABLE \"Patient\" DISABLE TRIGGER \"PatientAudit\"")},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    QString error;
    EXPECT_FALSE(runPsql(k.sql, &error));
    EXPECT_TRUE(error.contains(QLatin1String("denied")) || error.contains(QLatin1String("owner")))
        << error.toStdString();
  }
  EXPECT_EQ(records::patientAudit(c, QStringLiteral("PSQ0001")).size(), 2u);
}

// Each session waits so long for a lock, lets a statement run so long and a transaction stand
// idle so long; a whole department's check or copy may run as long as it needs.
TEST_F(ServerStoreTest, EverySessionHasItsLimits) {
  struct Case {
    records::Patience patience;
    const char* statement;
    const char* idle;
  };
  for (const Case& c :
       {Case{records::Patience::Interactive, "15s", "30s"}, Case{records::Patience::LongWork, "0", "10min"}}) {
    records::Connection store;
    store.setPatience(c.patience);
    records::openStore(store, dirPath());
    const records::Rows shown = store.query(
        QStringLiteral("SELECT current_setting('lock_timeout'), current_setting('statement_timeout'), "
                       "current_setting('idle_in_transaction_session_timeout'), current_setting('tcp_user_timeout'), "
                       "current_setting('halcyra.program')"),
        {}, QStringLiteral("read the session's settings"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.front()[0].toString(), QStringLiteral("10s"));
    EXPECT_EQ(shown.front()[1].toString(), QLatin1String(c.statement));
    EXPECT_EQ(shown.front()[2].toString(), QLatin1String(c.idle));
    EXPECT_EQ(shown.front()[4].toString(), records::auditSource().program);
  }
}

// init-db makes the tables only as an ordinary owner of the database, and says how to set up.
TEST_F(ServerStoreTest, InitDbRefusesASuperuserAndADatabaseASuperuserOwns) {
  FreshStore bare(false);
  const QString database = records::parseStoreLocation(bare.dbDir()).database;
  const QString superusers = QStringLiteral("halcyra_t%1_super").arg(::getpid());
  if (auto admin = serverAdmin()) {
    admin->script(QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(superusers));
    admin->script(QStringLiteral("CREATE DATABASE \"%1\"").arg(superusers));  // owned by the administrator
  }
  struct Case {
    const char* what;
    QString uri;
    const char* says;
  };
  const Case cases[] = {
      {"as a superuser", serverUri(database), "does not run as the superuser"},
      {"a database a superuser owns", serverUriAs(QLatin1String(kStoreOwner), superusers), "belongs to the superuser"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      records::createDatabase(c.uri);
      ADD_FAILURE() << "created";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(QLatin1String(c.says))) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QLatin1String("createdb --owner=halcyra_owner"))) << e.message().toStdString();
    }
    EXPECT_TRUE(RawStore(c.uri).rows(QStringLiteral("SELECT 1 FROM pg_tables WHERE tablename = 'Patient'")).empty());
  }
  if (auto admin = serverAdmin()) admin->script(QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(superusers));
  // The owner's own database takes the tables, and nobody else may create anything in it.
  records::createDatabase(bare.dbDir());
  RawStore raw(bare.name());
  EXPECT_FALSE(
      raw.scalar(QStringLiteral("SELECT has_database_privilege('public', current_database(), 'TEMPORARY')")).toBool());
  EXPECT_FALSE(raw.scalar(QStringLiteral("SELECT has_schema_privilege('public', 'public', 'CREATE')")).toBool());
  EXPECT_FALSE(
      raw.scalar(QStringLiteral("SELECT bool_or(has_function_privilege('public', p.oid, 'EXECUTE')) FROM pg_proc p "
                                "WHERE p.pronamespace = 'public'::regnamespace"))
          .toBool());
  EXPECT_EQ(
      raw.scalar(QStringLiteral("SELECT COUNT(*) FROM pg_proc p WHERE p.pronamespace = 'public'::regnamespace AND "
                                "NOT ('search_path=pg_catalog, pg_temp' = ANY (p.proconfig))"))
          .toInt(),
      0);
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
