#pragma once
// One connection to the patient store, shared by the three cursors of a data module: the store
// file "Brell_Data.db" through SQLite, or a database on a PostgreSQL server. What differs between
// the two engines stays behind this class and the Dialect; the cursors and the record operations
// are the same on both.
//
// Each Connection is its own, so two can live in one process (two copies of the program in the
// tests). Statements are written with ? for their parameter values.

#include <QString>
#include <memory>
#include <optional>

#include "records/Dialect.h"
#include "records/PostgresBackend.h"
#include "records/Schema.h"
#include "records/StoreBackend.h"
#include "records/StoreLocation.h"
#include "records/TrailState.h"

namespace records {

class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Connects to an existing store file. Never creates one: a missing file, a file that is not a
  // database, or one that cannot be opened for writing raises DataError naming the file.
  void open(const QString& file);
  // Connects to the store the database setting names: the file in a folder, or a server database.
  // A server that cannot be reached, or refuses the login, raises ServerUnreachable naming the
  // server and giving its reason; a database without this program's tables raises DataError.
  // The password, when the server wants one that ~/.pgpass and PGPASSWORD do not give, is asked
  // through `askPassword` (up to three times when refused) and kept in memory for reconnect().
  //
  // A connection to a server that is lost (the server went away, the network went silent) is made
  // anew, with the same password, by the next statement outside a transaction: the next action
  // after the one that found it lost. A server still out of reach raises ServerUnreachable then.
  void open(const StoreLocation& where, const PasswordPrompt& askPassword = {});
  // Connects again to the same store, with the same password.
  void reconnect();
  // How long a server's statements may run (PostgresBackend.h); taken at the next open.
  void setPatience(Patience patience) { patience_ = patience; }
  // What another connection needs to reach the same store as this one, with the same password:
  // taken on this connection's thread, used on any (a list read in the background).
  struct Login {
    StoreLocation location;
    QString file;
    std::optional<QString> password;
  };
  Login login() const { return {location_, file_, password_}; }
  // Connects as `login` says, asking for nothing.
  void open(const Login& login);
  void close();
  // Connected, or waiting for a lost server to come back.
  bool isOpen() const { return backend_ != nullptr || awaitingServer_; }
  // The server was lost (StoreBackend::lost), or could not be reached again since: the next
  // statement outside a transaction connects again.
  bool lost() const { return awaitingServer_ || (backend_ && backend_->lost()); }

  // How the store is named in messages: the file's full path, or the server URI (never with a
  // password).
  const QString& file() const { return file_; }
  const StoreLocation& location() const { return location_; }
  const Dialect& dialect() const { return *dialect_; }
  // Counts the opens and the rolled-back transactions: what a cursor read under an earlier count
  // is no longer known to be current.
  int generation() const { return generation_; }

  // Reads every row of a SELECT with the given parameter values; `columns` describes the selected
  // columns in order, and each value comes back brought to its column's type (normalizeValue).
  // Raises DataError, with `action` in the message, when the store refuses.
  Rows select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>& columns,
              const QString& action);
  // The same, with the values as the engine gives them (copying a store, checking one).
  Rows query(const QString& sql, const QVariantList& values, const QString& action);
  // Runs one statement that writes.
  ExecResult execute(const QString& sql, const QVariantList& values, const QString& action);
  // Runs one statement without parameters.
  void exec(const QString& sql, const QString& action);
  // Reads a large SELECT a page at a time from one snapshot (copying a whole store).
  void scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
            const std::function<void(Rows&)>& each, const QString& action);
  // Runs SQL text with several statements and no parameters on a server (the schema).
  void script(const QString& sql, const QString& action);

  // How many rows this connection has read so far (what a re-read cost, for the tests).
  qint64 rowsRead() const { return rowsRead_; }

  // Rows are read straight from SQLite when the Qt driver shares its SQLite library with this
  // program; otherwise through QSqlQuery. Tests turn the direct path off to compare the two.
  bool directReads() const;
  void setDirectReads(bool on);

  // Value that changes whenever another connection has committed a change to the store since the
  // last call; nullopt when the engine cannot tell cheaply.
  std::optional<qint64> changeCounter();

  // The change journal of the patient list (Schema.h): the mark to remember before reading the
  // list, and the NHIs of the patients changed at or after a mark. nullopt when the store keeps
  // no journal (the list is then read anew).
  std::optional<QVariant> journalMark();
  struct JournalChanges {
    QVariant mark;     // the mark to remember now
    QStringList keys;  // the patients changed since the mark asked about
  };
  // One statement, so that the new mark and the changes come from the same moment.
  std::optional<JournalChanges> changedSince(const QVariant& mark);

  // Whether the store keeps the audit trail whole (records/AuditTrail.h, TrailState.h). Every write
  // asks first: the trail of a store made by an earlier version is added or chained now if this
  // login may; otherwise the write is refused with a DataError that says how to add it, since a
  // change must never be stored without its entry. A trail found damaged when the store was opened
  // (removed, cut short, its newest entries rewritten, its triggers gone) refuses every write with
  // what was found; it is never made anew.
  bool keepsAudit() const { return trail_.kind == TrailState::Kind::Kept; }
  const TrailState& trail() const { return trail_; }
  void requireAudit(const QString& action);

  // Transactions (see Transaction below). Only the outermost begins and commits; a rollback makes
  // every cursor's snapshot count as out of date.
  void begin(const QString& action);
  void commit(const QString& action);
  void rollback() noexcept;
  bool inTransaction() const { return depth_ > 0; }

  // The DataError for a refusal of the store while doing `action` ("save the new Patient row").
  [[noreturn]] void fail(const QString& action, const QString& reason) const;

 private:
  StoreBackend& backend(const QString& action);
  void connectServer(const StoreLocation& where, const PasswordPrompt& askPassword);
  // Finds out what the trail is like, brings an earlier version's up where this login may, and
  // verifies the newest entries.
  void settleTrail();

  QString file_;
  StoreLocation location_;
  std::optional<QString> password_;  // in memory only
  const Dialect* dialect_;
  int generation_ = 0;
  int depth_ = 0;
  bool awaitingServer_ = false;  // a reconnect found the server still away: the next statement tries again
  bool hasJournal_ = false;
  TrailState trail_;
  Patience patience_ = Patience::Interactive;
  qint64 rowsRead_ = 0;
  std::unique_ptr<StoreBackend> backend_;
};

// A transaction on a connection for a scope: everything written in it is stored together or not at
// all. Transactions nest: an inner one joins the outer. A scope left without commit() (by an
// exception) rolls the whole transaction back.
class Transaction {
 public:
  Transaction(Connection& connection, const QString& action);
  ~Transaction();
  void commit();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

 private:
  Connection& connection_;
  QString action_;
  bool done_ = false;
};

}  // namespace records
