#include "audit/AuditPeriod.h"

#include <QRegularExpression>
#include <cmath>

namespace audit {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kFarthestDay = 1e8;  // some 270,000 years: beyond it no value is a date
}  // namespace

std::optional<qint64> dayOf(double when) {
  if (!std::isfinite(when) || std::fabs(when) > kFarthestDay) return std::nullopt;
  return static_cast<qint64>(std::trunc(when));
}

qint64 dayNumber(const QDate& date) { return kEpoch.daysTo(date); }

QDate dateOfDay(qint64 day) { return kEpoch.addDays(day); }

Period lastTwelveMonths(const QDate& today) { return {today.addYears(-1).addDays(1), today}; }

QDate parseIsoDate(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$"));
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return {};
  return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());  // invalid for 2023-02-29
}

QString isoDate(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace audit
