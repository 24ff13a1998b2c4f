#include "records/Connection.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>
#include <atomic>

#include "records/DataError.h"

namespace records {
namespace {

std::atomic<int> connectionCounter{0};

// Writers wait this long for each other before the file is reported busy.
constexpr int kBusyTimeoutMs = 10000;

}  // namespace

QString describeSqlError(const QSqlError& error) {
  QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
  if (text.contains(QLatin1String("database is locked")) || text.contains(QLatin1String("database is busy"))) {
    text += QStringLiteral(" (another copy of the program kept the file busy for more than ten "
                           "seconds; try again)");
  } else if (text.contains(QLatin1String("UNIQUE constraint failed"))) {
    text += QStringLiteral(" (a row with the same key already exists)");
  } else if (text.contains(QLatin1String("not a database")) || text.contains(QLatin1String("malformed"))) {
    text += QStringLiteral(" (the file is damaged or is not a database of this program)");
  } else if (text.contains(QLatin1String("no such table")) || text.contains(QLatin1String("no such column"))) {
    text += QStringLiteral(" (the file is not a database of this program)");
  }
  return text;
}

Connection::Connection()
    : name_(QStringLiteral("halcyra-records-%1").arg(++connectionCounter)), dialect_(&sqliteDialect()) {}

Connection::~Connection() { close(); }

QSqlDatabase Connection::database() const { return QSqlDatabase::database(name_, false); }

bool Connection::isOpen() const { return QSqlDatabase::contains(name_) && database().isOpen(); }

void Connection::open(const QString& file) {
  close();
  const QFileInfo info(file);
  if (!info.exists()) {
    throw DataError(QStringLiteral("The database file %1 does not exist.").arg(file));
  }
  if (!info.isFile()) {
    throw DataError(QStringLiteral("%1 is not a database file (it is a directory or a device).").arg(file));
  }
  file_ = info.absoluteFilePath();
  ++generation_;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    // mode=rw: open an existing file for reading and writing, and never create one.
    db.setDatabaseName(QUrl::fromLocalFile(file_).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) {
      const QSqlError error = db.lastError();
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(name_);
      throw DataError(QStringLiteral("The database file %1 cannot be opened: %2")
                          .arg(file_, describeSqlError(error)));
    }
  }
  // The first statement reads the file header: a file that is not a database fails here.
  for (const char* setting : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"}) {
    QSqlError error;
    {
      QSqlQuery query(database());
      if (!query.exec(QString::fromLatin1(setting))) error = query.lastError();
    }
    if (error.isValid()) {
      close();
      throw DataError(QStringLiteral("The database file %1 cannot be used: %2.").arg(file_, describeSqlError(error)));
    }
  }
}

void Connection::close() {
  statements_.clear();
  if (QSqlDatabase::contains(name_)) {
    {
      QSqlDatabase db = QSqlDatabase::database(name_, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(name_);
  }
}

QSqlQuery& Connection::prepared(const QString& sql, const QString& action) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    if (!isOpen()) throw DataError(QStringLiteral("No database is open (the database directory is not set or the file could not be opened)."));
    auto query = std::make_shared<QSqlQuery>(database());
    query->setForwardOnly(true);
    if (!query->prepare(sql)) fail(action, query->lastError());
    it = statements_.insert(sql, query);
  }
  return **it;
}

void Connection::exec(const QString& sql, const QString& action) {
  if (!isOpen()) throw DataError(QStringLiteral("No database is open (the database directory is not set or the file could not be opened)."));
  QSqlQuery query(database());
  query.setForwardOnly(true);
  if (!query.exec(sql)) fail(action, query.lastError());
  query.finish();
}

std::optional<qint64> Connection::changeCounter() {
  if (!isOpen() || *dialect_->changeCounter == '\0') return std::nullopt;
  QSqlQuery& query = prepared(QString::fromLatin1(dialect_->changeCounter));
  if (!query.exec() || !query.next()) {
    query.finish();
    return std::nullopt;
  }
  const qint64 value = query.value(0).toLongLong();
  query.finish();
  return value;
}

void Connection::fail(const QString& action, const QSqlError& error) const {
  throw DataError(QStringLiteral("Could not %1 in the database %2: %3.")
                      .arg(action, file_.isEmpty() ? QStringLiteral("(none)") : file_, describeSqlError(error)));
}

}  // namespace records
