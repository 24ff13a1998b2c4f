#include "base/DateTime.h"

#include <QFileInfo>
#include <QRegularExpression>
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

namespace {

// Every run of one to three 'y' (a year of two digits, or of as many as it has) becomes "yyyy".
QString withFourDigitYear(QString format) {
  static const QRegularExpression shortYear(QStringLiteral("(?<!y)y{1,3}(?!y)"));
  return format.replace(shortYear, QStringLiteral("yyyy"));
}

}  // namespace

QString shortDateFormat(const QLocale& locale) { return withFourDigitYear(locale.dateFormat(QLocale::ShortFormat)); }

QString shortDate(const QDate& date, const QLocale& locale) {
  return date.isValid() ? locale.toString(date, shortDateFormat(locale)) : QString();
}

QString shortDateTime(const QDateTime& dateTime, const QLocale& locale) {
  if (!dateTime.isValid()) return {};
  return locale.toString(dateTime, withFourDigitYear(locale.dateTimeFormat(QLocale::ShortFormat)));
}

QString printedDate(const QDate& date, const QLocale& locale) {
  if (!date.isValid()) return {};
  if (locale.language() == QLocale::English) return locale.toString(date, QStringLiteral("MMMM dd, yyyy"));
  // The weekday (a run of three or more 'd') goes, with the separator that joins it to the date.
  static const QRegularExpression weekday(QStringLiteral("(?<!d)d{3,}(?!d)[,.]?\\s*|\\s*,?\\s*(?<!d)d{3,}(?!d)"));
  QString format = withFourDigitYear(locale.dateFormat(QLocale::LongFormat)).replace(weekday, QString());
  return locale.toString(date, format.trimmed());
}

}  // namespace datetime
