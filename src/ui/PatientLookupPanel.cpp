// The patient list and the passage between list mode and patient mode: searching as the user
// types, "Select" (open a patient and course, or create them), filling the window from the rows,
// and "List" (clear the window and return to the list).

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include "records/Data.h"
#include "shell/ClickPanel.h"
#include "records/DataError.h"
#include "records/DataSetModel.h"
#include "records/PatientLookup.h"
#include "base/AppState.h"
#include "shell/DatePicker.h"
#include "base/DateTime.h"
#include "shell/Dialogs.h"
#include "base/Formats.h"
#include "shell/ScheduleGrid.h"
#include "shell/SkinU.h"

namespace {

const QStringList kPatientColumns = {"Hosp", "SurN", "FirstN", "SecN", "Birth", "WorkPh", "MEMOs",
                                     "NCourse", "Eyes", "Hair", "SkinC", "Complete", "HomePh", "CellPh"};
const QStringList kCourseColumns = {"DateAssess", "Old", "ComDiag", "ComReason", "ComSkinType", "ComCondition",
                                    "EdLong", "RadioPrevRx", "EdRxResult", "MemoMeds", "MemoOps", "EdMed",
                                    "SkinIndex", "SpotsLength", "Spots", "Condition", "TxTime", "Dose",
                                    "WhenDate", "Initials", "Temperature", "PInc", "Consultant", "Referal",
                                    "Cautions", "Complete", "Burn"};
const QStringList kImageColumns = {"WhenDate", "JpegImage", "NoteMemo"};

// The course grid colours the assessment date by the course's state: finished pink, treatments
// recorded light yellow, new white.
class CourseGridDelegate : public QStyledItemDelegate {
 public:
  CourseGridDelegate(DataSetModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const records::DataSet& courses = model_->dataSet();
    const auto& table = courses.table();
    if (model_->tableColumn(index.column()) != table.indexOf("DateAssess")) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    const int row = index.row() + 1;
    QColor background(255, 255, 255);
    if (courses.valueAt(row, table.indexOf("Complete")).toBool()) background = QColor(255, 221, 221);
    else if (!courses.valueAt(row, table.indexOf("Condition")).isNull()) background = QColor(255, 255, 224);
    painter->fillRect(option.rect, background);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(option.rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    if (option.state & QStyle::State_Selected) {
      QColor frame = option.palette.color(QPalette::Highlight);
      painter->setPen(frame);
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
  }

 private:
  DataSetModel* model_;
};

// A grid follows its cursor's current row, and a row the user picks becomes the current one.
void bindGrid(QTableView* view, DataSetModel* model) {
  view->setModel(model);
  records::DataSet& cursor = model->dataSet();
  auto showCurrent = [view, &cursor] {
    if (!cursor.active() || cursor.isEmpty()) return;
    const QSignalBlocker quiet(view->selectionModel());
    view->selectionModel()->setCurrentIndex(view->model()->index(cursor.recNo() - 1, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  };
  QObject::connect(&cursor, &records::DataSet::afterScroll, view, showCurrent);
  QObject::connect(model, &QAbstractItemModel::modelReset, view, showCurrent);
  QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                   [&cursor](const QModelIndex& current) {
                     if (current.isValid() && cursor.active() && cursor.recNo() != current.row() + 1)
                       cursor.setRecNo(current.row() + 1);
                   });
}

void setComboFromField(const records::Field& field, QComboBox* combo) {
  combo->setCurrentIndex(field.isNull() ? -1 : field.asInteger());
}

}  // namespace

void TForm1::connectRecordHandlers() {
  connect(EdHosp, &QLineEdit::textChanged, this, [this] { EdHospChange(); });
  for (QCheckBox* box : {ChkPending, ChkCurrent, ChkComplete})
    connect(box, &QCheckBox::toggled, this, [this] { EdHospChange(); });
  for (QLineEdit* box : {EdFirst, EdSecond, EdSurname}) {
    connect(box, &QLineEdit::textChanged, this, [this, box] { EdNameChange(box); });
    onFocus(box, {}, [this, box] { EdNameExit(box); });
  }
  connect(BtnSelect, &QPushButton::clicked, this, [this] { BtnSelectClick(); });
  connect(BtnClear, &QPushButton::clicked, this, [this] { BtnClearClick(); });
  for (QTableView* grid : {DBGrid1, DBGrid2, DBGrid3}) onFocus(grid, [this, grid] { DBGridEnter(grid); }, {});
  connectAssessmentHandlers();
}

// Once the data module exists, the grids show its cursors and the bound boxes follow its rows.
void TForm1::attachDataModule() {
  if (!DataPatient) return;
  // The models live as long as their cursors; a view whose model goes is left empty.
  auto* patients = new DataSetModel(DataPatient->ADOPatient, kPatientColumns, &DataPatient->ADOPatient);
  auto* courses = new DataSetModel(DataPatient->ADOCourse, kCourseColumns, &DataPatient->ADOCourse);
  auto* images = new DataSetModel(DataPatient->ADOImage, kImageColumns, &DataPatient->ADOImage);
  bindGrid(DBGrid1, patients);
  bindGrid(DBGrid2, courses);
  bindGrid(DBGrid3, images);
  DBGrid2->setItemDelegate(new CourseGridDelegate(courses, DBGrid2));
  for (records::DataSet* cursor : {&DataPatient->ADOPatient, &DataPatient->ADOCourse, &DataPatient->ADOImage}) {
    connect(cursor, &records::DataSet::afterScroll, this, [this] { refreshBoundWidgets(); });
    connect(cursor, &records::DataSet::dataChanged, this, [this] { refreshBoundWidgets(); });
  }
  // Nothing searched yet: Select opens the list's current patient, when there is one.
  BtnSelect->setEnabled(DataPatient->ADOPatient.active() && !DataPatient->ADOPatient.isEmpty());
  refreshBoundWidgets();
}

void TForm1::EdHospChange() {
  if (AppState != ListMode) return;
  CkBxNewCourse->setChecked(false);
  CkBxNewCourse->setEnabled(true);
  if (!DataPatient || !DataPatient->connected()) return;
  const std::uint8_t mask =
      records::statusMask(ChkCurrent->isChecked(), ChkPending->isChecked(), ChkComplete->isChecked());
  TDataPatient& d = *DataPatient;
  if (!EdHosp->text().isEmpty() || !EdSurname->text().isEmpty() || mask != 7) {
    d.FindPatient(EdHosp->text(), EdSurname->text(), mask);
    d.ADOCourse.last();
    BtnSelect->setText("Select");
    BtnSelect->setEnabled(true);
    if (d.ADOPatient.isEmpty()) {
      const bool allTicked = ChkPending->isChecked() && ChkCurrent->isChecked() && ChkComplete->isChecked();
      if (allTicked && records::ValidNHI(EdHosp->text(), Factors().Default_Format)) BtnSelect->setText("New Patient");
      else BtnSelect->setEnabled(false);
    }
  } else {
    d.ADOPatient.setFiltered(false);
    BtnSelect->setText("Select");
    // A list without a current patient has nobody to open and no typed NHI to create.
    if (d.ADOPatient.isEmpty()) BtnSelect->setEnabled(false);
  }
  if (d.ADOCourse.isEmpty()) {  // a new patient, or one without courses, always gets a first course
    CkBxNewCourse->setChecked(true);
    CkBxNewCourse->setEnabled(false);
  }
}

void TForm1::EdNameChange(QLineEdit* sender) {
  Label5->setText(EdFirst->text() + " " + EdSecond->text() + " " + EdSurname->text());
  if (AppState == ListMode && sender == EdSurname) EdHospChange();
}

void TForm1::EdNameExit(QLineEdit* sender) {
  if (AppState != PatientMode) return;
  TDataPatient& d = *DataPatient;
  records::Field& field = sender == EdSurname ? d.ADOPatientSurN : sender == EdFirst ? d.ADOPatientFirstN : d.ADOPatientSecN;
  d.ADOPatient.edit();
  field.setString(records::cutToWidth(sender->text(), field.size()));
  d.ADOPatient.post();
}

void TForm1::BtnSelectClick() {
  if (!DataPatient || !DataPatient->connected()) {
    dialogs::error(this, "No patient database is connected. Set the database directory on the About tab "
                         "(hold Ctrl while double-clicking it to keep it) and start the program again.");
    return;
  }
  TDataPatient& d = *DataPatient;
  if (d.ADOPatient.isEmpty() && !records::ValidNHI(EdHosp->text(), Factors().Default_Format)) {
    dialogs::warning(this, "NHI", "Type the NHI of the patient to open or create.");
    return;
  }
  EdHosp->setEnabled(false);
  GroupSelect->setEnabled(false);
  try {
    AppState = QuietMode;
    d.AddPatient(EdHosp->text(), EdSurname->text());
    // A patient is never opened without a course to write to.
    if (CkBxNewCourse->isChecked() || d.ADOCourse.isEmpty()) d.Addcourse();
    AppState = LoadingMode;
    PanPhone->setVisible(true);
    LoadPatient();
    AppState = PatientMode;
  } catch (const records::DataError& e) {
    // The selection ends where it failed; no handler writes until "List".
    dialogs::error(this, e.message());
    return;
  }
  PanDataBase->setVisible(false);
  PanDetails->setVisible(true);
  BtnPrint->setEnabled(true);
}

void TForm1::LoadPatient() {
  TDataPatient& d = *DataPatient;
  EdSurname->setText(d.ADOPatientSurN.asString());
  EdFirst->setText(d.ADOPatientFirstN.asString());
  EdSecond->setText(d.ADOPatientSecN.asString());
  EdHosp->setText(d.ADOPatientHosp.asString());
  if (d.ADOPatientBirth.isNull()) {
    DateBirth->setDateTime(QDateTime::currentDateTime());
    DateBirth->setBlank(true);
  } else {
    DateBirth->setDateTime(datetime::toQDateTime(d.ADOPatientBirth.asDateTime()));
    DateBirth->setBlank(false);
  }
  setComboFromField(d.ADOPatientEyes, ComboEye);
  setComboFromField(d.ADOPatientHair, ComboHair);
  setComboFromField(d.ADOPatientSkinC, ComboSkinCol);
  setComboFromField(d.ADOPatientLang, ComboLang);
  LoadCourse();
}

void TForm1::LoadCourse() {
  TDataPatient& d = *DataPatient;
  Dosing.MEDImport = true;
  if (!d.ADOCourseDateAssess.isNull()) {
    DateAssess->setBlank(false);
    DateAssess->setDateTime(datetime::toQDateTime(d.ADOCourseDateAssess.asDateTime()));
  }
  SetOld(d.ADOCourseOld.isNull() ? 0.0 : d.ADOCourseOld.asFloat());
  // A course without an age shows an empty age box rather than "0.0", so that a birth date
  // entered next supplies the age.
  EdAge->setText(Dosing.FOld == 0 ? QString() : fmt::Fixed(Dosing.FOld, 3, 1));
  ComSkinType->setCurrentIndex(d.ADOCourseSkinIndex.isNull() ? -1 : d.ADOCourseSkinIndex.asInteger());
  setComboFromField(d.ADOCourseComCondition, ComCondition);
  setComboFromField(d.ADOCourseSched, ComSched);
  setRadioPrevRx(d.ADOCourseRadioPrevRx.isNull() ? -1 : d.ADOCourseRadioPrevRx.asInteger());
  DBRxResult->setEnabled(!d.ADOCourseRadioPrevRx.isNull());
  EdAgeExit();
  ComSkinTypeChange();
  DBLoadInc();
  DBLoadTable();
  refreshBoundWidgets();  // the MED box shows the course's MED
  EdMEDChange();
  Dosing.MEDImport = false;
  StringGrid1->viewport()->update();
  DBLoadChks();
  DBLoadSpots();
  LoadImages();
}

void TForm1::BtnClearClick() {
  Clear();
  for (QCheckBox* box : {ChkPending, ChkCurrent, ChkComplete}) {
    const QSignalBlocker quiet(box);  // no search runs on the way back to the list
    box->setChecked(true);
  }
  BtnPrint->setEnabled(false);
  AppState = ListMode;
  EdHosp->setEnabled(true);
  PanDetails->setVisible(false);
  PanPhone->setVisible(false);
  PanDataBase->setVisible(true);
  if (DataPatient && DataPatient->connected()) {
    try {
      TDataPatient& d = *DataPatient;
      d.ADOImage.close();
      d.ADOCourse.close();
      d.ADOPatient.close();
      d.ADOPatient.open();
      d.ADOCourse.open();
      d.ADOImage.open();
    } catch (const records::DataError& e) {
      dialogs::error(this, e.message());
    }
  }
  GroupSelect->setEnabled(true);
}

void TForm1::Clear() {
  {
    AppStateGuard quiet;
    for (int k = 1; k <= kTreatments; ++k) Condition[k].Condition = 0;
    UpDown1->setVisible(false);
    UpDown1->setProperty("position", 0);
    UpDown1->setProperty("maximum", 100);
    for (QLineEdit* box : {EdSurname, EdFirst, EdSecond, EdHosp}) box->clear();
    for (QComboBox* combo : {ComboEye, ComboHair, ComboSkinCol}) combo->setCurrentIndex(-1);
    ComboLang->setCurrentIndex(Factors().Default_Lang);
    DateBirth->setBlank(true);
    DateAssess->setDateTime(QDateTime::currentDateTime());
    EdAge->clear();
    for (QComboBox* combo : {ComSkinType, ComCondition, ComSched}) combo->setCurrentIndex(-1);
    setRadioPrevRx(-1);
    Spots.clear();
    DrawSpots();
    ClearMED();
    for (ClickPanel* p : {Panel4, Panel5, Panel6}) p->setEnabled(false);
    StringGrid1->viewport()->update();
  }
  PageControl1->setTabVisible(PageControl1->indexOf(TabNotes), false);
}

void TForm1::DBGridEnter(QTableView* sender) { DBNavigator1->setProperty("dataSource", sender->objectName()); }
