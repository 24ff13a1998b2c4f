#include "report/CourseReport.h"

#include "base/DateTime.h"
#include "base/Formats.h"
#include "course/OpenCourse.h"

namespace report {

namespace {

QString shownDate(const course::ShownDate& date, const QLocale& locale) {
  return datePickerText(datetime::toQDateTime(date.value).date(), date.blank, locale);
}

}  // namespace

ReportInput courseReportInput(const course::OpenCourse& course, const QDate& printDate, const QLocale& locale) {
  using course::CourseText;
  using course::PatientText;
  ReportInput in;
  in.locale = locale;
  in.printDate = printDate;

  in.surname = course.patientText(PatientText::Surname);
  in.nhi = course.data().patientNhi.asString();
  in.ageText = course.dosing().ageText();
  in.birthText = shownDate(course.birthDate(), locale);
  if (const std::optional<treatment::Exposure> lifetime = course.lifetime())
    in.lifetime = treatment::lifetimeText(*lifetime, locale);

  in.diagnosis = course.courseText(CourseText::Diagnosis);
  in.treatmentType = course.courseText(CourseText::TreatmentType);
  const int condition = course.courseChoice(course::CourseChoice::Condition);
  if (condition >= 0 && condition < static_cast<int>(std::size(kConditionItems)))
    in.condition = QString::fromLatin1(kConditionItems[condition]);
  in.duration = course.courseText(CourseText::Duration);
  const int previous = course.previousTreatment();
  in.previousRx = previous == 0 ? QStringLiteral("Yes") : previous == 1 ? QStringLiteral("No") : QString();
  in.rxResult = course.courseText(CourseText::PreviousResult);
  in.familyHistory = course.patientText(PatientText::FamilyHistory);
  in.medication = course.courseText(CourseText::Medication);
  in.pastHistory = course.courseText(CourseText::Operations);
  for (std::size_t box = 0; box < in.contraindications.size(); ++box)
    in.contraindications[box] = (course.contraindications() & (1 << box)) != 0;
  in.address = course.patientText(PatientText::Address);
  in.homePhone = course.patientText(PatientText::HomePhone);
  in.cellPhone = course.patientText(PatientText::CellPhone);
  in.workPhone = course.patientText(PatientText::WorkPhone);
  in.referringPhysician = course.courseText(CourseText::Referral);
  in.assessDateText = shownDate(course.assessmentDate(), locale);
  in.therapist = course.courseText(CourseText::Therapist);

  // The dose column as the schedule shows it: what recorded treatments delivered, the plan for the
  // rest; the running sum adds the same.
  const dosing::ScheduleColumns& grid = course.dosing().grid();
  const dosing::RowTexts doses = course.shownDoses();
  for (std::size_t r = 0; r < kTreatments; ++r)
    in.grid[r] = {fmt::D(static_cast<std::int64_t>(r) + 1), QString(), doses[r], grid.erythema[r], grid.inc[r]};
  in.records = course.records();

  in.diagram = course.diagram();
  in.logo = course.factors().Logo;
  in.demonstration = course.factors().Demonstration;
  in.icon = QImage(QStringLiteral(":/icon32.png"));  // the program's own 32 x 32 icon
  for (const course::PhotographRow& row : course.photographs()) {
    ReportPhotograph p;
    p.dateText = row.when ? shownDate(course::ShownDate{*row.when, false}, locale) : QString();
    p.note = row.note;
    p.jpeg = row.jpeg;
    in.photographs.push_back(std::move(p));
  }
  return in;
}

}  // namespace report
