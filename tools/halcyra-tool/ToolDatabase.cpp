#include "ToolDatabase.h"

#include "ToolText.h"

#include <cstdio>
#include <functional>

#include "base/Directories.h"
#include "course/OpenCourse.h"
#include "records/Data.h"
#include "records/DataError.h"
#include "records/Database.h"

namespace {

bool report(const std::function<TDataPatient::ConnectResult()>& connect, const QString& dir, const char* command) {
  DBDir = dir;
  try {
    switch (connect()) {
      case TDataPatient::ConnectResult::NoDirectory:
        std::fprintf(stderr, "halcyra-tool %s: no database directory given\n", command);
        return false;
      case TDataPatient::ConnectResult::NoDatabase:
        tool::error(command, QStringLiteral("there is no database %1 (create one with halcyra-tool init-db)")
                                 .arg(records::databasePath(dir)));
        return false;
      case TDataPatient::ConnectResult::Connected:
        return true;
    }
  } catch (const records::DataError& e) {
    tool::error(command, e.message());
  }
  return false;
}

}  // namespace

bool openToolDatabase(TDataPatient& data, const QString& dir, const char* command) {
  return report([&data] { return data.DataModuleCreate(); }, dir, command);
}

bool openToolDatabase(course::OpenCourse& course, const QString& dir, const char* command) {
  return report([&course] { return course.connectDatabase(); }, dir, command);
}
