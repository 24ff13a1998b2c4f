#include "records/PostgresBackend.h"

#include <QtEndian>
#include <cstring>
#include "records/LibPq.h"
#include <memory>

namespace records {
namespace {

// Type numbers of the server's built-in types that the store reads.
enum : Oid {
  kBool = 16, kBytea = 17, kChar = 18, kName = 19, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kOid = 26,
  kFloat4 = 700, kFloat8 = 701, kUnknown = 705, kBpchar = 1042, kVarchar = 1043,
};

struct ResultDeleter {
  void operator()(PGresult* r) const { libpq().PQclear(r); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;

QString oneLine(const char* text) {
  QString t = QString::fromUtf8(text ? text : "").trimmed();
  t.replace(QLatin1String("\n\t"), QLatin1String(" ")).replace(u'\n', QLatin1String(" "));
  return t;
}

// The server's words for a refused statement, and what to do for the common cases.
QString describeResult(const PGresult* result, PGconn* conn) {
  const char* state = libpq().PQresultErrorField(result, PG_DIAG_SQLSTATE);
  const char* primary = libpq().PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
  QString text = primary ? oneLine(primary) : oneLine(libpq().PQerrorMessage(conn));
  const QByteArray code(state ? state : "");
  if (libpq().PQstatus(conn) == CONNECTION_BAD) {
    return text + QStringLiteral(" (the connection to the database server was lost; check the network and the "
                                 "server, then start the program again)");
  }
  if (code == "23505") {
    text += QStringLiteral(" (a row with the same key already exists)");
  } else if (code == "23514" || code == "22003") {
    text += QStringLiteral(" (the value is outside what the column holds)");
  } else if (code == "55P03") {
    text += QStringLiteral(" (another copy of the program kept the row locked for more than ten seconds; try again)");
  } else if (code == "40P01" || code == "40001") {
    text += QStringLiteral(" (two copies of the program waited for each other; try again)");
  } else if (code == "42P01" || code == "42703") {
    text += QStringLiteral(" (the database does not hold this program's tables; create them with "
                           "halcyra-tool init-db)");
  } else if (code == "42501") {
    text += QStringLiteral(" (this login may not do that: an administrator gives it the role halcyra_clinic)");
  }
  return text;
}

QVariant binaryValue(const char* data, int length, Oid type) {
  switch (type) {
    case kBool: return length > 0 && data[0] != 0;
    case kInt2: return static_cast<qlonglong>(qFromBigEndian<qint16>(data));
    case kInt4: return static_cast<qlonglong>(qFromBigEndian<qint32>(data));
    case kOid: return static_cast<qlonglong>(qFromBigEndian<quint32>(data));
    case kInt8: return static_cast<qlonglong>(qFromBigEndian<qint64>(data));
    case kFloat4: {
      const quint32 bits = qFromBigEndian<quint32>(data);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return static_cast<double>(f);
    }
    case kFloat8: {
      const quint64 bits = qFromBigEndian<quint64>(data);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
    case kBytea: return length > 0 ? QByteArray(data, length) : QByteArray("", 0);
    case kText:
    case kVarchar:
    case kBpchar:
    case kName:
    case kChar:
    case kUnknown: return length > 0 ? QString::fromUtf8(data, length) : QStringLiteral("");
    default:
      throw StoreRefusal{QStringLiteral("the server sent a value of type %1, which this program does not read").arg(type)};
  }
}

}  // namespace

QString numberedParameters(const QString& sql) {
  QString out;
  out.reserve(sql.size() + 16);
  int n = 0;
  QChar quote;
  for (const QChar c : sql) {
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      out += c;
    } else if (c == u'\'' || c == u'"') {
      quote = c;
      out += c;
    } else if (c == u'?') {
      out += u'$' + QString::number(++n);
    } else {
      out += c;
    }
  }
  return out;
}

struct PostgresBackend::Result {
  ResultPtr result;
};

PostgresBackend::PostgresBackend(const StoreLocation& where, const std::optional<QString>& password) {
  const QByteArray uri = where.text.trimmed().toUtf8();
  const QByteArray secret = password ? password->toUtf8() : QByteArray();
  // Later keywords override what the URI gives: the URI's own connect_timeout wins over ours.
  std::vector<const char*> keys{"connect_timeout", "dbname", "fallback_application_name", "client_encoding"};
  std::vector<const char*> values{"10", uri.constData(), "halcyra", "UTF8"};
  if (password) {
    keys.push_back("password");
    values.push_back(secret.constData());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  conn_ = libpq().PQconnectdbParams(keys.data(), values.data(), 1);
  if (!conn_ || libpq().PQstatus(conn_) != CONNECTION_OK) {
    ServerConnectFailure failure;
    failure.reason = conn_ ? oneLine(libpq().PQerrorMessage(conn_)) : QStringLiteral("the client library has no memory left");
    if (conn_) {
      failure.needsPassword = libpq().PQconnectionNeedsPassword(conn_) != 0;
      failure.passwordRefused = libpq().PQconnectionUsedPassword(conn_) != 0 &&
                                failure.reason.contains(QLatin1String("password authentication failed"));
      libpq().PQfinish(conn_);
    }
    conn_ = nullptr;
    throw failure;
  }
  libpq().PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);  // notices are not for the user
  try {
    script(QStringLiteral("SET lock_timeout = '10s'"));
  } catch (const StoreRefusal& e) {
    libpq().PQfinish(conn_);
    conn_ = nullptr;
    throw ServerConnectFailure{e.text};
  }
}

PostgresBackend::~PostgresBackend() {
  if (conn_) libpq().PQfinish(conn_);
}

void PostgresBackend::script(const QString& sql) {
  ResultPtr r(libpq().PQexec(conn_, sql.toUtf8().constData()));
  const ExecStatusType status = r ? libpq().PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw StoreRefusal{describeResult(r.get(), conn_)};
}

PostgresBackend::Result PostgresBackend::run(const QString& sql, const QVariantList& values) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    Prepared p{QByteArray("halcyra_") + QByteArray::number(statements_.size() + 1)};
    ResultPtr r(libpq().PQprepare(conn_, p.name.constData(), numberedParameters(sql).toUtf8().constData(), 0, nullptr));
    if (!r || libpq().PQresultStatus(r.get()) != PGRES_COMMAND_OK) throw StoreRefusal{describeResult(r.get(), conn_)};
    it = statements_.insert(sql, p);
  }
  const int n = static_cast<int>(values.size());
  std::vector<QByteArray> buffers(static_cast<std::size_t>(n));
  std::vector<const char*> pointers(static_cast<std::size_t>(n), nullptr);
  std::vector<int> lengths(static_cast<std::size_t>(n), 0), formats(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    const QVariant& v = values[i];
    const auto k = static_cast<std::size_t>(i);
    if (v.isNull()) continue;
    switch (v.typeId()) {
      case QMetaType::QByteArray:
        buffers[k] = v.toByteArray();
        formats[k] = 1;  // bytes as they are
        break;
      case QMetaType::QString: buffers[k] = v.toString().toUtf8(); break;
      case QMetaType::Double:
      case QMetaType::Float: buffers[k] = QByteArray::number(v.toDouble(), 'g', 17); break;  // exact, whatever the locale
      case QMetaType::Bool: buffers[k] = v.toBool() ? "true" : "false"; break;
      default: buffers[k] = QByteArray::number(v.toLongLong()); break;
    }
    pointers[k] = buffers[k].constData();
    lengths[k] = static_cast<int>(buffers[k].size());
  }
  ResultPtr r(libpq().PQexecPrepared(conn_, it->name.constData(), n, pointers.data(), lengths.data(), formats.data(), 1));
  const ExecStatusType status = r ? libpq().PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw StoreRefusal{describeResult(r.get(), conn_)};
  return Result{std::move(r)};
}

Rows PostgresBackend::select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>* columns) {
  return rowsOf(run(sql, values), columns);
}

