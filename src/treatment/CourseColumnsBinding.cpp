// The 29 treatment records and the 29 increments of the schedule, kept in the open course row.

#include <span>

#include "records/Data.h"
#include "records/VarBytes.h"
#include "shell/ScheduleGrid.h"
#include "shell/SkinU.h"
#include "treatment/CourseColumns.h"

using records::LoadVarBytes;
using records::LoadVarBytesStream;
using records::SaveVarBytes;

void TForm1::DBSaveTable() {
  const treatment::TableColumns packed =
      treatment::packTable(std::span<const TCondition, kTreatments>(Condition.data() + 1, kTreatments));
  TDataPatient& d = *DataPatient;
  SaveVarBytes(d.ADOCourseBurn, packed.Burn);
  SaveVarBytes(d.ADOCourseCondition, packed.Condition);
  SaveVarBytes(d.ADOCourseTemperature, packed.Temperature);
  SaveVarBytes(d.ADOCourseDose, packed.Dose);
  SaveVarBytes(d.ADOCourseWhenDate, packed.WhenDate);
  SaveVarBytes(d.ADOCourseTxTime, packed.TxTime);
  SaveVarBytes(d.ADOCourseInitials, packed.Initials);
}

void TForm1::DBLoadTable() {
  TDataPatient& d = *DataPatient;
  // A course on which no treatment was ever recorded has no packed records: keep what is held.
  if (d.ADOCourseCondition.isNull()) return;
  treatment::TableColumns packed;
  packed.Burn = LoadVarBytes(d.ADOCourseBurn, kTreatments);
  packed.Condition = LoadVarBytes(d.ADOCourseCondition, kTreatments);
  packed.Temperature = LoadVarBytes(d.ADOCourseTemperature, 4 * kTreatments);
  packed.Dose = LoadVarBytes(d.ADOCourseDose, 4 * kTreatments);
  packed.WhenDate = LoadVarBytes(d.ADOCourseWhenDate, 4 * kTreatments);
  packed.TxTime = LoadVarBytesStream(d.ADOCourseTxTime)->data();
  packed.Initials = LoadVarBytesStream(d.ADOCourseInitials)->data();
  const auto records = treatment::unpackTable(packed);
  for (int k = 1; k <= kTreatments; ++k) Condition[k] = records[k - 1];
}

void TForm1::DBSaveInc() {
  treatment::IncrementTexts cells;
  for (int row = 1; row <= kTreatments; ++row) cells[row - 1] = StringGrid1->cell(4, row);
  SaveVarBytes(DataPatient->ADOCoursePInc, treatment::packIncrements(cells));
}

void TForm1::DBLoadInc() {
  // Without stored increments the skin type's defaults, just loaded, stay.
  if (DataPatient->ADOCoursePInc.isNull()) return;
  const treatment::IncrementTexts cells =
      treatment::unpackIncrements(LoadVarBytes(DataPatient->ADOCoursePInc, treatment::kPIncColumn.declaredSize));
  for (int row = 1; row <= kTreatments; ++row) StringGrid1->setCell(4, row, cells[row - 1]);
}
