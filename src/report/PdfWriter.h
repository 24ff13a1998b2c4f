#pragma once
// Writes prepared pages as a PDF file, with libharu.
//
// The document says who made it (Author "Physiotherapy Dept.", Subject "NB UVB MED Report",
// Creator "Venmore Ltd"), has its content streams compressed with Deflate, no outline and no
// encryption. Pictures are embedded as JPEG of quality 95 through the program's own codec.
// Text is written as PdfText.h says: in the standard font Helvetica, not embedded, wherever its
// single-byte encodings hold the letters, and in an embedded subset of Liberation Sans otherwise.

#include <QString>
#include <functional>
#include <stdexcept>

#include "report/DisplayList.h"

namespace report {

class PdfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Told the number of pages written so far and the number of pages in all.
using PdfProgress = std::function<void(int done, int total)>;

// Writes the PDF file of the report to `path`, replacing a file that is there. The file holds
// patient data: only its owner may read it (or a group folder's group), from its first byte on, and
// nothing is left half-written: the old file stays until the new one is complete
// (base/PrivateFiles.h). Raises PdfError naming the file and the system's reason when it cannot be
// written, and when libharu fails.
void writePdf(const PreparedReport& report, const QString& path, const PdfProgress& progress = {});

}  // namespace report
