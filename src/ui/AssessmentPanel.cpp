// The clinical assessment of the open course and the patient's particulars. In patient mode every
// field is stored the moment it is changed or left, one column per write; while a course is being
// loaded, imported or the window cleared nothing is written.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "records/Data.h"
#include "records/PatientLookup.h"
#include "base/AppState.h"
#include "shell/DatePicker.h"
#include "base/DateTime.h"
#include "shell/SkinU.h"

namespace {

struct BoundBox {
  QWidget* widget;
  records::Field* field;
};

// The bound boxes and memos with the column each shows and edits.
std::vector<BoundBox> boundBoxes(TForm1& f) {
  TDataPatient& d = *DataPatient;
  return {
      {f.DBHome, &d.ADOPatientHomePh},        {f.DBCell, &d.ADOPatientCellPh},
      {f.DBwork, &d.ADOPatientWorkPh},        {f.DBHist, &d.ADOPatientFHistory},
      {f.DBMemoAdd, &d.ADOPatientMEMOs},      {f.DBEdLong, &d.ADOCourseEdLong},
      {f.DBRxResult, &d.ADOCourseEdRxResult}, {f.DBReferal, &d.ADOCourseReferal},
      {f.DBConsult, &d.ADOCourseConsultant},  {f.DBMemoMeds, &d.ADOCourseMemoMeds},
      {f.DBMemoOps, &d.ADOCourseMemoOps},     {f.DBDiag, &d.ADOCourseComDiag},
      {f.DBTxType, &d.ADOCourseComReason},    {f.DBEdMED, &d.ADOCourseEdMed},
      {f.DBMemo1, &d.ADOImageNoteMemo},
  };
}

records::Field* fieldOf(TForm1& f, QWidget* widget) {
  for (const BoundBox& b : boundBoxes(f))
    if (b.widget == widget) return b.field;
  return nullptr;
}

QString plainText(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  return {};
}

}  // namespace

void TForm1::connectAssessmentHandlers() {
  for (QComboBox* c : {ComboEye, ComboHair, ComboSkinCol, ComboLang})
    connect(c, &QComboBox::currentIndexChanged, this, [this, c] { ComboDBChange(c); });
  for (QComboBox* c : {ComCondition, ComSched})
    connect(c, &QComboBox::currentIndexChanged, this, [this, c] { ComCourseChange(c); });
  for (QComboBox* c : {DBDiag, DBTxType}) onFocus(c, {}, [this, c] { DBDiagClick(c); });
  connect(DateAssess, &QDateTimeEdit::dateTimeChanged, this, [this] { DateAssessChange(); });
  connect(RadioPrevRxGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on) RadioPrevRxClick(id);
  });
  for (QLineEdit* e : {DBHome, DBwork, DBCell, DBEdLong, DBRxResult, DBReferal, DBConsult, DBHist})
    onFocus(e, {}, [this, e] { DBStringExit(e); });
  for (QPlainTextEdit* m : {DBMemoMeds, DBMemoOps, DBMemoAdd, DBMemo1})
    onFocus(m, [this, m] { DBMemoEdit(m); }, [this, m] { DBMemoPost(m); });
  for (int i = 1; i <= 6; ++i) connect(CheckBoxes[i], &QCheckBox::toggled, this, [this] { CheckBoxClick(); });
}

void TForm1::refreshBoundWidgets() {
  if (!DataPatient) return;
  for (const BoundBox& b : boundBoxes(*this)) {
    records::DataSet& cursor = b.field->dataSet();
    QString text;
    if (cursor.active() && !cursor.isEmpty() && !b.field->isNull()) text = b.field->asString();
    // A box the user is typing in keeps the typed text until it is left and stored.
    if (b.widget->hasFocus() && b.widget != DBEdMED) continue;
    if (plainText(b.widget) == text) continue;
    if (auto* e = qobject_cast<QLineEdit*>(b.widget)) e->setText(text);
    else if (auto* m = qobject_cast<QPlainTextEdit*>(b.widget)) m->setPlainText(text);
    else if (auto* c = qobject_cast<QComboBox*>(b.widget)) c->setEditText(text);
  }
}

void TForm1::setRadioPrevRx(int index) {
  if (index < 0 || index > 1) {
    RadioPrevRxGroup->setExclusive(false);
    for (QAbstractButton* b : RadioPrevRxGroup->buttons()) b->setChecked(false);
    RadioPrevRxGroup->setExclusive(true);
    return;
  }
  RadioPrevRxGroup->button(index)->setChecked(true);
}

