#include "treatment/Exposure.h"

#include "base/Formats.h"

namespace treatment {

Exposure exposureOf(std::span<const TreatmentRecord> records) {
  Exposure e;
  e.courses = 1;
  for (const TreatmentRecord& r : records) {
    if (!r.recorded() || r.missed()) continue;
    ++e.treatments;
    e.dose += r.deliveredDose();
  }
  return e;
}

namespace {

// "1 treatment", "84 treatments" (with a word before "treatment" when given).
QString treatmentCount(int n, const QString& kind = {}) {
  return fmt::D(n) + ' ' + kind + (n == 1 ? QStringLiteral("treatment") : QStringLiteral("treatments"));
}

}  // namespace

QString lifetimeText(const Exposure& exposure, const QLocale& locale) {
  return QStringLiteral("Lifetime: ") + treatmentCount(exposure.treatments) + QStringLiteral(", ") +
         fmt::Fixed(exposure.dose / 1000.0L, 0, 1, locale) + QStringLiteral(" J/cm\u00b2");
}

std::optional<QString> lifetimeReviewAdvice(const Exposure& exposure, std::optional<int> threshold,
                                            const QString& patient, const QLocale& locale) {
  if (!threshold || exposure.treatments < *threshold) return std::nullopt;
  return QStringLiteral(
             "%1 has had %2 over all courses, %3 J/cm\u00b2 in all. This department reviews "
             "a patient's lifetime exposure from %4 on.\n\nReview the cumulative exposure "
             "with the supervising clinician before going on with this course.")
      .arg(patient, treatmentCount(exposure.treatments, QStringLiteral("UV ")),
           fmt::Fixed(exposure.dose / 1000.0L, 0, 1, locale), treatmentCount(*threshold));
}

}  // namespace treatment
