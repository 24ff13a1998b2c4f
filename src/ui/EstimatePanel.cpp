// The main window's handlers of the MED estimate and the treatment plan. Each copies the widget
// texts into the dosing session, calls the operation of the same name, writes the results back
// into the widgets, and stores what changed in the open course (only while a course is open).

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dosing/CourseGraph.h"
#include "records/Data.h"
#include "base/AppState.h"
#include "shell/ClickPanel.h"
#include "shell/DatePicker.h"
#include "base/DateTime.h"
#include "shell/Dialogs.h"
#include "base/Formats.h"
#include "shell/ScheduleGrid.h"
#include "shell/SkinU.h"

void TForm1::connectDosingHandlers() {
  connect(ComSkinType, &QComboBox::currentIndexChanged, this, [this] { ComSkinTypeChange(); });
  connect(DateBirth, &QDateTimeEdit::dateTimeChanged, this, [this] { DateBirthChange(); });
  for (ClickPanel* p : {Panel4, Panel5, Panel6}) connect(p, &ClickPanel::clicked, this, &TForm1::PanelToneClk);
  connect(DBEdMED, &QLineEdit::textChanged, this, [this] {
    if (!medDetached_) EdMEDChange();
  });
  onFocus(EdAge, {}, [this] { EdAgeExit(); });
  onFocus(DateBirth, [this] { DateBirthEnter(); }, {});
  onFocus(DBEdMED, [this] { EdMEDEnter(); }, [this] { EdMEDExit(); });
}

QString TForm1::comboText() const { return ComSkinType->currentText(); }

void TForm1::pullIncrements() {
  for (int row = 1; row <= kTreatments; ++row) Dosing.grid.inc[row - 1] = StringGrid1->cell(4, row);
}

void TForm1::pushSchedule() {
  for (int row = 1; row <= kTreatments; ++row) {
    StringGrid1->setCell(4, row, Dosing.grid.inc[row - 1]);
    StringGrid1->setCell(5, row, Dosing.grid.defInc[row - 1]);
  }
}

void TForm1::pushEstimate() {
  Label6->setText(Dosing.toneLabels[0]);
  Label7->setText(Dosing.toneLabels[1]);
  Label8->setText(Dosing.toneLabels[2]);
  for (ClickPanel* p : {Panel4, Panel5, Panel6}) p->setEnabled(Dosing.tonePanelsEnabled);
  StringGrid1->setEnabled(Dosing.gridEnabled);
  {
    const QSignalBlocker quiet(EdAge);
    if (EdAge->text() != Dosing.ageText) EdAge->setText(Dosing.ageText);
  }
}

void TForm1::pushPlan() {
  for (int row = 1; row <= kTreatments; ++row) {
    StringGrid1->setCell(2, row, Dosing.grid.dose[row - 1]);
    StringGrid1->setCell(3, row, Dosing.grid.erythema[row - 1]);
  }
  CourseGraph1->fill(Dosing.series);
  CourseGraph1->setTitle(Dosing.chartTitle);
  BtnPrint->setEnabled(Dosing.printEnabled);
  StringGrid1->setEnabled(Dosing.gridEnabled);
}

void TForm1::ClearMED() {
  Dosing.ClearMED();
  pushEstimate();
  pushPlan();
}

void TForm1::UpDateMED() {
  Dosing.UpDateMED();
  pushEstimate();
  pushPlan();
}

void TForm1::SetOld(double age) {
  Dosing.ageText = EdAge->text();
  if (!Dosing.SetOld(age)) return;
  pushEstimate();
  pushPlan();
  if (AppState == PatientMode) {
    DataPatient->ADOCourse.edit();
    DataPatient->ADOCourseOld.setFloat(Dosing.FOld);
    DataPatient->ADOCourse.post();
  }
}

