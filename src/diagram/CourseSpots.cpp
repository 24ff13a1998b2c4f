#include "diagram/CourseSpots.h"

#include <algorithm>

#include "diagram/Spots.h"
#include "records/Store.h"
#include "records/VarBytes.h"

namespace diagram {

std::optional<std::vector<QPoint>> loadCourseSpots(const records::Store& d) {
  if (d.courseSpots.isNull()) return std::nullopt;
  const qint64 count = d.courseSpotCount.isNull() ? 0 : d.courseSpotCount.asInteger();
  const qint64 wanted = std::clamp<qint64>(count, 0, kMaxStoredSpots) * kSpotBytes;
  return unpackSpots(records::LoadVarBytes(d.courseSpots, static_cast<int>(wanted)), count);
}

void storeCourseSpots(records::Store& d, std::vector<QPoint>& spots) {
  keepFirstSpots(spots);
  d.courseSpotCount.setInteger(static_cast<qint64>(spots.size()));
  records::SaveVarBytes(d.courseSpots, packSpots(spots));
}

}  // namespace diagram
