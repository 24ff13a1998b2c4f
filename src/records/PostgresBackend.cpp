#include "records/PostgresBackend.h"

#include <poll.h>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <memory>

#include "records/AuditTrail.h"
#include "records/LibPq.h"

namespace records {
namespace {

// Type numbers of the server's built-in types that the store reads.
enum : Oid {
  kBool = 16,
  kBytea = 17,
  kChar = 18,
  kName = 19,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kUnknown = 705,
  kBpchar = 1042,
  kVarchar = 1043,
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
    return text + QStringLiteral(
                      " (the connection to the database server was lost; check the network and the "
                      "server: the next action connects again)");
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
    text += QStringLiteral(
        " (the database does not hold this program's tables; create them with "
        "halcyra-tool init-db)");
  } else if (code == "42501") {
    text += QStringLiteral(" (this login may not do that: an administrator gives it the role halcyra_clinic)");
  }
  return text;
}

}  // namespace

QVariant serverValue(const char* data, int length, unsigned int type) {
  // Every value is checked against the length its type has before a byte of it is read.
  const auto exactly = [&](int bytes, const char* name) {
    if (length != bytes || !data) {
      throw StoreRefusal{QStringLiteral("the server sent a %1 value of %2 bytes, where it has %3; the answer is not "
                                        "trusted")
                             .arg(QLatin1String(name))
                             .arg(length)
                             .arg(bytes)};
    }
  };
  if (length < 0 || (length > 0 && !data)) {
    throw StoreRefusal{QStringLiteral("the server sent a value without its bytes; the answer is not trusted")};
  }
  switch (type) {
    case kBool: exactly(1, "Yes/No"); return data[0] != 0;
    case kInt2: exactly(2, "small whole-number"); return static_cast<qlonglong>(qFromBigEndian<qint16>(data));
    case kInt4: exactly(4, "whole-number"); return static_cast<qlonglong>(qFromBigEndian<qint32>(data));
    case kOid: exactly(4, "object-number"); return static_cast<qlonglong>(qFromBigEndian<quint32>(data));
    case kInt8: exactly(8, "large whole-number"); return static_cast<qlonglong>(qFromBigEndian<qint64>(data));
    case kFloat4: {
      exactly(4, "real-number");
      const quint32 bits = qFromBigEndian<quint32>(data);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return static_cast<double>(f);
    }
    case kFloat8: {
      exactly(8, "real-number");
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
      throw StoreRefusal{
          QStringLiteral("the server sent a value of type %1, which this program does not read").arg(type)};
  }
}

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

std::vector<std::pair<QByteArray, QByteArray>> connectionDefaults(const StoreLocation& where) {
  // A dropped network is found by the system within about twenty seconds: keepalive probes after
  // ten idle seconds, every five, two unanswered ones end it; tcp_user_timeout ends a connection
  // whose data stays unacknowledged that long.
  // clang-format off
  std::vector<std::pair<QByteArray, QByteArray>> defaults{
      {"connect_timeout", "10"}, {"keepalives", "1"}, {"keepalives_idle", "10"}, {"keepalives_interval", "5"},
      {"keepalives_count", "2"}, {"tcp_user_timeout", "20000"},
  };
  // clang-format on
  // The address's own sslmode stands as it is; without one, a server over the network is checked.
  const QString sslmode = where.sslmodeToUse();
  if (where.sslmode.isEmpty() && !sslmode.isEmpty()) defaults.emplace_back("sslmode", sslmode.toUtf8());
  return defaults;
}

PostgresBackend::PostgresBackend(const StoreLocation& where, const std::optional<QString>& password, Patience patience)
    : patience_(patience), server_(where.serverName()) {
  QByteArray uri = where.text.trimmed().toUtf8();
  QByteArray secret = password ? password->toUtf8() : QByteArray();
  // Later keywords override earlier ones and what the URI gives: the program's defaults come
  // first, so that the address's own connect_timeout, keepalives or sslmode win.
  const auto defaults = connectionDefaults(where);
  std::vector<const char*> keys, values;
  for (const auto& [key, value] : defaults) {
    keys.push_back(key.constData());
    values.push_back(value.constData());
  }
  for (const auto& [key, value] : std::initializer_list<std::pair<const char*, const char*>>{
           {"dbname", uri.constData()}, {"fallback_application_name", "halcyra"}, {"client_encoding", "UTF8"}}) {
    keys.push_back(key);
    values.push_back(value);
  }
  if (password) {
    keys.push_back("password");
    values.push_back(secret.constData());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  conn_ = libpq().PQconnectdbParams(keys.data(), values.data(), 1);
  wipe(secret);
  wipe(uri);
  if (!conn_ || libpq().PQstatus(conn_) != CONNECTION_OK) {
    ServerConnectFailure failure;
    failure.reason =
        conn_ ? oneLine(libpq().PQerrorMessage(conn_)) : QStringLiteral("the client library has no memory left");
    if (conn_) {
      failure.needsPassword = libpq().PQconnectionNeedsPassword(conn_) != 0;
      failure.passwordRefused = libpq().PQconnectionUsedPassword(conn_) != 0 &&
                                failure.reason.contains(QLatin1String("password authentication failed"));
      libpq().PQfinish(conn_);
    }
    conn_ = nullptr;
    throw failure;
  }
  libpq().PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);  // notices are not for the user
  // Never blocks while sending: a statement is sent and answered within the waits of exchange().
  libpq().PQsetnonblocking(conn_, 1);
  try {
    // The session's limits, and who works here: the server's audit trail records the account,
    // workstation and program this connection names with every change it makes.
    const bool interactive = patience_ == Patience::Interactive;
    const AuditSource source = auditSource();
    const QByteArray statementTimeout = interactive ? QByteArray::number(kStatementSeconds) + "s" : QByteArray("0");
    const QByteArray idleTimeout = interactive ? QByteArray("30s") : QByteArray("10min");
    const QByteArray account = source.account.toUtf8(), workstation = source.workstation.toUtf8(),
                     program = source.program.toUtf8();
    const char* params[] = {statementTimeout.constData(), idleTimeout.constData(), account.constData(),
                            workstation.constData(), program.constData()};
    exchange([&](PGconn* c) {
      return libpq().PQsendQueryParams(c,
                                       "SELECT pg_catalog.set_config('lock_timeout', '10s', false), "
                                       "pg_catalog.set_config('statement_timeout', $1, false), "
                                       "pg_catalog.set_config('idle_in_transaction_session_timeout', $2, false), "
                                       "pg_catalog.set_config('halcyra.account', $3, false), "
                                       "pg_catalog.set_config('halcyra.workstation', $4, false), "
                                       "pg_catalog.set_config('halcyra.program', $5, false)",
                                       5, nullptr, params, nullptr, nullptr, 0);
    });
  } catch (const StoreRefusal& e) {
    if (conn_) libpq().PQfinish(conn_);
    conn_ = nullptr;
    throw ServerConnectFailure{e.text};
  }
}

PostgresBackend::~PostgresBackend() {
  if (conn_) libpq().PQfinish(conn_);  // non-blocking: a dead server never holds the program up
}

bool PostgresBackend::lost() const { return !conn_ || libpq().PQstatus(conn_) == CONNECTION_BAD; }

void PostgresBackend::giveUp(const QString& why) {
  if (conn_) libpq().PQfinish(conn_);
  conn_ = nullptr;
  statements_.clear();
  throw StoreRefusal{QStringLiteral("%1 (%2); the connection was given up. Check the network and the server: the next "
                                    "action connects again")
                         .arg(why, server_)};
}

PostgresBackend::Result PostgresBackend::exchange(const std::function<int(PGconn*)>& send) {
  const LibPq& pq = libpq();
  if (!conn_) {
    throw StoreRefusal{QStringLiteral("the connection to the database server (%1) was lost; check the network and the "
                                      "server: the next action connects again")
                           .arg(server_)};
  }
  if (!send(conn_)) {
    const QString why = describeResult(nullptr, conn_);
    if (pq.PQstatus(conn_) == CONNECTION_BAD) giveUp(QStringLiteral("the database server could not be reached"));
    throw StoreRefusal{why};
  }
  const bool waitLong = patience_ == Patience::LongWork;
  const QString silent = QStringLiteral("the database server did not answer for %1 seconds")
                             .arg(std::chrono::duration_cast<std::chrono::seconds>(kAnswerWait).count());
  // Waits until the socket is ready for `events`; false when the server stayed silent for the
  // whole wait. Every sign of life starts the wait anew.
  const auto ready = [&](short events, bool& readable) {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
    pollfd p{pq.PQsocket(conn_), events, 0};
    for (;;) {
      int timeout = -1;
      if (!waitLong) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        timeout = static_cast<int>(left.count());
      }
      const int n = ::poll(&p, 1, timeout);
      if (n > 0) {
        readable = (p.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
        return true;
      }
      if (n < 0 && errno != EINTR) {
        readable = true;  // libpq finds the socket's fault itself
        return true;
      }
    }
  };
  // What does not fit the socket's buffer at once (a photograph) is sent as the server takes it.
  for (;;) {
    const int flushed = pq.PQflush(conn_);
    if (flushed == 0) break;
    if (flushed < 0) giveUp(QStringLiteral("the statement could not be sent to the database server"));
    bool readable = false;
    if (!ready(POLLOUT | POLLIN, readable)) giveUp(silent);
    if (readable && !pq.PQconsumeInput(conn_)) giveUp(QStringLiteral("the connection to the database server broke"));
  }
  ResultPtr kept;
  for (;;) {
    while (pq.PQisBusy(conn_)) {
      bool readable = false;
      if (!ready(POLLIN, readable)) giveUp(silent);
      if (!pq.PQconsumeInput(conn_)) {
        if (pq.PQstatus(conn_) == CONNECTION_BAD) giveUp(QStringLiteral("the connection to the database server broke"));
        break;
      }
    }
    PGresult* next = pq.PQgetResult(conn_);
    if (!next) break;
    const auto failed = [&](const PGresult* r) {
      const ExecStatusType st = pq.PQresultStatus(r);
      return st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_EMPTY_QUERY;
    };
    if (kept && failed(kept.get())) {
      pq.PQclear(next);  // the first failure is the one to report
      continue;
    }
    kept.reset(next);
  }
  if (!kept) {
    if (pq.PQstatus(conn_) == CONNECTION_BAD) giveUp(QStringLiteral("the connection to the database server broke"));
    throw StoreRefusal{describeResult(nullptr, conn_)};
  }
  const ExecStatusType status = pq.PQresultStatus(kept.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    const QString why = describeResult(kept.get(), conn_);
    if (pq.PQstatus(conn_) == CONNECTION_BAD) {
      libpq().PQfinish(conn_);
      conn_ = nullptr;
      statements_.clear();
    }
    throw StoreRefusal{why};
  }
  return Result{std::move(kept)};
}

void PostgresBackend::script(const QString& sql) {
  const QByteArray text = sql.toUtf8();
  exchange([&](PGconn* c) { return libpq().PQsendQuery(c, text.constData()); });
}

PostgresBackend::Result PostgresBackend::run(const QString& sql, const QVariantList& values) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    Prepared p{QByteArray("halcyra_") + QByteArray::number(statements_.size() + 1)};
    const QByteArray text = numberedParameters(sql).toUtf8();
    exchange([&](PGconn* c) { return libpq().PQsendPrepare(c, p.name.constData(), text.constData(), 0, nullptr); });
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
      case QMetaType::Float:
        buffers[k] = QByteArray::number(v.toDouble(), 'g', 17);
        break;  // exact, whatever the locale
      case QMetaType::Bool: buffers[k] = v.toBool() ? "true" : "false"; break;
      default: buffers[k] = QByteArray::number(v.toLongLong()); break;
    }
    pointers[k] = buffers[k].constData();
    lengths[k] = static_cast<int>(buffers[k].size());
  }
  const QByteArray name = it->name;
  return exchange([&](PGconn* c) {
    return libpq().PQsendQueryPrepared(c, name.constData(), n, pointers.data(), lengths.data(), formats.data(), 1);
  });
}

