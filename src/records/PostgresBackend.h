#pragma once
// The store on a PostgreSQL server, through libpq.
//
// libpq rather than Qt's QPSQL driver: the rows come back in the server's binary form, turned into
// values without Qt SQL's per-row work (the same reason the store file is read straight through
// SQLite), statements are prepared once per connection, the server's error fields (its SQLSTATE
// code, its message) tell a lost lock from a duplicate key, and the password question can be put
// to the user exactly when the server asks for one. libpq also reads ~/.pgpass and PGPASSWORD.
//
// Every connection waits at most ten seconds for a row another copy holds locked (lock_timeout),
// as the store file's writers wait at most ten seconds for each other.
//
// A network that drops or goes silent never freezes the program: TCP keepalives and
// tcp_user_timeout let the system give up on a dead peer, the server ends a statement that runs
// too long (statement_timeout) and a session left idle inside a transaction (so that a lost
// workstation does not keep rows locked), and this side waits for each answer only so long
// (kAnswerWait) before it gives the connection up as lost. A lost connection refuses every later
// statement at once; the Connection above connects anew at the next action.

#include <QHash>
#include <chrono>
#include <utility>
#include <vector>

#include "records/StoreBackend.h"
#include "records/StoreLocation.h"

struct pg_conn;
struct pg_result;

namespace records {

// Why a connection could not be made.
struct ServerConnectFailure {
  QString reason;                // the server's or the client library's words, on one line
  bool needsPassword = false;    // the server wants a password and none was available
  bool passwordRefused = false;  // a password was given and the server refused it
};

// How long a connection lets one statement run. Interactive: what a workstation does, every
// statement short, a silent server named within half a minute. Long work: halcyra-tool's check
// and copy-db over a whole department, where a statement may run for minutes; a dead network is
// still found by the keepalives.
enum class Patience { Interactive, LongWork };

// The connection parameters the program adds to every address, in front of it, so that the
// address's own values win: connect_timeout, the keepalives, tcp_user_timeout, and sslmode
// verify-full for a server reached over the network (StoreLocation::sslmodeToUse).
std::vector<std::pair<QByteArray, QByteArray>> connectionDefaults(const StoreLocation& where);

class PostgresBackend : public StoreBackend {
 public:
  // Seconds the server lets an interactive statement run, and how much longer this side waits for
  // its answer before the connection counts as lost.
  static constexpr int kStatementSeconds = 15;
  static constexpr std::chrono::seconds kAnswerWait{kStatementSeconds + 5};

  // Connects to the database the URI names; `password` (when given) is used for this connection
  // only, and its bytes are cleared afterwards. Throws ServerConnectFailure.
  PostgresBackend(const StoreLocation& where, const std::optional<QString>& password,
                  Patience patience = Patience::Interactive);
  ~PostgresBackend() override;

  Rows select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>* columns) override;
  ExecResult execute(const QString& sql, const QVariantList& values) override;
  void scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
            const std::function<void(Rows&)>& each) override;
  std::optional<qint64> changeCounter() override { return std::nullopt; }
  bool lost() const override;

  // Runs SQL text as it is, several statements allowed, without parameters (schema creation).
  void script(const QString& sql);
  // How long this side waits for answers from now on (the server's own limit is set apart).
  Patience patience() const { return patience_; }
  void setPatience(Patience patience) { patience_ = patience; }

 private:
  struct Prepared {
    QByteArray name;
  };
  struct Result;
  Result run(const QString& sql, const QVariantList& values);
  Rows rowsOf(const Result& result, const std::vector<const ColumnDef*>* columns);
  // Sends with `send` (a PQsend... call) and waits for every result of it, at most kAnswerWait
  // (none for long work) for each piece of the answer; returns the last result, or the first that
  // failed. A connection that does not answer in time is closed and counts as lost.
  Result exchange(const std::function<int(pg_conn*)>& send);
  [[noreturn]] void giveUp(const QString& why);

  pg_conn* conn_ = nullptr;
  Patience patience_;
  QString server_;  // the server as messages name it
  QHash<QString, Prepared> statements_;
};

// For as long as it lives, the connection waits as long as long work needs (an upgrade of the
// schema, a check over a whole department); the patience it had comes back on every way out.
class LongWork {
 public:
  explicit LongWork(PostgresBackend& server) : server_(server), before_(server.patience()) {
    server.setPatience(Patience::LongWork);
  }
  ~LongWork() { server_.setPatience(before_); }
  LongWork(const LongWork&) = delete;
  LongWork& operator=(const LongWork&) = delete;

 private:
  PostgresBackend& server_;
  Patience before_;
};

// The SQL with its ? marks numbered as the server wants them ($1, $2, ...); marks inside quoted
// text or quoted names are left alone.
QString numberedParameters(const QString& sql);

// A value the server sent in its binary form, of the given type, checked against the length that
// type has (a short or long value is refused, never read past). Throws StoreRefusal.
QVariant serverValue(const char* data, int length, unsigned int type);

}  // namespace records
