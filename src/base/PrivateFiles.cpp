#include "base/PrivateFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace files {

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

WriteError cannotWrite(const QString& path, int error) {
  return WriteError(QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), systemReason(error)));
}

// The part files this program writes: ".NAME.XXXXXXXX.part".
const QRegularExpression& partName() {
  static const QRegularExpression re(QStringLiteral("^\\..+\\.[0-9a-f]{8}\\.part$"));
  return re;
}

// Writes over a file already there, in a folder that takes no new files: the file's mode is made
// the rule's first. Where that is not allowed (a colleague's file in a group folder), a file that
// nobody outside the rule may read is written all the same; any other is refused.
void writeInPlace(const QString& path, const QString& dir, const std::function<void(int)>& write, int createError) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) throw cannotWrite(path, createError);
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  const bool private_ = regular && (restrictOpenFile(fd, dir) || (info.st_mode & 07777 & ~privateFileMode(dir)) == 0);
  if (!regular || !private_ || ::ftruncate(fd, 0) != 0) {
    const int error = !regular ? EINVAL : !private_ ? EPERM : errno;
    ::close(fd);
    throw cannotWrite(path, error);
  }
  try {
    write(fd);
  } catch (...) {
    ::close(fd);
    throw;
  }
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  if (::close(fd) != 0 || !synced) throw cannotWrite(path, synced ? errno : error);
}

}  // namespace

bool isGroupFolder(const QString& dir) {
  struct stat info {};
  if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return (info.st_mode & S_ISGID) != 0 && (info.st_mode & S_IWGRP) != 0;
}

unsigned privateFileMode(const QString& dir) { return isGroupFolder(dir) ? 0660u : 0600u; }

bool restrictOpenFile(int fd, const QString& dir) {
  // fchmod is not subject to the file-creation mask: the mode is exactly the rule's.
  return ::fchmod(fd, static_cast<mode_t>(privateFileMode(dir))) == 0;
}

bool writeAll(int fd, const char* data, qint64 size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, static_cast<std::size_t>(std::min<qint64>(size, qint64(1) << 30)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= n;
  }
  return true;
}

int removeStaleParts(const QString& dir) {
  DIR* folder = ::opendir(QFile::encodeName(dir).constData());
  if (!folder) return 0;
  int removed = 0;
  const int dirFd = ::dirfd(folder);
  while (const dirent* entry = ::readdir(folder)) {
    const QString name = QFile::decodeName(entry->d_name);
    if (!partName().match(name).hasMatch()) continue;
    struct stat named {};
    if (::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode) ||
        named.st_uid != ::geteuid())
      continue;
    const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) continue;
    struct stat opened {};
    // Still the file looked at, and no writer holds it: the copy that wrote it is gone.
    if (::fstat(fd, &opened) == 0 && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlinkat(dirFd, entry->d_name, 0) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(folder);
  return removed;
}

void writePrivateFile(const QString& path, const std::function<void(int fd)>& write) {
  const QFileInfo target(path);
  const QString dir = target.absolutePath();
  removeStaleParts(dir);

  QByteArray part;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    part = QFile::encodeName(
        QDir(dir).filePath(QStringLiteral(".%1.%2.part")
                               .arg(target.fileName())
                               .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))));
    // Created for the owner alone; the exact mode follows on the descriptor before any data.
    fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    const int error = errno;
    // A folder that takes no new files may still let a file there be overwritten.
    if ((error == EACCES || error == EPERM || error == EROFS) && target.exists())
      return writeInPlace(path, dir, write, error);
    throw cannotWrite(path, error);
  }
  const auto fail = [&](int error) {
    ::close(fd);
    ::unlink(part.constData());
    return cannotWrite(path, error);
  };
  // Locked while it is written, so that no other copy takes it for a part left behind.
  if (!restrictOpenFile(fd, dir) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) throw fail(errno);
  try {
    write(fd);
  } catch (...) {
    ::close(fd);
    ::unlink(part.constData());
    throw;
  }
  if (::fsync(fd) != 0) throw fail(errno);
  if (std::rename(part.constData(), QFile::encodeName(path).constData()) != 0) throw fail(errno);
  ::close(fd);
}

}  // namespace files
