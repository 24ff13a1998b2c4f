#pragma once
// The default increment schedules and which schedule each skin-type choice starts from.
//
// Row 1 of a schedule is the first dose as a percentage of the MED; every later row is the
// increase over the previous dose, in percent.

#include <array>

#include "treatment/TreatmentRecord.h"  // kTreatments

namespace dosing {

constexpr int kSchedules = 5;

// Five schedules of 29 whole percentages; DefIncTable[schedule][row - 1]. Schedules 2 and 3 are
// the same.
extern const std::array<std::array<int, kTreatments>, kSchedules> DefIncTable;

// The schedule of a skin-type list item: -1 (nothing chosen) -> 0, types I and II -> 1,
// III and IV -> 2, V and VI -> 3, "Agressive" -> 4. Any other item counts as nothing chosen.
int SkinTypeSchedule(int item);

}  // namespace dosing
