#pragma once
// Opening one course of one patient for a subcommand, through the open course as "Select" opens
// it: the database in DIR, the patient by NHI (letter case ignored), the course by its number.

#include <QString>
#include <optional>

namespace course {
class OpenCourse;
}

// The course number argument: nothing, after printing "halcyra-tool <command>: the course number
// ... is not a whole number" on stderr, when it is not one.
std::optional<int> toolCourseNumber(const char* command, const QString& text);

// Connects `course` to the database in `dir` and opens the patient `nhi`'s course `courseId` (the
// newest when none). Returns 0 on success; otherwise prints "halcyra-tool <command>: <reason>" on
// stderr and returns 1.
int openToolCourse(course::OpenCourse& course, const char* command, const QString& dir, const QString& nhi,
                   std::optional<int> courseId);
