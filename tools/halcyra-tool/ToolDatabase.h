#pragma once
// Opening the database in a directory for a subcommand, as the program does at start-up but
// without ever offering to create one. A server that wants a password asks for it on the terminal
// without echoing it, when standard input is one; otherwise the password comes from ~/.pgpass or
// PGPASSWORD, as the PostgreSQL client library reads them, and never from the command line.

#include <QString>

#include "records/StoreLocation.h"

namespace records {
class Store;
}
namespace course {
class OpenCourse;
}

// Connects `data` (or the open course's data module) to the database in `dir`. On failure prints a
// message naming the file, prefixed with "halcyra-tool <command>: ", on stderr and returns false.
bool openToolDatabase(records::Store& data, const QString& dir, const char* command);
bool openToolDatabase(course::OpenCourse& course, const QString& dir, const char* command);

// Asks for a password on the terminal, without echo, when standard input is a terminal; gives
// nothing otherwise (the server's refusal then says where the password may come from).
records::PasswordPrompt terminalPasswordPrompt();

// Says on stderr, "halcyra-tool <command>: warning: ...", why the connection to a server over the
// network is weaker than sslmode=verify-full, when the address names a weaker mode.
void warnAboutConnection(const QString& dirOrUri, const char* command);
