#pragma once
// The layout of the treatment report, one table per page:
//   "Page1": the summary page (A4 landscape), with the treatment table of "Page2" inside it;
//   "Page2": one line per treatment, shown only inside the summary page's sub-report;
//   "Page3": the photographs, two to a row under a header, printed when the course has any.

#include <QString>

#include "report/Layout.h"

namespace report {

ReportLayout treatmentReportLayout();

// The maker's web address, printed up the right edge of the summary page.
inline constexpr char kMakerWebAddress[] = "venmore.example";

}  // namespace report
