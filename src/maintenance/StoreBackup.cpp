#include "maintenance/StoreBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "records/Connection.h"
#include "records/DataError.h"
#include "records/HealthFiles.h"
#include "records/Schema.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace maintenance {
namespace {

using records::DataError;

// Flushes a file (or a folder's entries) to the disk.
bool flushToDisk(const QString& path) {
#ifdef Q_OS_UNIX
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
#else
  Q_UNUSED(path);
  return true;
#endif
}

void removeWithCompanions(const QString& file) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) QFile::remove(file + QLatin1String(suffix));
}

// The copy's own check and its counts per table.
std::vector<TableCount> verify(const QString& copy) {
  records::Connection connection;
  connection.open(copy);
  static const records::ColumnDef text{QStringLiteral("text"), records::ColumnKind::Text};
  static const records::ColumnDef whole{QStringLiteral("whole"), records::ColumnKind::Integer};
  QStringList problems;
  for (const auto& row :
       connection.select(QStringLiteral("PRAGMA integrity_check"), {}, {&text}, QStringLiteral("check the copy"))) {
    if (row.front().toString() != QLatin1String("ok")) problems << row.front().toString();
  }
  if (!problems.isEmpty()) {
    throw DataError(
        QStringLiteral("The copy does not pass the integrity check: %1").arg(problems.join(QStringLiteral("; "))));
  }
  std::vector<TableCount> counts;
  for (const records::TableDef* table : {&records::patientTable(), &records::courseTable(), &records::imageTable()}) {
    const auto rows = connection.select(QStringLiteral("SELECT COUNT(*) FROM %1").arg(records::quoted(table->name)), {},
                                        {&whole}, QStringLiteral("count the rows of the copy"));
    counts.push_back({table->name, rows.front().front().toLongLong()});
  }
  return counts;
}

}  // namespace

BackupResult backupStore(const QString& storeFile, const QString& target) {
  const QFileInfo targetInfo(target);
  const QString copy = targetInfo.absoluteFilePath();
  if (targetInfo.exists() || targetInfo.isSymLink()) {
    throw DataError(QStringLiteral("%1 already exists; a backup never replaces a file. Name a new file.").arg(copy));
  }
  const QString dir = targetInfo.absolutePath();
  if (!QFileInfo(dir).isDir()) {
    throw DataError(QStringLiteral("Cannot write the backup %1: the folder %2 does not exist.").arg(copy, dir));
  }

  records::Connection store;
  store.open(storeFile);

  // An empty file of the copy's mode under a temporary name: the engine fills it.
  QString temp;
  {
    QTemporaryFile file(QDir(dir).filePath(QStringLiteral(".%1-XXXXXX").arg(targetInfo.fileName())));
    file.setAutoRemove(false);
    if (!file.open()) throw DataError(QStringLiteral("Cannot write the backup %1: %2").arg(copy, file.errorString()));
    temp = file.fileName();
    // The copy's mode is set on the open file before the engine writes anything into it.
    try {
      records::restrictHealthFile(file, dir);
    } catch (...) {
      file.remove();
      throw;
    }
  }
  try {
    store.select(QStringLiteral("VACUUM INTO ?"), {temp}, {}, QStringLiteral("copy the database to %1").arg(copy));
    store.close();
    if (!flushToDisk(temp)) throw DataError(QStringLiteral("Cannot write the backup %1 to the disk.").arg(copy));
    BackupResult result{copy, verify(temp)};
    // The name is given last and never over an existing file.
    if (!QFile::rename(temp, copy)) {
      throw DataError(QStringLiteral("Cannot give the backup its name %1%2.")
                          .arg(copy, QFileInfo::exists(copy)
                                         ? QStringLiteral(": a file of that name appeared meanwhile")
                                         : QString()));
    }
    flushToDisk(dir);
    return result;
  } catch (...) {
    removeWithCompanions(temp);
    throw;
  }
}

}  // namespace maintenance
