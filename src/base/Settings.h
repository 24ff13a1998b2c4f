#pragma once
// The stored settings, kept per user under "Venmore"/"Brell": the database directory "DBDir" (on
// Windows this is the registry key the program always used) and the department's optional review
// threshold of lifetime treatments, "LifetimeReviewThreshold".

#include <QString>
#include <optional>

namespace settings {

// The stored directory, or nothing when no value is stored.
std::optional<QString> readDBDir();
// Stores the directory, creating the settings entry if it is missing. A server address is stored
// without any password it carries: passwords never reach the settings.
void writeDBDir(const QString& dir);

// The number of UV treatments over all courses at which a patient's lifetime exposure is to be
// reviewed; nothing when the department set none (or set something that is not a whole number of
// at least 1).
std::optional<int> readLifetimeReviewThreshold();

// A postgresql:// address without its password (user:password@ or a password= parameter); any
// other text as it is.
QString withoutPassword(const QString& dbDir);

}  // namespace settings
