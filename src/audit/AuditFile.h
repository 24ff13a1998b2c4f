#pragma once
// Writing the audit's CSV file. It names patients (their NHIs), so it is kept as the database
// itself is: readable and writable by its owner only, or also by the group of a folder set up for
// one (records/HealthFiles.h), from the moment it exists.

#include <QByteArray>
#include <QString>

namespace audit {

// Writes `bytes` to `path`, replacing a file that is there only once all of it is written (until
// then the old file stays as it was). Raises records::DataError naming the file and the system's
// reason when it cannot be written.
void writeAuditFile(const QString& path, const QByteArray& bytes);

}  // namespace audit
