#pragma once
// What the treatment entry dialog checks, without any widget: the dose against the expected one,
// the temperature, the treatment time field, and how a typed number is read.

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

#include "treatment/ScheduleRules.h"

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
// Whether the time field holds a time that may be stored: empty, or complete with seconds 00..59.
bool treatmentTimeAcceptable(const QString& fieldText);
// The message when it does not: it names the field and the form a time takes.
QString treatmentTimeProblem(const QString& fieldText);

// A stored time in the field's five-character form: minutes right-aligned before the colon,
// seconds left-aligned after it, missing digits as spaces ("5:30" -> " 5:30", "" -> "  :  ").
// Stored times written from the field are already in this form and come back unchanged.
QString treatmentTimeForField(const QString& stored);

// Why a treatment entered in the dialog cannot be recorded, or none when it can: no response
// chosen ("Choose the response first"), a dose or temperature outside the clinical limits, a dose
// for a missed visit, a treatment time that is not a time, a date after `today`. Advice within
// the limits (a dose off the plan, an unusual temperature) is not a reason.
std::optional<QString> refusalOf(const treatment::TreatmentEntry& entry, const QDate& today = QDate::currentDate(),
                                 const QLocale& locale = QLocale());

// The box shown when "Update" is pressed before a response is chosen.
inline const QString kChooseResponse = QStringLiteral("Choose the response first");

}  // namespace entry
