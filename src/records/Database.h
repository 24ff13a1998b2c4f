#pragma once
// Where the store file lives, and how an empty one comes into being.
//
// The program never creates a database on its own: the start-up box offers it, and
// `halcyra-tool init-db DIR` does it on the command line. Both call createDatabase.

#include <QString>

#include "records/StoreLocation.h"

namespace records {

class Connection;

// The store file's name in the database directory.
inline constexpr const char* kDatabaseFileName = "Brell_Data.db";

// The full path of the store file in `dir`.
QString databasePath(const QString& dir);

// Creates an empty store with the three tables in `dir` and returns its path. Refuses, with a
// DataError naming the file, when the directory does not exist or a file of that name is already
// there (an existing database is never touched). The file appears complete or not at all: it is
// built under a temporary name and renamed into place. Only its owner may read and write it, or
// also the group of a folder set up for one (records/HealthFiles.h).
//
// `dir` may also be a postgresql:// URI naming an existing, empty database on a server: the tables
// (and the change journal and the audit trail) are created there in one transaction, together
// with the role halcyra_clinic, which may read and write the rows of the three tables, and read
// and add audit entries, but neither change nor delete entries nor change or drop the tables; a
// database that already holds any of them is refused and left as it is. Returns the URI as it may
// be shown.
QString createDatabase(const QString& dir, const PasswordPrompt& askPassword = {});

// The role every workstation's login is given on a server.
inline constexpr const char* kClinicRole = "halcyra_clinic";

// Connects `connection` to an existing store named by a folder or a URI, as the program does;
// a folder without a store file raises DataError naming the file and init-db.
void openStore(Connection& connection, const QString& dirOrUri, const PasswordPrompt& askPassword = {});

}  // namespace records
