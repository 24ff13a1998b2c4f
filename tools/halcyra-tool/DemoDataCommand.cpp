// halcyra-tool demo-data: a working department for the demonstration.
//
//   demo-data DIR --factors FILE
//
// Creates the database in DIR when it has none (an existing one must hold no patients yet) and
// writes eight clearly fictional patients into it through the open course, as a therapist would in
// the window, with the calibration FILE: courses pending, under way and finished, recorded
// treatments with every response and burn grade, increments edited by hand, spots on the body
// diagram, painted photographs with notes (their JPEG files are kept in DIR/demo-photographs), and
// filled assessments and contraindications. Prints what it wrote: "patients<TAB>N", "courses<TAB>N",
// "treatments<TAB>N", "photographs<TAB>N". Exit status 0 on success, 1 when the database cannot be
// made or written, or the factor file cannot be read, 2 for wrong arguments.

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolDatabase.h"
#include "ToolText.h"
#include "base/DateTime.h"
#include "course/CourseError.h"
#include "course/DemoDepartment.h"
#include "course/OpenCourse.h"
#include "dosing/CalibrationCheck.h"
#include "dosing/FactorFile.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/StoreLocation.h"

namespace {

constexpr const char* kUsage = "demo-data DIR --factors FILE";

int fail(const QString& reason) {
  tool::error("demo-data", reason);
  return 1;
}

int run(const CommandArgs& args) {
  if (args.size() != 3 || args[1] != "--factors") {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(args[0].c_str());
  FactorTables tables;
  try {
    tables = dosing::readCalibration(QString::fromLocal8Bit(args[2].c_str()));
  } catch (const dosing::FactorFileError& e) {
    return fail(e.message());
  }
  tool::warnIfDemonstration("demo-data", tables);
  try {
    // A folder without a store gets one; a server's database is made with init-db by its owner.
    if (!records::isServerUri(dir) && !QFileInfo::exists(records::databasePath(dir))) records::createDatabase(dir);
  } catch (const records::DataError& e) {
    return fail(e.message());
  }
  course::OpenCourse course(std::move(tables));
  if (!openToolDatabase(course, dir, "demo-data")) return 1;
  try {
    const course::demo::Written w =
        course::demo::writeDepartment(course, QDir(dir).filePath(QStringLiteral("demo-photographs")), datetime::now());
    std::printf("patients\t%d\ncourses\t%d\ntreatments\t%d\nphotographs\t%d\n", w.patients, w.courses, w.treatments,
                w.photographs);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const course::Error& e) {
    return fail(e.message());
  } catch (const records::DataError& e) {
    return fail(e.message());
  }
}

const RegisterCommand reg{"demo-data", kUsage, &run};

}  // namespace
