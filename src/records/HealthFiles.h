#pragma once
// Who may read the files that hold health records: a new database file, the write-ahead log and
// shared-memory files beside it (the database engine gives them the database file's own mode),
// and a backup copy.
//
// The rule (base/PrivateFiles.h): readable and writable by the owner only. The one exception is a
// folder set up for a group, as a clinic's shared folder is: a folder whose set-group-ID bit is on
// and whose group may write in it. New files there belong to the folder's group (the system sees to
// that), and that group may read and write them as well; other users never can.
//
// Only new files are given this mode, on their open descriptor before any data is written; an
// existing database keeps the mode it has.

#include <QString>

class QFileDevice;

namespace records {

// Whether `dir` is a folder set up for a group (see above).
bool isGroupFolder(const QString& dir);

// The permission bits a new health-record file in `dir` gets: 0600, or 0660 in a group folder.
unsigned healthFileMode(const QString& dir);

// Gives `file`, a new file in `dir` that is open, that mode, whatever the process's file-creation
// mask. Raises DataError naming the file when the system refuses.
void restrictHealthFile(QFileDevice& file, const QString& dir);

}  // namespace records
