#pragma once
// The stored settings, kept per user under "Venmore"/"Brell": the database directory "DBDir" (on
// Windows this is the registry key the program always used) and the department's optional review
// threshold of lifetime treatments, "LifetimeReviewThreshold".

#include <QString>
#include <optional>

namespace settings {

// The stored directory, or nothing when no value is stored.
std::optional<QString> readDBDir();
// Stores the directory, creating the settings entry if it is missing, and returns true. A server
// address that could hold a password is not stored at all (false): passwords never reach the
// settings. The database setting's dialog gives an address rebuilt without its password
// (records::StoreLocation::setting), which is stored.
bool writeDBDir(const QString& dir);

// The number of UV treatments over all courses at which a patient's lifetime exposure is to be
// reviewed; nothing when the department set none (or set something that is not a whole number of
// at least 1).
std::optional<int> readLifetimeReviewThreshold();

// Whether a postgresql:// address could hold a password: user:password@ in front of the host, an
// '@' anywhere else, or a password= or sslpassword= parameter in any spelling (percent-encoded or
// in capitals). Any other text, a folder among them, holds none.
bool mayHoldPassword(const QString& dbDir);

}  // namespace settings