void TForm1::ComboDBChange(QComboBox* sender) {
  if (AppState != PatientMode || sender->currentIndex() < 0) return;
  TDataPatient& d = *DataPatient;
  records::Field* columns[] = {&d.ADOPatientEyes, &d.ADOPatientHair, &d.ADOPatientSkinC, &d.ADOPatientLang};
  const int tag = sender->property("Tag").toInt();
  if (tag < 0 || tag > 3) return;
  d.ADOPatient.edit();
  columns[tag]->setInteger(static_cast<quint16>(sender->currentIndex()));
  d.ADOPatient.post();
}

void TForm1::ComCourseChange(QComboBox* sender) {
  if (AppState != PatientMode || sender->currentIndex() < 0) return;
  TDataPatient& d = *DataPatient;
  d.ADOCourse.edit();
  (sender->property("Tag").toInt() == 0 ? d.ADOCourseComCondition : d.ADOCourseSched).setInteger(sender->currentIndex());
  d.ADOCourse.post();
  d.ReopenDataSet(d.ADOCourse);
}

void TForm1::DBDiagClick(QComboBox* sender) {
  if (AppState != PatientMode) return;
  TDataPatient& d = *DataPatient;
  records::Field& field = sender == DBDiag ? d.ADOCourseComDiag : d.ADOCourseComReason;
  d.ADOCourse.edit();
  field.setString(records::cutToWidth(sender->currentText(), field.size()));
  d.ADOCourse.post();
  d.ReopenDataSet(d.ADOCourse);
}

void TForm1::DateAssessChange() {
  if (AppState != PatientMode) return;
  TDataPatient& d = *DataPatient;
  d.ADOCourse.edit();
  d.ADOCourseDateAssess.setDateTime(datetime::fromQDateTime(DateAssess->dateTime()));
  d.ADOCourse.post();
  d.ReopenDataSet(d.ADOCourse);
}

void TForm1::RadioPrevRxClick(int index) {
  DBRxResult->setEnabled(index == 0);  // a result only follows a previous treatment
  if (AppState != PatientMode) return;
  TDataPatient& d = *DataPatient;
  d.ADOCourse.edit();
  d.ADOCourseRadioPrevRx.setInteger(index);
  d.ADOCourse.post();
}

void TForm1::DBStringExit(QLineEdit* sender) {
  if (AppState != PatientMode) return;
  records::Field* field = fieldOf(*this, sender);
  if (!field) return;
  records::DataSet& table = field->dataSet();
  if (table.state() != records::DataSet::State::Edit) table.edit();
  field->setString(records::cutToWidth(sender->text(), field->size()));
  table.post();
}

void TForm1::DBMemoEdit(QPlainTextEdit* sender) {
  if (AppState != PatientMode) return;
  records::Field* field = fieldOf(*this, sender);
  if (field && field->dataSet().active() && !field->dataSet().isEmpty()) field->dataSet().edit();
}

void TForm1::DBMemoPost(QPlainTextEdit* sender) {
  if (AppState != PatientMode) return;
  records::Field* field = fieldOf(*this, sender);
  if (!field || !field->dataSet().active() || field->dataSet().isEmpty()) return;
  records::DataSet& table = field->dataSet();
  if (table.state() != records::DataSet::State::Edit) table.edit();
  field->setString(sender->toPlainText());
  table.post();
}

void TForm1::CheckBoxClick() { DBSaveChks(); }

void TForm1::DBSaveChks() {
  int mask = 0;
  for (int i = 1; i <= 6; ++i)
    if (CheckBoxes[i]->isChecked()) mask += 1 << (i - 1);
  if (AppState != PatientMode) return;
  TDataPatient& d = *DataPatient;
  d.ADOCourse.edit();
  d.ADOCourseCautions.setInteger(mask);
  d.ADOCourse.post();
  d.ReopenDataSet(d.ADOCourse);
}

void TForm1::DBLoadChks() {
  const int mask = DataPatient->ADOCourseCautions.isNull() ? 0 : DataPatient->ADOCourseCautions.asInteger();
  for (int i = 1; i <= 6; ++i) CheckBoxes[i]->setChecked(mask & (1 << (i - 1)));
}
