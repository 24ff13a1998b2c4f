#include "dosing/TreatmentPlan.h"

#include <algorithm>
#include <cmath>

#include "base/Formats.h"

namespace dosing {

namespace {

const QString kUndeliverable = QStringLiteral("Undeliverable treatment");
const QString kConsult = QStringLiteral("\n\nConsult specialist before proceeding");

// Trunc toward zero. It stays in floating point instead of passing through a 64-bit integer:
// the result is the same for every dose that fits one, and an absurd MED typed into the box
// cannot overflow it.
long double truncate(long double v) { return std::trunc(v); }

QString doseText(double v) { return fmt::Fixed(v, 5, 0); }

// The MED at which the first planned dose would just reach `limit`, given a first increment of
// k % (k > 0). The figure the department has always been shown, formula included.
double medAtFirstDose(std::int32_t limit, std::int32_t k) {
  const long double kl = k;
  return static_cast<double>((limit / (kl / 100 + 0.1L) - 0.1L) * (kl + 10) / kl);
}

// With a first increment of 0 % or less the first dose is at most 0 whatever the MED, so no MED
// reaches a limit: the box says so instead of dividing by zero or showing a meaningless figure.
QString noMedText(const char* which, std::int32_t limit, std::int32_t k) {
  return QStringLiteral(
             "No MED gives a first dose within the %1 deliverable dose of %2 with a first "
             "increment of %3 %\nCheck the \"% Inc\" of treatment 1")
             .arg(QLatin1String(which), fmt::D(limit), fmt::D(k)) +
         kConsult;
}

QString tooLowText(std::int32_t minimum, std::int32_t k) {
  if (k <= 0) return noMedText("minimum", minimum, k);
  return QStringLiteral(
             "Minimum MED deliverable is %1\n"
             "May need to reclassify as a more Sensitive Skin Type to use current MED")
             .arg(fmt::Fixed(medAtFirstDose(minimum, k), 0, 2)) +
         kConsult;
}

QString tooHighText(std::int32_t maximum, std::int32_t k) {
  if (k <= 0) return noMedText("maximum", maximum, k);
  return QStringLiteral(
             "Maximium MED deliverable is %1\n"
             "May need to reclassify as a less Sensitive Skin Type to use current MED")
             .arg(fmt::Fixed(medAtFirstDose(maximum, k), 0, 2)) +
         kConsult;
}

}  // namespace

std::optional<int> toneClass(double med, double L, double D) {
  if (D == L) return std::nullopt;
  const long double x = 2 / (static_cast<long double>(D) - L) * (static_cast<long double>(med) - L);
  if (std::isnan(x)) return std::nullopt;
  // Limiting before rounding gives the same class and keeps a far-off MED in integer range.
  return static_cast<int>(std::nearbyint(std::clamp(x, 0.0L, 2.0L)));
}

PlanOutput computePlan(const PlanInput& in) {
  PlanOutput out;
  out.dose = in.dose;
  out.erythema = in.erythema;
  out.plannedDose = in.plannedDose;
  out.toneClass = std::clamp(in.toneClass, 0, 2);
  out.lastWarnedMed = in.lastWarnedMed;

  // An unreadable MED counts as 0 for the class and the title; no row is computed from it.
  const fmt::Real med = fmt::parseReal(in.medText);
  const long double MED = med.value;
  bool printable = true;

  // Types I..VI have estimates and a deliverable range. No skin type and "Agressive" have
  // neither: their plan is still computed from a hand-entered MED, but no class is derived (the
  // last one stays for the minimum-dose line), the title carries no class word and the first
  // dose is not checked against a range that does not exist.
  const bool hasRange = hasEstimates(in.estimatedItem);
  std::optional<int> cls;
  if (hasRange) cls = toneClass(med.value, in.sensitiveMeds[in.estimatedItem], in.insensitiveMeds[in.estimatedItem]);
  if (cls) out.toneClass = *cls;
  out.title = cls ? in.skinTypeText + QStringLiteral(" - ") + ToneNames[*cls] : in.skinTypeText;

  // The minimum-dose line starts from the next more sensitive type's estimate (type I uses its own).
  const int e = std::clamp(in.estimatedItem - 1, 0, kSkinTypes - 1);
  const double referenceMed = out.toneClass == 0   ? in.sensitiveMeds[e]
                              : out.toneClass == 1 ? in.averageMeds[e]
                                                   : in.insensitiveMeds[e];

  const fmt::Whole first = fmt::parseWhole(in.inc[0]);
  // A first increment of -100 % asks for a first dose of nothing and would divide by zero below:
  // like an unreadable one, it leaves the plan uncomputed and Print disabled.
  const bool firstUsable = first.valid && first.value != -100;
  if (med.valid && firstUsable) {
    const long double g = first.value;
    const long double f = fmt::parseWhole(in.defInc[0]).value;
    // Row 1 multiplies these by (g / 100 + 1) again, so that row 1's planned dose comes out as
    // about g % of the MED and its erythema dose as about the MED itself.
    double dose = (g / 100 * MED) / (g / 100 + 1) + 0.1L;
    double erythema = MED / (g / 100 + 1) + 0.1L;
    double minDose = referenceMed / (f / 100 + 1) + 0.1L;
    bool tooLow = false, tooHigh = false;

    for (int p = 0; p < kTreatments; ++p) {
      const long double m = fmt::parseWhole(in.defInc[p]).value;
      const fmt::Whole o = fmt::parseWhole(in.inc[p]);
      if (!o.valid) {
        // An unreadable increment skips its row: the next row grows from the last computed one.
        out.dose[p].clear();
        out.erythema[p].clear();
        printable = false;
        continue;
      }
      if (o.value > 200) {
        // An increment above 200 % ends the plan: this row repeats the previous values and the
        // rows after it keep what they showed.
        out.dose[p] = doseText(dose);
        out.erythema[p] = doseText(erythema);
        break;
      }
      const long double grow = o.value / 100.0L + 1;
      dose = truncate(grow * dose);
      erythema = truncate(grow * erythema);
      minDose = truncate((m / 100 + 1) * minDose);
      if (p == 0 && hasRange) {
        tooLow = in.MED_Min[in.estimatedItem] > dose;
        tooHigh = in.MED_Max[in.estimatedItem] < dose;
      }

      const double x = p + 1;
      out.series.erythema.emplace_back(x, erythema);
      out.series.minDose.emplace_back(x, minDose);
      if (p < static_cast<int>(in.records.size()) && in.records[p].recorded()) {
        out.series.temp.emplace_back(x, in.records[p].Temperature);
        out.series.delivered.emplace_back(x, in.records[p].Dose);
      } else {
        out.series.dose.emplace_back(x, dose);
      }
      out.plannedDose[p] = dose;
      out.dose[p] = doseText(dose);
      out.erythema[p] = doseText(erythema);
    }

    // Warn once for each new MED, never while a stored course is being loaded.
    if (med.value != in.lastWarnedMed && !in.loadingStoredCourse) {
      const std::int32_t k = fmt::parseWhole(in.inc[0]).value;
      if (tooLow) out.warnings.push_back({kUndeliverable, tooLowText(in.MED_Min[in.estimatedItem], k)});
      if (tooHigh) out.warnings.push_back({kUndeliverable, tooHighText(in.MED_Max[in.estimatedItem], k)});
    }
    out.lastWarnedMed = med.value;
  }

  out.printEnabled = med.valid && firstUsable && printable;
  return out;
}

}  // namespace dosing
