#pragma once
// The dose factor file "UVB_Factors.Dat": the calibration the program reads once at start-up.
//
// Binary, little-endian, no header. A fixed part of 656 bytes (ESF, the three coefficient tables,
// MED_Min, MED_Max, Min_DA, Max_DA, 8 unused bytes), then an optional tail: Default_Lang (int32),
// the pattern length N (int32), N pattern bytes, and a Windows bitmap file image as the logo up
// to the end of the file. A file shorter than the fixed part is not an error: the fields it does
// not reach stay zero.
//
// A demonstration calibration says so: its file ends with the line of text kDemonstrationMark,
// after everything else (after the logo, where a bitmap reader does not look). The mark is taken
// off before the rest is read, so the other fields read as they always have; a file without it,
// as every file of the engineering tool is, is a calibration for clinical use. Other programs that
// read the file take no notice of the mark as long as the file has a logo (without one they would
// take the line for a damaged logo), so a demonstration file is written with one.

#include <QByteArray>
#include <QString>
#include <stdexcept>

#include "dosing/FactorTables.h"

namespace dosing {

// The name of the factor file in the start-up directory.
inline constexpr const char* kFactorFileName = "UVB_Factors.Dat";

// Size of the fixed part; the tail starts here.
inline constexpr int kFactorFixedSize = 656;

// The last bytes of a demonstration calibration's file.
inline constexpr char kDemonstrationMark[] = "\nHALCYRA DEMONSTRATION CALIBRATION: NOT FOR CLINICAL USE\n";

// A factor file that cannot be opened, whose logo is not a bitmap, or that cannot be written.
// The message names the file and is meant to be shown to the user as it is.
class FactorFileError : public std::runtime_error {
 public:
  explicit FactorFileError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// Reads a factor file image. `fileName` only names the file in error messages.
// Throws FactorFileError when logo bytes are present but are not a valid bitmap.
FactorTables readFactorBytes(const QByteArray& bytes, const QString& fileName = {});

// Opens and reads a factor file, and notes in the tables where they came from (SourcePath,
// SourceSha256). A file that cannot be opened throws FactorFileError with the message:
//   Cannot open file "<absolute path>". <the system's reason>
// and so do a path that names no regular file (a pipe, a device, a folder) and a file larger than
// files::kLargestFactorFile, with the reason said.
FactorTables readFactorFile(const QString& path);

// The byte image of a factor file. The logo is `logoBmp`, the bytes of a BMP file, when given;
// otherwise tables.Logo encoded as BMP, or none when it is null. Without a logo, language or
// pattern the tail is left out and the image is exactly the 656-byte fixed part, which reads back
// as the same values. A demonstration calibration ends with kDemonstrationMark (after a tail,
// written even when empty). Throws FactorFileError when `logoBmp` is not a valid bitmap.
QByteArray factorFileBytes(const FactorTables& tables, const QByteArray& logoBmp = {});

// Writes factorFileBytes() to `path`, replacing it only once the whole image is written.
// Throws FactorFileError naming the file when it cannot be written.
void writeFactorFile(const QString& path, const FactorTables& tables, const QByteArray& logoBmp = {});

// Decodes the bytes of a BMP file; a null image when they are not a valid bitmap.
QImage decodeBitmap(const QByteArray& bmp);

}  // namespace dosing
