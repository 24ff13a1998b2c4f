#include "OpenCourse.h"

#include <cstdio>

#include "ToolDatabase.h"
#include "records/Data.h"
#include "records/DataError.h"
#include "base/Formats.h"

namespace {
int fail(const char* command, const QString& reason, int status) {
  std::fprintf(stderr, "halcyra-tool %s: %s\n", command, reason.toLocal8Bit().constData());
  return status;
}
}  // namespace

int openCourse(TDataPatient& data, const char* command, const QString& dir, const QString& nhi,
               const QString& courseId) {
  const fmt::Whole id = fmt::parseWhole(courseId);
  if (!id.valid) return fail(command, QStringLiteral("the course number \"%1\" is not a whole number").arg(courseId), 2);
  if (!openToolDatabase(data, dir, command)) return 1;
  try {
    data.FilterPatientByNHI(nhi);
    if (data.ADOPatient.isEmpty()) return fail(command, QStringLiteral("no patient has the NHI \"%1\"").arg(nhi), 1);
    for (data.ADOCourse.first(); !data.ADOCourse.eof(); data.ADOCourse.next())
      if (data.ADOCourseCourseID.asInteger() == id.value) return 0;
    return fail(command, QStringLiteral("patient \"%1\" has no course %2").arg(data.ADOPatientHosp.asString()).arg(id.value), 1);
  } catch (const records::DataError& e) {
    return fail(command, e.message(), 1);
  }
}
