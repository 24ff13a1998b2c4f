#include "dosing/DosingSession.h"

#include <cmath>

#include "base/Formats.h"
#include "dosing/DefaultSchedules.h"
#include "dosing/MedEstimate.h"
#include "treatment/ClinicalLimits.h"

namespace dosing {

namespace {

// The MED an estimate gives when its panel is clicked: the estimate rounded half-to-even.
std::optional<std::int64_t> roundedMed(double estimate) {
  const long double rounded = std::nearbyint(static_cast<long double>(estimate));
  // An estimate that is not a number (a damaged factor file) gives no MED rather than a made-up one.
  if (!std::isfinite(rounded) || std::fabs(rounded) >= 9.2e18L) return std::nullopt;
  return static_cast<std::int64_t>(rounded);
}

}  // namespace

bool DosingSession::offered(double estimate) {
  const std::optional<std::int64_t> med = roundedMed(estimate);
  return med && limits::problemOf(limits::kMed, static_cast<double>(*med)) == limits::Problem::None;
}

bool DosingSession::setAge(double age) {
  if (age == age_) return false;
  age_ = age;
  ageText_ = fmt::Fixed(age, 3, 1);
  updateEstimates();
  return true;
}

void DosingSession::updateEstimates() {
  clearPlan();
  const ToneEstimates e = estimateTones(tables_, effectiveAge(age_));
  sensitiveMeds_ = e.sensitiveMeds;
  averageMeds_ = e.averageMeds;
  insensitiveMeds_ = e.insensitiveMeds;
  estimatedItem_ = skinTypeItem_;
  if (hasEstimates(estimatedItem_)) {
    const auto k = static_cast<std::size_t>(estimatedItem_);
    const std::array<double, 3> estimates{sensitiveMeds_[k], averageMeds_[k], insensitiveMeds_[k]};
    for (std::size_t tag = 0; tag < 3; ++tag) {
      toneOffered_[tag] = offered(estimates[tag]);
      toneLabels_[tag] = toneOffered_[tag] ? fmt::Fixed(estimates[tag], 6, 1) : QString();
    }
    tonePanelsEnabled_ = true;
    gridEnabled_ = true;
  } else {
    // No skin type, or "Agressive": no estimate, so nothing to show and no panel to click.
    toneLabels_ = {};
  }
}

void DosingSession::clearPlan() {
  lastWarnedMed_ = 0;
  series_ = {};
  chartTitle_.clear();
  toneLabels_ = {};
  for (int r = 0; r < kTreatments; ++r) {
    grid_.dose[r].clear();
    grid_.erythema[r].clear();
  }
  gridEnabled_ = false;
  tonePanelsEnabled_ = false;
  toneOffered_ = {};
}

void DosingSession::chooseSkinType(int item) {
  skinTypeItem_ = item >= -1 && item <= 6 ? item : -1;
  clearPlan();
  const auto& schedule = DefIncTable[SkinTypeSchedule(skinTypeItem_)];
  for (int r = 0; r < kTreatments; ++r) {
    grid_.inc[r] = fmt::D(schedule[r]);
    grid_.defInc[r] = grid_.inc[r];
  }
  if (age_ != 0) updateEstimates();
}

bool DosingSession::enterAge(const QString& text) {
  ageText_ = text;
  const fmt::Real age = fmt::parseReal(text);
  if (!age.valid) return false;
  setAge(age.value);
  return true;
}

bool DosingSession::takeBirthDate(const QString& ageBoxText, double birth, double now) {
  ageText_ = ageBoxText;
  if (!ageBoxText.isEmpty()) return false;
  setAge(static_cast<double>((static_cast<long double>(now) - birth) / 365.25L));
  return true;
}

ToneChoice DosingSession::chooseTone(int tag, const QString& comboText, const std::optional<QString>& focusedAgeText) {
  ToneChoice click;
  // Clicking a panel does not take the focus from the age box, so a typed age is applied here.
  if (focusedAgeText) click.ageApplied = enterAge(*focusedAgeText);
  if (tag < 0 || tag > 2) return click;

  // A panel whose estimate is not offered gives nothing: no class, no MED.
  if (hasEstimates(estimatedItem_) && toneOffered_[static_cast<std::size_t>(tag)]) {
    toneClass_ = tag;
    const auto k = static_cast<std::size_t>(estimatedItem_);
    const double value = tag == 0 ? sensitiveMeds_[k] : tag == 1 ? averageMeds_[k] : insensitiveMeds_[k];
    click.medText = fmt::D(*roundedMed(value));
  }
  // A type without estimates has no class: its title carries none.
  chartTitle_ = hasEstimates(estimatedItem_) ? comboText + QStringLiteral(" - ") + ToneNames[toneClass_] : comboText;
  return click;
}

std::vector<PlanWarning> DosingSession::planForMed(const QString& medText, const QString& comboText,
                                                   std::span<const TreatmentRecord> records) {
  PlanInput in;
  // Values outside the clinical limits (a course stored by an earlier version) count as
  // unreadable: the rows they would drive stay empty and Print is disabled.
  const auto outside = [](const limits::Limit& limit, const QString& text) {
    const limits::Reading r = limits::read(limit, text);
    return r.problem == limits::Problem::TooSmall || r.problem == limits::Problem::TooLarge;
  };
  in.medText = outside(limits::kMed, medText) ? QString() : medText;
  in.skinTypeText = comboText;
  in.inc = grid_.inc;
  for (int r = 0; r < kTreatments; ++r)
    if (outside(limits::incrementLimit(r + 1), in.inc[r])) in.inc[r].clear();
  in.defInc = grid_.defInc;
  in.estimatedItem = estimatedItem_;
  in.sensitiveMeds = sensitiveMeds_;
  in.averageMeds = averageMeds_;
  in.insensitiveMeds = insensitiveMeds_;
  in.MED_Min = tables_.MED_Min;
  in.MED_Max = tables_.MED_Max;
  in.records = records;
  in.lastWarnedMed = lastWarnedMed_;
  in.loadingStoredCourse = loadingStoredCourse_;
  in.toneClass = toneClass_;
  in.dose = grid_.dose;
  in.erythema = grid_.erythema;
  in.plannedDose = plannedDose_;

  PlanOutput out = computePlan(in);
  grid_.dose = std::move(out.dose);
  grid_.erythema = std::move(out.erythema);
  plannedDose_ = out.plannedDose;
  toneClass_ = out.toneClass;
  chartTitle_ = std::move(out.title);
  series_ = std::move(out.series);
  lastWarnedMed_ = out.lastWarnedMed;
  printEnabled_ = out.printEnabled;
  return std::move(out.warnings);
}

}  // namespace dosing
