#include "treatment/EntryChecks.h"

#include <cmath>
#include <limits>

#include "base/Formats.h"

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

QString treatmentTimeForField(const QString& stored) {
  const int colon = static_cast<int>(stored.indexOf(QLatin1Char(':')));
  if (stored.trimmed().isEmpty()) return QStringLiteral("  :  ");
  if (colon < 0) return stored.leftJustified(5, QLatin1Char(' '));  // not a time the field knows
  const QString minutes = stored.left(colon).trimmed();
  const QString seconds = stored.mid(colon + 1).trimmed();
  return minutes.rightJustified(2, QLatin1Char(' ')) + QLatin1Char(':') +
         seconds.leftJustified(2, QLatin1Char(' '));
}

NumberEntry readNumber(const QString& text, const QLocale& locale) {
  if (text.trimmed().isEmpty()) return {Reading::Empty, 0};
  const fmt::Real r = fmt::parseReal(text, locale);
  // A value beyond the float range would be stored as infinity: not a usable dose or temperature.
  if (!r.valid || std::fabs(r.value) > std::numeric_limits<float>::max()) return {Reading::NotNumber, 0};
  return {Reading::Number, r.value};
}

}  // namespace entry
