// The 29 treatment records and the 29 increments of the schedule, kept in the open course row.

#include <span>

#include "records/CourseRow.h"
#include "records/Data.h"
#include "shell/ScheduleGrid.h"
#include "shell/SkinU.h"

void TForm1::DBSaveTable() {
  records::storeCourseRecords(*DataPatient,
                              std::span<const TCondition, kTreatments>(Condition.data() + 1, kTreatments));
}

void TForm1::DBLoadTable() {
  // A course on which no treatment was ever recorded has no packed records: keep what is held.
  if (const auto records = records::loadCourseRecords(*DataPatient))
    for (int k = 1; k <= kTreatments; ++k) Condition[k] = (*records)[k - 1];
}

void TForm1::DBSaveInc() {
  treatment::IncrementTexts cells;
  for (int row = 1; row <= kTreatments; ++row) cells[row - 1] = StringGrid1->cell(4, row);
  records::storeCourseIncrements(*DataPatient, cells);
}

void TForm1::DBLoadInc() {
  // Without stored increments the skin type's defaults, just loaded, stay.
  if (const auto cells = records::loadCourseIncrements(*DataPatient))
    for (int row = 1; row <= kTreatments; ++row) StringGrid1->setCell(4, row, (*cells)[row - 1]);
}
