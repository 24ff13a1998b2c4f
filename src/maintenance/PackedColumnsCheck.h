#pragma once
// The forms the packed columns of a course row take when the program writes them:
//   - the seven treatment columns are stored together or not at all, each with all 29 entries:
//     Burn and Condition 29 bytes; Temperature, Dose and WhenDate 116; TxTime and Initials 29
//     short strings of at most 5 and 3 characters, and nothing after them;
//   - PInc 58 bytes (29 increments);
//   - SpotsLength 0..20, and Spots exactly 8 bytes per spot.
// The course loading reads any value without harm, but a value outside these forms means the row
// was damaged or written by something else, and the course does not show what was stored.

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace maintenance {

// The packed columns of one course row as read from the store; nullopt for a null column.
struct PackedCourseColumns {
  std::optional<QByteArray> burn, response, Temperature, Dose, WhenDate, TxTime, Initials, PInc, Spots;
  std::optional<qint64> SpotsLength;
};

// The problems of one row, each a phrase naming the column ("Dose holds 57 bytes, not the 116 of
// 29 doses"); empty for a sound row.
QStringList packedColumnProblems(const PackedCourseColumns& row);

}  // namespace maintenance
