// Values that cannot be a calibration are refused with the value named; every calibration a
// treatment unit could have, and the zeros of a short file, pass.

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <functional>
#include <limits>

#include "dosing/CalibrationCheck.h"
#include "dosing/FactorFile.h"

namespace {

// The demonstration curves: an MED of some hundreds of mJ/cm2, rising with skin type.
FactorTables plausible() {
  FactorTables t;
  t.ESF = 1.0;
  for (int type = 0; type < 6; ++type) {
    const double scale = 1.0 + 0.4 * type;
    const double curve[4] = {229.029, 4.33905, -0.0554286, 9.52381e-05};
    for (int c = 0; c < 4; ++c) {
      t.Lighter[4 * type + c] = 0.8 * scale * curve[c];
      t.Average[4 * type + c] = scale * curve[c];
      t.Darker[4 * type + c] = 1.25 * scale * curve[c];
    }
    t.MED_Min[type] = 100 + 40 * type;
    t.MED_Max[type] = 400 + 200 * type;
  }
  return t;
}

TEST(CalibrationCheck, NamesTheFirstValueThatCannotBeACalibration) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    std::function<void(FactorTables&)> change;
    const char* problem;  // empty: a calibration
  };
  // clang-format off
  const Case cases[] = {
      {"the demonstration curves", [](FactorTables&) {}, ""},
      {"a short file's zeros", [](FactorTables& t) { t = FactorTables{}; }, ""},
      {"a unit that delivers one first dose only", [](FactorTables& t) { t.MED_Min[2] = t.MED_Max[2] = 300; }, ""},
      {"ESF NaN", [nan](FactorTables& t) { t.ESF = nan; }, "ESF is not a number (NaN)"},
      {"ESF infinite", [inf](FactorTables& t) { t.ESF = -inf; }, "ESF is minus infinite"},
      {"a coefficient NaN", [nan](FactorTables& t) { t.Average[9] = nan; },
       "Average, coefficient c1 of skin type III, is not a number (NaN)"},
      {"a negative ESF", [](FactorTables& t) { t.ESF = -1; },
       "the Sensitive estimate of skin type I at age 19 is -"},
      {"a curve that turns negative in old age", [](FactorTables& t) { t.Darker[23] = -0.01; },
       "the In-Sensitive estimate of skin type VI at age "},
      {"an estimate beyond any skin", [](FactorTables& t) { t.ESF = 50; },
       "outside 0 to 10000 mJ/cm2"},
      {"an ESF that overflows the estimate", [](FactorTables& t) { t.ESF = 1e308; },
       "the Sensitive estimate of skin type I at age 19 is infinite, outside 0 to 10000 mJ/cm2"},
      {"a negative first dose", [](FactorTables& t) { t.MED_Min[0] = -5; },
       "MED_Min of skin type I is -5 mJ/cm2, outside 0 to 10000 mJ/cm2"},
      {"a first dose beyond any unit", [](FactorTables& t) { t.MED_Max[5] = 2000000; },
       "MED_Max of skin type VI is 2000000 mJ/cm2, outside 0 to 10000 mJ/cm2"},
      {"a range upside down", [](FactorTables& t) { t.MED_Min[1] = 500, t.MED_Max[1] = 400; },
       "MED_Min of skin type II (500 mJ/cm2) is above its MED_Max (400 mJ/cm2)"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FactorTables t = plausible();
    c.change(t);
    const QString problem = dosing::calibrationProblem(t);
    if (QString::fromLatin1(c.problem).isEmpty())
      EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    else
      EXPECT_TRUE(problem.contains(QString::fromLatin1(c.problem))) << problem.toStdString();
  }
}

TEST(CalibrationCheck, AFileThatCannotBeACalibrationIsRefusedNamingItAndTheValue) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("UVB_Factors.Dat"));
  FactorTables t = plausible();
  t.Lighter[0] = std::numeric_limits<double>::quiet_NaN();
  dosing::writeFactorFile(path, t);
  try {
    dosing::readCalibration(path);
    FAIL() << "a NaN coefficient was taken";
  } catch (const dosing::FactorFileError& e) {
    EXPECT_EQ(e.message(),
              QStringLiteral("The dose factor file \"%1\" cannot be a calibration: Lighter, coefficient c0 "
                             "of skin type I, is not a number (NaN). Replace it with the calibration of "
                             "the department's treatment unit.")
                  .arg(path));
  }
  dosing::writeFactorFile(path, plausible());
  EXPECT_EQ(dosing::readCalibration(path).ESF, 1.0);
}

}  // namespace
