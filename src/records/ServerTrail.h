#pragma once
// What a server database holds besides the tables: the functions and triggers that keep the change
// journal and the audit trail, and who may do what.
//
// The server writes the audit trail itself: triggers on Patient, Course and Imagedb (PatientAudit,
// CourseAudit, ImagedbAudit) write each entry with the change, with the same columns and the same
// text of the changes as the program writes into a store file (records/AuditTrail.h), the database
// login (session_user) and the address it connected from, and the account, workstation and program
// the connection names (halcyra.account, halcyra.workstation and halcyra.program; psql and other
// clients name none, and are recorded by their login and application name). A change made with
// any client is recorded, and the clinic's role may read entries but not add, change or delete one.
// A trigger on Audit (AuditChained) chains every entry to the newest one and moves the head.
//
// Every function runs with search_path set to pg_catalog and pg_temp, last, and names every table
// and function of the store with its schema: a temporary table or function that a login made
// cannot stand in for one of the store's, also in the functions that run with the owner's rights
// (SECURITY DEFINER). No one but the owner may call them directly (EXECUTE is revoked from
// PUBLIC), and nobody but the owner may create anything in the database or its schema, temporary
// tables included.

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace records {

// The schema's name in double quotes, as the statements name it: "public".
QString quotedSchema(const QString& schema);

// The functions of the journal and the trail, CREATE OR REPLACE, in the order they need each
// other.
QStringList serverFunctions(const QString& schema);
// Chains the entries an earlier version wrote, oldest first, and sets the head to the newest: run
// once, before the trail's triggers are put on (UPDATE of entries is refused from then on).
QString serverChainEntries(const QString& schema);
// The triggers (dropped first where they exist, so that the statements may run again).
QStringList serverTriggers(const QString& schema);
// Who may do what: EXECUTE of the functions revoked from PUBLIC; the clinic's role may read,
// add, change and delete rows of the three tables, read the journal and the trail, and nothing
// else; TEMPORARY and CREATE on the database and CREATE on the schema revoked from PUBLIC where
// this login owns them.
QStringList serverRights(const QString& schema, const QString& clinicRole);

// Functions and triggers a sound store holds: {table, trigger}; and the functions' names.
std::vector<std::pair<QString, QString>> serverTriggerNames();
QStringList serverFunctionNames();
// How every function's search path is set (pg_proc.proconfig holds it so).
inline constexpr const char* kFunctionSearchPath = "search_path=pg_catalog, pg_temp";

}  // namespace records
