#include "records/Connection.h"

#include <QFileInfo>

#include "records/AuditChain.h"
#include "records/AuditTrail.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/PatientSearch.h"
#include "records/PostgresBackend.h"
#include "records/SqliteBackend.h"
#include "records/TrailState.h"

namespace records {
namespace {

// How often a refused password may be typed again before the program goes on without a store.
constexpr int kPasswordTries = 3;
// The newest audit entries verified whenever a store is opened (`halcyra-tool check` verifies all).
constexpr int kNewestVerified = 200;
// Every write transaction on a server takes this lock first, so that the program's transactions,
// which all chain their entries to the trail's one head, take turns from their first statement and
// never wait for each other in a circle.
constexpr const char* kWriteTurn = "SELECT true FROM pg_catalog.pg_advisory_xact_lock(1212238915, 1)";

QString noStore() {
  return QStringLiteral("No database is open (the database directory is not set or the database could not be opened).");
}

}  // namespace

Connection::Connection() : dialect_(&sqliteDialect()) {}

Connection::~Connection() {
  close();
  if (password_) wipe(*password_);
}

void Connection::close() {
  backend_.reset();
  awaitingServer_ = false;
  depth_ = 0;
  hasJournal_ = false;
  trail_ = TrailState();
}

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
  location_ = parseStoreLocation(info.absolutePath());
  if (password_) wipe(*password_);
  password_.reset();
  dialect_ = &sqliteDialect();
  ++generation_;
  try {
    backend_ = std::make_unique<SqliteBackend>(file_);
  } catch (const StoreRefusal& e) {
    throw DataError(QStringLiteral("The database file %1 cannot be opened: %2").arg(file_, e.text));
  }
  settleTrail();
}

void Connection::open(const StoreLocation& where, const PasswordPrompt& askPassword) {
  switch (where.kind) {
    case StoreLocation::Kind::None:
      close();
      throw DataError(
          QStringLiteral("No database is set: type a folder or a server address (postgresql://...) "
                         "into the database setting."));
    case StoreLocation::Kind::Folder:
      open(QFileInfo(where.text).absoluteFilePath() + QStringLiteral("/Brell_Data.db"));
      location_ = where;
      return;
    case StoreLocation::Kind::Server: connectServer(where, askPassword); return;
  }
}

void Connection::connectServer(const StoreLocation& where, const PasswordPrompt& askPassword) {
  close();
  location_ = where;
  file_ = where.shownUri();
  dialect_ = &postgresDialect();
  const QString server = where.serverName();
  if (!where.problem.isEmpty()) {
    throw DataError(QStringLiteral("The database address %1 cannot be used: %2. It reads "
                                   "postgresql://[user@][host][:port]/dbname[?param=value...].")
                        .arg(file_, where.problem));
  }
  std::optional<QString> password = password_;
  for (int attempt = 0;; ++attempt) {
    try {
      backend_ = std::make_unique<PostgresBackend>(where, password, patience_);
      break;
    } catch (const ServerConnectFailure& f) {
      const bool ask = askPassword && attempt < kPasswordTries && (f.needsPassword || f.passwordRefused);
      if (ask) {
        const QString user =
            where.user.isEmpty() ? QStringLiteral("your login") : QStringLiteral("user %1").arg(where.user);
        QString question =
            QStringLiteral("Password for %1 on the database server (%2, database %3):")
                .arg(user, server, where.database.isEmpty() ? QStringLiteral("(default)") : where.database);
        if (f.passwordRefused) question = QStringLiteral("The server refused the password. ") + question;
        if (password) wipe(*password);
        password = askPassword(question);
        if (password) continue;
        throw ServerUnreachable(
            QStringLiteral("No connection to the database server (%1): no password was given.").arg(server), server,
            QStringLiteral("no password was given"));
      }
      QString advice;
      if (f.needsPassword) {
        advice = QStringLiteral(
            " Give the password in ~/.pgpass or PGPASSWORD, or at the password box when the program starts.");
      } else if (f.passwordRefused) {
        advice = QStringLiteral(" Check the user name and the password.");
      }
      const QString reason = f.reason.endsWith(u'.') || f.reason.endsWith(u'?') ? f.reason : f.reason + u'.';
      throw ServerUnreachable(
          QStringLiteral("No connection to the database server (%1) for %2: %3%4").arg(server, file_, reason, advice),
          server, f.reason);
    }
  }
  password_ = password;
  ++generation_;
  // A database that exists but does not hold this program's tables is named as such at once.
  Rows tables;
  try {
    tables =
        backend_->select(QStringLiteral("SELECT COUNT(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema() "
                                        "AND tablename IN ('Patient', 'Course', 'Imagedb')"),
                         {}, nullptr);
  } catch (const StoreRefusal& e) {
    close();
    throw DataError(QStringLiteral("The database %1 cannot be used: %2").arg(file_, e.text));
  }
  if (tables.empty() || tables.front().front().toInt() != 3) {
    close();
    throw DataError(QStringLiteral("The database %1 does not hold this program's tables (Patient, Course, Imagedb). "
                                   "Check the database name, or create the tables with halcyra-tool init-db.")
                        .arg(file_));
  }
  settleTrail();
  // A database made by an earlier version gets the search's indexes when its owner connects.
  if (auto* server = dynamic_cast<PostgresBackend*>(backend_.get())) {
    try {
      upgradeServerSearch(*server);
    } catch (const StoreRefusal& e) {
      // Not now (another copy holds the table, a server that refuses): the list searches its own rows.
      qWarning("The search indexes were not added to %s: %s", qPrintable(file_), qPrintable(e.text));
    }
  }
}

