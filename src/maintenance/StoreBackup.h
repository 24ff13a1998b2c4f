#pragma once
// A backup of a store file, for `halcyra-tool backup`: a consistent copy taken while other copies
// of the program keep reading and writing.
//
// The copy is the database as one moment's transaction sees it (the engine's VACUUM INTO, which
// reads under one snapshot and never holds up writers). It is written under a temporary name
// beside the target, flushed to the disk, checked with the engine's integrity check, and only
// then given its name, so a cut-off backup never passes for a whole one. An existing file is never
// replaced. The copy holds health records: only its owner may read it (or the group of a folder
// set up for one; records/HealthFiles.h).

#include <QString>
#include <vector>

namespace maintenance {

struct TableCount {
  QString table;
  qint64 rows = 0;
};

struct BackupResult {
  QString copy;                    // the absolute path of the copy
  std::vector<TableCount> counts;  // rows per table in the copy: Patient, Course, Imagedb
};

// Copies the store file `storeFile` to `target`. Raises records::DataError naming the file and
// the reason when the store cannot be read, the target exists or cannot be written, or the copy
// does not pass the integrity check; nothing is left under the target's name then.
BackupResult backupStore(const QString& storeFile, const QString& target);

}  // namespace maintenance
