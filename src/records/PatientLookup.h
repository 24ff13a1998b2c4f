#pragma once
// The rules of the patient list that do not need the store: what a complete NHI looks like, and
// the status mask the three check boxes make.

#include <QString>
#include <cstdint>
#include <string>

namespace records {

// True exactly when `text` has as many characters as `pattern` and each character fits the
// pattern character at its position: "0" a digit 0-9, "L" a letter A-Z or a-z, anything else any
// character. An empty pattern accepts only the empty text.
bool ValidNHI(const QString& text, const std::string& pattern);

// The course status bits to list: "Current" 1 (a course not yet marked either way), "Pending" 2
// (a course not finished), "Complete" 4 (a finished course). 7 lists every patient.
std::uint8_t statusMask(bool current, bool pending, bool complete);

}  // namespace records
