#pragma once
// Opening the database in a directory for a subcommand, as the program does at start-up but
// without ever offering to create one.

#include <QString>

class TDataPatient;
namespace course {
class OpenCourse;
}

// Connects `data` (or the open course's data module) to the database in `dir`. On failure prints a
// message naming the file, prefixed with "halcyra-tool <command>: ", on stderr and returns false.
bool openToolDatabase(TDataPatient& data, const QString& dir, const char* command);
bool openToolDatabase(course::OpenCourse& course, const QString& dir, const char* command);
