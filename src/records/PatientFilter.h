#pragma once
// The patient list's filters.
//
// A search lists the patients whose NHI begins with the typed NHI text and whose surname contains
// the typed surname text; with neither text, the patients with at least one course (status above
// 0). Letter case is ignored, as the department's earlier store did. The typed texts are matched
// as they are: a quote, *, %, _ or [ in them stands for that character and nothing else.

#include <QString>
#include <cstdint>
#include <optional>

#include "records/DataSet.h"

namespace records {

// The search filter for the NHI prefix `hosp` and the surname part `surname`, row by row and over a
// whole list through its index (the same rows either way).
RowTest patientSearchFilter(const QString& hosp, const QString& surname);
RowsTest patientSearchRows(const QString& hosp, const QString& surname);
// How that filter reads, for a status line or a log: (Hosp LIKE 'AB*' ) AND (SurN LIKE '*mit*' ).
QString patientSearchText(const QString& hosp, const QString& surname);

// The status test: a patient whose status was never computed (null) is accepted; otherwise it is
// accepted when its status bits and the mask have a bit in common.
bool acceptPatientStatus(std::optional<qint64> complete, std::uint8_t mask);
RowsTest patientStatusRows(std::uint8_t mask);

// The patient whose NHI equals `hosp`, letter case ignored (the legacy import finds a patient so).
RowTest patientNhiFilter(const QString& hosp);
// The same over a whole list; nothing for an empty NHI (only the row-by-row test tells a stored
// empty NHI from a missing one).
RowsTest patientNhiRows(const QString& hosp);
QString patientNhiText(const QString& hosp);

}  // namespace records
