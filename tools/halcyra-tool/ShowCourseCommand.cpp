// halcyra-tool show-course: prints a course as the window would load it.
//
//   show-course DIR NHI [COURSEID]
//
// First the course's columns, one "name<TAB>value" line each (empty for null), then the 29
// treatments as the schedule would hold them after loading the course. Without COURSEID the
// patient's newest course is shown. Exit status 1 for an unknown patient or course.

#include <QString>
#include <QStringList>
#include <cstdio>
#include <string>

#include "Command.h"
#include "ToolCourse.h"
#include "base/DateTime.h"
#include "base/Formats.h"
#include "base/OneLine.h"
#include "course/OpenCourse.h"

namespace {

constexpr const char* kUsage = "show-course DIR NHI [COURSEID]";

QString printf17g(double v) { return fmt::GeneralText(v, 17); }

QString valueOf(const records::Field& f) {
  if (f.isNull()) return {};
  switch (f.kind()) {
    case records::ColumnKind::DateTime:
      return datetime::toQDateTime(f.asDateTime()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case records::ColumnKind::Float: return printf17g(f.asFloat());
    case records::ColumnKind::Boolean: return f.asBoolean() ? QStringLiteral("1") : QStringLiteral("0");
    default:
      // A text stays on its line, and no control character of it reaches the terminal.
      return text::oneLine(f.asString());
  }
}

int run(const CommandArgs& args) {
  if (args.size() < 2 || args.size() > 3) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  std::optional<int> courseId;
  if (args.size() == 3) {
    courseId = toolCourseNumber("show-course", QString::fromLocal8Bit(args[2].c_str()));
    if (!courseId) return 2;
  }
  // The course as Select opens it: the schedule's increments and records as loading leaves them.
  course::OpenCourse open;
  if (const int status = openToolCourse(open, "show-course", QString::fromLocal8Bit(args[0].c_str()),
                                        QString::fromLocal8Bit(args[1].c_str()), courseId))
    return status;

  const records::Store& data = open.data();
  QString out;
  const records::Field* fields[] = {
      &data.courseNhi,
      &data.courseNumber,
      &data.courseAssessed,
      &data.courseAge,
      &data.courseDiagnosis,
      &data.courseTreatmentType,
      &data.courseAppearance,
      &data.courseDuration,
      &data.coursePreviousTreatment,
      &data.coursePreviousResult,
      &data.courseMed,
      &data.courseSkinType,
      &data.courseSpotCount,
      &data.courseTherapist,
      &data.courseReferrer,
      &data.courseCautions,
      &data.courseFinished,
      &data.courseFrequency,
      &data.courseMedication,
      &data.courseHistory,
  };
  for (const records::Field* f : fields) out += f->fieldName() + '\t' + valueOf(*f) + '\n';
  // The spots as the body diagram loads them, in list order.
  QStringList spots;
  for (const QPoint& spot : open.spots()) spots << QStringLiteral("%1,%2").arg(spot.x()).arg(spot.y());
  out += QStringLiteral("Spots\t") + spots.join(QLatin1Char(' ')) + '\n';

  for (int k = 1; k <= kTreatments; ++k) {
    const TreatmentRecord& c = open.records()[static_cast<std::size_t>(k - 1)];
    out += QStringLiteral("treatment\t%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\t%9\n")
               .arg(k)
               .arg(c.response)
               .arg(c.burn)
               .arg(fmt::GeneralText(c.Dose, 9))
               .arg(fmt::GeneralText(c.Temperature, 9))
               .arg(printf17g(c.When))
               .arg(text::oneLine(QString::fromLatin1(c.time.c_str())))
               .arg(text::oneLine(QString::fromLatin1(c.Initials.c_str())))
               .arg(open.dosing().grid().inc[static_cast<std::size_t>(k - 1)]);
  }
  const QByteArray bytes = out.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const RegisterCommand reg{"show-course", kUsage, &run};

}  // namespace
