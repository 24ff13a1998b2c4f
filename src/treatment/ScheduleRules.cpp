#include "treatment/ScheduleRules.h"

#include "base/DateTime.h"
#include "base/Formats.h"
#include "treatment/CourseColumns.h"

namespace treatment {

CellAction cellAction(int column) {
  if (column == IncrementColumn) return CellAction::Select;
  if (column == DateColumn || column == SummaryColumn) return CellAction::Record;
  return CellAction::Nothing;
}

void applyUpdate(TreatmentRecord& record, const TreatmentEntry& entry) {
  record.response = entry.condition;
  record.burn = entry.burn;
  record.Temperature = entry.temperature;
  record.When = entry.when;
  record.Dose = entry.dose;
  record.Initials = toRecordText(QStringView(entry.initials).left(kShortInitials));
  record.time = toRecordText(QStringView(entry.time).left(kShortTime));
}

void applyClear(TreatmentRecord& record) {
  record.response = 0;
  record.burn = 0;
  record.Dose = 0;
  record.Initials.clear();
}

bool stopTreatmentFrom(std::optional<bool> complete) { return complete.value_or(false); }

bool completeAfterUpdate(bool stopTreatment, int row) { return stopTreatment || row == kTreatments; }

QString treatmentDay(double when, const QLocale& locale) {
  const QDateTime day = datetime::toQDateTime(when);
  if (!day.isValid()) return {};
  return locale.toString(day.date(), u"dd MMM");
}

QString shownDose(const TreatmentRecord& record, const QString& planned, const QLocale& locale) {
  return record.recorded() ? fmt::Fixed(record.deliveredDose(), 5, 0, locale) : planned;
}

QString temperatureText(float celsius, const QLocale& locale) {
  return fmt::Fixed(celsius, 3, 1, locale) + QLatin1Char('C');
}

QString treatmentSummary(const TreatmentRecord& record, const QLocale& locale) {
  return fromRecordText(record.Initials) + QStringLiteral("  ") + fromRecordText(record.time) + QStringLiteral("  ") +
         temperatureText(record.Temperature, locale);
}

CellLook cellLook(int column, const TreatmentRecord& record, const QString& cellText, const QLocale& locale) {
  CellLook look;
  switch (column) {
    case DateColumn:
      look.ownText = true;
      if (record.recorded()) {
        look.fill = responseColour(record.burn);
        look.text = treatmentDay(record.When, locale);
      } else {
        look.text = cellText;
      }
      break;
    case SummaryColumn:
      look.ownText = true;
      if (record.recorded()) {
        look.fill = responseColour(record.response);
        look.text = treatmentSummary(record, locale);
      } else {
        look.text = cellText;
      }
      break;
    case DoseColumn:
      if (!record.recorded()) look.textColour = QColor(192, 192, 192);
      break;
    default: break;
  }
  return look;
}

}  // namespace treatment
