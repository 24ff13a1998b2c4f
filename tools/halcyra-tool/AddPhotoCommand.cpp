// halcyra-tool add-photo: adds photograph files to a course as a drop on the window does.
//
//   add-photo DIR NHI COURSEID FILE...
//
// Each file goes through the same rule and code as a drop: only names ending in .JPG or .JPEG
// (any letter case) are taken; the picture is stood upright, scaled into the 500 x 500 box, dated
// with the file's last-write time in local time and stored with the course. One line per file, in
// the order given:
//   added<TAB>FILE<TAB>WIDTHxHEIGHT     (the stored size)
//   skipped<TAB>FILE<TAB>REASON
// A file that cannot be read does not stop the others. Exit status 0 when no file failed (files
// skipped for their extension are not failures), 1 when a file could not be added or the database,
// patient or course cannot be opened (the message names it), 2 for wrong arguments.

#include <QString>
#include <cstdio>

#include "Command.h"
#include "ToolCourse.h"
#include "base/OneLine.h"
#include "course/OpenCourse.h"
#include "diagram/Photographs.h"
#include "records/DataError.h"

namespace {

constexpr const char* kUsage = "add-photo DIR NHI COURSEID FILE...";

// One line of output keeps its reason on one line.
QString oneLine(QString text) {
  text.replace(QLatin1Char('\t'), QLatin1Char(' '));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text;
}

void print(const char* verdict, const QString& file, const QString& detail) {
  // The values are escaped, not the tabs that separate them.
  const QByteArray line =
      QStringLiteral("%1\t%2\t%3")
          .arg(QLatin1String(verdict), text::controlsEscaped(oneLine(file)), text::controlsEscaped(oneLine(detail)))
          .toLocal8Bit() +
      '\n';
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
}

int run(const CommandArgs& args) {
  if (args.size() < 4) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const std::optional<int> courseId = toolCourseNumber("add-photo", QString::fromLocal8Bit(args[2].c_str()));
  if (!courseId) return 2;
  course::OpenCourse open;
  if (const int status = openToolCourse(open, "add-photo", QString::fromLocal8Bit(args[0].c_str()),
                                        QString::fromLocal8Bit(args[1].c_str()), courseId))
    return status;

  bool failed = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    const QString file = QString::fromLocal8Bit(args[i].c_str());
    if (!diagram::isPhotographFile(file)) {
      print("skipped", file, QStringLiteral("not a .JPG or .JPEG file"));
      continue;
    }
    try {
      const QSize stored = open.addPhotographFile(file);
      print("added", file, QStringLiteral("%1x%2").arg(stored.width()).arg(stored.height()));
    } catch (const course::Error& e) {
      print("skipped", file, e.message());
      failed = true;
    } catch (const records::DataError& e) {
      print("skipped", file, e.message());
      failed = true;
    } catch (const std::exception& e) {
      print("skipped", file, QString::fromUtf8(e.what()));
      failed = true;
    }
  }
  if (std::fflush(stdout) != 0) return 1;
  return failed ? 1 : 0;
}

const RegisterCommand reg{"add-photo", kUsage, &run};

}  // namespace
