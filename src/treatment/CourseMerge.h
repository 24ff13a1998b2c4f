#pragma once
// Two workstations with the same course open. Each keeps the course's 29 treatment records and 29
// increments packed whole in one row, so storing what one window loaded would overwrite whatever
// the other stored meanwhile. Instead a window's change is merged into the row as the store holds
// it at that moment:
//
//   - a treatment row the window changed (recorded, cleared) is stored as the window has it;
//     every other row keeps what is stored, so a treatment recorded at the other workstation stays;
//   - a treatment row that both changed, differently, keeps what was stored first: a recorded
//     treatment is never overwritten unseen. The window is told, shows the stored treatment, and the
//     user can record the visit again in the row it belongs to;
//   - an increment cell the window changed is stored as typed, every other cell keeps what is
//     stored. Increments are plan settings, not a record of care: where both changed one cell, the
//     later change counts, as if the two had been typed one after the other at one workstation.
//
// "Changed" is measured against what the window last read from the store, or last stored.

#include <array>
#include <optional>
#include <vector>

#include "treatment/CourseColumns.h"
#include "treatment/TreatmentRecord.h"

namespace treatment {

using Records = std::array<TreatmentRecord, kTreatments>;

// Whether two records hold the same treatment as the store keeps it: both not recorded, or every
// field alike in its stored form (When to the packed precision, the short time and initials).
bool sameRecord(const TreatmentRecord& a, const TreatmentRecord& b);

struct RecordsMerge {
  Records records;        // what to store, and what the window shows afterwards
  std::vector<int> kept;  // rows (1..29) where the stored treatment was kept over the window's
};

// `stored`: the records as the store holds them now (nothing when none were ever stored there);
// `read`: as the window last read or stored them; `mine`: as the window holds them now.
RecordsMerge mergeRecords(const std::optional<Records>& stored, const Records& read, const Records& mine);

// The increments to store and show: `stored` as the store holds them now (nothing when the course
// never had them stored), `read` as the window last read or stored them, `mine` as the cells stand.
// Cells are compared by the entry they store; a cell whose entry did not change keeps the window's
// own text, so a cell being typed in is never rewritten under the user.
IncrementTexts mergeIncrements(const std::optional<IncrementTexts>& stored, const IncrementTexts& read,
                               const IncrementTexts& mine);

}  // namespace treatment
