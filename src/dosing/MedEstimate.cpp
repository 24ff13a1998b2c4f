#include "dosing/MedEstimate.h"

#include <cmath>

namespace dosing {

double effectiveAge(double age) {
  if (age >= 20) return age;
  // Rounded in floating point rather than through a 64-bit integer: the same value for every
  // age a person can have, and no overflow for a nonsense age typed into the box.
  return static_cast<double>(std::nearbyint(96.3333L - 3.9L * static_cast<long double>(age)));
}

double toneEstimate(const std::array<double, 24>& table, int type, double a, double esf) {
  const long double c0 = table[4 * type];
  const long double c1 = table[4 * type + 1];
  const long double c2 = table[4 * type + 2];
  const long double c3 = table[4 * type + 3];
  const long double x = a;
  return static_cast<double>(((c1 * x + c0) + c2 * x * x + c3 * x * x * x) * static_cast<long double>(esf));
}

ToneEstimates estimateTones(const FactorTables& tables, double a) {
  ToneEstimates e;
  for (int t = 0; t < kSkinTypes; ++t) {
    e.sensitiveMeds[t] = toneEstimate(tables.Lighter, t, a, tables.ESF);
    e.averageMeds[t] = toneEstimate(tables.Average, t, a, tables.ESF);
    e.insensitiveMeds[t] = toneEstimate(tables.Darker, t, a, tables.ESF);
  }
  return e;
}

}  // namespace dosing
