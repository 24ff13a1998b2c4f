#include "records/HealthFiles.h"

#include <QFile>
#include <QFileDevice>

#include "records/DataError.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#endif

namespace records {

bool isGroupFolder(const QString& dir) {
#ifdef Q_OS_UNIX
  struct stat info {};
  if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return (info.st_mode & S_ISGID) != 0 && (info.st_mode & S_IWGRP) != 0;
#else
  Q_UNUSED(dir);
  return false;  // elsewhere the file inherits the folder's access list
#endif
}

unsigned healthFileMode(const QString& dir) { return isGroupFolder(dir) ? 0660u : 0600u; }

void restrictHealthFile(const QString& file, const QString& dir) {
#ifdef Q_OS_UNIX
  // chmod is not subject to the file-creation mask, so the mode is exactly the rule's.
  if (::chmod(QFile::encodeName(file).constData(), static_cast<mode_t>(healthFileMode(dir))) != 0) {
    throw DataError(QStringLiteral("Could not restrict who may read %1: %2.")
                        .arg(file, QString::fromLocal8Bit(std::strerror(errno))));
  }
#else
  if (!QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
    throw DataError(QStringLiteral("Could not restrict who may read %1.").arg(file));
  }
  Q_UNUSED(dir);
#endif
}

}  // namespace records
