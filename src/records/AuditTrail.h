#pragma once
// The audit trail: every change that the program or halcyra-tool stores in a patient, course or
// photograph row is recorded in the table "Audit", in the same transaction as the change, so that
// the change and its entry are stored together or not at all.
//
// An entry says when it was written (the store's clock, in UTC), who wrote it (the operating-system
// account and the workstation's host name), with what ("halcyra", or the tool's subcommand such as
// "halcyra-tool import"), which row (its table, and its Hosp, CourseID and ImageID) and what
// changed: each changed column with its value before and after, a byte column with its size, as
// one line of text. Entries carry the patient's NHI, so that a patient's entries are found through
// an index.
//
// Nothing in the program changes or deletes an entry, and the store refuses it too: triggers on
// both engines refuse UPDATE and DELETE of audit rows, and on a server the clinic's role may only
// add entries and read them.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "records/Dialect.h"
#include "records/Schema.h"

namespace records {

class Connection;

// ---- who writes

// Who makes this process's changes: the account and the workstation are read once; the program is
// "halcyra" unless setAuditProgram named another.
struct AuditSource {
  QString account;
  QString workstation;
  QString program;
};
AuditSource auditSource();
void setAuditProgram(const QString& program);

// ---- the table

inline constexpr const char* kAuditTable = "Audit";
// Its columns, in order (what copying a store copies).
const TableDef& auditTable();
// CREATE TABLE, its index on the patient and the triggers that keep entries as written.
QStringList auditStatements(const Dialect& dialect);
// On a server: what the clinic's role may do with entries: read them, and add them with every
// column but the number and the time, which the server gives.
QStringList auditGrantStatements(const QString& role);

// ---- writing an entry

enum class AuditAction { Added, Changed, Deleted };
QString auditActionName(AuditAction action);  // "added", "changed", "deleted"

// A row's values in its table's column order. A byte column may hold its size instead of its
// bytes (a deleted row is read so).
using RowValues = std::vector<QVariant>;

// One value as an entry writes it: text in double quotes, a whole number, a real number as its
// shortest exact form, a date-time as "yyyy-MM-dd HH:mm:ss" (".zzz" when it has milliseconds),
// true or false, "N bytes" for a byte column, and null. Never holds a tab or a line break.
QString auditValue(const ColumnDef& column, const QVariant& value);

// The one-line text of what a change did to a row, the columns separated by "; ":
//   Changed: each of `columns` whose value differs, "SurN: \"Smith\" -> \"Smyth\"";
//   Added:   each column the new row holds, "SurN: \"Example\"";
//   Deleted: each column the row held.
// Hosp, CourseID and ImageID, which the entry keeps as its key, are left out unless changed.
// Empty when nothing changed.
QString describeChange(const TableDef& table, AuditAction action, const RowValues& before, const RowValues& after,
                       const std::vector<int>& columns = {});

// Writes an entry for a change of `row` (its values give the key) inside the connection's
// current transaction. Raises DataError when the store refuses it; the caller's transaction then
// keeps nothing of the change either.
void writeAuditEntry(Connection& connection, const TableDef& table, AuditAction action, const RowValues& row,
                     const QString& changes);

// ---- reading

struct AuditEntry {
  QString when;  // "2024-03-14T09:12:33.123Z"
  QString account, workstation, program, table, action, changes;
  QVariant hosp, courseId, imageId;

  // "Hosp=ABC1234, CourseID=2, ImageID=17": the parts the row has.
  QString key() const;
  // when<TAB>account<TAB>workstation<TAB>program<TAB>table<TAB>key<TAB>action changes, with
  // tabs, line breaks and other control characters inside the fields escaped.
  QString line() const;
};

// The entries of the patient with exactly this NHI, oldest first.
std::vector<AuditEntry> patientAudit(Connection& connection, const QString& hosp);

}  // namespace records