void PostgresBackend::scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
                           const std::function<void(Rows&)>& each) {
  // A cursor on the server hands the rows over a page at a time; a transaction of its own (when
  // none is open) reads them all from one snapshot.
  const bool own = libpq().PQtransactionStatus(conn_) == PQTRANS_IDLE;
  if (own) script(QStringLiteral("BEGIN READ ONLY ISOLATION LEVEL REPEATABLE READ"));
  try {
    script(QStringLiteral("DECLARE halcyra_scan NO SCROLL CURSOR FOR ") + sql);
    const QByteArray fetch = "FETCH " + QByteArray::number(page) + " FROM halcyra_scan";
    for (;;) {
      ResultPtr r(libpq().PQexecParams(conn_, fetch.constData(), 0, nullptr, nullptr, nullptr, nullptr, 1));
      if (!r || libpq().PQresultStatus(r.get()) != PGRES_TUPLES_OK) throw StoreRefusal{describeResult(r.get(), conn_)};
      if (libpq().PQntuples(r.get()) == 0) break;
      Rows rows = rowsOf(Result{std::move(r)}, &columns);
      each(rows);
    }
    script(QStringLiteral("CLOSE halcyra_scan"));
    if (own) script(QStringLiteral("COMMIT"));
  } catch (...) {
    if (own) {
      libpq().PQclear(libpq().PQexec(conn_, "ROLLBACK"));
    } else {
      libpq().PQclear(libpq().PQexec(conn_, "CLOSE halcyra_scan"));
    }
    throw;
  }
}

