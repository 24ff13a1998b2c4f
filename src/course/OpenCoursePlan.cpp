// The estimate and the plan of the open course: skin type, age, birth date, a tone chosen, the
// MED, and the increments as they are typed. The rules are the dosing session's; here they are
// run, shown and stored.

#include <span>

#include "course/OpenCourse.h"
#include "dosing/SkinTypes.h"
#include "records/CourseRow.h"
#include "base/DateTime.h"
#include "base/Formats.h"

namespace course {

namespace {
QString quoted(const QString& text) { return QStringLiteral("\"%1\"").arg(text); }
}  // namespace

void OpenCourse::computePlan() {
  // The plan is worked out while a course is open or being opened, never from the list, an
  // import or a re-read.
  if (mode_ != Mode::Patient && mode_ != Mode::Loading) return;
  note(Part::Plan);
  const std::vector<dosing::PlanWarning> warnings =
      dosing_.EdMEDChange(medText_, dosing::skinTypeText(dosing_.skinTypeItem), records_);
  if (warnings.empty()) return;
  // The plan is on screen before its warnings: each box waits for OK.
  announce();
  for (const dosing::PlanWarning& w : warnings) emit warning(w.caption, w.text);
}

void OpenCourse::setSkinType(int item) {
  const Batch batch(*this);
  note(Part::Plan);
  dosing_.ComSkinTypeChange(item);
  if (!courseOpen()) return;
  store(Table::Course, QStringLiteral("the Skin Type %1 of %2").arg(quoted(dosing::skinTypeText(item)), courseName()),
        [&] { data_.ADOCourseSkinIndex.setInteger(dosing_.skinTypeItem); }, Reread::Yes);
}

void OpenCourse::setAge(const QString& text) {
  const Batch batch(*this);
  note(Part::Plan);
  if (!dosing_.EdAgeExit(text)) return;  // not a number: the previous age stays
  if (!courseOpen()) return;
  store(Table::Course, QStringLiteral("the Age %1 of %2").arg(quoted(dosing_.ageText), courseName()),
        [&] { data_.ADOCourseOld.setFloat(dosing_.FOld); }, Reread::Yes);
}

void OpenCourse::showBirthDate() {
  const Batch batch(*this);
  if (!birth_.blank) return;
  birth_.blank = false;
  note(Part::Patient);
}

void OpenCourse::setBirthDate(double birth) {
  const Batch batch(*this);
  note(Part::Plan | Part::Patient);
  birth_ = {birth, false};
  dosing_.DateBirthChange(dosing_.ageText, birth, datetime::now());
  if (!courseOpen()) return;
  // The age of the course and the birth date of the patient are stored together.
  stage(Table::Course, QStringLiteral("the Age %1 of %2").arg(quoted(dosing_.ageText), courseName()),
        [&] { data_.ADOCourseOld.setFloat(dosing_.FOld); });
  const QString day = datetime::toQDateTime(birth).date().toString(Qt::ISODate);
  stage(Table::Patient, QStringLiteral("the date of birth %1 of %2").arg(day, courseName()),
        [&] { data_.ADOPatientBirth.setDateTime(birth); });
  storeStaged({Table::Course, Table::Patient});
  reread(data_.ADOCourse);
}

void OpenCourse::chooseTone(int tag, const std::optional<QString>& typedAge) {
  const Batch batch(*this);
  note(Part::Plan);
  const QString combo = dosing::skinTypeText(dosing_.skinTypeItem);
  const dosing::ToneClick click = dosing_.PanelToneClk(tag, combo, typedAge);
  // The age typed and the MED chosen are stored together, once the plan's advice has been seen:
  // no transaction stays open while a box waits for the user.
  const bool storing = courseOpen();
  if (click.ageApplied && storing) {
    stage(Table::Course, QStringLiteral("the Age %1 of %2").arg(quoted(dosing_.ageText), courseName()),
          [&] { data_.ADOCourseOld.setFloat(dosing_.FOld); });
  }
  if (click.medText) {
    // A new age has emptied the plan: it is worked out again for the MED now in the box, even
    // when that MED is the one already there.
    const bool planAgain = *click.medText != medText_ || click.ageApplied;
    medText_ = *click.medText;
    if (planAgain) computePlan();
    if (storing) {
      stage(Table::Course, QStringLiteral("the MED %1 of %2").arg(quoted(medText_), courseName()),
            [&] { data_.ADOCourseEdMed.setInteger(fmt::parseWhole(medText_).value); });
    }
  }
  if (!storing || (!click.ageApplied && !click.medText)) return;
  storeStaged({Table::Course});
  if (click.ageApplied) reread(data_.ADOCourse);
}

void OpenCourse::setMed(const QString& text) {
  const Batch batch(*this);
  note(Part::Plan);
  medText_ = text;
  computePlan();
  if (!courseOpen()) return;
  const fmt::Whole med = fmt::parseWhole(text);
  if (!med.valid && !text.trimmed().isEmpty()) {
    emit warning(QStringLiteral("MED"), QStringLiteral("The MED \"%1\" is not a whole number of mJ/cm2, so it was not "
                                                       "stored.\nType the MED as a whole number.")
                                            .arg(text));
    return;
  }
  store(Table::Course, QStringLiteral("the MED %1 of %2").arg(quoted(text.trimmed()), courseName()),
        [&] {
          if (med.valid) data_.ADOCourseEdMed.setInteger(med.value);
          else data_.ADOCourseEdMed.setNull();
        },
        Reread::No);
}

void OpenCourse::setIncrements(const dosing::RowTexts& increments) {
  const Batch batch(*this);
  note(Part::Plan);
  dosing_.grid.inc = increments;
  computePlan();
  if (!courseOpen()) return;
  treatment::IncrementTexts cells;
  for (int r = 0; r < kTreatments; ++r) cells[static_cast<std::size_t>(r)] = increments[static_cast<std::size_t>(r)];
  store(Table::Course, QStringLiteral("the \"% Inc\" column of %1").arg(courseName()),
        [&] { records::storeCourseIncrements(data_, cells); }, Reread::No);
}

}  // namespace course
