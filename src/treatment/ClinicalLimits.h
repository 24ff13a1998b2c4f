#pragma once
// The plausibility limits of the clinical values the program takes in, in one table. The window,
// the import of the older system's files and halcyra-tool refuse the same values with the same
// words, so that nothing clinically impossible enters a record: an age of 200, an MED of nothing
// or of millions, a dose no unit delivers, a fever of 99 degrees, an increment that would take the
// next dose to nothing or below.
//
// A refused value is not stored and nothing is worked out from it. Advice within the limits (a
// dose more than 5 % off the plan, a temperature outside 30..44) stays advice: the value may be
// right, and the therapist decides.

#include <QDate>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

namespace limits {

struct Limit {
  const char* field;  // the field as the window labels it
  double lowest;      // both bounds belong to the range
  double highest;
  bool whole;          // whole numbers only
  bool zeroMeansNone;  // 0 stands for "not entered" and is accepted besides the range
  const char* rule;    // what a value must be, as the refusal explains it
};

inline constexpr double kNoUpperBound = std::numeric_limits<std::int32_t>::max();

// The table.
inline constexpr Limit kAge{"Age", 0, 120, false, false, "an age is a number of years from 0 to 120"};
inline constexpr Limit kMed{"MED", 1, 10000, true, false, "the MED is a whole number of mJ/cm2 from 1 to 10000"};
inline constexpr Limit kDose{"Dose", 0,     10000,
                             false,  false, "the dose delivered is a number of mJ/cm2 from 0 to 10000"};
inline constexpr Limit kTemperature{
    "Temperature", 20, 45, false, true, "a temperature is 0 (not taken) or a number of degrees C from 20 to 45"};
// Treatment 1's increment is the first dose as a percentage of the MED: at 0 or below the first
// dose would be nothing or less. Every later increment grows the previous dose; at -100 % or
// below the next dose would be nothing or less.
inline constexpr Limit kFirstIncrement{"\"% Inc\"",
                                       1,
                                       kNoUpperBound,
                                       true,
                                       false,
                                       "the \"% Inc\" of treatment 1 is the first dose as a whole percentage of "
                                       "the MED, 1 or more"};
inline constexpr Limit kIncrement{"\"% Inc\"", -99,   kNoUpperBound,
                                  true,        false, "a \"% Inc\" is a whole number of percent above -100"};
// Dates of birth: none before this year, none after today.
inline constexpr int kEarliestBirthYear = 1900;

// The limit of the "% Inc" of treatment `row` (1..29).
constexpr const Limit& incrementLimit(int row) { return row == 1 ? kFirstIncrement : kIncrement; }

enum class Problem {
  None,
  NotNumber,  // not a number at all (a whole-number field says "not a whole number")
  NotWhole,   // a number, but not a whole one
  TooSmall,
  TooLarge,
};

// A text typed into a field, read against its limit.
struct Reading {
  bool empty = false;               // nothing but blanks: no value given
  Problem problem = Problem::None;  // Problem::None for an empty text too
  double value = 0;                 // the value when it is within the limit
  bool accepted() const { return !empty && problem == Problem::None; }
};
// In the window: the locale's decimal separator, a point always understood too.
Reading read(const Limit& limit, const QString& text, const QLocale& locale = QLocale());
// Arguments of halcyra-tool and texts of files: a point only.
Reading readPoint(const Limit& limit, const QString& text);

// Where a value the program already holds as a number stands against its limit.
Problem problemOf(const Limit& limit, double value);

// What is wrong, in words: "too large", "not a whole number", ...; empty for Problem::None.
QString problemWords(const Limit& limit, Problem problem);

// "The Age "200" is too large: an age is a number of years from 0 to 120." `shown` is the value
// as the user typed or a file held it; `what` names the field when its label alone does not
// ("\"% Inc\" of treatment 5").
QString problemText(const Limit& limit, const QString& shown, Problem problem, const QString& what = {});
// The text of the window's box: the problem, then that nothing was stored.
QString refusal(const Limit& limit, const QString& shown, Problem problem, const QString& what = {});

// The caption of every refusal box: the field is named in its text.
inline const QString kRefusalCaption = QStringLiteral("Check Data Entry");

// A date of birth is refused when it lies after `today` or before the first day of 1900. The text
// names the date in `locale`'s short form with four digits of year.
std::optional<QString> birthDateRefusal(const QDate& birth, const QDate& today, const QLocale& locale = QLocale());

}  // namespace limits
