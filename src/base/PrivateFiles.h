#pragma once
// Files that hold patient data (the database and its backups, an exported PDF report, a saved
// prepared report): who may read them, and how they are written.
//
// The rule: readable and writable by the owner only (0600). The one exception is a folder set up
// for a group, as a clinic's shared folder is: a folder whose set-group-ID bit is on and whose
// group may write in it. New files there belong to the folder's group (the system sees to that),
// and that group may read and write them as well (0660); other users never can.
//
// A file is given its mode on the open descriptor before the first byte of data goes into it, so
// that no moment exists in which another user could open it, whatever the process's file-creation
// mask. It is written beside its place under a hidden name of its own, ".NAME.XXXXXXXX.part",
// flushed to the disk and then put in place in one step, so that a file already there is replaced
// whole or not at all. While it is written the part file is locked: a part file that nobody holds
// locked was left by a copy of the program that was killed or lost its power, and is removed the
// next time a file is written into that folder.

#include <QString>
#include <functional>
#include <stdexcept>

namespace files {

class WriteError : public std::runtime_error {
 public:
  explicit WriteError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// Whether `dir` is a folder set up for a group (see above).
bool isGroupFolder(const QString& dir);

// The permission bits of a file with patient data in `dir`: 0600, or 0660 in a group folder.
unsigned privateFileMode(const QString& dir);

// Gives the open file `fd`, which lies in `dir`, that mode. False (errno set) when the system
// refuses.
bool restrictOpenFile(int fd, const QString& dir);

// Writes the file at `path` as described above. `write` is handed the open descriptor, whose mode
// is already set, and writes the whole content through it (writeAll helps); it raises when it
// cannot. A folder that takes no new files may still let a file already there be overwritten: the
// file is then written in place, after its mode has been set. Raises WriteError "Cannot write
// "<path>": <the system's reason>"; an exception of `write` passes through. Either way the part
// file is gone.
void writePrivateFile(const QString& path, const std::function<void(int fd)>& write);

// Writes all `size` bytes to `fd`. False with errno set when the system refuses.
bool writeAll(int fd, const char* data, qint64 size);

// Removes the part files in `dir` that were left behind (see above): hidden files named like
// ".NAME.XXXXXXXX.part" (eight hexadecimal digits) that belong to the user and that no process
// holds locked. Returns how many were removed.
int removeStaleParts(const QString& dir);

}  // namespace files
