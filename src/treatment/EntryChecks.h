#pragma once
// What the treatment entry dialog checks, without any widget: the dose against the expected one,
// the temperature, the treatment time field, and how a typed number is read.

#include <QLocale>
#include <QString>

namespace entry {

// A delivered dose more than 5% away from the expected dose is worth a second look. Doses of
// exactly 95% and 105% are still accepted. An expected dose of 0 (no plan for the treatment)
// makes every positive dose differ.
bool doseDiffersFromExpected(float dose, float expected);

// A temperature below 30 or above 44 degrees Celsius is most likely a typing error.
bool temperatureImplausible(double celsius);

// The treatment time field holds "mm:ss": the first minute digit may be left out, the second
// minute digit and both seconds digits are needed.
enum class TimeEntry {
  Empty,     // no digit at all: no time recorded
  Complete,  // every needed digit is there
  Partial,   // something typed, but a needed digit is missing
};
TimeEntry classifyTreatmentTime(const QString& fieldText);

// A stored time in the field's five-character form: minutes right-aligned before the colon,
// seconds left-aligned after it, missing digits as spaces ("5:30" -> " 5:30", "" -> "  :  ").
// Stored times written from the field are already in this form and come back unchanged.
QString treatmentTimeForField(const QString& stored);

// A number typed into a field. The locale's decimal separator and a point are both read.
enum class Reading {
  Empty,      // nothing but blanks: no value entered
  Number,     // a number that a 32-bit float can hold
  NotNumber,  // anything else, including numbers too large for the record
};
struct NumberEntry {
  Reading reading = Reading::Empty;
  double value = 0;  // the number when reading is Number, else 0
};
NumberEntry readNumber(const QString& text, const QLocale& locale = QLocale());

}  // namespace entry
