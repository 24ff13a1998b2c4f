#include "records/Lifetime.h"

#include "records/Store.h"
#include "treatment/CourseColumns.h"

namespace records {

namespace {

// The first `length` bytes of a var-bytes value, as the course binding reads it.
QByteArray leading(const QVariant& value, int length) { return value.toByteArray().left(length); }

}  // namespace

treatment::Exposure lifetimeExposure(const records::Store& data) {
  treatment::Exposure total;
  const DataSet& courses = data.courses;
  if (!courses.active()) return total;
  const int condition = data.courseResponses.index();
  const int dose = data.courseDoses.index();
  for (int row = 1; row <= courses.recordCount(); ++row) {
    const QVariant packedCondition = courses.valueAt(row, condition);
    if (packedCondition.isNull()) {
      ++total.courses;  // no treatment was ever recorded on this course
      continue;
    }
    treatment::TableColumns packed;
    packed.response = leading(packedCondition, kTreatments);
    packed.Dose = leading(courses.valueAt(row, dose), 4 * kTreatments);
    total += treatment::exposureOf(treatment::unpackTable(packed));
  }
  return total;
}

}  // namespace records