void Connection::settleTrail() {
  auto* server = dynamic_cast<PostgresBackend*>(backend_.get());
  try {
    trail_ = server ? inspectServerTrail(*server) : inspectFileTrail(*backend_);
    if (trail_.kind == TrailState::Kind::Earlier && trail_.mayUpgrade) {
      // A store made by an earlier version: its trail is added, or its entries chained, now. On a
      // server only the tables' owner may; the clinic's logins write nothing until the owner has
      // connected once.
      try {
        if (server) {
          upgradeServerTrail(*server);
        } else {
          upgradeFileTrail(*backend_);
        }
      } catch (const StoreRefusal&) {
        // A file that cannot take it now (read-only, busy): nothing is stored until it can.
      }
      trail_ = server ? inspectServerTrail(*server) : inspectFileTrail(*backend_);
    }
    if (trail_.kind == TrailState::Kind::Kept) {
      const QStringList problems = verifyAuditChainAtOnce(
          server != nullptr, [this](const QString& sql) { backend_->execute(sql, {}); },
          [this](const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>& columns) {
            return backend_->select(sql, values, &columns);
          },
          kNewestVerified);
      if (!problems.isEmpty()) {
        trail_.kind = TrailState::Kind::Damaged;
        trail_.found = problems.front();
      }
    }
  } catch (const StoreRefusal& e) {
    // The store could not be asked: nothing is stored until it can be.
    trail_ = TrailState();
    trail_.kind = TrailState::Kind::Earlier;
    trail_.found = e.text;
  }
  hasJournal_ = trail_.hasJournal;
}

void Connection::requireAudit(const QString& action) {
  if (depth_ == 0 && lost()) backend(action);  // a lost server is connected to again first
  if (!backend_ || keepsAudit()) return;
  if (depth_ == 0 && trail_.kind == TrailState::Kind::Earlier) settleTrail();  // the owner may have connected meanwhile
  if (keepsAudit()) return;
  if (trail_.kind == TrailState::Kind::Damaged) {
    fail(action,
         QStringLiteral("the audit trail of the database is not whole: %1. No change is stored until it is: run "
                        "halcyra-tool check on the database, and restore it from a backup")
             .arg(trail_.found));
  }
  if (location_.isServer()) {
    fail(action,
         QStringLiteral("the database has no audit trail of this version yet (a database made by an earlier "
                        "version), and this login may not add it. Ask the database's owner to connect to it "
                        "once with halcyra-tool and the owner's login (for example halcyra-tool find %1), which "
                        "adds it and keeps the entries already there; then try again")
             .arg(file_));
  }
  fail(action, QStringLiteral("the audit trail (the table Audit) could not be added to the database file, and no "
                              "change is stored without it. Check that the file may be written, and try again"));
}

void Connection::reconnect() {
  const Login again = login();
  try {
    open(again);
  } catch (...) {
    // Still away: the store stays this server, with its password, until it answers again.
    if (again.location.isServer()) {
      location_ = again.location;
      file_ = again.file;
      password_ = again.password;
      awaitingServer_ = true;
    }
    throw;
  }
}

void Connection::open(const Login& login) {
  if (login.location.isServer()) {
    password_ = login.password;
    connectServer(login.location, {});
  } else {
    open(login.file);
    location_ = login.location;
  }
}

StoreBackend& Connection::backend(const QString& action) {
  Q_UNUSED(action);
  // A server lost during an earlier action is connected to again at the start of the next one;
  // inside a transaction the statement is refused (what the transaction wrote is gone).
  if (depth_ == 0 && location_.isServer() && lost()) reconnect();
  if (!backend_) throw DataError(noStore());
  return *backend_;
}

Rows Connection::select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>& columns,
                        const QString& action) {
  StoreBackend& b = backend(action);
  try {
    Rows rows = b.select(sql, values, &columns);
    rowsRead_ += static_cast<qint64>(rows.size());
    return rows;
  } catch (const StoreRefusal& e) {
    fail(action, e.text);
  }
}

