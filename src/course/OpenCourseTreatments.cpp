// Recording, clearing and undoing a treatment of the open course: the record, the schedule's dose
// cell, the course row's packed records and Complete, and the patient's course status.

#include "course/OpenCourse.h"
#include "records/CourseRow.h"
#include "base/Formats.h"

namespace course {

namespace {
bool validRow(int row) { return row >= 1 && row <= kTreatments; }
}  // namespace

bool OpenCourse::canRecord() const { return courseOpen(); }

void OpenCourse::recordTreatment(int row, const treatment::TreatmentEntry& entry, bool stopTreatment) {
  const Batch batch(*this);
  if (!courseOpen() || !validRow(row)) return;
  note(Part::Records | Part::Plan);
  // The status bits re-read the patient row: a change of it still waiting is stored first.
  storePending(Table::Patient);
  TCondition& record = records_[static_cast<std::size_t>(row - 1)];
  treatment::applyUpdate(record, entry);
  // The delivered dose shows in the schedule until the plan is next worked out.
  dosing_.grid.dose[static_cast<std::size_t>(row - 1)] = fmt::Fixed(record.Dose, 5, 0);
  store(Table::Course, QStringLiteral("treatment %1 of %2").arg(row).arg(courseName()),
        [&] {
          data_.ADOCourseComplete.setBoolean(treatment::completeAfterUpdate(stopTreatment, row));
          records::storeCourseRecords(data_, records_);
        },
        Reread::No);
  {
    const ModeScope quiet(*this, Mode::Quiet);
    data_.Patient_Complete();
  }
  reread(data_.ADOCourse);
}

void OpenCourse::clearTreatment(int row) {
  const Batch batch(*this);
  if (!courseOpen() || !validRow(row)) return;
  note(Part::Records | Part::Plan);
  const auto k = static_cast<std::size_t>(row - 1);
  treatment::applyClear(records_[k]);
  dosing_.grid.dose[k] = fmt::Fixed(dosing_.ExpectDose[k], 5, 0);
  store(Table::Course, QStringLiteral("the clearing of treatment %1 of %2").arg(row).arg(courseName()),
        [&] { records::storeCourseRecords(data_, records_); }, Reread::Yes);
}

void OpenCourse::undoTreatment(int row) {
  const Batch batch(*this);
  if (!courseOpen() || !validRow(row)) return;
  // Every result of the dialog writes the records back, "Undo" included.
  store(Table::Course, QStringLiteral("the treatments of %1").arg(courseName()),
        [&] { records::storeCourseRecords(data_, records_); }, Reread::Yes);
}

}  // namespace course
