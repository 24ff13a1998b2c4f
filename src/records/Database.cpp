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
#include "records/PostgresBackend.h"
#include "records/Schema.h"

namespace records {

QString databasePath(const QString& dir) {
  return QDir(dir).filePath(QString::fromLatin1(kDatabaseFileName));
}

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
      statements << QStringLiteral("BEGIN") << createStatements(sqliteDialect()) << QStringLiteral("COMMIT");
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


// The schema and the clinic's role in an empty server database, in one transaction.
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
        password = askPassword(QStringLiteral("Password for the database server (%1):").arg(where.serverName()));
        if (password) continue;
      }
      throw ServerUnreachable(QStringLiteral("No connection to the database server (%1) for %2: %3")
                                  .arg(where.serverName(), where.shownUri(), f.reason),
                              where.serverName(), f.reason);
    }
  }
  const QString shown = where.shownUri();
  try {
    const Rows present = server->select(
        QStringLiteral("SELECT tablename FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND "
                       "tablename IN ('Patient', 'Course', 'Imagedb', 'PatientChange', 'Audit') ORDER BY tablename"),
        {}, nullptr);
    if (!present.empty()) {
      QStringList names;
      for (const auto& row : present) names << row.front().toString();
      throw DataError(QStringLiteral("The database %1 already holds the tables %2; it was left as it is. Use an "
                                     "empty database for a new store.").arg(shown, names.join(QStringLiteral(", "))));
    }
    QStringList statements{QStringLiteral("BEGIN")};
    statements << createStatements(postgresDialect());
    const QString role = QString::fromLatin1(kClinicRole);
    statements << QStringLiteral(
                      "DO $$ BEGIN\n"
                      "  IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = '%1') THEN\n"
                      "    CREATE ROLE %1 NOLOGIN;\n"
                      "  END IF;\n"
                      "  EXECUTE format('GRANT USAGE ON SCHEMA %I TO %1', current_schema());\n"
                      "  EXECUTE format('GRANT USAGE ON SEQUENCE %s, %s TO %1', "
                      "pg_get_serial_sequence('\"Imagedb\"', 'ImageID'), pg_get_serial_sequence('\"Patient\"', 'InsertOrder'));\n"
                      "END $$").arg(role)
               << QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON \"Patient\", \"Course\", \"Imagedb\" TO %1").arg(role)
               << QStringLiteral("GRANT SELECT ON \"PatientChange\" TO %1").arg(role)
               << auditGrantStatements(role)
               << QStringLiteral("COMMIT");
    for (const QString& sql : statements) server->script(sql);
  } catch (const StoreRefusal& e) {
    throw DataError(QStringLiteral("Could not create the tables in the database %1: %2. Nothing was created.").arg(shown, e.text));
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
      throw DataError(QStringLiteral("The database address %1 cannot be used: %2.").arg(where.shownUri(), where.problem));
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
                                   "if a new, empty database is really wanted.").arg(path));
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
