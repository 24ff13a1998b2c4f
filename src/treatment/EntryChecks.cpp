#include "treatment/EntryChecks.h"

#include <cmath>
#include <limits>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "treatment/ClinicalLimits.h"

namespace entry {

bool doseDiffersFromExpected(float dose, float expected) {
  // Compared as 100 x dose against 95 and 105 x expected: for 32-bit floats these products are
  // exact in extended precision, so exactly 95% and 105% are accepted (0.95 and 1.05 themselves
  // have no exact binary form, and 1.05 x 200 would come out just below 210).
  const long double d = dose;
  const long double e = expected;
  return 100.0L * d < 95.0L * e || 100.0L * d > 105.0L * e;
}

bool temperatureImplausible(double celsius) { return celsius < 30 || celsius > 44; }

namespace {
bool digitAt(const QString& text, int position) {
  return position < text.size() && text[position].isDigit() && text[position].unicode() < 128;
}
}  // namespace

TimeEntry classifyTreatmentTime(const QString& fieldText) {
  bool anyDigit = false;
  for (int i = 0; i < fieldText.size(); ++i) anyDigit = anyDigit || digitAt(fieldText, i);
  if (!anyDigit) return TimeEntry::Empty;
  // Positions: 0 optional minute digit, 1 minute digit, 2 colon, 3 and 4 seconds digits.
  const bool needed = digitAt(fieldText, 1) && digitAt(fieldText, 3) && digitAt(fieldText, 4);
  return needed ? TimeEntry::Complete : TimeEntry::Partial;
}

bool treatmentTimeAcceptable(const QString& fieldText) {
  switch (classifyTreatmentTime(fieldText)) {
    case TimeEntry::Empty: return true;
    case TimeEntry::Partial: return false;
    case TimeEntry::Complete: break;
  }
  // A minute has sixty seconds: "2:75" is a slip, not a time.
  return fieldText[3] <= u'5';
}

QString treatmentTimeProblem(const QString& fieldText) {
  return QStringLiteral(
             "The Treatment Time \"%1\" is not a time: type it as m:ss or mm:ss, minutes and seconds "
             "(for example 2:30 or 12:05), or leave the field empty.")
      .arg(fieldText.trimmed());
}

QString treatmentTimeForField(const QString& stored) {
  const int colon = static_cast<int>(stored.indexOf(QLatin1Char(':')));
  if (stored.trimmed().isEmpty()) return QStringLiteral("  :  ");
  if (colon < 0) return stored.leftJustified(5, QLatin1Char(' '));  // not a time the field knows
  const QString minutes = stored.left(colon).trimmed();
  const QString seconds = stored.mid(colon + 1).trimmed();
  return minutes.rightJustified(2, QLatin1Char(' ')) + QLatin1Char(':') + seconds.leftJustified(2, QLatin1Char(' '));
}

std::optional<QString> refusalOf(const treatment::TreatmentEntry& entry, const QDate& today, const QLocale& locale) {
  if (entry.condition < Missed || entry.condition > Clearing) return kChooseResponse;
  const QString notRecorded = QStringLiteral("\n\nThe treatment is not recorded until this is corrected.");
  if (entry.burn != NoBurn && (entry.burn < BurnI || entry.burn > BurnIII))
    return QStringLiteral("The burn grade %1 is not one of Burn I, Burn II and Burn III.").arg(entry.burn) +
           notRecorded;
  const auto outside = [&](const limits::Limit& limit, double value) -> std::optional<QString> {
    const limits::Problem problem = limits::problemOf(limit, value);
    if (problem == limits::Problem::None) return std::nullopt;
    return limits::problemText(limit, fmt::GeneralShown(value, 9, locale), problem) + notRecorded;
  };
  if (auto refused = outside(limits::kDose, entry.dose)) return refused;
  if (auto refused = outside(limits::kTemperature, entry.temperature)) return refused;
  if (entry.condition == Missed && entry.dose != 0) {
    return QStringLiteral(
               "A missed visit delivers no dose, but the Dose says %1 mJ/cm2: empty the Dose field, or "
               "choose the response the patient had at the treatment.")
               .arg(fmt::GeneralShown(entry.dose, 9, locale)) +
           notRecorded;
  }
  if (!treatmentTimeAcceptable(entry.time)) return treatmentTimeProblem(entry.time) + notRecorded;
  const QDate day = datetime::toQDateTime(entry.when).date();
  if (!day.isValid() || day > today) {
    return QStringLiteral("The Date %1 lies in the future: a treatment is recorded on the day it is given.")
               .arg(datetime::shortDate(day, locale)) +
           notRecorded;
  }
  return std::nullopt;
}

}  // namespace entry
