// halcyra-tool check: whether a store is sound.
//
//   check DIR    prints "ok" and exits 0 for a sound store; otherwise one line per problem
//                (maintenance/StoreCheck.h lists what is checked) and exit status 1
//
// DIR is a folder with the store file or a database server's URI; on a server every check but the
// file's own integrity check is made (the server looks after its pages itself). The whole audit
// trail is verified on both: each entry against the one before it, and the newest against the
// trail's head. A store file that
// cannot be opened at all is one problem; a folder without one, or a server that cannot be
// reached, is said on stderr with exit status 1. Exit status 2 for wrong arguments. While the
// courses and photographs are read, a progress line goes to stderr when that is a terminal.

#include <QFileInfo>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "base/OneLine.h"
#include "maintenance/StoreCheck.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/StoreLocation.h"

namespace {

constexpr const char* kUsage = "check DIR";

int run(const CommandArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(args[0].c_str());
  const records::StoreLocation where = records::parseStoreLocation(dir);
  if (where.kind == records::StoreLocation::Kind::Folder && !QFileInfo::exists(records::databasePath(dir))) {
    tool::error("check", QStringLiteral("there is no database %1").arg(records::databasePath(dir)));
    return 1;
  }

  QStringList problems;
  records::Connection store;
  store.setPatience(records::Patience::LongWork);  // a department's whole store is read
  warnAboutConnection(dir, "check");
  try {
    records::openStore(store, dir, terminalPasswordPrompt());
  } catch (const records::DataError& e) {
    // A server that cannot be reached, or a database there without this program's tables, leaves
    // nothing to check; a store file that cannot be opened is damaged, or no database at all.
    if (where.isServer()) {
      tool::error("check", e.message());
      return 1;
    }
    problems << e.message();
  }
  if (store.isOpen()) {
    try {
#ifdef Q_OS_UNIX
      const bool terminal = ::isatty(STDERR_FILENO) != 0;
#else
      const bool terminal = false;
#endif
      problems = maintenance::checkStore(store, [terminal](const QString& line) {
        if (terminal) std::fprintf(stderr, "\r%s", text::controlsEscaped(line).toLocal8Bit().constData());
      });
      if (terminal) std::fprintf(stderr, "\r\033[K");
    } catch (const records::DataError& e) {
      problems << e.message();
    }
  }
  if (problems.isEmpty()) {
    std::printf("ok\n");
    return 0;
  }
  // A problem names rows by what they hold: no control character of it reaches the terminal.
  for (const QString& problem : problems) std::printf("%s\n", text::controlsEscaped(problem).toUtf8().constData());
  return 1;
}

const RegisterCommand reg{"check", kUsage, &run};

}  // namespace
