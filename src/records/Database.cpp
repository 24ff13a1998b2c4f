#include "records/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <atomic>

#include "records/AuditTrail.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/HealthFiles.h"
#include "records/PatientSearch.h"
#include "records/PostgresBackend.h"
#include "records/Schema.h"
#include "records/ServerTrail.h"

namespace records {

QString databasePath(const QString& dir) { return QDir(dir).filePath(QString::fromLatin1(kDatabaseFileName)); }

namespace {

std::atomic<int> creationCounter{0};

// Writes the schema into a new, empty file at `path`.
void writeSchema(const QString& path) {
  const QString name = QStringLiteral("halcyra-create-%1").arg(++creationCounter);
  QString failure;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (!db.open()) {
      failure = db.lastError().text();
    } else {
      QSqlQuery q(db);
      QStringList statements{QStringLiteral("PRAGMA journal_mode=WAL")};
      // The header says that the file keeps the chained audit trail: a trail removed later is found.
      statements << QStringLiteral("BEGIN") << createStatements(sqliteDialect())
                 << QStringLiteral("PRAGMA user_version = %1").arg(kChainedTrailVersion) << QStringLiteral("COMMIT");
      for (const QString& sql : statements) {
        if (!q.exec(sql)) {
          failure = q.lastError().text();
          break;
        }
        q.finish();
      }
      db.close();
    }
  }
  QSqlDatabase::removeDatabase(name);
  if (!failure.isEmpty()) throw DataError(QStringLiteral("Could not create the database %1: %2").arg(path, failure));
}

// How a department sets up its server, for the messages of a refused init-db.
QString setUpAdvice(const StoreLocation& where) {
  const QString host = where.host.isEmpty() || where.host.startsWith(u'/') ? QStringLiteral("HOST") : where.host;
  return QStringLiteral(
             "As the server's administrator: createuser --pwprompt halcyra_owner; createuser --no-login "
             "halcyra_clinic; createdb --owner=halcyra_owner halcyra. Then, with the owner's login: "
             "halcyra-tool init-db postgresql://halcyra_owner@%1/halcyra")
      .arg(host);
}

// The schema, its functions and triggers and the clinic's role in an empty server database, in one
// transaction, made by the database's owner, who must be an ordinary login: what runs with the
// owner's rights (the journal and the trail's triggers) must never be able to act as a superuser.
QString createServerDatabase(const StoreLocation& where, const PasswordPrompt& askPassword) {
  // Connecting checks for the tables; here their absence is what is wanted, so connect bare.
  std::unique_ptr<PostgresBackend> server;
  std::optional<QString> password;
  for (int attempt = 0;; ++attempt) {
    try {
      server = std::make_unique<PostgresBackend>(where, password);
      break;
    } catch (const ServerConnectFailure& f) {
      if (askPassword && attempt < 3 && (f.needsPassword || f.passwordRefused)) {
        if (password) wipe(*password);
        password = askPassword(QStringLiteral("Password for the database server (%1):").arg(where.serverName()));
        if (password) continue;
      }
      throw ServerUnreachable(QStringLiteral("No connection to the database server (%1) for %2: %3")
                                  .arg(where.serverName(), where.shownUri(), f.reason),
                              where.serverName(), f.reason);
    }
  }
  if (password) wipe(*password);
  const QString shown = where.shownUri();
  try {
    const Rows present = server->select(
        QStringLiteral(
            "SELECT tablename FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND "
            "tablename IN ('Patient', 'Course', 'Imagedb', 'PatientChange', 'Audit', 'AuditHead') ORDER BY tablename"),
        {}, nullptr);
    if (!present.empty()) {
      QStringList names;
      for (const auto& row : present) names << row.front().toString();
      throw DataError(QStringLiteral("The database %1 already holds the tables %2; it was left as it is. Use an "
                                     "empty database for a new store.")
                          .arg(shown, names.join(QStringLiteral(", "))));
    }
    const QString role = QString::fromLatin1(kClinicRole);
    const Rows who = server->select(
        QStringLiteral(
            "SELECT r.rolname::text, r.rolsuper, o.rolname::text, o.rolsuper, pg_catalog.pg_has_role(d.datdba, "
            "'USAGE'), "
            "r.rolcreaterole, EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = '%1'), "
            "pg_catalog.current_schema()::text "
            "FROM pg_catalog.pg_roles r, pg_catalog.pg_database d JOIN pg_catalog.pg_roles o ON o.oid = d.datdba "
            "WHERE r.rolname = current_user AND d.datname = pg_catalog.current_database()")
            .arg(role),
        {}, nullptr);
    if (who.empty() || who.front()[7].isNull()) {
      throw DataError(
          QStringLiteral("Could not create the tables in the database %1: the login has no schema to create "
                         "them in. Nothing was created.")
              .arg(shown));
    }
    const auto& w = who.front();
    const QString login = w[0].toString(), owner = w[2].toString(), schema = w[7].toString();
    if (w[1].toBool()) {
      throw DataError(
          QStringLiteral("init-db does not run as the superuser %1: the tables' owner must be an ordinary "
                         "login, so that what runs with the owner's rights can never act as a superuser. %2. "
                         "Nothing was created.")
              .arg(login, setUpAdvice(where)));
    }
    if (w[3].toBool()) {
      throw DataError(
          QStringLiteral("The database %1 belongs to the superuser %2; the tables' owner must be an ordinary "
                         "login. %3 (or: ALTER DATABASE ... OWNER TO halcyra_owner). Nothing was created.")
              .arg(shown, owner, setUpAdvice(where)));
    }
    if (!w[4].toBool()) {
      throw DataError(QStringLiteral("The database %1 belongs to %2, not to %3: run init-db with the database owner's "
                                     "login. %4. Nothing was created.")
                          .arg(shown, owner, login, setUpAdvice(where)));
    }
    if (!w[6].toBool() && !w[5].toBool()) {
      throw DataError(
          QStringLiteral("The role %1, which the workstations' logins are given, does not exist, and %2 may "
                         "not create it. As the server's administrator: createuser --no-login %1; then run "
                         "init-db again. Nothing was created.")
              .arg(role, login));
    }
    QStringList statements{QStringLiteral("BEGIN")};
    if (!w[6].toBool()) statements << QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(quotedSchema(role));
    if (server
            ->select(QStringLiteral("SELECT 1 FROM pg_catalog.pg_available_extensions WHERE name = 'pg_trgm'"), {},
                     nullptr)
            .empty()) {
      throw DataError(QStringLiteral("Could not create the tables in the database %1: %2. Nothing was created.")
                          .arg(shown, trigramAdvice()));
    }
    statements << createStatements(postgresDialect()) << serverFunctions(schema) << serverTriggers(schema)
               << serverSearchStatements(schema, role) << serverRights(schema, role) << QStringLiteral("COMMIT");
    for (const QString& sql : statements) server->script(sql);
  } catch (const StoreRefusal& e) {
    throw DataError(
        QStringLiteral("Could not create the tables in the database %1: %2. Nothing was created.").arg(shown, e.text));
  }
  return shown;
}

}  // namespace

