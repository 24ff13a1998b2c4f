#pragma once
// What a Connection needs of a database engine: run a statement with parameter values (written
// with ? marks), read rows, and tell whether another connection has committed anything. One
// implementation per engine; a refusal of the engine is thrown as StoreRefusal in the engine's own
// words (Connection adds what was being done and where).

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

#include "records/Schema.h"

namespace records {

using Rows = std::vector<std::vector<QVariant>>;

// What a write gave back.
struct ExecResult {
  int affected = 0;     // rows changed
  QVariant insertedId;  // of an INSERT: the new row's number (its auto-increment key, or its insertion order)
  std::vector<QVariant> returned;  // what a RETURNING clause gave, as the engine gives it
};

struct StoreRefusal {
  QString text;  // the engine's words, with what to do for the common cases
};

class StoreBackend {
 public:
  virtual ~StoreBackend() = default;
  // Every row of a query. With `columns`, each value comes back brought to its column's type
  // (normalizeValue); without, as the engine gives it.
  virtual Rows select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>* columns) = 0;
  virtual ExecResult execute(const QString& sql, const QVariantList& values) = 0;
  // Reads a large SELECT (without parameters) a page of rows at a time, all from one snapshot of
  // the store, handing each page to `each`.
  virtual void scan(const QString& sql, const std::vector<const ColumnDef*>& columns, int page,
                    const std::function<void(Rows&)>& each) = 0;
  // A value that changes whenever another connection has committed; nullopt when the engine
  // cannot tell cheaply.
  virtual std::optional<qint64> changeCounter() = 0;
  // The connection to the store is gone (a server that went away, or a network that went silent):
  // every statement is refused at once until a new one is made.
  virtual bool lost() const { return false; }
  virtual bool directReads() const { return false; }
  virtual void setDirectReads(bool) {}
};

// Runs `work` between `begin` (BEGIN, or BEGIN IMMEDIATE on a file) and COMMIT on the backend; on
// any failure rolls back and throws the failure on (a refusal of the rollback itself is left out:
// the first reason is the one worth showing).
template <class Work>
void inTransaction(StoreBackend& store, const QString& begin, Work&& work) {
  store.execute(begin, {});
  try {
    work();
    store.execute(QStringLiteral("COMMIT"), {});
  } catch (...) {
    try {
      store.execute(QStringLiteral("ROLLBACK"), {});
    } catch (const StoreRefusal&) {
    }
    throw;
  }
}

}  // namespace records
