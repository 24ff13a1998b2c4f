#pragma once
// The stored date-time: a 64-bit float counting days since 1899-12-30, the time of day as its
// fraction, in local time. Every conversion between it and Qt's types goes through here.

#include <QDateTime>

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

}  // namespace datetime
