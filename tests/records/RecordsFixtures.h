#pragma once
// Fixtures of the patient store tests: a fresh store, a plain connection to it that plays "another
// copy of the program" or checks what reached the store, and a data module connected to it.
//
// The store tests run on both engines. By default the store is a file in a temporary directory;
// with HALCYRA_TEST_ENGINE=postgresql each store is a new database on the server that
// HALCYRA_TEST_PG names (a URI on which the login may create databases; ./test.sh starts such a
// server), and the tests are skipped when no server is named.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <atomic>
#include <memory>

#include "records/DataError.h"
#include "records/Database.h"
#include "records/PostgresBackend.h"
#include "records/Schema.h"
#include "records/Store.h"

namespace testing_records {

// True when the store tests run on a PostgreSQL server.
inline bool onServer() { return qEnvironmentVariable("HALCYRA_TEST_ENGINE") == QLatin1String("postgresql"); }
// The test server's URI (a database the login may create other databases from).
inline QString serverBase() { return qEnvironmentVariable("HALCYRA_TEST_PG"); }

// The URI of database `name` on the test server, as its administrator (a superuser).
inline QString serverUri(const QString& name) {
  const QString base = serverBase();
  const qsizetype path = base.indexOf(u'/', base.indexOf(QLatin1String("://")) + 3);
  const qsizetype query = base.indexOf(u'?', path);
  return base.left(path + 1) + name + (query >= 0 ? base.mid(query) : QString());
}

// The same as the login `user` (the test server trusts its socket).
inline QString serverUriAs(const QString& user, const QString& name) {
  const QString uri = serverUri(name);
  const qsizetype start = uri.indexOf(QLatin1String("://")) + 3;
  const qsizetype at = uri.indexOf(u'@', start);
  return uri.left(start) + user + uri.mid(at);
}

// The ordinary login that owns the stores of the tests, as a department's owner does
// (scripts/test-server.sh makes it).
inline constexpr const char* kStoreOwner = "halcyra_owner";

// A server connection to the test server's own database, for creating and dropping databases.
inline std::unique_ptr<records::PostgresBackend> serverAdmin() {
  try {
    return std::make_unique<records::PostgresBackend>(records::parseStoreLocation(serverBase()), std::nullopt);
  } catch (const records::ServerConnectFailure& f) {
    ADD_FAILURE() << "the test server " << serverBase().toStdString() << ": " << f.reason.toStdString();
    return nullptr;
  }
}

// An empty store with the tables, made with init-db's code: a file in a temporary directory, or a
// new database on the test server (dropped again at the end), owned by an ordinary login, which
// makes the tables and connects to it as a department's owner does.
class FreshStore {
 public:
  enum class Engine { UnderTest, File };
  explicit FreshStore(bool withTables = true, Engine engine = Engine::UnderTest) {
    if (!onServer() || engine == Engine::File) {
      if (withTables) records::createDatabase(dir_.path());
      dbDir_ = dir_.path();
      name_ = QFileInfo(records::databasePath(dir_.path())).absoluteFilePath();
      return;
    }
    static std::atomic<int> counter{0};
    database_ = QStringLiteral("halcyra_t%1_%2").arg(::getpid()).arg(++counter);
    if (auto admin = serverAdmin()) {
      admin->script(QStringLiteral("CREATE DATABASE \"%1\" OWNER %2").arg(database_, QLatin1String(kStoreOwner)));
    }
    dbDir_ = name_ = serverUriAs(QLatin1String(kStoreOwner), database_);
    if (withTables) records::createDatabase(dbDir_);
  }
  ~FreshStore() {
    if (database_.isEmpty()) return;
    if (auto admin = serverAdmin()) {
      try {
        admin->script(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(database_));
      } catch (const records::StoreRefusal&) {
      }
    }
  }
  FreshStore(const FreshStore&) = delete;
  FreshStore& operator=(const FreshStore&) = delete;

  // The database setting (the program's, or a tool's DIR argument) that names the store.
  const QString& dbDir() const { return dbDir_; }
  // How the store is named in messages: the file's full path, or the URI.
  const QString& name() const { return name_; }

