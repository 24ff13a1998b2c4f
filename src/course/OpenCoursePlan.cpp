// The estimate and the plan of the open course: skin type, age, birth date, a tone chosen, the
// MED, and the increments as they are typed. The rules are the dosing session's; here they are
// run, shown and stored.

#include <cmath>
#include <span>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "course/OpenCourse.h"
#include "dosing/SkinTypes.h"
#include "records/CourseRow.h"
#include "treatment/ClinicalLimits.h"
#include "treatment/ScheduleRules.h"

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
      dosing_.planForMed(medText_, dosing::skinTypeText(dosing_.skinTypeItem()), records_);
  // Opening the course enables Print afterwards, whatever the plan of the loading said.
  if (mode_ == Mode::Patient) printEnabled_ = dosing_.printEnabled();
  if (warnings.empty()) return;
  // The plan is on screen before its warnings: each box waits for OK.
  announce();
  for (const dosing::PlanWarning& w : warnings) emit warning(w.caption, w.text);
}

void OpenCourse::setSkinType(int item) {
  const Batch batch(*this);
  note(Part::Plan);
  dosing_.chooseSkinType(item);
  if (!courseOpen()) return;
  store(
      Table::Course, QStringLiteral("the Skin Type %1 of %2").arg(quoted(dosing::skinTypeText(item)), courseName()),
      [&] { data_.courseSkinType.setInteger(dosing_.skinTypeItem()); }, Reread::Yes);
}

void OpenCourse::setAge(const QString& text) {
  const Batch batch(*this);
  note(Part::Plan);
  const limits::Reading age = limits::read(limits::kAge, text);
  if (age.empty) {
    dosing_.showAgeText(text);  // an emptied box lets a birth date give the age again
    return;
  }
  if (text != dosing_.ageText()) ageFromBirth_ = false;  // typed by the user
  if (!age.accepted()) {
    refuse(limits::refusal(limits::kAge, text, age.problem));
    return;
  }
  if (!dosing_.enterAge(text)) return;
  if (!courseOpen()) return;
  store(
      Table::Course, QStringLiteral("the Age %1 of %2").arg(quoted(dosing_.ageText()), courseName()),
      [&] { data_.courseAge.setFloat(dosing_.age()); }, Reread::Yes);
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
  if (const auto refused = limits::birthDateRefusal(datetime::toQDateTime(birth).date(), QDate::currentDate())) {
    refuse(*refused);
    return;
  }
  birth_ = {birth, false};
  // An age the birth date gave a moment ago (a date still being typed) follows the corrected date;
  // an age the user typed stays.
  const QString ageBox = ageFromBirth_ ? QString() : dosing_.ageText();
  if (dosing_.takeBirthDate(ageBox, birth, datetime::now())) ageFromBirth_ = true;
  if (!courseOpen()) return;
  // The age of the course and the birth date of the patient are stored together.
  stage(Table::Course, QStringLiteral("the Age %1 of %2").arg(quoted(dosing_.ageText()), courseName()),
        [&] { data_.courseAge.setFloat(dosing_.age()); });
  const QString day = datetime::toQDateTime(birth).date().toString(Qt::ISODate);
  stage(Table::Patient, QStringLiteral("the date of birth %1 of %2").arg(day, courseName()),
        [&] { data_.patientBirth.setDateTime(birth); });
  storeStaged({Table::Course, Table::Patient});
  reread(data_.courses);
}

std::optional<double> OpenCourse::birthDateAge() const {
  // A birth date entered, not the picker's today shown when it was merely clicked into.
  if (!courseOpen() || data_.patientBirth.isNull() || dosing_.ageText().trimmed().isEmpty()) return std::nullopt;
  const double birth = data_.patientBirth.asDateTime();
  const double fromBirth = static_cast<double>((static_cast<long double>(datetime::now()) - birth) / 365.25L);
  const limits::Reading shown = limits::read(limits::kAge, dosing_.ageText());
  if (!shown.accepted() || std::fabs(fromBirth - shown.value) < 1.0) return std::nullopt;
  return fromBirth;
}

