#include "treatment/Exposure.h"

#include "base/Formats.h"

namespace treatment {

Exposure exposureOf(std::span<const TCondition> records) {
  Exposure e;
  e.courses = 1;
  for (const TCondition& r : records) {
    if (!r.recorded()) continue;
    ++e.treatments;
    e.dose += r.Dose;
  }
  return e;
}

QString lifetimeText(const Exposure& exposure, const QLocale& locale) {
  const QString treatments = exposure.treatments == 1 ? QStringLiteral("1 treatment")
                                                      : fmt::D(exposure.treatments) + QStringLiteral(" treatments");
  return QStringLiteral("Lifetime: ") + treatments + QStringLiteral(", ") +
         fmt::Fixed(exposure.dose / 1000.0L, 0, 1, locale) + QStringLiteral(" J/cm\u00b2");
}

}  // namespace treatment
