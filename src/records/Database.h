#pragma once
// Where the store file lives, and how an empty one comes into being.
//
// The program never creates a database on its own: the start-up box offers it, and
// `halcyra-tool init-db DIR` does it on the command line. Both call createDatabase.

#include <QString>

namespace records {

// The store file's name in the database directory.
inline constexpr const char* kDatabaseFileName = "Brell_Data.db";

// The full path of the store file in `dir`.
QString databasePath(const QString& dir);

// Creates an empty store with the three tables in `dir` and returns its path. Refuses, with a
// DataError naming the file, when the directory does not exist or a file of that name is already
// there (an existing database is never touched). The file appears complete or not at all: it is
// built under a temporary name and renamed into place. Only its owner may read and write it, or
// also the group of a folder set up for one (records/HealthFiles.h).
QString createDatabase(const QString& dir);

}  // namespace records
