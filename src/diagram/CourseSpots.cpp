#include "diagram/CourseSpots.h"

#include <algorithm>

#include "diagram/Spots.h"
#include "records/Data.h"
#include "records/VarBytes.h"

namespace diagram {

std::optional<std::vector<QPoint>> loadCourseSpots(const TDataPatient& d) {
  if (d.ADOCourseSpots.isNull()) return std::nullopt;
  const qint64 count = d.ADOCourseSpotsLength.isNull() ? 0 : d.ADOCourseSpotsLength.asInteger();
  const qint64 wanted = std::clamp<qint64>(count, 0, kMaxStoredSpots) * kSpotBytes;
  return unpackSpots(records::LoadVarBytes(d.ADOCourseSpots, static_cast<int>(wanted)), count);
}

void storeCourseSpots(TDataPatient& d, std::vector<QPoint>& spots) {
  keepFirstSpots(spots);
  d.ADOCourseSpotsLength.setInteger(static_cast<qint64>(spots.size()));
  records::SaveVarBytes(d.ADOCourseSpots, packSpots(spots));
}

}  // namespace diagram
