#include "base/BoundedRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace files {

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// What a path names when it is not a regular file.
QString whatItIs(mode_t mode) {
  if (S_ISDIR(mode)) return QStringLiteral("a folder");
  if (S_ISFIFO(mode)) return QStringLiteral("a pipe");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
  if (S_ISSOCK(mode)) return QStringLiteral("a socket");
  return QStringLiteral("something other than a file");
}

// Closes the descriptor on every way out.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

QString sizeText(qint64 bytes) {
  if (bytes < 1024) return QStringLiteral("%1 bytes").arg(bytes);
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes);
  int unit = -1;
  while (value >= 1024 && unit < 3) {
    value /= 1024;
    ++unit;
  }
  // One decimal, left out where it is 0: "1.5 KB", "100 MB", "20.5 GB".
  QString number = QString::number(value, 'f', 1);
  if (number.endsWith(QLatin1String(".0"))) number.chop(2);
  return QStringLiteral("%1 %2").arg(number, QLatin1String(units[unit]));
}

QByteArray readBounded(const QString& path, qint64 limit, const QString& kind) {
  const QString shown = QDir::toNativeSeparators(path);
  // O_NONBLOCK: opening a pipe that nobody writes returns at once instead of waiting for a writer;
  // a regular file reads as it always does.
  Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0) {
    const int error = errno;
    throw ReadError(ReadError::Problem::CannotOpen,
                    QStringLiteral("Cannot open \"%1\": %2.").arg(shown, systemReason(error)), systemReason(error));
  }
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) {
    const int error = errno;
    throw ReadError(ReadError::Problem::CannotRead,
                    QStringLiteral("Cannot read \"%1\": %2.").arg(shown, systemReason(error)), systemReason(error));
  }
  if (!S_ISREG(info.st_mode)) {
    throw ReadError(ReadError::Problem::NotAFile,
                    QStringLiteral("\"%1\" is %2, not a file: %3 is read only from a file.")
                        .arg(shown, whatItIs(info.st_mode), kind));
  }
  const auto tooLarge = [&](qint64 size) {
    // Sizes that round to the same text are given in bytes.
    QString sizeShown = sizeText(size), limitShown = sizeText(limit);
    if (sizeShown == limitShown) {
      sizeShown = QStringLiteral("%1 bytes").arg(size);
      limitShown = QStringLiteral("%1 bytes").arg(limit);
    }
    return ReadError(
        ReadError::Problem::TooLarge,
        QStringLiteral("\"%1\" is %2, more than %3 can be (at most %4).").arg(shown, sizeShown, kind, limitShown));
  };
  if (info.st_size > limit) throw tooLarge(info.st_size);

  // Up to one byte beyond the limit: a file that grew meanwhile is caught, and never held whole.
  QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
  qint64 done = 0;
  char spare = 0;
  for (;;) {
    char* into = done < bytes.size() ? bytes.data() + done : &spare;
    const qint64 want = done < bytes.size() ? bytes.size() - done : 1;
    const ssize_t n = ::read(file.fd, into, static_cast<std::size_t>(want));
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw ReadError(ReadError::Problem::CannotRead,
                      QStringLiteral("Cannot read \"%1\": %2.").arg(shown, systemReason(error)), systemReason(error));
    }
    if (n == 0) break;
    if (done >= bytes.size()) {
      // The file is longer than it was when looked at: take the rest, within the limit.
      if (bytes.size() >= limit) throw tooLarge(bytes.size() + 1);
      bytes.append(spare);
    }
    done += n;
  }
  bytes.truncate(static_cast<qsizetype>(done));
  return bytes;
}

}  // namespace files
