#include "records/CourseRow.h"

#include "records/Data.h"
#include "records/VarBytes.h"

namespace records {

std::optional<std::array<TCondition, kTreatments>> loadCourseRecords(const TDataPatient& d) {
  if (d.ADOCourseCondition.isNull()) return std::nullopt;
  treatment::TableColumns packed;
  packed.Burn = LoadVarBytes(d.ADOCourseBurn, kTreatments);
  packed.Condition = LoadVarBytes(d.ADOCourseCondition, kTreatments);
  packed.Temperature = LoadVarBytes(d.ADOCourseTemperature, 4 * kTreatments);
  packed.Dose = LoadVarBytes(d.ADOCourseDose, 4 * kTreatments);
  packed.WhenDate = LoadVarBytes(d.ADOCourseWhenDate, 4 * kTreatments);
  packed.TxTime = LoadVarBytesStream(d.ADOCourseTxTime)->data();
  packed.Initials = LoadVarBytesStream(d.ADOCourseInitials)->data();
  return treatment::unpackTable(packed);
}

void storeCourseRecords(TDataPatient& d, std::span<const TCondition, kTreatments> records) {
  const treatment::TableColumns packed = treatment::packTable(records);
  SaveVarBytes(d.ADOCourseBurn, packed.Burn);
  SaveVarBytes(d.ADOCourseCondition, packed.Condition);
  SaveVarBytes(d.ADOCourseTemperature, packed.Temperature);
  SaveVarBytes(d.ADOCourseDose, packed.Dose);
  SaveVarBytes(d.ADOCourseWhenDate, packed.WhenDate);
  SaveVarBytes(d.ADOCourseTxTime, packed.TxTime);
  SaveVarBytes(d.ADOCourseInitials, packed.Initials);
}

std::optional<treatment::IncrementTexts> loadCourseIncrements(const TDataPatient& d) {
  if (d.ADOCoursePInc.isNull()) return std::nullopt;
  return treatment::unpackIncrements(LoadVarBytes(d.ADOCoursePInc, treatment::kPIncColumn.declaredSize));
}

void storeCourseIncrements(TDataPatient& d, const treatment::IncrementTexts& cells) {
  SaveVarBytes(d.ADOCoursePInc, treatment::packIncrements(cells));
}

}  // namespace records