Rows PostgresBackend::select(const QString& sql, const QVariantList& values,
                             const std::vector<const ColumnDef*>* columns) {
  return rowsOf(run(sql, values), columns);
}

void PostgresBackend::scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
                           const std::function<void(Rows&)>& each) {
  // A cursor on the server hands the rows over a page at a time; a transaction of its own (when
  // none is open) reads them all from one snapshot.
  const bool own = conn_ && libpq().PQtransactionStatus(conn_) == PQTRANS_IDLE;
  if (own) script(QStringLiteral("BEGIN READ ONLY ISOLATION LEVEL REPEATABLE READ"));
  try {
    script(QStringLiteral("DECLARE halcyra_scan NO SCROLL CURSOR FOR ") + sql);
    const QByteArray fetch = "FETCH " + QByteArray::number(page) + " FROM halcyra_scan";
    for (;;) {
      Result r = exchange([&](PGconn* c) {
        return libpq().PQsendQueryParams(c, fetch.constData(), 0, nullptr, nullptr, nullptr, nullptr, 1);
      });
      if (libpq().PQntuples(r.result.get()) == 0) break;
      Rows rows = rowsOf(r, &columns);
      each(rows);
    }
    script(QStringLiteral("CLOSE halcyra_scan"));
    if (own) script(QStringLiteral("COMMIT"));
  } catch (...) {
    try {
      script(own ? QStringLiteral("ROLLBACK") : QStringLiteral("CLOSE halcyra_scan"));
    } catch (const StoreRefusal&) {
      // A lost connection has nothing left to undo.
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
      QVariant v = serverValue(pq.PQgetvalue(res, i, c), pq.PQgetlength(res, i, c), types[static_cast<std::size_t>(c)]);
      row[static_cast<std::size_t>(c)] =
          columns ? normalizeValue(*(*columns)[static_cast<std::size_t>(c)], v) : std::move(v);
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
      out.returned.push_back(
          libpq().PQgetisnull(res, 0, c)
              ? QVariant()
              : serverValue(libpq().PQgetvalue(res, 0, c), libpq().PQgetlength(res, 0, c), libpq().PQftype(res, c)));
    }
    if (!out.returned.empty()) out.insertedId = out.returned.front();
  }
  return out;
}

}  // namespace records
