// halcyra-tool copy-db: copies every patient, course and photograph from one store into another,
// with the audit trail.
//
//   copy-db FROM TO    FROM and TO each a folder with the store file or a postgresql:// URI
//
// How a department moves its file onto a server (copy-db DIR URI) or back. TO must have the tables
// (init-db) and no rows; it is written in one transaction, so a failure leaves it as it was.
// Prints the rows copied per table ("Patient<TAB>n", "Course<TAB>n", "Imagedb<TAB>n", "Audit<TAB>n":
// the audit entries, kept as they were; the copy itself adds none); progress
// goes to stderr. Exit status 0 on success, 1 when either store cannot be opened or the copy is
// refused (the message on stderr says why), 2 for wrong arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/StoreCopy.h"

namespace {

constexpr const char* kUsage = "copy-db FROM TO";

int run(const CommandArgs& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString fromText = QString::fromLocal8Bit(args[0].c_str());
  const QString toText = QString::fromLocal8Bit(args[1].c_str());
  try {
    records::Connection from, to;
    from.setPatience(records::Patience::LongWork);
    to.setPatience(records::Patience::LongWork);
    warnAboutConnection(fromText, "copy-db");
    warnAboutConnection(toText, "copy-db");
    records::openStore(from, fromText, terminalPasswordPrompt());
    records::openStore(to, toText, terminalPasswordPrompt());
    if (from.file() == to.file()) {
      std::fprintf(stderr, "halcyra-tool copy-db: FROM and TO are the same database\n");
      return 1;
    }
    qint64 lastShown = 0;
    const records::CopyCounts counts = records::copyStore(from, to, [&](const QString& table, qint64 rows) {
      if (rows - lastShown >= 20000 || rows < lastShown) {
        std::fprintf(stderr, "%s: %lld rows...\n", table.toLocal8Bit().constData(), static_cast<long long>(rows));
        lastShown = rows;
      }
    });
    std::printf("Patient\t%lld\nCourse\t%lld\nImagedb\t%lld\nAudit\t%lld\n", static_cast<long long>(counts.patients),
                static_cast<long long>(counts.courses), static_cast<long long>(counts.photographs),
                static_cast<long long>(counts.auditEntries));
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const records::DataError& e) {
    tool::error("copy-db", e.message());
    return 1;
  }
}

const RegisterCommand reg{"copy-db", kUsage, &run};

}  // namespace
