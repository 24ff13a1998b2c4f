#include "base/DateTime.h"

#include <QFileInfo>
#include <QTimeZone>
#include <cmath>
#include <limits>

namespace datetime {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
}  // namespace

double fromQDateTime(const QDateTime& local) {
  const QDateTime lt = local.toLocalTime();
  const double day = static_cast<double>(kEpoch.daysTo(lt.date()));
  const double frac = lt.time().msecsSinceStartOfDay() / kMsPerDay;
  // Before the epoch the whole day is negative but the time of day still counts forward.
  return day >= 0 ? day + frac : day - frac;
}

QDateTime toQDateTime(double days) {
  // A stored value far outside any calendar (a damaged column) gives an invalid date-time
  // rather than an out-of-range conversion: 1e8 days are some 270,000 years.
  if (!std::isfinite(days) || std::fabs(days) > 1e8) return {};
  const double whole = std::trunc(days);
  const double frac = std::fabs(days - whole);
  qint64 ms = static_cast<qint64>(std::llround(frac * kMsPerDay));
  qint64 wholeDays = static_cast<qint64>(whole);
  if (ms >= 86400000) {  // rounding reached the next day
    ms -= 86400000;
    wholeDays += days >= 0 ? 1 : -1;
  }
  return QDateTime(kEpoch.addDays(wholeDays), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

double now() { return fromQDateTime(QDateTime::currentDateTime()); }

double fileModified(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return std::numeric_limits<double>::quiet_NaN();
  return fromQDateTime(info.lastModified().toLocalTime());
}

}  // namespace datetime