 private:
  QTemporaryDir dir_;
  QString dbDir_, name_, database_;
};

// The SQL with the store's table and column names in double quotes, as PostgreSQL needs them to
// keep their letter case; text in quotes is left alone.
inline QString quoteNames(const QString& sql) {
  static const QRegularExpression word = [] {
    QStringList names{QStringLiteral("PatientChange"), QStringLiteral("InsertOrder"), QStringLiteral("Seq")};
    for (const records::TableDef* t : {&records::patientTable(), &records::courseTable(), &records::imageTable()}) {
      names << t->name;
      for (const records::ColumnDef& c : t->columns) names << c.name;
    }
    names.removeDuplicates();
    return QRegularExpression(QStringLiteral("\\b(%1)\\b").arg(names.join(u'|')));
  }();
  QString out;
  QChar quote;
  qsizetype start = 0;
  auto flush = [&](qsizetype end) {
    QString part = sql.mid(start, end - start);
    part.replace(word, QStringLiteral("\"\\1\""));
    out += part;
  };
  for (qsizetype i = 0; i < sql.size(); ++i) {
    const QChar c = sql[i];
    if (!quote.isNull()) {
      if (c == quote) {
        out += sql.mid(start, i + 1 - start);
        start = i + 1;
        quote = QChar();
      }
    } else if (c == u'\'' || c == u'"') {
      flush(i);
      start = i;
      quote = c;
    }
  }
  if (quote.isNull())
    flush(sql.size());
  else
    out += sql.mid(start);
  return out;
}

// A plain connection to the store, for seeding and checking behind the module's back: SQLite on
// a file path, the server on a URI (table and column names may be written bare: they are quoted).
class RawStore {
 public:
  explicit RawStore(const QString& store) : name_(QStringLiteral("raw-%1").arg(++counter())) {
    if (records::isServerUri(store)) {
      try {
        server_ = std::make_unique<records::PostgresBackend>(records::parseStoreLocation(store), std::nullopt);
      } catch (const records::ServerConnectFailure& f) {
        ADD_FAILURE() << store.toStdString() << ": " << f.reason.toStdString();
      }
      return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(store);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
  }
  ~RawStore() {
    if (server_) return;
    { QSqlDatabase::database(name_, false).close(); }
    QSqlDatabase::removeDatabase(name_);
  }
  RawStore(const RawStore&) = delete;
  RawStore& operator=(const RawStore&) = delete;

  bool server() const { return server_ != nullptr; }

  // Runs a statement; returns false (and the error text) when the store refuses it.
  bool tryExec(const QString& sql, const QVariantList& values = {}, QString* error = nullptr) {
    if (server_) {
      try {
        if (values.isEmpty()) {
          server_->script(quoteNames(sql));
        } else {
          server_->execute(quoteNames(sql), values);
        }
        return true;
      } catch (const records::StoreRefusal& e) {
        if (error) *error = e.text;
        return false;
      }
    }
    QSqlQuery q(QSqlDatabase::database(name_, false));
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    const bool ok = q.exec();
    if (!ok && error) *error = q.lastError().text();
    return ok;
  }
  void exec(const QString& sql, const QVariantList& values = {}) {
    QString error;
    ASSERT_TRUE(tryExec(sql, values, &error)) << sql.toStdString() << ": " << error.toStdString();
  }
  // Every row of a query, each as a list of values.
  std::vector<QVariantList> rows(const QString& sql, const QVariantList& values = {}) {
    std::vector<QVariantList> out;
    if (server_) {
      try {
        for (const auto& row : server_->select(quoteNames(sql), values, nullptr))
          out.push_back(QVariantList(row.begin(), row.end()));
      } catch (const records::StoreRefusal& e) {
        ADD_FAILURE() << sql.toStdString() << ": " << e.text.toStdString();
      }
      return out;
    }
    QSqlQuery q(QSqlDatabase::database(name_, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    if (!q.exec()) {
      ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
      return out;
    }
    while (q.next()) {
      QVariantList row;
      for (int i = 0; i < q.record().count(); ++i) row << q.value(i);
      out.push_back(row);
    }
    return out;
  }
  QVariant scalar(const QString& sql, const QVariantList& values = {}) {
    const auto r = rows(sql, values);
    return r.empty() || r.front().isEmpty() ? QVariant() : r.front().front();
  }

  // A patient row with the given status (a null QVariant leaves Complete null).
  void addPatient(const QString& hosp, const QString& surname, const QVariant& complete = QVariant(), int nCourse = 0) {
    exec(QStringLiteral("INSERT INTO Patient (Hosp, SurN, Complete, NCourse) VALUES (?, ?, ?, ?)"),
         {hosp, surname, complete, nCourse});
  }
  void addCourse(const QString& hosp, int courseId, bool complete = false) {
    exec(QStringLiteral("INSERT INTO Course (Hosp, CourseID, Complete) VALUES (?, ?, ?)"), {hosp, courseId, complete});
  }
  // Makes the store refuse, with `message`, the statements `event` ("BEFORE INSERT ON Course",
  // "BEFORE UPDATE OF PInc ON Course") matches for rows where `condition` (on NEW) holds. Named
  // `name`, so that dropRefusal can take it away again.
  void refuse(const QString& name, const QString& event, const QString& condition, const QString& message) {
    if (server_) {
      exec(QStringLiteral(
               "CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF %2 THEN RAISE EXCEPTION '%3'; "
               "END IF; RETURN NEW; END $$")
               .arg(name, condition.isEmpty() ? QStringLiteral("true") : condition, message));
      exec(QStringLiteral("CREATE TRIGGER %1 %2 FOR EACH ROW EXECUTE FUNCTION %1()").arg(name, event));
      return;
    }
    exec(QStringLiteral("CREATE TRIGGER %1 %2 %3 BEGIN SELECT RAISE(ABORT, '%4'); END")
             .arg(name, event, condition.isEmpty() ? QString() : QStringLiteral("WHEN ") + condition, message));
  }
  void dropRefusal(const QString& name, const QString& table) {
    if (server_) {
      exec(QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, table));
      exec(QStringLiteral("DROP FUNCTION %1()").arg(name));
      return;
    }
    exec(QStringLiteral("DROP TRIGGER %1").arg(name));
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  QString name_;
  std::unique_ptr<records::PostgresBackend> server_;
};

// On a server run without a server every test of the program is skipped, fixtures and all.
class ServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (onServer() && serverBase().isEmpty()) GTEST_SKIP() << "HALCYRA_TEST_PG names no PostgreSQL server to test on";
  }
};
inline ::testing::Environment* const kServerEnvironment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

// A fresh empty store.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override { store_ = std::make_unique<FreshStore>(); }
  // How the store is named in messages, and what RawStore takes: the file, or the URI.
  const QString& file() const { return store_->name(); }
  // The database setting that names the store: the directory, or the URI.
  const QString& dirPath() const { return store_->dbDir(); }

  // A data module connected to the fixture's database.
  std::unique_ptr<records::Store> connect() { return connectTo(dirPath()); }
  static std::unique_ptr<records::Store> connectTo(const QString& dbDir) {
    auto data = std::make_unique<records::Store>();
    EXPECT_EQ(data->open(dbDir), records::Store::ConnectResult::Connected);
    return data;
  }

  // NHIs of the listed patients, in list order.
  static QStringList listed(records::Store& data) {
    QStringList out;
    const records::ControlsDisabled quiet(data.patients);
    const records::Bookmark here = data.patients.bookmark();
    for (data.patients.first(); !data.patients.eof(); data.patients.next()) out << data.patientNhi.asString();
    data.patients.gotoBookmark(here);
    return out;
  }
  // CourseIDs of the current patient's courses, in list order.
  static QList<int> courses(records::Store& data) {
    QList<int> out;
    for (int i = 1; i <= data.courses.recordCount(); ++i) {
      out << data.courses.valueAt(i, data.courseNumber.index()).toInt();
    }
    return out;
  }

 private:
  std::unique_ptr<FreshStore> store_;
};

}  // namespace testing_records
