#include "records/SqliteBackend.h"

#include <sqlite3.h>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>
#include <atomic>

namespace records {
namespace {

std::atomic<int> connectionCounter{0};

// Writers wait this long for each other before the file is reported busy.
constexpr int kBusyTimeoutMs = 10000;

QString errorText(const QSqlError& error) {
  return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

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
    case ColumnKind::DateTime: return sqlite3_column_double(statement, i);
    case ColumnKind::Boolean: return sqlite3_column_int64(statement, i) != 0;
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
    case QMetaType::Float: return sqlite3_bind_double(statement, i, v.toDouble());
    case QMetaType::Bool: return sqlite3_bind_int64(statement, i, v.toBool() ? 1 : 0);
    default: return sqlite3_bind_int64(statement, i, v.toLongLong());
  }
}

}  // namespace

QString describeSqliteError(const QString& engineText) {
  QString text = engineText;
  if (text.contains(QLatin1String("database is locked")) || text.contains(QLatin1String("database is busy"))) {
    text += QStringLiteral(
        " (another copy of the program kept the file busy for more than ten "
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

SqliteBackend::SqliteBackend(const QString& file)
    : name_(QStringLiteral("halcyra-records-%1").arg(++connectionCounter)) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    // mode=rw: open an existing file for reading and writing, and never create one.
    db.setDatabaseName(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) {
      const QString text = errorText(db.lastError());
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(name_);
      throw StoreRefusal{describeSqliteError(text)};
    }
  }
  // Read directly through the driver's SQLite handle only if it is this program's SQLite library
  // (same version); a driver built with a library of its own is left to QSqlQuery.
  {
    const QSqlDatabase db = QSqlDatabase::database(name_, false);
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
      QSqlQuery version(db);
      if (version.exec(QStringLiteral("SELECT sqlite_version()")) && version.next() &&
          version.value(0).toString() == QLatin1String(sqlite3_libversion())) {
        handle_ = *static_cast<sqlite3* const*>(handle.constData());
      }
    }
  }
  native_ = handle_;
  // A file of health records may come from elsewhere: before its schema is read, the engine is told
  // to refuse what could damage the file through its own schema (defensive), and to run no function
  // of the schema's triggers and views that could reach outside it (trusted_schema off). Deleted
  // rows are overwritten with zeros (secure_delete), so that a deleted patient or photograph cannot
  // be read back from the file's free pages.
  if (handle_) sqlite3_db_config(handle_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  // The first statement reads the file header: a file that is not a database fails here. The
  // engine's own scratch files (sorting, statement journals) are kept in memory: pages of health
  // records, photographs among them, never pass through a temporary file.
  for (const char* setting : {"PRAGMA trusted_schema=OFF", "PRAGMA secure_delete=ON", "PRAGMA journal_mode=WAL",
                              "PRAGMA synchronous=FULL", "PRAGMA temp_store=MEMORY"}) {
    QString failure;
    {
      QSqlQuery query(QSqlDatabase::database(name_, false));
      if (!query.exec(QString::fromLatin1(setting))) failure = errorText(query.lastError());
    }
    if (!failure.isEmpty()) {
      handle_ = native_ = nullptr;
      QSqlDatabase::database(name_, false).close();
      QSqlDatabase::removeDatabase(name_);
      throw StoreRefusal{describeSqliteError(failure)};
    }
  }
}

SqliteBackend::~SqliteBackend() {
  statements_.clear();
  for (sqlite3_stmt* statement : std::as_const(nativeStatements_)) sqlite3_finalize(statement);
  nativeStatements_.clear();
  {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(name_);
}

void SqliteBackend::refuse(const QSqlError& error) const { throw StoreRefusal{describeSqliteError(errorText(error))}; }

QSqlQuery& SqliteBackend::prepared(const QString& sql) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    auto query = std::make_shared<QSqlQuery>(QSqlDatabase::database(name_, false));
    query->setForwardOnly(true);
    if (!query->prepare(sql)) refuse(query->lastError());
    it = statements_.insert(sql, query);
  }
  return **it;
}

QSqlQuery& SqliteBackend::run(const QString& sql, const QVariantList& values) {
  QSqlQuery& query = prepared(sql);
  for (int i = 0; i < values.size(); ++i) query.bindValue(i, values[i]);
  if (!query.exec()) {
    const QSqlError error = query.lastError();
    query.finish();
    refuse(error);
  }
  return query;
}

ExecResult SqliteBackend::execute(const QString& sql, const QVariantList& values) {
  QSqlQuery& query = run(sql, values);
  ExecResult result;
  result.affected = query.numRowsAffected();
  result.insertedId = query.lastInsertId();
  query.finish();  // so that no statement holds the file while another copy writes
  return result;
}

void SqliteBackend::scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
                         const std::function<void(Rows&)>& each) {
  // One statement read to its end sees one snapshot of the file.
  QSqlQuery query(QSqlDatabase::database(name_, false));
  query.setForwardOnly(true);
  if (!query.exec(sql)) refuse(query.lastError());
  Rows rows;
  const auto n = columns.size();
  while (query.next()) {
    std::vector<QVariant> row(n);
    for (std::size_t c = 0; c < n; ++c) row[c] = normalizeValue(*columns[c], query.value(static_cast<int>(c)));
    rows.push_back(std::move(row));
    if (static_cast<int>(rows.size()) >= page) {
      each(rows);
      rows.clear();
    }
  }
  if (query.lastError().isValid()) refuse(query.lastError());
  query.finish();
  if (!rows.empty()) each(rows);
}

std::optional<qint64> SqliteBackend::changeCounter() {
  static const ColumnDef counter{QStringLiteral("counter"), ColumnKind::Integer};
  const std::vector<const ColumnDef*> columns{&counter};
  try {
    const Rows rows = select(QStringLiteral("PRAGMA data_version"), {}, &columns);
    if (rows.empty() || rows.front().front().isNull()) return std::nullopt;
    return rows.front().front().toLongLong();
  } catch (const StoreRefusal&) {
    return std::nullopt;  // cannot tell: the caller reads anew
  }
}

Rows SqliteBackend::select(const QString& sql, const QVariantList& values,
                           const std::vector<const ColumnDef*>* columns) {
  Rows rows;
  if (!native_ || !columns) {
    QSqlQuery& query = run(sql, values);
    while (query.next()) {
      const int n = columns ? static_cast<int>(columns->size()) : query.record().count();
      std::vector<QVariant> row(static_cast<std::size_t>(n));
      for (int c = 0; c < n; ++c) {
        const QVariant raw = query.value(c);
        row[static_cast<std::size_t>(c)] =
            columns ? normalizeValue(*(*columns)[static_cast<std::size_t>(c)], raw) : raw;
      }
      rows.push_back(std::move(row));
    }
    const QSqlError error = query.lastError();
    query.finish();  // ends the read, so that no read holds the file while another copy writes
    if (error.isValid()) refuse(error);
    return rows;
  }

  auto failNative = [&](sqlite3_stmt* statement) {
    const QString text = QString::fromUtf8(sqlite3_errmsg(native_));
    if (statement) sqlite3_reset(statement);
    throw StoreRefusal{describeSqliteError(text)};
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
  const int n = static_cast<int>(columns->size());
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    std::vector<QVariant> row(static_cast<std::size_t>(n));
    for (int c = 0; c < n; ++c)
      row[static_cast<std::size_t>(c)] = nativeValue(statement, c, *(*columns)[static_cast<std::size_t>(c)]);
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) failNative(statement);
  sqlite3_reset(statement);  // ends the read
  return rows;
}

}  // namespace records
