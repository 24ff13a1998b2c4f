// halcyra-tool check: whether a store is sound.
//
//   check DIR    prints "ok" and exits 0 for a sound store; otherwise one line per problem
//                (maintenance/StoreCheck.h lists what is checked) and exit status 1
//
// A store that cannot be opened at all is one problem. Exit status 2 for wrong arguments. While
// photographs are decoded, a progress line goes to stderr when that is a terminal.

#include <QFileInfo>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "Command.h"
#include "maintenance/ServerAddress.h"
#include "maintenance/StoreCheck.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"

namespace {

constexpr const char* kUsage = "check DIR";

int run(const CommandArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(args[0].c_str());
  if (maintenance::isServerAddress(dir)) {
    std::fprintf(stderr, "halcyra-tool check: %s is a database server; this copy of halcyra-tool checks database "
                         "files only.\n", args[0].c_str());
    return 1;
  }
  const QString file = records::databasePath(dir);
  if (!QFileInfo::exists(file)) {
    std::fprintf(stderr, "halcyra-tool check: there is no database %s\n", file.toLocal8Bit().constData());
    return 1;
  }

  QStringList problems;
  records::Connection store;
  try {
    store.open(file);
#ifdef Q_OS_UNIX
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
#else
    const bool terminal = false;
#endif
    problems = maintenance::checkStore(store, [terminal](const QString& line) {
      if (terminal) std::fprintf(stderr, "\r%s", line.toLocal8Bit().constData());
    });
    if (terminal) std::fprintf(stderr, "\r\033[K");
  } catch (const records::DataError& e) {
    problems << e.message();
  }
  if (problems.isEmpty()) {
    std::printf("ok\n");
    return 0;
  }
  for (const QString& problem : problems) std::printf("%s\n", problem.toUtf8().constData());
  return 1;
}

const RegisterCommand reg{"check", kUsage, &run};

}  // namespace
