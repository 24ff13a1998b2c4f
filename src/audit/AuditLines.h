#pragma once
// The audit's figures as lines, one figure a line, in one order for every reader: the tool prints
// them, the CSV file holds them, the window and the PDF show them beside their labels. Each line
// is a name and its values:
//
//   patients, courses, treatments, missed            whole numbers
//   burn1, burn2, burn3                              whole numbers
//   burn_per_100                                     2 decimals
//   burn1_type_N .. burn_per_100_type_N              the same four for skin types N = 1..6 (I..VI)
//   finished_courses                                 a whole number
//   median_treatments, q1_treatments, q3_treatments  1 decimal
//   median_cumulative_dose                           mJ/cm2 delivered, 1 decimal
//   last_clearing_pct, last_same_pct, last_worse_pct percent of the finished courses, 1 decimal
//   patients_over_threshold                          a whole number
//   over      NHI, treatments, dose (mJ/cm2, 1 decimal)                    one per patient
//   grade3    NHI, date (yyyy-MM-dd), dose, previous dose, % Inc (1 decimal)  one per burn
//
// A figure with nothing to be worked out over (a rate without treatments, a median without
// finished courses, the threshold figure when the department set none; a previous dose or % Inc
// that does not exist) is written "-". Numbers are written in the locale given: the tool and the
// CSV file with a point, the window and the PDF in the user's writing.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "audit/DepartmentAudit.h"

namespace audit {

struct AuditLine {
  QString name;        // "burn_per_100", "over", "grade3"
  QStringList values;  // as written
  friend bool operator==(const AuditLine&, const AuditLine&) = default;
};

// The written forms of the figures.
inline const QString kNoValue = QStringLiteral("-");
QString countText(qint64 value);
QString rateText(const std::optional<double>& value, const QLocale& locale);    // 2 decimals
QString figureText(const std::optional<double>& value, const QLocale& locale);  // 1 decimal

// The department's figures, from "patients" to "patients_over_threshold".
std::vector<AuditLine> figureLines(const Figures& figures, const QLocale& locale);
// One "over" line per patient due a review, then one "grade3" line per grade III burn.
std::vector<AuditLine> reviewLines(const Figures& figures, const QLocale& locale);
std::vector<AuditLine> gradeThreeLines(const Figures& figures, const QLocale& locale);
// All of them, in that order.
std::vector<AuditLine> auditLines(const Figures& figures, const QLocale& locale);

// What a figure line's name means, for a reader: "Treatments given", "Burns per 100 treatments,
// skin type III", ... The name itself for a name it does not know.
QString figureLabel(const QString& name);

// The lines as the tool prints them: the name and the values separated by tabs, each line ended
// by a line feed, control characters inside a value escaped (text::oneLine), in UTF-8.
QByteArray toolText(const std::vector<AuditLine>& lines);

// The lines as a CSV file (RFC 4180): fields separated by commas, a field holding a comma, a
// double quote or a line break in double quotes, lines ended by CR LF, UTF-8. An NHI that begins
// with =, +, -, @ or a control character is written after an apostrophe, so that a spreadsheet
// shows it as text and never runs it as a formula.
QByteArray csvText(const std::vector<AuditLine>& lines);

}  // namespace audit
