#include "ui/SchedulePanel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <functional>

#include "base/Formats.h"
#include "treatment/ScheduleRules.h"
#include "ui/Actions.h"
#include "ui/Dialogs.h"
#include "ui/ObjectNames.h"
#include "ui/TreatmentEntryDialog.h"
#include "ui/widgets/ScheduleGrid.h"
#include "ui/widgets/SchedulePainter.h"

namespace ui {

namespace {

// Reports keys released in the grid. A key released in a cell editor reaches the grid too when
// the editor leaves it; the painter has reported that one already, so it is not counted twice.
class GridKeyReleases : public QObject {
 public:
  GridKeyReleases(QWidget* grid, std::function<void()> released)
      : QObject(grid), grid_(grid), released_(std::move(released)) {
    grid->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == grid_ && event->type() == QEvent::KeyRelease) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QWidget* focus = QApplication::focusWidget();
      const bool fromEditor = focus && focus != grid_ && grid_->isAncestorOf(focus);
      if (!key->isAutoRepeat() && !fromEditor) released_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* grid_;
  std::function<void()> released_;
};

}  // namespace

SchedulePanel::SchedulePanel(course::OpenCourse& course, Actions& actions, QWidget* parent)
    : QFrame(parent), course_(course), actions_(actions) {
  setObjectName(names::Panel1);
  setMinimumWidth(100);
  grid_ = new ScheduleGrid;
  grid_->setObjectName(names::StringGrid1);
  grid_->setAccessibleName(QStringLiteral("Treatment schedule"));
  grid_->setEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(grid_);

  // The headings, the row numbers, and the increments as the current column.
  grid_->setColumnWidth(0, 50);
  grid_->setColumnWidth(1, 115);
  const char* headings[] = {"#", "", "Dose (mJ)", "Erythema", "% Inc", "Def %Inc"};
  for (int c = 0; c < ScheduleGrid::kColumns; ++c) grid_->setCell(c, 0, headings[c]);
  for (int row = 1; row <= kTreatments; ++row) {
    grid_->setCell(0, row, fmt::D(row));
    // Only the increments are edited in place.
    for (int column = 0; column < ScheduleGrid::kColumns; ++column) {
      if (column == treatment::IncrementColumn) continue;
      QTableWidgetItem* cell = grid_->item(row - 1, column);
      cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    }
  }
  grid_->setCurrentCell(treatment::IncrementColumn, 1);

  auto* painter = new SchedulePainter(
      [this](int row) -> const TreatmentRecord& { return course_.records()[static_cast<std::size_t>(row - 1)]; },
      grid_);
  grid_->setItemDelegate(painter);
  // Tab leaves the grid rather than walking into cells that cannot become current.
  grid_->setTabKeyNavigation(false);
  grid_->selectCell = [this](int column, int row) { return selectCell(column, row); };
  connect(painter, &SchedulePainter::editorKeyReleased, this, [this] { keyReleased(); });
  new GridKeyReleases(grid_, [this] { keyReleased(); });

  dialog_ = new TreatmentEntryDialog(this);
}

bool SchedulePanel::selectCell(int column, int row) {
  switch (treatment::cellAction(column)) {
    case treatment::CellAction::Select: return true;
    case treatment::CellAction::Nothing: return false;
    case treatment::CellAction::Record: break;
  }
  // The current cell stays where it was; the row's treatment is recorded instead.
  actions_.run([this, row] { recordTreatment(row); });
  return false;
}

void SchedulePanel::recordTreatment(int row) {
  if (row < 1 || row > kTreatments || recording_) return;
  if (!course_.canRecord()) {
    if (course_.mode() == course::Mode::List) {
      dialogs::show(this, {dialogs::Kind::Information, QStringLiteral("Treatment schedule"),
                           QStringLiteral("No course is open, so no treatment can be recorded.\n"
                                          "Find the patient in the list and open the course with \"Select\" first."),
                           QMessageBox::Ok});
    }
    return;
  }
  recording_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{recording_};

  // Until the dialog closes, nothing may close this course or open another (see OpenCourse).
  const course::OpenCourse::RecordingScope recordingNow = course_.recordingTreatment();
  const auto k = static_cast<std::size_t>(row - 1);
  dialog_->load(course_.records()[k], course_.dosing().plannedDose()[k]);
  dialog_->setStopTreatment(treatment::stopTreatmentFrom(course_.courseComplete()));
  switch (dialog_->exec()) {
    case TreatmentEntryDialog::Update:
      course_.recordTreatment(row, dialog_->entry(), dialog_->stopTreatmentTicked());
      break;
    case TreatmentEntryDialog::Clear: course_.clearTreatment(row); break;
    default:
      course_.writeBackTreatments(row);  // written back unchanged, as every result is
      break;
  }
}

void SchedulePanel::keyReleased() {
  actions_.run([this] {
    dosing::RowTexts increments;
    for (int row = 1; row <= kTreatments; ++row)
      increments[static_cast<std::size_t>(row - 1)] = grid_->cell(treatment::IncrementColumn, row);
    course_.setIncrements(increments);
    // A refused increment goes back to what the course holds, in the cell being typed in too.
    const QModelIndex current = grid_->currentIndex();
    if (auto* editor = qobject_cast<QLineEdit*>(grid_->indexWidget(current))) {
      const QString held = course_.dosing().grid().inc[static_cast<std::size_t>(current.row())];
      if (current.column() == treatment::IncrementColumn && editor->text() != held) editor->setText(held);
    }
  });
}

void SchedulePanel::focusNextTreatment() {
  int row = 1;
  while (row < kTreatments && course_.records()[static_cast<std::size_t>(row - 1)].recorded()) ++row;
  grid_->setCurrentCell(treatment::IncrementColumn, row);
  grid_->setFocus(Qt::OtherFocusReason);
}

void SchedulePanel::refresh(course::Parts parts) {
  if (!(parts & (course::Part::Plan | course::Part::Records | course::Part::Mode))) return;
  const dosing::ScheduleColumns& columns = course_.dosing().grid();
  const dosing::RowTexts doses = course_.shownDoses();
  for (int row = 1; row <= kTreatments; ++row) {
    const auto k = static_cast<std::size_t>(row - 1);
    grid_->setCell(treatment::DoseColumn, row, doses[k]);
    grid_->setCell(3, row, columns.erythema[k]);
    grid_->setCell(treatment::IncrementColumn, row, columns.inc[k]);
    grid_->setCell(5, row, columns.defInc[k]);
  }
  grid_->setEnabled(course_.dosing().gridEnabled());
  grid_->viewport()->update();
}

}  // namespace ui
