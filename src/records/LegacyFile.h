#pragma once
// A patient file of the older system (*.UVB), read for the bulk import. The program never writes
// this format.
//
// Seven fields, no header: integers are signed 32-bit little-endian; a text is a signed 32-bit
// little-endian byte count L and then L bytes, one Windows-1252 character per byte.
//
//   1 full name (text)      2 NHI (text)          3 age in years (text, decimal point ".")
//   4 how long the condition has lasted (text)    5 skin type (integer 1..7, 7 = "Agressive")
//   6 MED (text, a whole number)                  7 the 29 "% Inc" increments (29 integers)
//
// Nothing after field 7 is read. The format carries no check of its own, so the reader checks
// what it can: a file that ends early, a negative length, a length reaching past the end of the
// file or a skin type outside 1..7 makes the file malformed, with a reason naming the field. No
// length in a file makes the reader allocate more than the file holds.

#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "treatment/TreatmentRecord.h"

namespace records {

// The fields of one legacy file, as Unicode text.
struct LegacyPatient {
  QString fullName;           // field 1, as written
  QString nhi;                // field 2, as written (see legacyPatientKey for the key it gives)
  QString age;                // field 3
  QString duration;           // field 4, whole; the course column keeps its first 20 characters
  std::int32_t skinType = 0;  // field 5: 1..6 types I..VI, 7 "Agressive"
  QString med;                // field 6
  std::array<std::int32_t, kTreatments> increments{};  // field 7; treatment 1 first
  // The file's last-write time in local time (days since 1899-12-30); NaN when the file was read
  // from bytes or the time could not be had.
  double modified = std::numeric_limits<double>::quiet_NaN();

  // The MED as a whole number (leading blanks and one sign allowed, nothing after the digits).
  // Empty when it is not one: the course's MED column holds whole numbers only, so the import
  // skips such a file.
  std::optional<std::int32_t> wholeMed() const;
  // The age in years, when its text reads as a number with a decimal point "." ("45.5");
  // empty otherwise ("45 years").
  std::optional<double> ageYears() const;
};

struct LegacyRead {
  enum class Status {
    Read,        // all seven fields were read
    Malformed,   // the bytes do not form a legacy patient file; `problem` says where
    Unreadable,  // the file could not be opened or read; `problem` names it and says why
  };
  Status status = Status::Malformed;
  QString problem;        // empty when Read
  LegacyPatient patient;  // complete only when Read

  bool ok() const { return status == Status::Read; }
};

// Reads a legacy file from its bytes. A problem reads like "the file ends inside field 3 (age)",
// "field 1 (full name) has a negative length (-4)" or "skin type 9 is outside 1..7".
LegacyRead readLegacyBytes(QByteArrayView bytes);

// Reads a legacy file from an open device, from its current position, without reading past
// field 7. The device must know its size (a file or a buffer, not a pipe).
LegacyRead readLegacyDevice(QIODevice& device);

// Opens and reads the file at `path` (other programs may keep reading and writing it meanwhile),
// and takes its last-write time. Every problem starts with the file's path. Only a regular file of
// at most files::kLargestLegacyFile bytes is read: a pipe or a device is refused at once, without
// waiting for it.
LegacyRead readLegacyFile(const QString& path);

// The patient key an NHI gives: leading blanks removed, and "BLANK" when nothing is left (an empty
// NHI, or one of blanks only), so that all files without a number meet under one patient.
QString legacyPatientKey(const QString& nhi);

struct NameParts {
  QString first;
  QString surname;
};

// Splits a full name the way the older system's files have always been read. Words are taken
// from the front while more than 2 characters are left (leading and repeated blanks are skipped);
// a remainder of 2 characters or fewer is dropped. Then: no word gives nothing; one word is the
// surname; two are first name and surname; with three or more, the first word is the first name,
// or the first two words when the first has only 1 or 2 characters (an initial or a title), and
// the remaining words joined by single blanks are the surname.
//   "John Paul Smith" -> "John" / "Paul Smith"     "J Paul Smith" -> "J Paul" / "Smith"
//   "Mary Ng"         -> ""     / "Mary"           "Smith"        -> ""       / "Smith"
NameParts splitFullName(const QString& fullName);

// Windows-1252 bytes to Unicode. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, as Windows itself reads them.
QString fromWindows1252(QByteArrayView bytes);

}  // namespace records
