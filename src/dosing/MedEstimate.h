#pragma once
// The MED estimate: from the age and the factor tables, three estimates per skin type, one for
// each skin-tone class (Sensitive, Average, In-Sensitive).
//
// The arithmetic runs in x87 extended precision (long double) in the order written; each result
// is kept as a double, as the window has always kept them.

#include <array>

#include "dosing/FactorTables.h"
#include "dosing/SkinTypes.h"

namespace dosing {

// The age the age curves are evaluated at. Ages of 20 or more are used as they are; younger
// patients are mapped onto the older side of the curve, Round(96.3333 - 3.9 * age) with Round
// half-to-even (19 -> 22, 10 -> 57, 0 -> 96).
double effectiveAge(double age);

// One tone estimate: ((c1*a + c0) + c2*a*a + c3*a*a*a) * ESF, with c0..c3 the four coefficients
// of skin type `type` (0 = I .. 5 = VI) in `table`.
double toneEstimate(const std::array<double, 24>& table, int type, double a, double esf);

struct ToneEstimates {
  std::array<double, kSkinTypes> sensitiveMeds{};    // Sensitive, types I..VI
  std::array<double, kSkinTypes> averageMeds{};      // Average
  std::array<double, kSkinTypes> insensitiveMeds{};  // In-Sensitive
};

// The three estimates of every skin type at effective age `a`.
ToneEstimates estimateTones(const FactorTables& tables, double a);

}  // namespace dosing
