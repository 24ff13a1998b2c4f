#pragma once
// The period an audit covers, from one day to another, both included, and the days treatments are
// dated by: the whole day of a record's When (days since 1899-12-30, local time). The time of day
// is not kept in a stored record and does not count.

#include <QDate>
#include <QString>
#include <optional>

namespace audit {

// The whole day of a stored date-time: its fraction dropped towards zero (before 1899-12-30 the
// time of day counts forward from the whole day, as the stored form has it). Nothing for a value
// no calendar holds (NaN, infinite, more than 1e8 days away, as damage gives): a treatment so
// dated lies in no period.
std::optional<qint64> dayOf(double when);

// The day number of a date (days since 1899-12-30), and the date of a day number.
qint64 dayNumber(const QDate& date);
QDate dateOfDay(qint64 day);

// Months counted from year 0: year * 12 + month - 1. Treatments are grouped by it for the chart.
inline int monthKey(const QDate& date) { return date.year() * 12 + date.month() - 1; }
inline QDate monthOfKey(int key) { return QDate(key / 12, key % 12 + 1, 1); }

struct Period {
  QDate from;  // the first day
  QDate to;    // the last day

  bool isValid() const { return from.isValid() && to.isValid() && from <= to; }
  qint64 firstDay() const { return dayNumber(from); }
  qint64 lastDay() const { return dayNumber(to); }
  bool contains(qint64 day) const { return day >= firstDay() && day <= lastDay(); }
  friend bool operator==(const Period&, const Period&) = default;
};

// The last 12 months up to and including `today`: from the day after the same date a year before.
Period lastTwelveMonths(const QDate& today);

// A date written yyyy-MM-dd (four digits of year, two of month and day), as the tool takes and
// prints dates; an invalid date for any other text or a day the calendar does not have.
QDate parseIsoDate(const QString& text);
QString isoDate(const QDate& date);

}  // namespace audit
