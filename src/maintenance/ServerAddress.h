#pragma once
// Whether a database location names a database server rather than a folder.

#include <QString>

namespace maintenance {

// True for a PostgreSQL connection address ("postgresql://..." or "postgres://...", the scheme in
// any letter case).
bool isServerAddress(const QString& location);

}  // namespace maintenance