void OpenCourse::takeAgeFromBirthDate() {
  const std::optional<double> age = birthDateAge();
  if (!age) return;
  setAge(fmt::Fixed(*age, 3, 1));
}

void OpenCourse::chooseTone(int tag, const std::optional<QString>& typedAge) {
  const Batch batch(*this);
  note(Part::Plan);
  if (typedAge) {
    const limits::Reading age = limits::read(limits::kAge, *typedAge);
    if (!age.empty && !age.accepted()) {
      // The age typed is refused before any tone is chosen from it.
      refuse(limits::refusal(limits::kAge, *typedAge, age.problem));
      return;
    }
  }
  const QString combo = dosing::skinTypeText(dosing_.skinTypeItem());
  const dosing::ToneChoice click = dosing_.chooseTone(tag, combo, typedAge);
  // The age typed and the MED chosen are stored together, once the plan's advice has been seen:
  // no transaction stays open while a box waits for the user.
  const bool storing = courseOpen();
  if (click.ageApplied && storing) {
    stage(Table::Course, QStringLiteral("the Age %1 of %2").arg(quoted(dosing_.ageText()), courseName()),
          [&] { data_.courseAge.setFloat(dosing_.age()); });
  }
  if (click.medText) {
    // A new age has emptied the plan: it is worked out again for the MED now in the box, even
    // when that MED is the one already there.
    const bool planAgain = *click.medText != medText_ || click.ageApplied;
    medText_ = *click.medText;
    if (planAgain) computePlan();
    if (storing) {
      stage(Table::Course, QStringLiteral("the MED %1 of %2").arg(quoted(medText_), courseName()),
            [&] { data_.courseMed.setInteger(fmt::parseWhole(medText_).value); });
    }
  }
  if (!storing || (!click.ageApplied && !click.medText)) return;
  storeStaged({Table::Course});
  if (click.ageApplied) reread(data_.courses);
}

void OpenCourse::setMed(const QString& text) {
  const Batch batch(*this);
  note(Part::Plan);
  const limits::Reading med = limits::read(limits::kMed, text);
  if (!med.empty && !med.accepted()) {
    refuse(limits::refusal(limits::kMed, text, med.problem));
    return;
  }
  medText_ = text;
  computePlan();
  if (!courseOpen()) return;
  store(
      Table::Course, QStringLiteral("the MED %1 of %2").arg(quoted(text.trimmed()), courseName()),
      [&] {
        if (med.empty)
          data_.courseMed.setNull();
        else
          data_.courseMed.setInteger(static_cast<int>(med.value));
      },
      Reread::No);
}

void OpenCourse::setIncrements(const dosing::RowTexts& increments) {
  const Batch batch(*this);
  note(Part::Plan);
  // Only a whole number outside the limits is refused; a cell being typed ("-", "") or holding no
  // whole number is kept as typed, as the plan skips such a row.
  for (int row = 1; row <= kTreatments; ++row) {
    const QString& cell = increments[static_cast<std::size_t>(row - 1)];
    const limits::Limit& limit = limits::incrementLimit(row);
    const limits::Reading inc = limits::read(limit, cell);
    if (inc.problem == limits::Problem::TooSmall || inc.problem == limits::Problem::TooLarge) {
      refuse(limits::refusal(limit, cell, inc.problem, QStringLiteral("\"% Inc\" of treatment %1").arg(row)));
      return;
    }
  }
  dosing_.setIncrements(increments);
  computePlan();
  if (!courseOpen()) return;
  treatment::IncrementTexts cells;
  for (int r = 0; r < kTreatments; ++r) cells[static_cast<std::size_t>(r)] = increments[static_cast<std::size_t>(r)];
  store(
      Table::Course, QStringLiteral("the \"% Inc\" column of %1").arg(courseName()),
      [&] { records::storeCourseIncrements(data_, cells); }, Reread::No);
}

dosing::RowTexts OpenCourse::shownDoses() const {
  dosing::RowTexts doses;
  for (std::size_t k = 0; k < kTreatments; ++k) doses[k] = treatment::shownDose(records_[k], dosing_.grid().dose[k]);
  return doses;
}

}  // namespace course
