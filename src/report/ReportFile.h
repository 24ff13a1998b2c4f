#pragma once
// A prepared report kept in a file of its own, to be opened again in the preview later, on any
// workstation, with no course open: the pages exactly as they were prepared, pictures included.
//
// The file starts with the line "HALCYRA PREPARED REPORT", then a format version, then the pages.
// Pictures are kept without loss. Reading checks every count and reference against what the file
// holds, so a damaged or foreign file is refused with a reason rather than shown wrongly.
//
// A prepared report may come from anywhere (another workstation, an e-mail), so what it may ask
// of the program is limited. A report of the program is far within the limits: a course with 300
// photographs prints on 51 pages, with 77 million pixels in all. A file beyond any of them is
// refused, naming the file and the limit, before anything of that size is made: the pictures'
// sizes are taken from their headers before a pixel is decoded. The name of the PDF file stored in
// it is reduced to a plain file name ending in ".pdf" (see FileNames.h), so that an export never
// writes outside the folder the user chose.

#include <QByteArray>
#include <QString>
#include <stdexcept>

#include "base/BoundedRead.h"
#include "report/DisplayList.h"

namespace report {

class ReportFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The extension such files get ("hrep") and the file dialogs' filter.
inline constexpr char kReportFileExtension[] = "hrep";
inline constexpr char kReportFileFilter[] = "Prepared reports (*.hrep)";

// What a prepared report may hold.
inline constexpr qint64 kLargestReportFile = files::kLargestReportFile;  // 256 MB
inline constexpr int kMostReportPages = 1000;
// Things drawn on one page: texts, filled boxes, lines, outlines, pictures and clip outlines, and
// every point of an outline. The summary page of a treatment report draws about 1,500.
inline constexpr int kMostItemsPerReportPage = 100'000;
inline constexpr int kLongestReportText = 10'000;       // characters of one text (a line, a page's title)
inline constexpr double kSmallestReportPageSide = 10;   // millimetres
inline constexpr double kLargestReportPageSide = 2000;  // millimetres (A0 is 1189 mm long)
inline constexpr int kMostReportPictures = 10'000;
inline constexpr qint64 kMostReportPixels = 100'000'000;  // all pictures together, decoded (400 MB)

// Writes the report to `path`, replacing a file that is there; nothing is left half-written, and
// the file is private from its first byte (base/PrivateFiles.h). Raises ReportFileError naming the
// file and the system's reason, or the limit a report beyond them exceeds (checkReportLimits).
void saveReportFile(const PreparedReport& report, const QString& path);

// Raises ReportFileError when the report is beyond the limits above.
void checkReportLimits(const PreparedReport& report);

// Reads a report written by saveReportFile: a regular file of at most kLargestReportFile bytes.
// Raises ReportFileError naming the file and what is wrong with it (a limit it goes beyond among
// them).
PreparedReport openReportFile(const QString& path);

// Reads the bytes of such a file; `name` names it in messages.
PreparedReport readReportBytes(const QByteArray& bytes, const QString& name);
// The bytes saveReportFile writes.
QByteArray reportBytes(const PreparedReport& report);

}  // namespace report
