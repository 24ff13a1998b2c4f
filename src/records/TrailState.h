#pragma once
// What a store's audit trail is like when the store is opened, and how the trail of a store made by
// an earlier version is brought up to this one: added where there was none, its entries chained,
// oldest first, where they had no hashes. Nothing of what earlier versions stored is lost.
//
// A store file made or upgraded by this version says so in its header (PRAGMA user_version), so
// that a trail removed from it later is told from one that never was: such a trail is never made
// anew. On a server the trail's functions and its head stay behind when the table goes. A trail
// that is not whole (removed, without its head or the triggers that keep it) is Damaged, and no
// change is stored into such a store until it is mended.

#include <QString>

namespace records {

class StoreBackend;
class PostgresBackend;

struct TrailState {
  enum class Kind {
    Kept,     // whole, as this version keeps it
    Earlier,  // a store of an earlier version: no trail yet, or entries without their chain
    Damaged,  // removed, cut short, or without what keeps it: `found` says what
    Foreign,  // not a store of this program (no Patient table)
  };
  Kind kind = Kind::Foreign;
  QString found;          // Damaged: what was found, as a clause ("the table Audit is missing ...")
  bool hasTable = false;  // the table Audit is there
  bool hasJournal = false;
  bool mayUpgrade = true;  // on a server: this login owns the tables
  QString schema;          // on a server: the schema of the tables
};

TrailState inspectFileTrail(StoreBackend& file);
TrailState inspectServerTrail(StoreBackend& server);

// Adds or chains the trail of an earlier version's store file, in one transaction; a store that
// another copy brought up meanwhile is left as it is. Throws StoreRefusal.
void upgradeFileTrail(StoreBackend& file);
// The same on a server, by the tables' owner; the journal's function is made safe on the way.
// Throws StoreRefusal.
void upgradeServerTrail(PostgresBackend& server);

}  // namespace records
