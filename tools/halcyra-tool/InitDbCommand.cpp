// halcyra-tool init-db: creates an empty patient database in a directory or on a server.
//
//   init-db DIR    writes DIR/Brell_Data.db with the Patient, Course and Imagedb tables
//   init-db URI    creates the tables in the empty server database postgresql://..., with the
//                  functions and triggers of the journal and the audit trail, and gives the role
//                  halcyra_clinic the rights to read and write their rows (the role is made
//                  when the login may). Run with the database owner's login, an ordinary one:
//                  a superuser, or a database a superuser owns, is refused with how to set up.
//
// Never touches an existing file, nor a database that already holds the tables. Exit status 0 on
// success, 1 when the database cannot be created (the message on stderr names the file or the
// database and the reason), 2 for wrong arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/StoreLocation.h"

namespace {

constexpr const char* kUsage = "init-db DIR|URI";

int run(const CommandArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  try {
    const QString target = QString::fromLocal8Bit(args[0].c_str());
    warnAboutConnection(target, "init-db");
    const QString path = records::createDatabase(target, terminalPasswordPrompt());
    std::printf("Created the empty database %s\n", path.toLocal8Bit().constData());
    if (records::isServerUri(target)) {
      std::printf("Workstation logins need the role %s: GRANT %s TO login;\n", records::kClinicRole,
                  records::kClinicRole);
    }
    return 0;
  } catch (const records::DataError& e) {
    tool::error("init-db", e.message());
    return 1;
  }
}

const RegisterCommand reg{"init-db", kUsage, &run};

}  // namespace
