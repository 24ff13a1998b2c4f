#pragma once
// The audit trail: every change that the program, halcyra-tool, or anyone else with a login stores
// in a patient, course or photograph row is recorded in the table "Audit", in the same transaction
// as the change, so that the change and its entry are stored together or not at all.
//
// An entry says when it was written (the store's clock, in UTC), who wrote it (the operating-system
// account and the workstation's host name the writing program names, and on a server the database
// login and the address it connected from, which the server itself knows), with what ("halcyra",
// or the tool's subcommand such as "halcyra-tool import"), which row (its table, and its Hosp,
// CourseID and ImageID) and what changed: each changed column with its value before and after, a
// byte column with its size, as one line of text. Entries carry the patient's NHI, so that a
// patient's entries are found through an index.
//
// Who writes the entries: in a store file the program, beside each change it makes; on a server
// the server, from triggers on the three tables (records/ServerTrail.h), so that a change made
// with any other client is recorded as well, and no login of the clinic may add, change or delete
// an entry itself.
//
// The trail shows any rewrite: each entry carries the SHA-256 of its own content and of the entry
// before it (Hash), and the one-row table "AuditHead" names the newest entry and its hash. An entry
// changed, removed or put in between breaks the chain from there on; entries removed from the end
// no longer meet the head. records/AuditChain.h verifies it, `halcyra-tool check` over the whole
// trail. Triggers on both engines refuse UPDATE and DELETE of entries, and an entry that does not
// come after the newest one (INSERT OR REPLACE, a number used before).

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

// ---- the tables

inline constexpr const char* kAuditTable = "Audit";
inline constexpr const char* kAuditHeadTable = "AuditHead";
// The columns of an entry, in order (what copying a store copies): AuditID, WhenUTC, Account,
// Workstation, Program, TableName, Hosp, CourseID, ImageID, Action, Changes, Login, Client, Hash.
// The last three came with the chained trail and stand last, where adding them to an older
// table puts them.
const TableDef& auditTable();
// CREATE TABLE of the trail and its head, with the head's first row, as both engines take them.
QStringList auditTableStatements(const Dialect& dialect);
// The triggers of a store file that keep entries as written and in their chain.
QStringList fileTrailTriggers();
// Names of those triggers, and of the trail's triggers on a server (what a sound store has).
QStringList fileTrailTriggerNames();

// The schema version a store file made or upgraded by this version carries (PRAGMA user_version):
// from it on, a store without its trail is one whose trail was removed.
inline constexpr int kChainedTrailVersion = 2;

// ---- writing an entry

enum class AuditAction { Added, Changed, Deleted };
QString auditActionName(AuditAction action);  // "added", "changed", "deleted"

// A row's values in its table's column order. A byte column may hold its size instead of its
// bytes (a deleted row is read so).
using RowValues = std::vector<QVariant>;

// One value as an entry writes it: text in double quotes, a whole number, a real number as its
// shortest exact form, a date-time as "yyyy-MM-dd HH:mm:ss" (".zzz" when it has milliseconds; a
// value outside the years 1 to 9999 as a real number), true or false, "N bytes" for a byte
// column, and null. Never holds a tab or a line break. The server's triggers write the same text.
QString auditValue(const ColumnDef& column, const QVariant& value);

// The one-line text of what a change did to a row, the columns separated by "; ":
//   Changed: each of `columns` whose value differs, "SurN: \"Smith\" -> \"Smyth\"";
//   Added:   each column the new row holds, "SurN: \"Example\"";
//   Deleted: each column the row held.
// Hosp, CourseID and ImageID, which the entry keeps as its key, are left out unless changed.
// Empty when nothing changed.
QString describeChange(const TableDef& table, AuditAction action, const RowValues& before, const RowValues& after,
                       const std::vector<int>& columns = {});

// Whether the program writes the entries of this connection's changes itself (a store file), or
// the store does (a server).
bool programWritesEntries(const Connection& connection);

// Writes an entry for a change of `row` (its values give the key) inside the connection's current
// transaction, chained to the newest entry. On a server the server's triggers have written it
// already and this does nothing. Raises DataError when the store refuses it, or when the trail's
// newest entry is not the one its head names (entries were removed or added behind the program's
// back); the caller's transaction then keeps nothing of the change either.
void writeAuditEntry(Connection& connection, const TableDef& table, AuditAction action, const RowValues& row,
                     const QString& changes);

// ---- reading

struct AuditEntry {
  QString when;  // "2024-03-14T09:12:33.123Z"
  QString account, workstation, program, table, action, changes;
  QString login, client;  // on a server: the database login and where it connected from
  QVariant hosp, courseId, imageId;

  // "Hosp=ABC1234, CourseID=2, ImageID=17": the parts the row has.
  QString key() const;
  // when<TAB>account<TAB>workstation<TAB>program<TAB>table<TAB>key<TAB>action changes<TAB>login
  // <TAB>client, with tabs, line breaks and other control characters inside the fields escaped.
  QString line() const;
};

// The entries of the patient with exactly this NHI, oldest first.
std::vector<AuditEntry> patientAudit(Connection& connection, const QString& hosp);

}  // namespace records
