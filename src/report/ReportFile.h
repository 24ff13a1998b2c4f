#pragma once
// A prepared report kept in a file of its own, to be opened again in the preview later, on any
// workstation, with no course open: the pages exactly as they were prepared, pictures included.
//
// The file starts with the line "HALCYRA PREPARED REPORT", then a format version, then the pages.
// Pictures are kept without loss. Reading checks every count and reference against what the file
// holds, so a damaged or foreign file is refused with a reason rather than shown wrongly.

#include <QString>
#include <stdexcept>

#include "report/DisplayList.h"

namespace report {

class ReportFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The extension such files get ("hrep") and the file dialogs' filter.
inline constexpr char kReportFileExtension[] = "hrep";
inline constexpr char kReportFileFilter[] = "Prepared reports (*.hrep)";

// Writes the report to `path`, replacing a file that is there; nothing is left half-written.
// Raises ReportFileError naming the file and the system's reason.
void saveReportFile(const PreparedReport& report, const QString& path);

// Reads a report written by saveReportFile. Raises ReportFileError naming the file and what is
// wrong with it.
PreparedReport openReportFile(const QString& path);

}  // namespace report
