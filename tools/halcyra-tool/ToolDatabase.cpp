#include "ToolDatabase.h"

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
        std::fprintf(stderr, "halcyra-tool %s: there is no database %s (create one with halcyra-tool init-db)\n",
                     command, records::databasePath(dir).toLocal8Bit().constData());
        return false;
      case TDataPatient::ConnectResult::Connected:
        return true;
    }
  } catch (const records::DataError& e) {
    std::fprintf(stderr, "halcyra-tool %s: %s\n", command, e.message().toLocal8Bit().constData());
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
