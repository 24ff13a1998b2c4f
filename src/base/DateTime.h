#pragma once
// The stored date-time: a 64-bit float counting days since 1899-12-30, the time of day as its
// fraction, in local time. Every conversion between it and Qt's types goes through here.

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace datetime {

// Local date and time to days since 1899-12-30.
double fromQDateTime(const QDateTime& local);
// Days since 1899-12-30 to a local date and time (millisecond resolution). Days before the epoch
// count the fraction forward from the whole day, as the stored form does. Invalid for NaN,
// infinities and values beyond 1e8 days.
QDateTime toQDateTime(double days);
// The current local date and time as a stored date-time.
double now();
// A file's last-write time (kept by the file system in UTC) in local time; NaN if it cannot be read.
double fileModified(const QString& path);

// The locale's short date format with a four-digit year in every locale: a birth date of 1931
// shown as "31" could be read as 2031, and a date picker showing two digits confines its year to
// one century. Day and month order and the separators stay the locale's ("dd.MM.yyyy",
// "M/d/yyyy").
QString shortDateFormat(const QLocale& locale = QLocale());
// A date, and a date with its time, in that form ("31.10.1999", "10/30/1965 2:30 PM").
QString shortDate(const QDate& date, const QLocale& locale = QLocale());
QString shortDateTime(const QDateTime& dateTime, const QLocale& locale = QLocale());
// The date a printed report carries: "December 10, 2026" in English, in another language the
// locale's own long date without the weekday ("10. Dezember 2026").
QString printedDate(const QDate& date, const QLocale& locale = QLocale());

}  // namespace datetime
