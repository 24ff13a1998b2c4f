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

class QSqlError;

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
};

// Text of a store error for a user: the engine's words, and what to do for the common cases.
QString describeSqlError(const QSqlError& error);

}  // namespace records
