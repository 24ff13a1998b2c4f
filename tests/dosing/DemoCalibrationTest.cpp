// The shipped demonstration calibration says it is one, and gives plausible estimates: positive,
// ordered by skin-tone class and by skin type, and deliverable as a first dose, at every age the
// estimate is taken at.

#include <gtest/gtest.h>

#include "dosing/CalibrationCheck.h"
#include "dosing/FactorFile.h"
#include "dosing/MedEstimate.h"

namespace {

TEST(DemoCalibration, EstimatesArePlausibleAtEveryAge) {
  const FactorTables t = dosing::readFactorFile(QStringLiteral(HALCYRA_DEMO_FACTORS));
  EXPECT_EQ(t.ESF, 1.0);
  EXPECT_EQ(t.Default_Lang, 2);
  EXPECT_EQ(t.Default_Format, "LLL0000");
  EXPECT_FALSE(t.Logo.isNull());
  // It says what it is, and is a calibration all the same.
  EXPECT_TRUE(t.Demonstration);
  EXPECT_TRUE(dosing::calibrationProblem(t).isEmpty()) << dosing::calibrationProblem(t).toStdString();

  // Patients from birth to 100: the young are placed on the older side of the curves, so the
  // curves are met between 19 and 96.
  for (int tenths = 0; tenths <= 1000; tenths += 5) {
    const double a = dosing::effectiveAge(tenths / 10.0);
    const dosing::ToneEstimates e = dosing::estimateTones(t, a);
    for (int type = 0; type < 6; ++type) {
      SCOPED_TRACE(testing::Message() << "age " << tenths / 10.0 << " (curves at " << a << "), type " << type + 1);
      EXPECT_GT(e.sensitiveMeds[type], 0.0);
      EXPECT_LT(e.sensitiveMeds[type], e.averageMeds[type]);
      EXPECT_LT(e.averageMeds[type], e.insensitiveMeds[type]);
      if (type > 0) {
        EXPECT_GT(e.sensitiveMeds[type], e.sensitiveMeds[type - 1]);
        EXPECT_GT(e.averageMeds[type], e.averageMeds[type - 1]);
        EXPECT_GT(e.insensitiveMeds[type], e.insensitiveMeds[type - 1]);
      }
      // The usual first dose, 70% of the MED, is one the unit can deliver.
      for (double med : {e.sensitiveMeds[type], e.averageMeds[type], e.insensitiveMeds[type]}) {
        EXPECT_GE(0.7 * med, t.MED_Min[type]);
        EXPECT_LE(0.7 * med, t.MED_Max[type]);
      }
    }
  }

  // At 40: type I from about 250 to 400 mJ/cm2, type VI above 1000.
  const dosing::ToneEstimates at40 = dosing::estimateTones(t, 40);
  EXPECT_GE(at40.sensitiveMeds[0], 240.0);
  EXPECT_LE(at40.insensitiveMeds[0], 410.0);
  EXPECT_GT(at40.averageMeds[5], 1000.0);
}

}  // namespace
