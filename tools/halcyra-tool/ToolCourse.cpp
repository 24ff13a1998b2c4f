#include "ToolCourse.h"

#include <cstdio>

#include "ToolDatabase.h"
#include "ToolText.h"
#include "base/Formats.h"
#include "course/OpenCourse.h"
#include "records/DataError.h"

namespace {
int fail(const char* command, const QString& reason, int status) {
  tool::error(command, reason);
  return status;
}
}  // namespace

std::optional<int> toolCourseNumber(const char* command, const QString& text) {
  const fmt::Whole id = fmt::parseWhole(text);
  if (id.valid) return id.value;
  fail(command, QStringLiteral("the course number \"%1\" is not a whole number").arg(text), 2);
  return std::nullopt;
}

int openToolCourse(course::OpenCourse& course, const char* command, const QString& dir, const QString& nhi,
                   std::optional<int> courseId) {
  if (!openToolDatabase(course, dir, command)) return 1;
  try {
    course.open(nhi, courseId);
    return 0;
  } catch (const course::Error& e) {
    return fail(command, e.message(), 1);
  } catch (const records::DataError& e) {
    return fail(command, e.message(), 1);
  }
}
