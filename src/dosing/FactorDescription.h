#pragma once
// The text form of a dose factor file, for clinical engineers: one field per line, the field's
// name, a tab, its value, in the order of the file:
//
//   ESF             one number
//   Lighter, Average, Darker
//                   24 numbers each (c0 c1 c2 c3 of skin type I, then of II, ... VI)
//   MED_Min, MED_Max
//                   6 whole numbers each (skin types I..VI, mJ/cm2)
//   Min_DA, Max_DA  16 hexadecimal digits each, the 8 bytes in file order
//   Default_Lang    one whole number (the item of the language list)
//   Default_Format  the patient-ID pattern, taken exactly as written after the tab
//   Logo            the size "WxH" of the bitmap when printed; when written, the path of a BMP
//                   file (relative to the description's folder) or "none"
//   Demonstration   "yes" for a demonstration calibration (the file ends with its mark, see
//                   FactorFile.h), "no" for a calibration for clinical use; may be left out when
//                   written, and is then "no"
//
// Numbers are separated by blanks and printed with 17 significant digits, so that a printed
// description written back gives the same file. In the pattern a backslash and control
// characters are printed as "\\" and "\xHH"; the other bytes are shown as ISO 8859-1 characters,
// one character per byte. When written, empty lines and lines starting with '#' are skipped.

#include <QByteArray>
#include <QString>
#include <stdexcept>

#include "dosing/FactorTables.h"

namespace dosing {

// A description that cannot be read or is not valid. The message names the file and the line.
class FactorDescriptionError : public std::runtime_error {
 public:
  explicit FactorDescriptionError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// Every field of `tables`, one "name<TAB>value" line each, every line ending in "\n".
QString describeFactors(const FactorTables& tables);

struct FactorDescription {
  FactorTables tables;  // tables.Logo stays null: the logo travels as the bitmap file's bytes
  QByteArray logoBmp;   // empty for "none"
};

// Reads a description. Every field but Demonstration must be given, and none twice. Relative logo paths are resolved
// against `baseDir`; `sourceName` names the description in messages.
FactorDescription parseFactorDescription(const QString& text, const QString& baseDir, const QString& sourceName);

// Reads the description file at `path` (UTF-8 text, a regular file of at most
// files::kLargestFactorDescription bytes; a logo file at most files::kLargestFactorFile).
FactorDescription readFactorDescription(const QString& path);

}  // namespace dosing
