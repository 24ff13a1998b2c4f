// Recording a treatment of the open course, clearing it, and writing it back unchanged: the
// record, the schedule's dose cell, the course row's packed records and Complete, and the
// patient's course status. Also how
// the packed records and increments of the open course are merged with what another workstation
// stored meanwhile (treatment/CourseMerge.h).

#include <algorithm>

#include "base/Formats.h"
#include "course/OpenCourse.h"
#include "records/CourseRow.h"
#include "treatment/CourseMerge.h"
#include "treatment/EntryChecks.h"

namespace course {

namespace {
bool validRow(int row) { return row >= 1 && row <= kTreatments; }
}  // namespace

bool OpenCourse::canRecord() const { return courseOpen(); }

void OpenCourse::recordTreatment(int row, const treatment::TreatmentEntry& entry, bool stopTreatment) {
  const Batch batch(*this);
  if (!courseOpen() || !validRow(row)) return;
  // The dialog refuses such a treatment itself; this holds for every other caller too.
  if (const std::optional<QString> refused = entry::refusalOf(entry))
    throw Error(QStringLiteral("Treatment %1 of %2 was not recorded: %3").arg(row).arg(courseName(), *refused));
  note(Part::Records | Part::Plan);
  TreatmentRecord& record = records_[static_cast<std::size_t>(row - 1)];
  treatment::applyUpdate(record, entry);
  // The course's Complete changes, so the patient's status bits follow in the same transaction.
  store(
      Table::Course, QStringLiteral("treatment %1 of %2").arg(row).arg(courseName()),
      [&] {
        data_.courseFinished.setBoolean(treatment::completeAfterUpdate(stopTreatment, row));
        completeFrom_ = row;
        records::storeCourseRecords(data_, records_);
      },
      Reread::Yes);
}

void OpenCourse::clearTreatment(int row) {
  const Batch batch(*this);
  if (!courseOpen() || !validRow(row)) return;
  note(Part::Records | Part::Plan);
  const auto k = static_cast<std::size_t>(row - 1);
  treatment::applyClear(records_[k]);
  store(
      Table::Course, QStringLiteral("the clearing of treatment %1 of %2").arg(row).arg(courseName()),
      [&] { records::storeCourseRecords(data_, records_); }, Reread::Yes);
}

void OpenCourse::writeBackTreatments(int row) {
  const Batch batch(*this);
  if (!courseOpen() || !validRow(row)) return;
  // Every result of the dialog writes the records back, "Undo" included.
  store(
      Table::Course, QStringLiteral("the treatments of %1").arg(courseName()),
      [&] { records::storeCourseRecords(data_, records_); }, Reread::Yes);
}

// ---------------------------------------------------------------------------------------------
// Another workstation with the same course open

void OpenCourse::mergeWithStore() {
  records::DataSet& rows = data_.courses;
  bool recordsChanged = false, incrementsChanged = false;
  for (const auto& change : rows.changes()) {
    recordsChanged = recordsChanged || change.first == data_.courseResponses.index();
    incrementsChanged = incrementsChanged || change.first == data_.courseIncrements.index();
  }
  if (!recordsChanged && !incrementsChanged) return;
  // The row as stored now, locked until the transaction ends: nobody stores it in between.
  const std::optional<std::vector<QVariant>> stored = rows.readStored(true);
  if (!stored) return;  // gone: posting says so
  if (recordsChanged) {
    const treatment::RecordsMerge merge =
        treatment::mergeRecords(records::courseRecordsOf(*stored), recordsRead_, records_);
    records::storeCourseRecords(data_, merge.records);
    // Complete follows the records as merged: where the stored treatment was kept over the one
    // recorded here, so is the stored Complete (a stop that was not stored is not applied), and
    // the patient's status, worked out after this row in the same transaction, follows it.
    if (completeFrom_ && std::find(merge.kept.begin(), merge.kept.end(), *completeFrom_) != merge.kept.end()) {
      const QVariant storedComplete = (*stored)[static_cast<std::size_t>(data_.courseFinished.index())];
      data_.courseFinished.setBoolean(!storedComplete.isNull() && storedComplete.toBool());
    }
    afterCommit_.push_back([this, merge] {
      completeFrom_.reset();
      adoptRecords(merge);
    });
  }
  if (incrementsChanged) {
    const treatment::IncrementTexts merged =
        treatment::mergeIncrements(records::courseIncrementsOf(*stored), incrementsRead_, dosing_.grid().inc);
    records::storeCourseIncrements(data_, merged);
    afterCommit_.push_back([this, merged] { adoptIncrements(merged); });
  }
}

void OpenCourse::adoptRecords(const treatment::RecordsMerge& merge) {
  for (int r = 0; r < kTreatments; ++r) {
    const auto k = static_cast<std::size_t>(r);
    if (treatment::sameRecord(records_[k], merge.records[k])) continue;
    // Recorded or cleared at another workstation: the schedule shows it as if recorded here.
    records_[k] = merge.records[k];
    note(Part::Records | Part::Plan);
  }
  recordsRead_ = merge.records;
  if (merge.kept.empty()) return;
  QStringList rows;
  for (int row : merge.kept) rows << fmt::D(row);
  const QString which = merge.kept.size() == 1 ? QStringLiteral("Treatment %1").arg(rows.front())
                                               : QStringLiteral("Treatments %1").arg(rows.join(QStringLiteral(", ")));
  announce();  // the schedule shows the stored treatments before the box
  emit warning(QStringLiteral("Recorded at another workstation"),
               QStringLiteral("%1 of %2 %3 recorded or changed at another workstation while this course was open "
                              "here. What is stored there is kept and now shown; what you entered for %4 was not "
                              "stored.\n\nIf this visit is another treatment, record it in the row it belongs to.")
                   .arg(which, courseName(), merge.kept.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"),
                        merge.kept.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")));
}

void OpenCourse::adoptIncrements(const treatment::IncrementTexts& merged) {
  incrementsRead_ = merged;
  if (merged == dosing_.grid().inc) return;
  // Cells another workstation changed: the plan follows them.
  dosing_.setIncrements(merged);
  computePlan();
}

}  // namespace course
