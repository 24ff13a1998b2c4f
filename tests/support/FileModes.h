#pragma once
// File modes in tests: a file's permission bits, the file-creation mask for a scope, and a folder
// set up for a group.

#include <sys/stat.h>
#include <QFile>
#include <QString>

// The permission bits of `path` (0 when it cannot be looked at).
inline unsigned modeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

// Sets the process's file-creation mask for a scope.
class Umask {
 public:
  explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
  ~Umask() { ::umask(saved_); }
  Umask(const Umask&) = delete;
  Umask& operator=(const Umask&) = delete;

 private:
  mode_t saved_;
};

// Gives the folder `dir` the permission bits `mode` (02770: a clinic's group folder).
inline bool setFolderMode(const QString& dir, unsigned mode) {
  return ::chmod(QFile::encodeName(dir).constData(), static_cast<mode_t>(mode)) == 0;
}
