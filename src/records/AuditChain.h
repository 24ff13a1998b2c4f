#pragma once
// The chain of the audit trail (records/AuditTrail.h): each entry's Hash is the SHA-256, in lower
// case hexadecimal, of the hash of the entry before it (empty for the first) and of the entry's own
// columns, so that no entry can be changed, removed or put in between without the chain breaking
// there, and the one-row table AuditHead names the newest entry and its hash, so that entries
// removed from the end are found too.
//
// What is hashed, as UTF-8: the previous hash and a line feed, then for each column of the entry
// before Hash, in the table's order (AuditID, WhenUTC, Account, Workstation, Program, TableName,
// Hosp, CourseID, ImageID, Action, Changes, Login, Client), "N" and a line feed for a null, or "V",
// the value's length in bytes, ":", the value (whole numbers in decimal) and a line feed. The
// server computes the same in SQL (records/ServerTrail.cpp).

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

#include "records/StoreBackend.h"

namespace records {

// The hash of an entry (its values in the audit table's column order; a Hash there is ignored)
// chained to `previous`.
QString auditHash(const QString& previous, const std::vector<QVariant>& entry);

// The audit table's columns in their order, and the SELECT that reads an entry's values in it.
struct AuditColumns {
  std::vector<const ColumnDef*> columns;
  QString select;  // SELECT <every column> FROM "Audit"
};
AuditColumns auditColumns();

// Reads rows of a query with parameter values, each value brought to its column's type.
using TrailReader =
    std::function<Rows(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>& columns)>;

// Verifies the trail: every entry's hash against the one before it and against its content, and
// the head against the newest entry. With `newest`, only that many of the newest entries are
// verified (the check made whenever a store is opened); without, all of them, a page at a time
// (`progress` hears how many). One line per entry that does not fit, the first one first, at most
// a score of them; empty when the trail is whole.
QStringList verifyAuditChain(const TrailReader& read, std::optional<int> newest = std::nullopt,
                             const std::function<void(qint64 done, qint64 total)>& progress = {});

// The same, with the entries and the head read from one snapshot of the store (`run` runs one
// statement on the connection `read` reads through): read by separate statements, another copy's
// write committed between them would look like an entry added past the trail's triggers, and a
// trail being written to would be reported damaged.
QStringList verifyAuditChainAtOnce(bool server, const std::function<void(const QString& sql)>& run,
                                   const TrailReader& read, std::optional<int> newest = std::nullopt,
                                   const std::function<void(qint64 done, qint64 total)>& progress = {});

}  // namespace records
