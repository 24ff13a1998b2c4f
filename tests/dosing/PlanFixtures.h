#pragma once
// Small calibrations and grid columns for the estimate and plan tests.

#include <QString>
#include <initializer_list>

#include "dosing/DefaultSchedules.h"
#include "dosing/FactorTables.h"
#include "dosing/TreatmentPlan.h"

namespace plan_fixtures {

// Factor tables whose estimates do not depend on the age: for every skin type the Sensitive,
// Average and In-Sensitive estimates are L, A and D, and the deliverable range is lo..hi.
inline FactorTables flatTables(double L, double A, double D, int lo = 1, int hi = 100000) {
  FactorTables t;
  t.ESF = 1;
  for (int type = 0; type < 6; ++type) {
    t.Lighter[4 * type] = L;
    t.Average[4 * type] = A;
    t.Darker[4 * type] = D;
    t.MED_Min[type] = lo;
    t.MED_Max[type] = hi;
  }
  return t;
}

// Column texts of one of the default schedules.
inline dosing::RowTexts scheduleTexts(int schedule) {
  dosing::RowTexts out;
  for (int r = 0; r < kTreatments; ++r) out[r] = QString::number(dosing::DefIncTable[schedule][r]);
  return out;
}

// Column texts from the first rows given; the remaining rows hold `rest`.
inline dosing::RowTexts texts(std::initializer_list<const char*> first, const char* rest = "0") {
  dosing::RowTexts out;
  out.fill(QString::fromLatin1(rest));
  int r = 0;
  for (const char* t : first) out[r++] = QString::fromLatin1(t);
  return out;
}

}  // namespace plan_fixtures
