#pragma once
// The rules of the treatment schedule, without widgets: which cells the user may make current,
// how a treatment entered in the dialog is written into its record, when the course counts as
// finished, and what each cell of a row shows and in which colours.
//
// Rows 1..29 are treatments 1..29; the columns are
//   0 "#"          the row number, or the date of a recorded treatment
//   1 (untitled)   the initials, time and temperature of a recorded treatment
//   2 "Dose (mJ)"  the planned dose, or the dose a recorded treatment delivered
//   3 "Erythema"   4 "% Inc" (the only cells edited in place)   5 "Def %Inc"

#include <QColor>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

#include "treatment/TreatmentRecord.h"

namespace treatment {

// The columns the rules speak of.
enum ScheduleColumn : int { DateColumn = 0, SummaryColumn = 1, DoseColumn = 2, IncrementColumn = 4 };

// What happens when the user tries to make a cell of `column` current, by mouse or keyboard.
enum class CellAction {
  Select,   // the cell becomes current: only the increments are edited in place
  Record,   // the row's treatment is recorded through the entry dialog; the current cell stays
  Nothing,  // the current cell stays where it was
};
CellAction cellAction(int column);

// What the entry dialog gives back when it closes with "Update".
struct TreatmentEntry {
  std::int8_t condition = 0;
  std::int8_t burn = 0;
  float temperature = 0;
  float dose = 0;
  double when = 0;   // the date (and the picker's time of day), days since 1899-12-30
  QString initials;  // the initials field, every position (unfilled ones as spaces)
  QString time;      // the time field, every position
};

// "Update": the entry becomes the record; the initials are cut to 3 characters, the time to 5.
void applyUpdate(TreatmentRecord& record, const TreatmentEntry& entry);
// "Clear": the record is no longer recorded and its burn, dose and initials are emptied. The
// temperature, time and date stay: nothing reads them once the record is not recorded.
void applyClear(TreatmentRecord& record);

// The "Stop Treatment" box as the dialog opens, from the course's Complete (nullopt when the
// course has none yet): ticked exactly when the course is marked finished.
bool stopTreatmentFrom(std::optional<bool> complete);
// The course's Complete after "Update" on treatment `row`: finished when the therapist ticked
// "Stop Treatment" or when the last treatment (29) was recorded; otherwise not finished, even
// when it was before (recording a treatment reopens a course stopped earlier).
bool completeAfterUpdate(bool stopTreatment, int row);

// How the painter draws one cell of rows 1..29.
struct CellLook {
  // Columns 0 and 1: the painter writes `text` itself, 2 pixels right of and below the cell's
  // top-left corner, on `fill` when there is one. Other columns are drawn the ordinary way.
  bool ownText = false;
  QString text;
  std::optional<QColor> fill;
  // Column 2: the text colour, silver for a treatment not recorded (the dose is only planned);
  // none means the ordinary window-text colour.
  std::optional<QColor> textColour;
};
// `cellText` is the cell's own text (the row number in column 0).
CellLook cellLook(int column, const TreatmentRecord& record, const QString& cellText,
                  const QLocale& locale = QLocale());

// The date of a treatment as the schedule shows it: two-digit day, a space, the locale's
// abbreviated month ("07 Mar"). Empty for a date that cannot be shown (a damaged record).
QString treatmentDay(double when, const QLocale& locale = QLocale());
// The "Dose (mJ)" cell of a row, in the schedule and on the report: a recorded treatment shows
// the dose it delivered (0 for a missed visit), whatever the plan now holds for its row, so that
// nothing is shown as delivered that was not; a row not recorded shows `planned`, the plan's text.
QString shownDose(const TreatmentRecord& record, const QString& planned, const QLocale& locale = QLocale());

// A temperature with one decimal followed by C ("36.5C", "0.0C"), with the locale's separator.
QString temperatureText(float celsius, const QLocale& locale = QLocale());
// Initials, two spaces, time, two spaces, temperature: column 1 of a recorded treatment.
QString treatmentSummary(const TreatmentRecord& record, const QLocale& locale = QLocale());

}  // namespace treatment
