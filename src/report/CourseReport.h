#pragma once
// What the treatment report prints of the open course: the texts, dates, choices, schedule,
// records and pictures the window shows for it, taken from the open course (the window's panels
// show the same). The course chart is left to the caller, which draws it (ReportInput::drawGraph).

#include <QDate>
#include <QLocale>

#include "report/ReportInput.h"

namespace course {
class OpenCourse;
}

namespace report {

// The items of the "Condition" list, by their stored index.
inline constexpr const char* kConditionItems[] = {"Flakey", "Scaley", "Red", "Pink"};

ReportInput courseReportInput(const course::OpenCourse& course, const QDate& printDate, const QLocale& locale);

}  // namespace report