Rows PostgresBackend::rowsOf(const Result& r, const std::vector<const ColumnDef*>* columns) {
  PGresult* res = r.result.get();
  const LibPq& pq = libpq();
  const int rowCount = pq.PQntuples(res);
  const int n = columns ? static_cast<int>(columns->size()) : pq.PQnfields(res);
  if (n > pq.PQnfields(res)) throw StoreRefusal{QStringLiteral("the server sent fewer columns than asked for")};
  std::vector<Oid> types(static_cast<std::size_t>(n));
  for (int c = 0; c < n; ++c) types[static_cast<std::size_t>(c)] = pq.PQftype(res, c);
  Rows rows;
  rows.reserve(static_cast<std::size_t>(rowCount));
  for (int i = 0; i < rowCount; ++i) {
    std::vector<QVariant> row(static_cast<std::size_t>(n));
    for (int c = 0; c < n; ++c) {
      if (pq.PQgetisnull(res, i, c)) continue;
      QVariant v = binaryValue(pq.PQgetvalue(res, i, c), pq.PQgetlength(res, i, c), types[static_cast<std::size_t>(c)]);
      row[static_cast<std::size_t>(c)] = columns ? normalizeValue(*(*columns)[static_cast<std::size_t>(c)], v) : std::move(v);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

ExecResult PostgresBackend::execute(const QString& sql, const QVariantList& values) {
  const Result r = run(sql, values);
  PGresult* res = r.result.get();
  ExecResult out;
  out.affected = QByteArray(libpq().PQcmdTuples(res)).toInt();
  if (libpq().PQresultStatus(res) == PGRES_TUPLES_OK && libpq().PQntuples(res) > 0) {
    for (int c = 0; c < libpq().PQnfields(res); ++c) {
      out.returned.push_back(libpq().PQgetisnull(res, 0, c) ? QVariant()
                                                    : binaryValue(libpq().PQgetvalue(res, 0, c), libpq().PQgetlength(res, 0, c), libpq().PQftype(res, c)));
    }
    if (!out.returned.empty()) out.insertedId = out.returned.front();
  }
  return out;
}

}  // namespace records
