#pragma once
// One named connection to the store file, shared by the three cursors of a data module.
//
// Several running copies of the program may use one file at the same time. The file is kept in
// write-ahead-log mode: readers never wait for a writer, and a writer waits for another writer up
// to ten seconds before the store reports that the file is busy. Every commit is flushed to the
// disk before it returns (synchronous FULL), so a copy that is killed, or a machine that loses
// power, keeps every row it had posted. The file must lie on a local disk of the machine that runs
// the copies: the locking this relies on does not work over network shares.
//
// Each Connection has its own name in Qt SQL, so two can live in one process.

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <memory>
#include <optional>

#include "records/Dialect.h"
#include "records/Schema.h"

class QSqlError;
struct sqlite3;
struct sqlite3_stmt;

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
  void close();
  bool isOpen() const;

  const QString& file() const { return file_; }
  const QString& name() const { return name_; }
  const Dialect& dialect() const { return *dialect_; }
  // Counts the opens: what a cursor read under an earlier open is no longer known to be current.
  int generation() const { return generation_; }
  QSqlDatabase database() const;

  // A prepared statement kept for the life of the connection (or a fresh one for `sql` seen for
  // the first time); `action` words a refusal to prepare it. Statements read by the caller must be finished (QSqlQuery::finish) before
  // anything else runs, so that no read holds the file open while another copy writes.
  QSqlQuery& prepared(const QString& sql, const QString& action = QStringLiteral("use the tables"));

  // Reads every row of a SELECT with the given parameter values; `columns` describes the selected
  // columns in order, and each value comes back brought to its column's type (normalizeValue).
  // Raises DataError, with `action` in the message, when the store refuses.
  std::vector<std::vector<QVariant>> select(const QString& sql, const QVariantList& values,
                                            const std::vector<const ColumnDef*>& columns, const QString& action);
  // Rows are read straight from SQLite when the Qt driver shares its SQLite library with this
  // program (much less work per row and per statement); otherwise through QSqlQuery. Tests turn
  // the direct path off to compare the two.
  bool directReads() const { return native_ != nullptr; }
  void setDirectReads(bool on);

  // Runs one statement without parameters; raises DataError, with `action` in the message, when
  // the store refuses it.
  void exec(const QString& sql, const QString& action);

  // Value that changes whenever another connection has committed a change to the file since the
  // last call; nullopt when the engine cannot tell.
  std::optional<qint64> changeCounter();

  // The DataError for a refusal of the store while doing `action` ("save the new Patient row").
  [[noreturn]] void fail(const QString& action, const QSqlError& error) const;

 private:
  QString name_;
  QString file_;
  const Dialect* dialect_;
  int generation_ = 0;
  QHash<QString, std::shared_ptr<QSqlQuery>> statements_;
  sqlite3* handle_ = nullptr;  // the Qt connection's own SQLite handle, when usable
  sqlite3* native_ = nullptr;  // handle_ while direct reads are on
  QHash<QString, sqlite3_stmt*> nativeStatements_;
};

// Text of a store error for a user: the engine's words, and what to do for the common cases.
QString describeSqlError(const QSqlError& error);

}  // namespace records
