#include "maintenance/PackedColumnsCheck.h"

#include "diagram/Spots.h"
#include "treatment/CourseColumns.h"
#include "treatment/TreatmentRecord.h"

namespace maintenance {
namespace {

// A column of 29 fixed-width entries.
void checkFixed(QStringList& problems, const char* column, const std::optional<QByteArray>& value, int width,
                const char* entries) {
  if (!value) return;
  const qsizetype expected = qsizetype(kTreatments) * width;
  if (value->size() != expected) {
    problems << QStringLiteral("%1 holds %2 bytes, not the %3 of %4 %5")
                    .arg(QLatin1String(column))
                    .arg(value->size())
                    .arg(expected)
                    .arg(kTreatments)
                    .arg(QLatin1String(entries));
  }
}

// A column of 29 short strings: a length byte of at most maxChars, then that many characters.
void checkShortStrings(QStringList& problems, const char* column, const std::optional<QByteArray>& value, int maxChars,
                       const char* entry, const char* entries) {
  if (!value) return;
  const QByteArray& bytes = *value;
  const QLatin1String name(column);
  qsizetype pos = 0;
  for (int k = 1; k <= kTreatments; ++k) {
    if (pos >= bytes.size()) {
      problems << QStringLiteral("%1 holds only %2 of the %3 %4")
                      .arg(name)
                      .arg(k - 1)
                      .arg(kTreatments)
                      .arg(QLatin1String(entries));
      return;
    }
    const int length = static_cast<unsigned char>(bytes[pos]);
    if (length > maxChars) {
      problems << QStringLiteral("%1 gives %2 %3 a length of %4 characters; at most %5 fit")
                      .arg(name, QLatin1String(entry))
                      .arg(k)
                      .arg(length)
                      .arg(maxChars);
      return;
    }
    if (length > bytes.size() - pos - 1) {
      problems << QStringLiteral("%1 ends inside %2 %3").arg(name, QLatin1String(entry)).arg(k);
      return;
    }
    pos += 1 + length;
  }
  if (pos != bytes.size()) {
    problems << QStringLiteral("%1 holds %2 bytes after its %3 %4")
                    .arg(name)
                    .arg(bytes.size() - pos)
                    .arg(kTreatments)
                    .arg(QLatin1String(entries));
  }
}

}  // namespace

QStringList packedColumnProblems(const PackedCourseColumns& row) {
  QStringList problems;

  // The treatment records: all seven columns are written together.
  // clang-format off
  const std::pair<const char*, const std::optional<QByteArray>*> records[] = {
      {"Burn", &row.burn},         {"Condition", &row.response}, {"Temperature", &row.Temperature},
      {"Dose", &row.Dose},         {"WhenDate", &row.WhenDate},   {"TxTime", &row.TxTime},
      {"Initials", &row.Initials},
  };
  // clang-format on
  QStringList present, missing;
  for (const auto& [name, value] : records) (value->has_value() ? present : missing) << QLatin1String(name);
  if (!present.isEmpty() && !missing.isEmpty()) {
    problems << QStringLiteral("the treatment records are stored in part: values in %1, none in %2%3")
                    .arg(present.join(QStringLiteral(", ")), missing.join(QStringLiteral(", ")),
                         row.response ? QString() : QStringLiteral(" (without Condition no treatment is shown)"));
  }
  checkFixed(problems, "Burn", row.burn, 1, "burn codes");
  checkFixed(problems, "Condition", row.response, 1, "responses");
  checkFixed(problems, "Temperature", row.Temperature, 4, "temperatures");
  checkFixed(problems, "Dose", row.Dose, 4, "doses");
  checkFixed(problems, "WhenDate", row.WhenDate, 4, "dates");
  checkShortStrings(problems, "TxTime", row.TxTime, treatment::kShortTime, "time", "times");
  checkShortStrings(problems, "Initials", row.Initials, treatment::kShortInitials, "initials", "initials");
  checkFixed(problems, "PInc", row.PInc, 2, "increments");

  // The spots: the count says how many 8-byte spots Spots holds.
  const qint64 count = row.SpotsLength.value_or(0);
  const qint64 spotBytes = row.Spots ? row.Spots->size() : 0;
  if (count < 0 || count > diagram::kMaxSpots) {
    problems << QStringLiteral("SpotsLength is %1, outside the 0..%2 spots a course keeps")
                    .arg(count)
                    .arg(diagram::kMaxSpots);
  } else if (spotBytes != count * diagram::kSpotBytes) {
    problems << QStringLiteral("Spots holds %1 bytes, not the %2 of the %3 spots SpotsLength gives")
                    .arg(spotBytes)
                    .arg(count * diagram::kSpotBytes)
                    .arg(count);
  }
  return problems;
}

}  // namespace maintenance
