// halcyra-tool init-db: creates an empty patient database in a directory.
//
//   init-db DIR    writes DIR/Brell_Data.db with the Patient, Course and Imagedb tables
//
// Never touches an existing file. Exit status 0 on success, 1 when the database cannot be created
// (the message on stderr names the file and the reason), 2 for wrong arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "records/DataError.h"
#include "records/Database.h"

namespace {

constexpr const char* kUsage = "init-db DIR";

int run(const CommandArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  try {
    const QString path = records::createDatabase(QString::fromLocal8Bit(args[0].c_str()));
    std::printf("Created the empty database %s\n", path.toLocal8Bit().constData());
    return 0;
  } catch (const records::DataError& e) {
    std::fprintf(stderr, "halcyra-tool init-db: %s\n", e.message().toLocal8Bit().constData());
    return 1;
  }
}

const RegisterCommand reg{"init-db", kUsage, &run};

}  // namespace
