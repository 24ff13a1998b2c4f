#include "dosing/DosingSession.h"

#include <cmath>

#include "dosing/DefaultSchedules.h"
#include "dosing/MedEstimate.h"
#include "base/Formats.h"
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

bool DosingSession::SetOld(double age) {
  if (age == FOld) return false;
  FOld = age;
  ageText = fmt::Fixed(age, 3, 1);
  UpDateMED();
  return true;
}

void DosingSession::UpDateMED() {
  ClearMED();
  const ToneEstimates e = estimateTones(tables, effectiveAge(FOld));
  LSkin = e.LSkin;
  ASkin = e.ASkin;
  DSkin = e.DSkin;
  index = skinTypeItem;
  if (hasEstimates(index)) {
    const std::array<double, 3> estimates{LSkin[index], ASkin[index], DSkin[index]};
    for (std::size_t tag = 0; tag < 3; ++tag) {
      toneOffered[tag] = offered(estimates[tag]);
      toneLabels[tag] = toneOffered[tag] ? fmt::Fixed(estimates[tag], 6, 1) : QString();
    }
    tonePanelsEnabled = true;
    gridEnabled = true;
  } else {
    // No skin type, or "Agressive": no estimate, so nothing to show and no panel to click.
    toneLabels = {};
  }
}

void DosingSession::ClearMED() {
  OldMed = 0;
  series = {};
  chartTitle.clear();
  toneLabels = {};
  for (int r = 0; r < kTreatments; ++r) {
    grid.dose[r].clear();
    grid.erythema[r].clear();
  }
  gridEnabled = false;
  tonePanelsEnabled = false;
  toneOffered = {};
}

void DosingSession::ComSkinTypeChange(int item) {
  skinTypeItem = item >= -1 && item <= 6 ? item : -1;
  ClearMED();
  const auto& schedule = DefIncTable[SkinTypeSchedule(skinTypeItem)];
  for (int r = 0; r < kTreatments; ++r) {
    grid.inc[r] = fmt::D(schedule[r]);
    grid.defInc[r] = grid.inc[r];
  }
  if (FOld != 0) UpDateMED();
}

bool DosingSession::EdAgeExit(const QString& text) {
  ageText = text;
  const fmt::Real age = fmt::parseReal(text);
  if (!age.valid) return false;
  SetOld(age.value);
  return true;
}

bool DosingSession::DateBirthChange(const QString& ageBoxText, double birth, double now) {
  ageText = ageBoxText;
  if (!ageBoxText.isEmpty()) return false;
  SetOld(static_cast<double>((static_cast<long double>(now) - birth) / 365.25L));
  return true;
}

ToneClick DosingSession::PanelToneClk(int tag, const QString& comboText,
                                      const std::optional<QString>& focusedAgeText) {
  ToneClick click;
  // Clicking a panel does not take the focus from the age box, so a typed age is applied here.
  if (focusedAgeText) click.ageApplied = EdAgeExit(*focusedAgeText);
  if (tag < 0 || tag > 2) return click;

  // A panel whose estimate is not offered gives nothing: no class, no MED.
  if (hasEstimates(index) && toneOffered[static_cast<std::size_t>(tag)]) {
    SkinIndex = tag;
    const double value = tag == 0 ? LSkin[index] : tag == 1 ? ASkin[index] : DSkin[index];
    click.medText = fmt::D(*roundedMed(value));
  }
  // A type without estimates has no class: its title carries none.
  chartTitle = hasEstimates(index) ? comboText + QStringLiteral(" - ") + ToneNames[SkinIndex] : comboText;
  return click;
}

std::vector<PlanWarning> DosingSession::EdMEDChange(const QString& medText, const QString& comboText,
                                                    std::span<const TCondition> records) {
  PlanInput in;
  // Values outside the clinical limits (a course stored by an earlier version) count as
  // unreadable: the rows they would drive stay empty and Print is disabled.
  const auto outside = [](const limits::Limit& limit, const QString& text) {
    const limits::Reading r = limits::read(limit, text);
    return r.problem == limits::Problem::TooSmall || r.problem == limits::Problem::TooLarge;
  };
  in.medText = outside(limits::kMed, medText) ? QString() : medText;
  in.skinTypeText = comboText;
  in.inc = grid.inc;
  for (int r = 0; r < kTreatments; ++r)
    if (outside(limits::incrementLimit(r + 1), in.inc[r])) in.inc[r].clear();
  in.defInc = grid.defInc;
  in.index = index;
  in.LSkin = LSkin;
  in.ASkin = ASkin;
  in.DSkin = DSkin;
  in.MED_Min = tables.MED_Min;
  in.MED_Max = tables.MED_Max;
  in.records = records;
  in.OldMed = OldMed;
  in.MEDImport = MEDImport;
  in.SkinIndex = SkinIndex;
  in.dose = grid.dose;
  in.erythema = grid.erythema;
  in.ExpectDose = ExpectDose;

  PlanOutput out = computePlan(in);
  grid.dose = std::move(out.dose);
  grid.erythema = std::move(out.erythema);
  ExpectDose = out.ExpectDose;
  SkinIndex = out.SkinIndex;
  chartTitle = std::move(out.title);
  series = std::move(out.series);
  OldMed = out.OldMed;
  printEnabled = out.printEnabled;
  return std::move(out.warnings);
}

}  // namespace dosing
