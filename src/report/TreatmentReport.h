#pragma once
// The treatment report of the open course: its three datasets over what the window shows, the
// filling of its pictures before they print, and the preparation that "Print" starts.
//
//   ScriptData   one row per treatment, 1 to 29: date, treatment, dose, running sum, erythema, % inc
//   PatientData  two identical rows of the patient's and the assessment's texts
//   ImageData    one row per photograph of the course

#include <QString>
#include <QVariant>
#include <functional>

#include "report/DisplayList.h"
#include "report/ReportEngine.h"
#include "report/ReportInput.h"

namespace report {

// The name the PDF export proposes: the NHI made a plain file name (FileNames.h) followed by ".pdf".
QString pdfFileName(const QString& nhi);

// The datasets' callbacks over one input. The input must outlive it.
class TreatmentDatasets {
 public:
  TreatmentDatasets(const ReportInput& input, Report& report);

  void firstTreatmentRow() { treatmentRow = 1; }
  void nextTreatmentRow() { ++treatmentRow; }
  bool pastLastTreatmentRow() const { return treatmentRow >= kTreatments + 1; }
  void treatmentValue(const QString& field, QVariant& value);

  void firstPatientRow() { patientRow = 1; }
  void nextPatientRow() { ++patientRow; }
  bool pastLastPatientRow() const { return patientRow == 3; }
  void patientValue(const QString& field, QVariant& value) const;

  void firstPhotographRow() { photograph_ = 0; }
  void nextPhotographRow() { ++photograph_; }
  bool pastLastPhotograph() const;
  void photographValue(const QString& field, QVariant& value) const;

  // Fills "Photo" with the current photograph and "Graph" with the course chart.
  void BeforePrint(ReportObject& object);

  std::int32_t treatmentRow = 0;  // the current treatment row, 1 to 29
  std::int32_t patientRow = 0;    // the current PatientData row
  int currentPhotograph() const { return photograph_; }

 private:
  const ReportInput& in_;
  Report& report_;
  int photograph_ = 0;
};

// The running sum of column 2 ("Dose (mJ)") over rows 1 to `row`: each cell's leading whole
// number (blanks before it skipped; a cell without one counts 0).
std::int64_t accumulatedDose(const ReportInput& input, int row);

// Prepares the report of `input`: the summary page, and the photograph pages when there are
// photographs. `progress` is told the number of pages prepared so far.
PreparedReport prepareTreatmentReport(const ReportInput& input, const std::function<void(int)>& progress = {});

}  // namespace report
