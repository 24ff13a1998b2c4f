// halcyra-tool backup: a consistent copy of a store while other copies of the program keep working.
//
//   backup DIR FILE    copies DIR/Brell_Data.db to FILE, then prints the rows per table:
//                        Backed up /data/Brell_Data.db to /backups/monday.db
//                        Patient<TAB>1204
//                        Course<TAB>2311
//                        Imagedb<TAB>530
//
// FILE must not exist yet. Exit status 0 on success; 1 when the copy cannot be made (the message
// on stderr names the file and the reason; nothing is left under FILE), and for a database server,
// which is backed up with the server's own tools; 2 for wrong arguments.

#include <QFileInfo>
#include <cstdio>

#include "Command.h"
#include "ToolText.h"
#include "maintenance/StoreBackup.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/StoreLocation.h"

namespace {

constexpr const char* kUsage = "backup DIR FILE";

int run(const CommandArgs& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(args[0].c_str());
  const QString target = QString::fromLocal8Bit(args[1].c_str());
  if (records::parseStoreLocation(dir).isServer()) {
    std::fprintf(stderr,
                 "halcyra-tool backup: %s is a database server. Back it up with the server's own tools "
                 "(pg_dump for a copy of the database, or the server's continuous archiving); "
                 "this command copies database files only.\n",
                 args[0].c_str());
    return 1;
  }
  const QString store = records::databasePath(dir);
  if (!QFileInfo::exists(store)) {
    tool::error("backup", QStringLiteral("there is no database %1").arg(store));
    return 1;
  }
  try {
    const maintenance::BackupResult result = maintenance::backupStore(store, target);
    std::printf("Backed up %s to %s\n", QFileInfo(store).absoluteFilePath().toLocal8Bit().constData(),
                result.copy.toLocal8Bit().constData());
    for (const maintenance::TableCount& count : result.counts) {
      std::printf("%s\t%lld\n", count.table.toUtf8().constData(), static_cast<long long>(count.rows));
    }
    return 0;
  } catch (const records::DataError& e) {
    tool::error("backup", e.message());
    return 1;
  }
}

const RegisterCommand reg{"backup", kUsage, &run};

}  // namespace
