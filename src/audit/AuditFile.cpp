#include "audit/AuditFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include "records/DataError.h"
#include "records/HealthFiles.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#endif

namespace audit {

void writeAuditFile(const QString& path, const QByteArray& bytes) {
  const QString shown = QFileInfo(path).absoluteFilePath();
  auto fail = [&](const QString& reason) {
    throw records::DataError(QStringLiteral("Could not write %1: %2.").arg(shown, reason));
  };
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) fail(file.errorString());
#ifdef Q_OS_UNIX
  // On the open file before anything is written: not even a moment readable by others.
  const auto mode = static_cast<mode_t>(records::healthFileMode(QFileInfo(shown).absolutePath()));
  if (::fchmod(file.handle(), mode) != 0) {
    file.cancelWriting();
    fail(QString::fromLocal8Bit(std::strerror(errno)));
  }
#endif
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    fail(reason);
  }
  if (!file.commit()) fail(file.errorString());
}

}  // namespace audit
