// The treatment schedule on the main window: recording a treatment from a row, painting recorded
// rows, and following the increments as they are typed.
//
// The records belong to the open course only. While no course is open (any mode but patient
// mode) a click on a row's first cells records nothing, and typed increments are not stored;
// the plan still follows them while a course is open or being loaded.

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <functional>
#include <optional>

#include "records/Data.h"
#include "records/DataError.h"
#include "base/AppState.h"
#include "base/DateTime.h"
#include "shell/Dialogs.h"
#include "base/Formats.h"
#include "shell/ScheduleGrid.h"
#include "shell/SkinU.h"
#include "treatment/ConditionForm.h"
#include "treatment/MaskEdit.h"
#include "treatment/ScheduleRules.h"
#include "treatment/SchedulePainter.h"

namespace {

// Reports keys released in the grid. A key released in a cell editor reaches the grid too when
// the editor leaves it; the painter has reported that one already, so it is not counted twice.
class GridKeyReleases : public QObject {
 public:
  GridKeyReleases(QWidget* grid, std::function<void(int)> released)
      : QObject(grid), grid_(grid), released_(std::move(released)) {
    grid->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == grid_ && event->type() == QEvent::KeyRelease) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QWidget* focus = QApplication::focusWidget();
      const bool fromEditor = focus && focus != grid_ && grid_->isAncestorOf(focus);
      if (!key->isAutoRepeat() && !fromEditor) released_(key->key());
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* grid_;
  std::function<void(int)> released_;
};

// A course is open to write to: patient mode, with a current course row.
bool courseOpen() {
  return AppState == PatientMode && DataPatient && DataPatient->ADOCourse.active() &&
         !DataPatient->ADOCourse.isEmpty();
}

std::optional<bool> courseComplete() {
  const records::Field& complete = DataPatient->ADOCourseComplete;
  if (complete.isNull()) return std::nullopt;
  return complete.asBoolean();
}

// Runs a handler started by the user; a failure of the store ends it with a message instead of
// ending the program.
template <typename Handler>
void fromUser(QWidget* window, Handler handler) {
  try {
    handler();
  } catch (const records::DataError& e) {
    dialogs::error(window, e.message());
  } catch (const std::exception& e) {
    dialogs::error(window, QString::fromLocal8Bit(e.what()));
  }
}

bool recording = false;  // a recording sequence is under way: no second one from a nested event

}  // namespace

void TForm1::connectScheduleHandlers() {
  // Only the increments are edited in place.
  for (int row = 1; row <= kTreatments; ++row) {
    for (int column = 0; column < ScheduleGrid::kColumns; ++column) {
      if (column == treatment::IncrementColumn) continue;
      QTableWidgetItem* cell = StringGrid1->item(row - 1, column);
      cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    }
  }

  auto* painter = new SchedulePainter([this](int row) -> const TCondition& { return Condition[row]; }, StringGrid1);
  StringGrid1->setItemDelegate(painter);
  // Tab leaves the grid rather than walking into cells that cannot become current.
  StringGrid1->setTabKeyNavigation(false);

  StringGrid1->selectCell = [this](int column, int row) {
    bool may = false;
    fromUser(this, [&] { may = StringGrid1SelectCell(column, row); });
    return may;
  };
  const auto keyUp = [this](int key) { fromUser(this, [&] { StringGrid1KeyUp(key); }); };
  connect(painter, &SchedulePainter::editorKeyReleased, this, keyUp);
  new GridKeyReleases(StringGrid1, keyUp);
}

bool TForm1::StringGrid1SelectCell(int column, int row) {
  switch (treatment::cellAction(column)) {
    case treatment::CellAction::Select:
      return true;
    case treatment::CellAction::Nothing:
      return false;
    case treatment::CellAction::Record:
      break;
  }
  if (row < 1 || row > kTreatments || recording || !Condition_Form) return false;
  if (!courseOpen()) {
    if (AppState == ListMode) {
      dialogs::show(this, {dialogs::Kind::Information, QStringLiteral("Treatment schedule"),
                           QStringLiteral("No course is open, so no treatment can be recorded.\n"
                                          "Find the patient in the list and open the course with \"Select\" first."),
                           QMessageBox::Ok});
    }
    return false;
  }

  recording = true;
  struct Done {
    ~Done() { recording = false; }
  } done;

  TDataPatient& d = *DataPatient;
  TCondition_Form& dialog = *Condition_Form;
  TCondition& record = Condition[row];
  const TCondition before = record;
  const QString doseCellBefore = StringGrid1->cell(treatment::DoseColumn, row);
  bool stored = false;
  try {
    dialog.Load(record, Dosing.ExpectDose[static_cast<std::size_t>(row - 1)]);
    dialog.ChkStop->setChecked(treatment::stopTreatmentFrom(courseComplete()));
    d.ADOCourse.edit();
    const int result = dialog.exec();

    if (result == TCondition_Form::Update) {
      treatment::TreatmentEntry entry;
      entry.condition = dialog.FCondition;
      entry.burn = dialog.FBurn;
      entry.temperature = dialog.FTemperature;
      entry.dose = dialog.FDose;
      entry.when = datetime::fromQDateTime(dialog.DateTimePicker1->dateTime());
      entry.initials = dialog.MaskInit->maskedText();
      entry.time = dialog.MaskTime->maskedText();
      treatment::applyUpdate(record, entry);
      StringGrid1->setCell(treatment::DoseColumn, row, fmt::Fixed(record.Dose, 5, 0));
      d.ADOCourseComplete.setBoolean(treatment::completeAfterUpdate(dialog.ChkStop->isChecked(), row));
      d.ADOCourse.post();
      d.Patient_Complete();
      d.ADOCourse.edit();
    } else if (result == TCondition_Form::Clear) {
      treatment::applyClear(record);
      StringGrid1->setCell(treatment::DoseColumn, row,
                           fmt::Fixed(Dosing.ExpectDose[static_cast<std::size_t>(row - 1)], 5, 0));
    }
    // "Undo" leaves the record as it was; it is written back all the same, as every result is.

    DBSaveTable();
    d.ADOCourse.post();
    stored = true;
    d.ReopenDataSet(d.ADOCourse);
  } catch (const records::DataError& e) {
    if (stored) throw;  // only the re-read failed: the treatment is in the course
    // The window goes on showing what the course holds: the record as it was before.
    record = before;
    StringGrid1->setCell(treatment::DoseColumn, row, doseCellBefore);
    if (d.ADOCourse.state() == records::DataSet::State::Edit) d.ADOCourse.cancel();
    StringGrid1->viewport()->update();
    throw records::DataError(QStringLiteral("Treatment %1 was not stored; the schedule shows it as it was before. "
                                            "Record it again once the database can be written.\n\n%2")
                                 .arg(row)
                                 .arg(e.message()));
  }
  StringGrid1->viewport()->update();
  return false;
}

void TForm1::StringGrid1KeyUp(int /*key*/) {
  EdMEDChange();
  if (StringGrid1->currentColumn() != treatment::IncrementColumn || !courseOpen()) return;
  TDataPatient& d = *DataPatient;
  d.ADOCourse.edit();
  try {
    DBSaveInc();
    d.ADOCourse.post();
  } catch (...) {
    if (d.ADOCourse.state() == records::DataSet::State::Edit) d.ADOCourse.cancel();
    throw;
  }
}
