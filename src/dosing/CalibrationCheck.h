#pragma once
// Values that cannot be a calibration. The dose factor file's numbers come from another program
// and may be damaged; a NaN, an infinite number or an estimate no skin has would be carried into
// every dose. Such a file is refused at start, by the window and by every halcyra-tool command
// that computes a dose, with the value named.
//
// The ranges, wide enough for any treatment unit and any skin, narrow enough for no nonsense:
//  - every number is finite: ESF and the 72 coefficients;
//  - every tone estimate (the cubic of its skin type and class, times ESF) lies within 0 to
//    kHighestEstimate mJ/cm2 at every half year of effective age from kYoungestCurveAge to
//    kOldestCurveAge, the part of the curves met by patients from birth to 100 (the young are
//    placed on the older side of the curves). A minimal erythema dose of NB UVB is some hundreds
//    of mJ/cm2; 10,000 is far beyond any skin;
//  - the deliverable first doses MED_Min and MED_Max of each skin type lie within 0 to
//    kHighestFirstDose mJ/cm2, and MED_Min is not above MED_Max.
// Zero is allowed throughout: it is what a field the file does not reach holds (a short file is
// read as it always has been; its estimates are 0).

#include <QString>

#include "dosing/FactorTables.h"

namespace dosing {

inline constexpr double kHighestEstimate = 10000;  // mJ/cm2
inline constexpr double kYoungestCurveAge = 19;
inline constexpr double kOldestCurveAge = 100;
inline constexpr int kHighestFirstDose = 10000;  // mJ/cm2

// The first value of `tables` outside its range, named for the user, for example
//   "ESF is not a number (NaN)"
//   "the Average estimate of skin type III at age 45 is -12.5 mJ/cm2, outside 0 to 10000 mJ/cm2"
//   "MED_Min of skin type II (500 mJ/cm2) is above its MED_Max (400 mJ/cm2)"
// Empty when every value lies within its range. Numbers are written with a point.
QString calibrationProblem(const FactorTables& tables);

// readFactorFile, then the check: a file whose values cannot be a calibration throws
// FactorFileError "The dose factor file "<path>" cannot be a calibration: <problem>. ..."
FactorTables readCalibration(const QString& path);

// The line the window, the report and halcyra-tool show for a demonstration calibration.
inline const QString kDemonstrationWarning = QStringLiteral("Demonstration calibration: not for clinical use");

}  // namespace dosing
