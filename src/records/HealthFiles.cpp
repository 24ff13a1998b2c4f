#include "records/HealthFiles.h"

#include <QFileDevice>
#include <cerrno>
#include <cstring>

#include "base/PrivateFiles.h"
#include "records/DataError.h"

namespace records {

bool isGroupFolder(const QString& dir) { return files::isGroupFolder(dir); }

unsigned healthFileMode(const QString& dir) { return files::privateFileMode(dir); }

void restrictHealthFile(QFileDevice& file, const QString& dir) {
  if (file.handle() < 0 || !files::restrictOpenFile(file.handle(), dir)) {
    const int error = file.handle() < 0 ? EBADF : errno;
    throw DataError(QStringLiteral("Could not restrict who may read %1: %2.")
                        .arg(file.fileName(), QString::fromLocal8Bit(std::strerror(error))));
  }
}

}  // namespace records
