#pragma once
// Copying every patient, course and photograph of one store into another, with the audit trail, in
// either direction between a store file and a server database: how a department moves its file
// onto a server (and back). `halcyra-tool copy-db` calls it.
//
// The target must already have the tables (init-db) and hold no rows: a target with patients,
// courses, photographs or audit entries is refused and left as it is. Everything is written in one
// transaction on the target, so a failure part-way leaves the target as it was. Every column is
// copied as it is stored, photograph and entry numbers included; patients keep the order in which
// they were added.
//
// The copy itself writes no audit entries: it changes no record. The target holds afterwards
// exactly the source's rows with their own history (each entry with its original time, account,
// workstation and program), and an entry per copied row would put the copier's name on every
// record and double the trail. On a server the trail's triggers on the three tables are switched
// off for the copy's transaction only, which takes the owner's login; the entries copied keep
// their hashes, which the server checks one by one as they are chained.
//
// A source whose audit trail does not verify (records/AuditChain.h) is refused: its entries would
// be carried into a new store that seemed whole.

#include <QString>
#include <functional>

namespace records {

class Connection;

struct CopyCounts {
  qint64 patients = 0;
  qint64 courses = 0;
  qint64 photographs = 0;
  qint64 auditEntries = 0;
};

// Copies `from` into `to`; `progress` (optional) hears each table's name and rows copied so far
// now and then. Raises DataError naming the store and the reason.
CopyCounts copyStore(Connection& from, Connection& to,
                     const std::function<void(const QString& table, qint64 rows)>& progress = {});

}  // namespace records