void openStore(Connection& connection, const QString& dirOrUri, const PasswordPrompt& askPassword) {
  const StoreLocation where = parseStoreLocation(dirOrUri);
  if (where.kind == StoreLocation::Kind::Folder) {
    const QString file = databasePath(dirOrUri);
    if (!QFileInfo::exists(file)) {
      throw DataError(QStringLiteral("There is no database %1 (create one with halcyra-tool init-db).").arg(file));
    }
    connection.open(file);
    return;
  }
  connection.open(where, askPassword);
}

QString createDatabase(const QString& dir, const PasswordPrompt& askPassword) {
  const StoreLocation where = parseStoreLocation(dir);
  if (where.isServer()) {
    if (!where.problem.isEmpty()) {
      throw DataError(
          QStringLiteral("The database address %1 cannot be used: %2.").arg(where.shownUri(), where.problem));
    }
    return createServerDatabase(where, askPassword);
  }
  const QFileInfo dirInfo(dir);
  if (dir.isEmpty() || !dirInfo.isDir()) {
    throw DataError(QStringLiteral("Could not create a database in %1: the directory does not exist. "
                                   "Create the directory first or choose another one.")
                        .arg(dir.isEmpty() ? QStringLiteral("(no directory given)") : dir));
  }
  const QString path = QFileInfo(databasePath(dir)).absoluteFilePath();
  if (QFileInfo::exists(path)) {
    throw DataError(QStringLiteral("%1 already exists; it was left as it is. Remove or move it first "
                                   "if a new, empty database is really wanted.")
                        .arg(path));
  }

  // Build under a temporary name in the same directory, then rename: a crash or a full disk never
  // leaves a half-made database under the real name, and the rename refuses to overwrite a file
  // that another creator put there meanwhile.
  QString temp;
  {
    QTemporaryFile file(QDir(dir).filePath(QStringLiteral(".Brell_Data-XXXXXX.db")));
    file.setAutoRemove(false);
    if (!file.open()) {
      throw DataError(QStringLiteral("Could not create a database in %1: %2").arg(dir, file.errorString()));
    }
    temp = file.fileName();
    // Health records: the owner alone (or a group folder's group) may read the file, set before
    // any data goes in; the engine gives its log and shared-memory files the same mode.
    try {
      restrictHealthFile(file, dir);
    } catch (...) {
      file.remove();
      throw;
    }
  }
  auto removeTemp = [&] {
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-wal"));
    QFile::remove(temp + QStringLiteral("-shm"));
  };
  try {
    writeSchema(temp);
  } catch (...) {
    removeTemp();
    throw;
  }
  // Closing the last connection folded the log into the file, so the file alone is the database.
  if (!QFile::rename(temp, path)) {
    removeTemp();
    if (QFileInfo::exists(path)) {
      throw DataError(QStringLiteral("%1 already exists; it was left as it is.").arg(path));
    }
    throw DataError(QStringLiteral("Could not create the database %1: the file could not be put in place.").arg(path));
  }
  return path;
}

}  // namespace records
