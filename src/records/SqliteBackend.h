#pragma once
// The store file through SQLite: Qt SQL's connection for writes, and rows read straight through
// that connection's own SQLite handle when the driver shares this program's SQLite library (much
// less work per row and per statement); otherwise through QSqlQuery.
//
// The file is kept in write-ahead-log mode: readers never wait for a writer, and a writer waits
// for another writer up to ten seconds before the file is reported busy. Every commit is flushed
// to the disk before it returns (synchronous FULL), so a copy that is killed, or a machine that
// loses power, keeps every row it had posted. The file must lie on a local disk of the machine
// that runs the copies: the locking this relies on does not work over network shares.

#include <QHash>
#include <QSqlQuery>
#include <memory>

#include "records/StoreBackend.h"

class QSqlError;
struct sqlite3;
struct sqlite3_stmt;

namespace records {

class SqliteBackend : public StoreBackend {
 public:
  // Opens an existing store file for reading and writing; never creates one. Throws StoreRefusal.
  explicit SqliteBackend(const QString& file);
  ~SqliteBackend() override;

  Rows select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>* columns) override;
  ExecResult execute(const QString& sql, const QVariantList& values) override;
  void scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
            const std::function<void(Rows&)>& each) override;
  std::optional<qint64> changeCounter() override;
  bool directReads() const override { return native_ != nullptr; }
  void setDirectReads(bool on) override { native_ = on ? handle_ : nullptr; }

 private:
  QSqlQuery& prepared(const QString& sql);
  // The prepared statement run with `values`; a refusal is thrown.
  QSqlQuery& run(const QString& sql, const QVariantList& values);
  [[noreturn]] void refuse(const QSqlError& error) const;

  QString name_;
  QHash<QString, std::shared_ptr<QSqlQuery>> statements_;
  sqlite3* handle_ = nullptr;  // the Qt connection's own SQLite handle, when usable
  sqlite3* native_ = nullptr;  // handle_ while direct reads are on
  QHash<QString, sqlite3_stmt*> nativeStatements_;
};

// Text of an SQLite error for a user: the engine's words, and what to do for the common cases.
QString describeSqliteError(const QString& text);

}  // namespace records
