// halcyra-tool report: the treatment report of a course as a PDF file, exactly as "Print" and then
// the PDF export would write it after the course is opened with "Select".
//
//   report DIR NHI [COURSEID] --factors FILE --output FILE.pdf
//
// The course (the newest when COURSEID is left out) is opened through the open course as Select
// opens it: the plan worked out from the stored MED, skin type, age and increments with the dose
// factor file given. The print date is today; month names, dates and decimals follow the process's
// locale, as the window's do. No display is needed. Prints the path of the file written. Exit
// status 1 for an unknown patient or course, a factor file that cannot be read, or an output file
// that cannot be written (with the system's reason); 2 for a wrong use.

#include <QDate>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "ToolCourse.h"
#include "ToolText.h"
#include "course/OpenCourse.h"
#include "dosing/CalibrationCheck.h"
#include "dosing/FactorFile.h"
#include "report/CourseReport.h"
#include "report/PdfWriter.h"
#include "report/TreatmentReport.h"
#include "ui/report/ReportChart.h"

namespace {

constexpr const char* kUsage = "report DIR NHI [COURSEID] --factors FILE --output FILE.pdf";

int usage(const std::string& problem) {
  std::fprintf(stderr, "halcyra-tool report: %s\nusage: halcyra-tool %s\n", problem.c_str(), kUsage);
  return 2;
}

int fail(const QString& reason) {
  tool::error("report", reason);
  return 1;
}

int run(const CommandArgs& args) {
  std::vector<QString> positional;
  std::map<std::string, QString> options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--factors" || a == "--output") {
      if (i + 1 >= args.size()) return usage("missing value after " + a);
      if (!options.emplace(a, QString::fromLocal8Bit(args[++i].c_str())).second) return usage("repeated option " + a);
    } else if (a.rfind("--", 0) == 0) {
      return usage("unknown option " + a);
    } else {
      positional.push_back(QString::fromLocal8Bit(a.c_str()));
    }
  }
  if (positional.size() < 2 || positional.size() > 3) return usage("DIR and NHI are needed, and at most a COURSEID");
  for (const char* required : {"--factors", "--output"})
    if (!options.count(required)) return usage(std::string(required) + " is required");
  std::optional<int> courseId;
  if (positional.size() == 3) {
    courseId = toolCourseNumber("report", positional[2]);
    if (!courseId) return 2;
  }

  FactorTables tables;
  try {
    tables = dosing::readCalibration(options["--factors"]);
  } catch (const dosing::FactorFileError& e) {
    return fail(e.message());
  }
  tool::warnIfDemonstration("report", tables);
  course::OpenCourse course(std::move(tables));
  if (const int status = openToolCourse(course, "report", positional[0], positional[1], courseId)) return status;

  // What "Print" does with the course open, and then the export.
  report::ReportInput input = report::courseReportInput(course, QDate::currentDate(), QLocale::system());
  ui::ReportChart chart;
  chart.show(course.dosing().series(), course.dosing().chartTitle());
  input.drawGraph = [&chart](QPainter& painter, const QRectF& target) { chart.draw(painter, target); };
  const QString output = QFileInfo(options["--output"]).absoluteFilePath();
  try {
    report::writePdf(report::prepareTreatmentReport(input), output);
  } catch (const std::exception& e) {
    return fail(QString::fromUtf8(e.what()));
  }
  std::printf("%s\n", output.toLocal8Bit().constData());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const RegisterCommand reg{"report", kUsage, &run, Drawing::Yes};

}  // namespace
