#pragma once
// The treatment plan of a course: from the MED and the "% Inc" column, the planned dose and the
// projected erythema dose of each of the 29 treatments, the skin-tone class the MED falls into,
// the check of the first dose against what the treatment unit can deliver, and the points of the
// course graph.
//
// computePlan is a pure function: it reads the grid texts and the dosing state it is given and
// returns everything the window shows afterwards. The arithmetic runs in x87 extended precision
// (long double) in the order written below, and every value carried from one step to the next is
// kept as a double, exactly as the doses have always been computed: a running dose of 225 grown
// by 4 % gives 233 this way, where plain doubles would give 234.

#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dosing/SkinTypes.h"
#include "treatment/TreatmentRecord.h"

namespace dosing {

// The texts of one grid column for rows 1..29; row r is at [r - 1].
using RowTexts = std::array<QString, kTreatments>;
// One value per treatment row 1..29; row r is at [r - 1].
using RowValues = std::array<double, kTreatments>;

// The points of the five series of the course graph, x being the treatment number.
struct PlanSeries {
  std::vector<QPointF> erythema;   // running erythema dose of every computed row
  std::vector<QPointF> dose;       // planned dose of computed rows not yet recorded ("Plan Dose")
  std::vector<QPointF> minDose;    // running minimum dose of every computed row
  std::vector<QPointF> temp;       // temperature of recorded rows (right axis)
  std::vector<QPointF> delivered;  // delivered dose of recorded rows
  bool empty() const {
    return erythema.empty() && dose.empty() && minDose.empty() && temp.empty() && delivered.empty();
  }
};

// A message box with a warning icon and an OK button.
struct PlanWarning {
  QString caption;
  QString text;  // lines separated by '\n'
};

struct PlanInput {
  QString medText;        // the MED box
  QString skinTypeText;   // the text of the skin-type list, for the chart title
  RowTexts inc;           // column "% Inc"
  RowTexts defInc;        // column "Def %Inc"; an empty or unreadable text counts as 0
  int estimatedItem = 0;  // skin type of the last estimate (-1 none, 0..5 types I..VI, 6 "Agressive")
  std::array<double, kSkinTypes> sensitiveMeds{}, averageMeds{}, insensitiveMeds{};
  std::array<std::int32_t, kSkinTypes> MED_Min{}, MED_Max{};
  std::span<const TreatmentRecord> records;  // treatments 1..29 in order; missing ones count as not recorded
  double lastWarnedMed = 0;                  // the MED of the last computation that reached the warnings
  bool loadingStoredCourse = false;          // a stored course is being loaded: no warnings
  int toneClass = 0;                         // the class before this computation, kept when none can be derived
  // What the window holds now: rows the computation does not reach keep these.
  RowTexts dose, erythema;  // columns "Dose (mJ)" and "Erythema"
  RowValues plannedDose{};
};

struct PlanOutput {
  RowTexts dose, erythema;  // "%5.0F", or what the row held before
  RowValues plannedDose{};
  int toneClass = 0;
  QString title;  // chart title
  PlanSeries series;
  std::vector<PlanWarning> warnings;  // in the order they are shown
  double lastWarnedMed = 0;
  bool printEnabled = false;
};

// The skin-tone class of `med` between the Sensitive estimate `L` and the In-Sensitive
// estimate `D`: Round(2 / (D - L) * (med - L)) limited to 0..2, so an MED exactly a quarter of
// the way takes class 0 and exactly three quarters class 2 (half-to-even).
// When L equals D (all-zero factor tables) or the estimates are not numbers there is no class:
// none is made up.
std::optional<int> toneClass(double med, double L, double D);

PlanOutput computePlan(const PlanInput& in);

}  // namespace dosing