void TForm1::storeAge() {
  if (AppState != PatientMode) return;
  DataPatient->ADOCourse.edit();
  DataPatient->ADOCourseOld.setFloat(Dosing.FOld);
  DataPatient->ADOCourse.post();
  DataPatient->ReopenDataSet(DataPatient->ADOCourse);
}

void TForm1::EdAgeExit() {
  const fmt::Real age = fmt::parseReal(EdAge->text());
  if (!age.valid) return;  // not a number: the previous age stays
  SetOld(age.value);
  storeAge();
}

void TForm1::DateBirthEnter() { DateBirth->setBlank(false); }

void TForm1::DateBirthChange() {
  const double birth = datetime::fromQDateTime(DateBirth->dateTime());
  Dosing.ageText = EdAge->text();
  if (Dosing.DateBirthChange(EdAge->text(), birth, datetime::now())) {
    pushEstimate();
    pushPlan();
  }
  if (AppState == PatientMode) {
    storeAge();
    DataPatient->ADOPatient.edit();
    DataPatient->ADOPatientBirth.setDateTime(birth);
    DataPatient->ADOPatient.post();
  }
}

void TForm1::ComSkinTypeChange() {
  Dosing.ageText = EdAge->text();
  Dosing.ComSkinTypeChange(ComSkinType->currentIndex());
  pushSchedule();
  pushEstimate();
  pushPlan();
  if (AppState == PatientMode) {
    DataPatient->ADOCourse.edit();
    DataPatient->ADOCourseSkinIndex.setInteger(ComSkinType->currentIndex());
    DataPatient->ADOCourse.post();
    DataPatient->ReopenDataSet(DataPatient->ADOCourse);
  }
}

void TForm1::PanelToneClk(ClickPanel* sender) {
  std::optional<QString> typedAge;
  if (EdAge->hasFocus()) typedAge = EdAge->text();  // a click does not move the focus
  Dosing.ageText = EdAge->text();
  const dosing::ToneClick click = Dosing.PanelToneClk(sender->tag(), comboText(), typedAge);
  pushEstimate();
  if (click.ageApplied) storeAge();
  if (click.medText) {
    const bool courseOpen = AppState == PatientMode;
    if (courseOpen) DataPatient->ADOCourse.edit();
    DBEdMED->setText(*click.medText);  // runs the plan when the text changes
    if (courseOpen) {
      DataPatient->ADOCourseEdMed.setInteger(fmt::parseWhole(*click.medText).value);
      DataPatient->ADOCourse.post();
    }
  }
  CourseGraph1->setTitle(Dosing.chartTitle);
}

void TForm1::EdMEDChange() {
  if (AppState != PatientMode && AppState != LoadingMode) return;
  pullIncrements();
  const auto warnings = Dosing.EdMEDChange(DBEdMED->text(), comboText(), AppState,
                                           std::span<const TCondition>(Condition).subspan(1));
  pushPlan();
  for (const dosing::PlanWarning& w : warnings) dialogs::warning(this, w.caption, w.text);
}

void TForm1::EdMEDEnter() {
  if (AppState == PatientMode) DataPatient->ADOCourse.edit();
  // While the user types, the plan waits: it follows once the box is left.
  medDetached_ = true;
}

void TForm1::EdMEDExit() {
  medDetached_ = false;
  EdMEDChange();
  if (AppState != PatientMode || DataPatient->ADOCourse.state() != records::DataSet::State::Edit) return;
  const fmt::Whole med = fmt::parseWhole(DBEdMED->text());
  if (med.valid) {
    DataPatient->ADOCourseEdMed.setInteger(med.value);
  } else if (DBEdMED->text().trimmed().isEmpty()) {
    DataPatient->ADOCourseEdMed.setNull();
  } else {
    dialogs::warning(this, "MED",
                     "The MED \"" + DBEdMED->text() + "\" is not a whole number of mJ/cm2, so it was not stored.\n"
                     "Type the MED as a whole number.");
  }
  DataPatient->ADOCourse.post();
}
