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
#include "ToolDatabase.h"
#include "diagram/CourseSpots.h"
#include "dosing/DefaultSchedules.h"
#include "records/CourseRow.h"
#include "records/Data.h"
#include "records/DataError.h"
#include "base/AppState.h"
#include "base/DateTime.h"
#include "base/Formats.h"

namespace {

constexpr const char* kUsage = "show-course DIR NHI [COURSEID]";

QString printf17g(double v) { return fmt::GeneralText(v, 17); }

// Line feeds and tabs of a memo kept on one line.
QString oneLine(QString text) {
  return text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\t'), QLatin1String("\\t"));
}

QString valueOf(const records::Field& f) {
  if (f.isNull()) return {};
  switch (f.kind()) {
    case records::ColumnKind::DateTime:
      return datetime::toQDateTime(f.asDateTime()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case records::ColumnKind::Float:
      return printf17g(f.asFloat());
    case records::ColumnKind::Boolean:
      return f.asBoolean() ? QStringLiteral("1") : QStringLiteral("0");
    case records::ColumnKind::Memo:
      return oneLine(f.asString());
    default:
      return f.asString();
  }
}

int run(const CommandArgs& args) {
  if (args.size() < 2 || args.size() > 3) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const QString nhi = QString::fromLocal8Bit(args[1].c_str());
  std::optional<int> courseId;
  if (args.size() == 3) {
    const fmt::Whole id = fmt::parseWhole(QString::fromLocal8Bit(args[2].c_str()));
    if (!id.valid) {
      std::fprintf(stderr, "halcyra-tool show-course: COURSEID must be a whole number\n");
      return 2;
    }
    courseId = id.value;
  }
  TDataPatient data;
  if (!openToolDatabase(data, QString::fromLocal8Bit(args[0].c_str()), "show-course")) return 1;
  try {
    AppState = QuietMode;
    data.FilterPatientByNHI(nhi);
    if (data.ADOPatient.isEmpty()) {
      std::fprintf(stderr, "halcyra-tool show-course: no patient has the NHI \"%s\"\n", args[1].c_str());
      return 1;
    }
    records::DataSet& courses = data.ADOCourse;
    bool found = false;
    if (courseId) {
      for (courses.first(); !courses.eof(); courses.next())
        if (data.ADOCourseCourseID.asInteger() == *courseId) {
          found = true;
          break;
        }
    } else {
      courses.last();
      found = !courses.isEmpty();
    }
    if (!found) {
      std::fprintf(stderr, "halcyra-tool show-course: patient \"%s\" has %s\n", args[1].c_str(),
                   courseId ? ("no course " + std::to_string(*courseId)).c_str() : "no course");
      return 1;
    }

    QString out;
    const records::Field* fields[] = {
        &data.ADOCourseHosp,       &data.ADOCourseCourseID,   &data.ADOCourseDateAssess, &data.ADOCourseOld,
        &data.ADOCourseComDiag,    &data.ADOCourseComReason,  &data.ADOCourseComCondition, &data.ADOCourseEdLong,
        &data.ADOCourseRadioPrevRx, &data.ADOCourseEdRxResult, &data.ADOCourseEdMed,      &data.ADOCourseSkinIndex,
        &data.ADOCourseSpotsLength, &data.ADOCourseConsultant, &data.ADOCourseReferal,    &data.ADOCourseCautions,
        &data.ADOCourseComplete,   &data.ADOCourseSched,      &data.ADOCourseMemoMeds,   &data.ADOCourseMemoOps,
    };
    for (const records::Field* f : fields) out += f->fieldName() + '\t' + valueOf(*f) + '\n';
    // The spots as the body diagram loads them, in list order.
    QStringList spots;
    for (const QPoint& spot : diagram::loadCourseSpots(data).value_or(std::vector<QPoint>{}))
      spots << QStringLiteral("%1,%2").arg(spot.x()).arg(spot.y());
    out += QStringLiteral("Spots\t") + spots.join(QLatin1Char(' ')) + '\n';

    // The schedule as loading the course leaves it: the skin type's defaults unless increments
    // are stored, and the records as packed (new records when none were ever recorded).
    const int skinType = data.ADOCourseSkinIndex.isNull() ? -1 : data.ADOCourseSkinIndex.asInteger();
    treatment::IncrementTexts inc;
    const auto& defaults = dosing::DefIncTable[static_cast<std::size_t>(dosing::SkinTypeSchedule(skinType))];
    for (int r = 0; r < kTreatments; ++r) inc[r] = QString::number(defaults[static_cast<std::size_t>(r)]);
    if (const auto stored = records::loadCourseIncrements(data)) inc = *stored;
    const auto records = records::loadCourseRecords(data).value_or(std::array<TCondition, kTreatments>{});
    for (int k = 1; k <= kTreatments; ++k) {
      const TCondition& c = records[k - 1];
      out += QStringLiteral("treatment\t%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\t%9\n")
                 .arg(k)
                 .arg(c.Condition)
                 .arg(c.Burn)
                 .arg(fmt::GeneralText(c.Dose, 9))
                 .arg(fmt::GeneralText(c.Temperature, 9))
                 .arg(printf17g(c.When))
                 .arg(QString::fromLatin1(c.Txtime.c_str()))
                 .arg(QString::fromLatin1(c.Initials.c_str()))
                 .arg(inc[k - 1]);
    }
    const QByteArray bytes = out.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const records::DataError& e) {
    std::fprintf(stderr, "halcyra-tool show-course: %s\n", e.message().toLocal8Bit().constData());
    return 1;
  }
}

const RegisterCommand reg{"show-course", kUsage, &run};

}  // namespace
