#include "records/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <atomic>

#include "records/DataError.h"
#include "records/HealthFiles.h"
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

}  // namespace

QString createDatabase(const QString& dir) {
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
  }
  auto removeTemp = [&] {
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-wal"));
    QFile::remove(temp + QStringLiteral("-shm"));
  };
  try {
    // Health records: the owner alone (or a group folder's group) may read the file, and the
    // engine gives its log and shared-memory files the same mode.
    restrictHealthFile(temp, dir);
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
