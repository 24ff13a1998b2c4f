#pragma once
// What the open course tests share: the demonstration calibration, a treatment entry, and the
// consistency check of the store under test.

#include <QStringList>

#include "dosing/FactorDescription.h"
#include "maintenance/StoreCheck.h"
#include "records/Connection.h"
#include "records/Database.h"
#include "treatment/ScheduleRules.h"

namespace course_fixtures {

// The demonstration calibration kept in the repository (patient-ID pattern LLL0000).
inline FactorTables demoTables() {
  return dosing::readFactorDescription(QStringLiteral(HALCYRA_SOURCE_DIR "/demo/UVB_Factors.txt")).tables;
}

// A treatment as the entry dialog gives it.
inline treatment::TreatmentEntry visit(std::int8_t condition, float dose = 123) {
  treatment::TreatmentEntry e;
  e.condition = condition;
  e.dose = dose;
  e.temperature = 36.5f;
  e.when = 45000;
  e.initials = "AB ";
  e.time = " 2:30";
  return e;
}

// What halcyra-tool check finds in the store named by a folder or a URI.
inline QStringList problems(const QString& store) {
  records::Connection c;
  records::openStore(c, store);
  return maintenance::checkStore(c);
}

}  // namespace course_fixtures
