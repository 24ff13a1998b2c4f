#include "dosing/CalibrationCheck.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "dosing/FactorFile.h"
#include "dosing/MedEstimate.h"
#include "dosing/SkinTypes.h"

namespace dosing {

namespace {

const char* const kRoman[] = {"I", "II", "III", "IV", "V", "VI"};

QString number(double v) {
  if (std::isnan(v)) return QStringLiteral("not a number (NaN)");
  if (std::isinf(v)) return v > 0 ? QStringLiteral("infinite") : QStringLiteral("minus infinite");
  return QString::number(v, 'g', 6);  // Qt's own formatting: a point, whatever the locale
}

struct Table {
  const char* name;  // the field
  const char* tone;  // the class it estimates
  const std::array<double, 24>& coefficients;
};

}  // namespace

QString calibrationProblem(const FactorTables& t) {
  if (!std::isfinite(t.ESF)) return QStringLiteral("ESF is %1").arg(number(t.ESF));
  const Table tables[] = {
      {"Lighter", "Sensitive", t.Lighter}, {"Average", "Average", t.Average}, {"Darker", "In-Sensitive", t.Darker}};
  for (const Table& table : tables)
    for (int i = 0; i < 24; ++i)
      if (!std::isfinite(table.coefficients[static_cast<std::size_t>(i)]))
        return QStringLiteral("%1, coefficient c%2 of skin type %3, is %4")
            .arg(QLatin1String(table.name))
            .arg(i % 4)
            .arg(QLatin1String(kRoman[i / 4]), number(table.coefficients[static_cast<std::size_t>(i)]));

  for (int type = 0; type < kSkinTypes; ++type) {
    const auto k = static_cast<std::size_t>(type);
    for (const auto& [name, value] : {std::pair{"MED_Min", t.MED_Min[k]}, std::pair{"MED_Max", t.MED_Max[k]}})
      if (value < 0 || value > kHighestFirstDose)
        return QStringLiteral("%1 of skin type %2 is %3 mJ/cm2, outside 0 to %4 mJ/cm2")
            .arg(QLatin1String(name), QLatin1String(kRoman[type]))
            .arg(value)
            .arg(kHighestFirstDose);
    if (t.MED_Min[k] > t.MED_Max[k])
      return QStringLiteral("MED_Min of skin type %1 (%2 mJ/cm2) is above its MED_Max (%3 mJ/cm2)")
          .arg(QLatin1String(kRoman[type]))
          .arg(t.MED_Min[k])
          .arg(t.MED_Max[k]);
  }

  for (const Table& table : tables)
    for (int type = 0; type < kSkinTypes; ++type)
      for (double age = kYoungestCurveAge; age <= kOldestCurveAge; age += 0.5) {
        const double e = toneEstimate(table.coefficients, type, age, t.ESF);
        if (!(e >= 0 && e <= kHighestEstimate))
          return QStringLiteral("the %1 estimate of skin type %2 at age %3 is %4%5, outside 0 to %6 mJ/cm2")
              .arg(QLatin1String(table.tone), QLatin1String(kRoman[type]), number(age), number(e),
                   std::isfinite(e) ? QStringLiteral(" mJ/cm2") : QString())
              .arg(kHighestEstimate);
      }
  return {};
}

FactorTables readCalibration(const QString& path) {
  FactorTables tables = readFactorFile(path);
  const QString problem = calibrationProblem(tables);
  if (!problem.isEmpty())
    throw FactorFileError(QStringLiteral("The dose factor file \"%1\" cannot be a calibration: %2. Replace it with the "
                                         "calibration of the department's treatment unit.")
                              .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), problem));
  return tables;
}

}  // namespace dosing
