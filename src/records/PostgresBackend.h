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

#include <QHash>

#include "records/StoreBackend.h"
#include "records/StoreLocation.h"

struct pg_conn;

namespace records {

// Why a connection could not be made.
struct ServerConnectFailure {
  QString reason;                  // the server's or the client library's words, on one line
  bool needsPassword = false;      // the server wants a password and none was available
  bool passwordRefused = false;    // a password was given and the server refused it
};

class PostgresBackend : public StoreBackend {
 public:
  // Connects to the database the URI names; `password` (when given) is used for this connection
  // only. Throws ServerConnectFailure.
  PostgresBackend(const StoreLocation& where, const std::optional<QString>& password);
  ~PostgresBackend() override;

  Rows select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>* columns) override;
  ExecResult execute(const QString& sql, const QVariantList& values) override;
  void scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
            const std::function<void(Rows&)>& each) override;
  std::optional<qint64> changeCounter() override { return std::nullopt; }

  // Runs SQL text as it is, several statements allowed, without parameters (schema creation).
  void script(const QString& sql);

 private:
  struct Prepared {
    QByteArray name;
  };
  struct Result;
  Result run(const QString& sql, const QVariantList& values);
  Rows rowsOf(const Result& result, const std::vector<const ColumnDef*>* columns);

  pg_conn* conn_ = nullptr;
  QHash<QString, Prepared> statements_;
};

// The SQL with its ? marks numbered as the server wants them ($1, $2, ...); marks inside quoted
// text or quoted names are left alone.
QString numberedParameters(const QString& sql);

}  // namespace records
