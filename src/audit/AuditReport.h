#pragma once
// The department audit as a printed report: one A4 portrait document through the report engine,
// written as PDF by the same writer as the treatment report (the same document information and
// fonts). Every page is headed with the period, the print date and the calibration; below, the
// department's figures as a table, the burn figures by skin type, the two charts drawn as vectors,
// the grade III burns of the period and the patients due a lifetime exposure review.

#include <QDate>
#include <QLocale>
#include <QString>

#include "audit/DepartmentAudit.h"
#include "report/DisplayList.h"
#include "report/Layout.h"

namespace audit {

// The name proposed for the audit's files: "department-audit-2024-01-01-to-2024-12-31" and
// `extension` (".pdf", ".csv").
QString auditFileName(const Period& period, const QString& extension);

// The layout, one table per band; the datasets and the charts are put in by prepareAuditReport.
report::ReportLayout auditReportLayout();

// Prepares the report of `figures`. `calibration` names the dose factor file the department works
// with (its path), printed in the header; empty when none was given. Numbers, dates and month
// names are written in `locale`'s writing.
report::PreparedReport prepareAuditReport(const Figures& figures, const QString& calibration, const QDate& printDate,
                                          const QLocale& locale);

}  // namespace audit
