#pragma once
// The 29 treatment records and the 29 "% Inc" increments kept in the current course row, read
// and written the one way the window, the import and the command-line tool all use.

#include <array>
#include <optional>
#include <span>
#include <vector>

#include <QVariant>

#include "treatment/CourseColumns.h"
#include "treatment/TreatmentRecord.h"

namespace records {

class Store;

// The records of the current course (result[0] is treatment 1); nothing when no treatment was ever
// recorded on it (its Condition column is null).
std::optional<std::array<TreatmentRecord, kTreatments>> loadCourseRecords(const records::Store& data);
// Packs records 1..29 into the seven columns of the current course row (in edit mode).
void storeCourseRecords(records::Store& data, std::span<const TreatmentRecord, kTreatments> records);

// The increments of the current course as the schedule shows them; nothing when none are stored.
std::optional<treatment::IncrementTexts> loadCourseIncrements(const records::Store& data);

// The same two from a whole course row as read from the store (DataSet::readStored), whatever the
// cursor holds.
std::optional<std::array<TreatmentRecord, kTreatments>> courseRecordsOf(const std::vector<QVariant>& courseRow);
std::optional<treatment::IncrementTexts> courseIncrementsOf(const std::vector<QVariant>& courseRow);
// Packs the schedule's increment texts into PInc of the current course row (in edit mode).
void storeCourseIncrements(records::Store& data, const treatment::IncrementTexts& cells);

}  // namespace records
