#include "records/Connection.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <atomic>
#include <sqlite3.h>

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
  // The first statement reads the file header: a file that is not a database fails here. The
  // engine's own scratch files (sorting, statement journals) are kept in memory: pages of health
  // records, photographs among them, never pass through a temporary file.
  for (const char* setting : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", "PRAGMA temp_store=MEMORY"}) {
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
  // Read directly through the driver's SQLite handle only if it is this program's SQLite library
  // (same version); a driver built with a library of its own is left to QSqlQuery.
  const QVariant handle = database().driver()->handle();
  if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
    QSqlQuery version(database());
    if (version.exec(QStringLiteral("SELECT sqlite_version()")) && version.next() &&
        version.value(0).toString() == QLatin1String(sqlite3_libversion())) {
      handle_ = *static_cast<sqlite3* const*>(handle.constData());
    }
  }
  native_ = handle_;
}

void Connection::setDirectReads(bool on) { native_ = on ? handle_ : nullptr; }

void Connection::close() {
  statements_.clear();
  for (sqlite3_stmt* statement : std::as_const(nativeStatements_)) sqlite3_finalize(statement);
  nativeStatements_.clear();
  handle_ = native_ = nullptr;
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
  static const ColumnDef counter{QStringLiteral("counter"), ColumnKind::Integer};
  try {
    const auto rows = select(QString::fromLatin1(dialect_->changeCounter), {}, {&counter}, QStringLiteral("check for changes"));
    if (rows.empty() || rows.front().front().isNull()) return std::nullopt;
    return rows.front().front().toLongLong();
  } catch (const DataError&) {
    return std::nullopt;  // cannot tell: the caller reads anew
  }
}

namespace {

// One column of the current result row of a direct read, as its column's type.
QVariant nativeValue(sqlite3_stmt* statement, int i, const ColumnDef& column) {
  const int type = sqlite3_column_type(statement, i);
  if (type == SQLITE_NULL) return {};
  switch (column.kind) {
    case ColumnKind::Text:
    case ColumnKind::Memo: {
      const void* text = sqlite3_column_text16(statement, i);
      const int bytes = sqlite3_column_bytes16(statement, i);
      if (!text || bytes == 0) return QStringLiteral("");  // stored empty text is not null
      return QString(static_cast<const QChar*>(text), bytes / 2);
    }
    case ColumnKind::Integer:
    case ColumnKind::SmallUnsigned:
    case ColumnKind::AutoIncrement:
      if (type == SQLITE_FLOAT) return static_cast<qlonglong>(wholePartOf(sqlite3_column_double(statement, i)));
      return static_cast<qlonglong>(sqlite3_column_int64(statement, i));
    case ColumnKind::Float:
    case ColumnKind::DateTime:
      return sqlite3_column_double(statement, i);
    case ColumnKind::Boolean:
      return sqlite3_column_int64(statement, i) != 0;
    case ColumnKind::VarBytes:
    case ColumnKind::Blob: {
      const void* data = sqlite3_column_blob(statement, i);
      const int bytes = sqlite3_column_bytes(statement, i);
      return bytes > 0 ? QByteArray(static_cast<const char*>(data), bytes) : QByteArray("", 0);
    }
  }
  return {};
}

int bindNative(sqlite3_stmt* statement, int i, const QVariant& v) {
  if (v.isNull()) return sqlite3_bind_null(statement, i);
  switch (v.typeId()) {
    case QMetaType::QString: {
      const QString& text = *static_cast<const QString*>(v.constData());
      return sqlite3_bind_text16(statement, i, text.utf16(), static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
    }
    case QMetaType::QByteArray: {
      const QByteArray& bytes = *static_cast<const QByteArray*>(v.constData());
      return sqlite3_bind_blob(statement, i, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::Double:
    case QMetaType::Float:
      return sqlite3_bind_double(statement, i, v.toDouble());
    case QMetaType::Bool:
      return sqlite3_bind_int64(statement, i, v.toBool() ? 1 : 0);
    default:
      return sqlite3_bind_int64(statement, i, v.toLongLong());
  }
}

}  // namespace

std::vector<std::vector<QVariant>> Connection::select(const QString& sql, const QVariantList& values,
                                                      const std::vector<const ColumnDef*>& columns,
                                                      const QString& action) {
  if (!isOpen()) throw DataError(QStringLiteral("No database is open (the database directory is not set or the file could not be opened)."));
  std::vector<std::vector<QVariant>> rows;
  const int n = static_cast<int>(columns.size());
  if (!native_) {
    QSqlQuery& query = prepared(sql, action);
    for (int i = 0; i < values.size(); ++i) query.bindValue(i, values[i]);
    if (!query.exec()) fail(action, query.lastError());
    while (query.next()) {
      std::vector<QVariant> row(static_cast<std::size_t>(n));
      for (int c = 0; c < n; ++c) row[static_cast<std::size_t>(c)] = normalizeValue(*columns[static_cast<std::size_t>(c)], query.value(c));
      rows.push_back(std::move(row));
    }
    const QSqlError error = query.lastError();
    query.finish();  // ends the read, so that no read holds the file while another copy writes
    if (error.isValid()) fail(action, error);
    return rows;
  }

  auto failNative = [&](sqlite3_stmt* statement) {
    const QString text = QString::fromUtf8(sqlite3_errmsg(native_));
    if (statement) sqlite3_reset(statement);
    fail(action, QSqlError(text, text, QSqlError::StatementError));
  };
  sqlite3_stmt* statement = nativeStatements_.value(sql);
  if (!statement) {
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v3(native_, text.constData(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr) != SQLITE_OK) {
      failNative(nullptr);
    }
    nativeStatements_.insert(sql, statement);
  }
  sqlite3_clear_bindings(statement);
  for (int i = 0; i < values.size(); ++i) {
    if (bindNative(statement, i + 1, values[i]) != SQLITE_OK) failNative(statement);
  }
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    std::vector<QVariant> row(static_cast<std::size_t>(n));
    for (int c = 0; c < n; ++c) row[static_cast<std::size_t>(c)] = nativeValue(statement, c, *columns[static_cast<std::size_t>(c)]);
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) failNative(statement);
  sqlite3_reset(statement);  // ends the read
  return rows;
}

void Connection::fail(const QString& action, const QSqlError& error) const {
  throw DataError(QStringLiteral("Could not %1 in the database %2: %3.")
                      .arg(action, file_.isEmpty() ? QStringLiteral("(none)") : file_, describeSqlError(error)));
}

}  // namespace records
