#include "treatment/ClinicalLimits.h"

#include <cmath>

#include "base/DateTime.h"
#include "base/Formats.h"

namespace limits {

namespace {

// A text shaped like a number that the parsers could not hold (too many digits, an exponent
// beyond any double): it is a number all the same, too large or too small for its field.
// Returns +1 or -1 by its sign, 0 when the text is no number at all.
int outOfRangeSign(const QString& text, const QLocale& locale) {
  const QString t = text.trimmed();
  int i = 0;
  int sign = 1;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) sign = t[i++] == u'-' ? -1 : 1;
  bool digits = false, exponent = false, separator = false;
  const QString decimal = locale.decimalPoint();
  for (; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c >= u'0' && c <= u'9') {
      digits = true;
    } else if (!exponent && !separator && (c == u'.' || QString(c) == decimal)) {
      separator = true;
    } else if (digits && !exponent && (c == u'e' || c == u'E')) {
      exponent = true;
      if (i + 1 < t.size() && (t[i + 1] == u'+' || t[i + 1] == u'-')) ++i;
    } else {
      return 0;
    }
  }
  return digits ? sign : 0;
}

Reading readWith(const Limit& limit, const QString& text, const QLocale& locale) {
  Reading r;
  if (text.trimmed().isEmpty()) {
    r.empty = true;
    return r;
  }
  // A whole-number field takes digits only ("300", "-10"), as it stores them.
  if (limit.whole) {
    if (const fmt::Whole whole = fmt::parseWhole(text); whole.valid) {
      r.problem = problemOf(limit, whole.value);
      if (r.problem == Problem::None) r.value = whole.value;
      return r;
    }
  }
  const fmt::Real real = fmt::parseReal(text, locale);
  if (!real.valid) {
    const int sign = outOfRangeSign(text, locale);
    r.problem = sign > 0 ? Problem::TooLarge : sign < 0 ? Problem::TooSmall : Problem::NotNumber;
    return r;
  }
  r.problem = problemOf(limit, real.value);
  // A number within the range that a whole-number field cannot take ("300.5", "3e2").
  if (limit.whole && r.problem == Problem::None) r.problem = Problem::NotWhole;
  if (r.problem == Problem::None) r.value = real.value;
  return r;
}

}  // namespace

Reading read(const Limit& limit, const QString& text, const QLocale& locale) { return readWith(limit, text, locale); }

Reading readPoint(const Limit& limit, const QString& text) { return readWith(limit, text, fmt::Point()); }

Problem problemOf(const Limit& limit, double value) {
  if (std::isnan(value)) return Problem::NotNumber;
  if (limit.zeroMeansNone && value == 0) return Problem::None;
  if (value < limit.lowest) return Problem::TooSmall;
  if (value > limit.highest) return Problem::TooLarge;
  if (limit.whole && value != std::trunc(value)) return Problem::NotWhole;
  return Problem::None;
}

QString problemWords(const Limit& limit, Problem problem) {
  switch (problem) {
    case Problem::None: return {};
    case Problem::NotNumber:
    case Problem::NotWhole: return limit.whole ? QStringLiteral("not a whole number") : QStringLiteral("not a number");
    case Problem::TooSmall: return QStringLiteral("too small");
    case Problem::TooLarge: return QStringLiteral("too large");
  }
  return {};
}

QString problemText(const Limit& limit, const QString& shown, Problem problem, const QString& what) {
  const QString wrong = problemWords(limit, problem);
  if (wrong.isEmpty()) return {};
  return QStringLiteral("The %1 \"%2\" is %3: %4.")
      .arg(what.isEmpty() ? QLatin1String(limit.field) : what, shown.trimmed(), wrong, QLatin1String(limit.rule));
}

QString refusal(const Limit& limit, const QString& shown, Problem problem, const QString& what) {
  return problemText(limit, shown, problem, what) + QStringLiteral("\n\nNothing was stored. Type the %1 again.")
                                                        .arg(what.isEmpty() ? QLatin1String(limit.field) : what);
}

std::optional<QString> birthDateRefusal(const QDate& birth, const QDate& today, const QLocale& locale) {
  const QDate earliest(kEarliestBirthYear, 1, 1);
  QString what;
  if (!birth.isValid())
    what = QStringLiteral("not a date");
  else if (birth > today)
    what = QStringLiteral("in the future");
  else if (birth < earliest)
    what = QStringLiteral("before %1").arg(datetime::shortDate(earliest, locale));
  else
    return std::nullopt;
  return QStringLiteral(
             "The date of birth %1 is %2: a date of birth lies between %3 and today.\n\n"
             "Nothing was stored. Choose the date of birth again.")
      .arg(datetime::shortDate(birth, locale), what, datetime::shortDate(earliest, locale));
}

}  // namespace limits