Rows Connection::query(const QString& sql, const QVariantList& values, const QString& action) {
  StoreBackend& b = backend(action);
  try {
    return b.select(sql, values, nullptr);
  } catch (const StoreRefusal& e) {
    fail(action, e.text);
  }
}

ExecResult Connection::execute(const QString& sql, const QVariantList& values, const QString& action) {
  StoreBackend& b = backend(action);
  try {
    return b.execute(sql, values);
  } catch (const StoreRefusal& e) {
    fail(action, e.text);
  }
}

void Connection::exec(const QString& sql, const QString& action) { execute(sql, {}, action); }

void Connection::scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
                      const std::function<void(Rows&)>& each, const QString& action) {
  StoreBackend& b = backend(action);
  try {
    b.scan(sql, columns, page, [&](Rows& rows) {
      rowsRead_ += static_cast<qint64>(rows.size());
      each(rows);
    });
  } catch (const StoreRefusal& e) {
    fail(action, e.text);
  }
}

void Connection::script(const QString& sql, const QString& action) {
  auto* server = dynamic_cast<PostgresBackend*>(&backend(action));
  if (!server) {
    for (const QString& statement : sql.split(u';', Qt::SkipEmptyParts)) {
      if (!statement.trimmed().isEmpty()) exec(statement, action);
    }
    return;
  }
  try {
    server->script(sql);
  } catch (const StoreRefusal& e) {
    fail(action, e.text);
  }
}

bool Connection::directReads() const { return backend_ && backend_->directReads(); }
void Connection::setDirectReads(bool on) {
  if (backend_) backend_->setDirectReads(on);
}

std::optional<qint64> Connection::changeCounter() {
  if (!backend_) return std::nullopt;
  return backend_->changeCounter();
}

std::optional<QVariant> Connection::journalMark() {
  if (!backend_ || !hasJournal_) return std::nullopt;
  try {
    const Rows rows =
        backend_->select(QStringLiteral("SELECT ") + QString::fromLatin1(dialect_->journalMark), {}, nullptr);
    if (rows.empty() || rows.front().front().isNull()) return std::nullopt;
    return rows.front().front();
  } catch (const StoreRefusal&) {
    return std::nullopt;  // cannot tell: the caller reads anew
  }
}

std::optional<Connection::JournalChanges> Connection::changedSince(const QVariant& mark) {
  if (!backend_ || !hasJournal_) return std::nullopt;
  try {
    JournalChanges changes;
    bool marked = false;
    const QString since = QString::fromLatin1(dialect_->journalSince);
    const QString sql =
        QStringLiteral("SELECT %1, NULL UNION ALL %2").arg(QString::fromLatin1(dialect_->journalMark), since);
    QVariantList values;
    for (qsizetype i = 0, n = since.count(u'?'); i < n; ++i) values << mark;
    for (const auto& row : backend_->select(sql, values, nullptr)) {
      if (!row[0].isNull()) {
        changes.mark = row[0];
        marked = true;
      } else {
        changes.keys << row[1].toString();
      }
    }
    if (!marked) return std::nullopt;
    rowsRead_ += changes.keys.size();
    return changes;
  } catch (const StoreRefusal&) {
    return std::nullopt;
  }
}

void Connection::begin(const QString& action) {
  if (depth_ == 0) {
    exec(QString::fromLatin1(dialect_->beginWrite), action);
    if (dialect_->server) {
      try {
        exec(QString::fromLatin1(kWriteTurn), action);
      } catch (...) {
        depth_ = 1;
        rollback();
        throw;
      }
    }
  }
  ++depth_;
}

void Connection::commit(const QString& action) {
  if (depth_ == 0) return;
  if (depth_ > 1) {
    --depth_;
    return;
  }
  try {
    exec(QStringLiteral("COMMIT"), action);
  } catch (...) {
    rollback();
    throw;
  }
  depth_ = 0;
}

void Connection::rollback() noexcept {
  if (depth_ == 0) return;
  depth_ = 0;
  ++generation_;
  if (!backend_) return;
  try {
    backend_->execute(QStringLiteral("ROLLBACK"), {});
  } catch (...) {
    // Nothing was kept all the same: an engine that refuses ROLLBACK has no transaction open.
  }
}

void Connection::fail(const QString& action, const QString& reason) const {
  throw DataError(QStringLiteral("Could not %1 in the database %2: %3.")
                      .arg(action, file_.isEmpty() ? QStringLiteral("(none)") : file_, reason));
}

Transaction::Transaction(Connection& connection, const QString& action) : connection_(connection), action_(action) {
  connection_.begin(action_);
}

Transaction::~Transaction() {
  if (done_) return;
  // Left by an exception: everything the transaction wrote goes, the outer one's included.
  connection_.rollback();
}

void Transaction::commit() {
  done_ = true;
  connection_.commit(action_);
}

}  // namespace records
