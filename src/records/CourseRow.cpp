#include "records/CourseRow.h"

#include <functional>
#include <limits>

#include "records/Schema.h"
#include "records/Store.h"
#include "records/VarBytes.h"

namespace records {
namespace {

// Reads a course's records and increments from its columns' values, found by column name: the
// cursor's current row, or a row read straight from the store. A null column gives a null value.
using ValueOf = std::function<QVariant(const char* column)>;

std::optional<std::array<TreatmentRecord, kTreatments>> recordsFrom(const ValueOf& valueOf) {
  if (valueOf("Condition").isNull()) return std::nullopt;
  // The fixed-width columns are read up to the entries they hold; the short strings whole.
  const auto bytes = [&](const char* column, int maxLength) {
    const QVariant v = valueOf(column);
    return v.isNull() ? QByteArray() : v.toByteArray().left(maxLength);
  };
  constexpr int kWhole = std::numeric_limits<int>::max();
  treatment::TableColumns packed;
  packed.burn = bytes("Burn", kTreatments);
  packed.response = bytes("Condition", kTreatments);
  packed.Temperature = bytes("Temperature", 4 * kTreatments);
  packed.Dose = bytes("Dose", 4 * kTreatments);
  packed.WhenDate = bytes("WhenDate", 4 * kTreatments);
  packed.TxTime = bytes("TxTime", kWhole);
  packed.Initials = bytes("Initials", kWhole);
  return treatment::unpackTable(packed);
}

std::optional<treatment::IncrementTexts> incrementsFrom(const ValueOf& valueOf) {
  const QVariant pinc = valueOf("PInc");
  if (pinc.isNull()) return std::nullopt;
  return treatment::unpackIncrements(pinc.toByteArray().left(treatment::kPIncColumn.declaredSize));
}

ValueOf currentRow(const records::Store& d) {
  return [&d](const char* column) { return d.courses.value(courseTable().indexOf(QLatin1String(column))); };
}

ValueOf storedRow(const std::vector<QVariant>& row) {
  return [&row](const char* column) {
    const int i = courseTable().indexOf(QLatin1String(column));
    return i >= 0 && static_cast<std::size_t>(i) < row.size() ? row[static_cast<std::size_t>(i)] : QVariant();
  };
}

}  // namespace

std::optional<std::array<TreatmentRecord, kTreatments>> loadCourseRecords(const records::Store& d) {
  return recordsFrom(currentRow(d));
}

void storeCourseRecords(records::Store& d, std::span<const TreatmentRecord, kTreatments> records) {
  const treatment::TableColumns packed = treatment::packTable(records);
  SaveVarBytes(d.courseBurns, packed.burn);
  SaveVarBytes(d.courseResponses, packed.response);
  SaveVarBytes(d.courseTemperatures, packed.Temperature);
  SaveVarBytes(d.courseDoses, packed.Dose);
  SaveVarBytes(d.courseDates, packed.WhenDate);
  SaveVarBytes(d.courseTimes, packed.TxTime);
  SaveVarBytes(d.courseInitials, packed.Initials);
}

std::optional<treatment::IncrementTexts> loadCourseIncrements(const records::Store& d) {
  return incrementsFrom(currentRow(d));
}

void storeCourseIncrements(records::Store& d, const treatment::IncrementTexts& cells) {
  SaveVarBytes(d.courseIncrements, treatment::packIncrements(cells));
}

std::optional<std::array<TreatmentRecord, kTreatments>> courseRecordsOf(const std::vector<QVariant>& courseRow) {
  return recordsFrom(storedRow(courseRow));
}

std::optional<treatment::IncrementTexts> courseIncrementsOf(const std::vector<QVariant>& courseRow) {
  return incrementsFrom(storedRow(courseRow));
}

}  // namespace records
