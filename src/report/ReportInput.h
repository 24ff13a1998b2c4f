#pragma once
// What the treatment report prints, as the window shows it at the moment of printing: the texts
// of its boxes, the date texts of its date pickers, its check boxes and radio buttons, the
// schedule grid and the treatment records, and the pictures. The window (or the command-line tool,
// which opens a course the way the window does) fills one of these; nothing here knows widgets.

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <QLocale>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "treatment/TreatmentRecord.h"

class QPainter;
class QRectF;

namespace report {

struct ReportPhotograph {
  QString dateText;  // the date text of its date picker (empty when the picker shows no date)
  QString note;      // the note as the Notes tab shows it
  QByteArray jpeg;   // the stored picture, decoded only while its cell is printed; may be empty
};

// The captions of the six contraindication boxes, in box order.
extern const std::array<const char*, 6> kContraindicationCaptions;

struct ReportInput {
  // The patient's particulars.
  QString surname;    // EdSurname
  QString nhi;        // EdHosp
  QString ageText;    // EdAge
  QString birthText;  // the date text of DateBirth
  // "Lifetime: 84 treatments, 61.2 J/cm²" over all the patient's courses as stored; empty: none.
  QString lifetime;

  // The clinical assessment, beside its labels on the summary page.
  QString diagnosis;                        // DBDiag
  QString treatmentType;                    // DBTxType (printed beside "Referral")
  QString condition;                        // ComCondition, the chosen item's text
  QString duration;                         // DBEdLong ("How long?")
  QString previousRx;                       // the chosen button of RadioPrevRx: "Yes", "No", or empty for none
  QString rxResult;                         // DBRxResult
  QString familyHistory;                    // DBHist
  QString medication;                       // the course's MemoMeds column
  QString pastHistory;                      // the course's MemoOps column
  std::array<bool, 6> contraindications{};  // CheckBox1 .. CheckBox6
  QString address;                          // the patient's MEMOs column
  QString homePhone;                        // DBHome
  QString cellPhone;                        // DBCell
  QString workPhone;                        // DBwork
  QString referringPhysician;               // DBReferal
  QString assessDateText;                   // the date text of DateAssess
  QString therapist;                        // DBConsult

  // The schedule grid, columns 0 to 4 of rows 1 to 29 (row r at [r - 1]): the treatment number,
  // the unnamed column, "Dose (mJ)", "Erythema" and "% Inc".
  std::array<std::array<QString, 5>, kTreatments> grid;
  std::array<TreatmentRecord, kTreatments> records;  // treatments 1 to 29

  QImage diagram;  // the body outline with the spots, as shown
  QImage logo;     // the factor file's logo; null when it has none
  QImage icon;     // the program's 32 x 32 icon
  // Draws the course chart, laid out at the rectangle's size, into the rectangle. Empty: no graph.
  std::function<void(QPainter&, const QRectF&)> drawGraph;
  std::vector<ReportPhotograph> photographs;  // the course's, in the order the Notes tab steps

  QDate printDate;  // today
  QLocale locale;   // month names, short dates and the decimal separator

  bool demonstration = false;  // the dose factor file is a demonstration calibration
};

// The date text of a date picker: empty for a picker that shows no date (or an invalid date),
// otherwise the date in the locale's short date format.
QString datePickerText(const QDate& date, bool blank, const QLocale& locale);

}  // namespace report
