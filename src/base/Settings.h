#pragma once
// The one stored setting: the database directory, kept per user under "Venmore"/"Brell" as
// "DBDir" (on Windows this is the registry key the program always used).

#include <QString>
#include <optional>

namespace settings {

// The stored directory, or nothing when no value is stored.
std::optional<QString> readDBDir();
// Stores the directory, creating the settings entry if it is missing. A server address is stored
// without any password it carries: passwords never reach the settings.
void writeDBDir(const QString& dir);

// A postgresql:// address without its password (user:password@ or a password= parameter); any
// other text as it is.
QString withoutPassword(const QString& dbDir);

}  // namespace settings
