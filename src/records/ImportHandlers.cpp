// The Bulk Import tab: patient files of the older system read into the store one after another,
// with progress and a log. The files are checked and stored by records/LegacyImport (the same code
// as `halcyra-tool import`); the window only chooses the files, paces the batch, logs it and shows
// the last imported patient.

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cmath>

#include "base/Formats.h"
#include "records/Data.h"
#include "records/LegacyFileChooser.h"
#include "records/LegacyImport.h"
#include "base/AppState.h"
#include "shell/DatePicker.h"
#include "base/DateTime.h"
#include "shell/Dialogs.h"
#include "shell/ScheduleGrid.h"
#include "shell/SkinU.h"

namespace {

// The pause between two files, during which the window keeps handling the user's input.
constexpr int kPauseMs = 50;

records::LegacyFileChooser& chooserHook() {
  static records::LegacyFileChooser hook;
  return hook;
}

QStringList chooseWithDialog(QWidget* parent) {
  QFileDialog dialog(parent, QStringLiteral("Open"));
  dialog.setNameFilter(QStringLiteral("UVB Patient (*.UVB *.uvb)"));
  dialog.setDefaultSuffix(QStringLiteral("UVB"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);  // several files: this dialog only serves imports
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

// Waits without blocking the window: repaints, clicks and keys are handled meanwhile.
void pauseResponsive(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// While a file is imported: AppState 3 (handlers write nothing and the plan is not computed) and
// MEDImport set; both get their earlier values back on every path out.
class ImportingFile {
 public:
  explicit ImportingFile(dosing::DosingSession& dosing)
      : mode_(ImportMode), dosing_(dosing), savedMedImport_(dosing.MEDImport) {
    dosing.MEDImport = true;
  }
  ~ImportingFile() { dosing_.MEDImport = savedMedImport_; }
  ImportingFile(const ImportingFile&) = delete;
  ImportingFile& operator=(const ImportingFile&) = delete;

 private:
  AppStateGuard mode_;
  dosing::DosingSession& dosing_;
  bool savedMedImport_;
};

// "Load Data" cannot start a second batch inside the pauses of the first.
class ButtonOff {
 public:
  explicit ButtonOff(QPushButton* button) : button_(button) { button_->setEnabled(false); }
  ~ButtonOff() { button_->setEnabled(true); }
  ButtonOff(const ButtonOff&) = delete;
  ButtonOff& operator=(const ButtonOff&) = delete;

 private:
  QPushButton* button_;
};

}  // namespace

namespace records {
void setLegacyFileChooser(LegacyFileChooser chooser) { chooserHook() = std::move(chooser); }
}  // namespace records

void TForm1::connectImportHandlers() {
  connect(BtnLoadALL, &QPushButton::clicked, this, [this] { BtnLoadALLClick(); });
}

void TForm1::BtnLoadALLClick() {
  if (!DataPatient || !DataPatient->connected()) {
    dialogs::error(this, "No patient database is connected, so nothing can be imported. Set the database "
                         "directory on the About tab (hold Ctrl while double-clicking it to keep it) and start "
                         "the program again.");
    return;
  }
  // An open course would be left in patient mode with the imported rows current, where the next
  // edit would write to them: the import starts from the list, as "List" leaves it.
  if (AppState == PatientMode) BtnClearClick();
  PanDetails->setVisible(false);
  PanDataBase->setVisible(true);
  PageControl1->setCurrentWidget(TabClinical);

  const QStringList paths = chooserHook() ? chooserHook()(this) : chooseWithDialog(this);
  if (paths.isEmpty()) return;  // cancelled: nothing is imported

  const ButtonOff noSecondBatch(BtnLoadALL);
  const int n = static_cast<int>(paths.size());
  ImportProgress->setRange(0, n);
  ImportProgress->setValue(0);
  ImportProgress->setVisible(true);
  int imported = 0;
  int skipped = 0;
  for (int i = 0; i < n; ++i) {
    pauseResponsive(kPauseMs);
    if (AppState == QuietMode) {  // the window is closing: the rest of the files stay unread
      Memo2->appendPlainText(QStringLiteral("Import stopped: the window was closed before %1 of the files were read.")
                                 .arg(n - i));
      break;
    }
    Memo2->appendPlainText(records::legacyFileLine(paths[i], i));
    try {
      if (ImportOld(paths[i])) {
        ++imported;
      } else {
        ++skipped;
      }
    } catch (const std::exception& e) {  // never expected: the import reports its own failures
      ++skipped;
      Memo2->appendPlainText(QStringLiteral("   ") + QString::fromUtf8(e.what()));
    }
    ImportProgress->setValue(i + 1);
    QCoreApplication::processEvents();  // the log and the patient list repaint between files
  }
  Memo2->appendPlainText(records::legacySummaryLine(imported, skipped));
  // The batch ends where its log and summary are read; the patient list stays on the Clinical tab.
  PageControl1->setCurrentWidget(TabImport);
}

bool TForm1::ImportOld(const QString& path) {
  const ImportingFile importing(Dosing);
  records::LegacyImport im = records::checkLegacyFile(path);
  if (im.status == records::LegacyImport::Status::Checked) {
    // Only a file that passed its checks empties the window: a skipped one leaves the previous
    // patient shown.
    EdSecond->clear();
    Clear();
    records::storeLegacyImport(*DataPatient, im);
  }
  if (!im.imported()) {
    Memo2->appendPlainText(records::legacySkipLine(im));
    return false;
  }

  const records::LegacyPatient& file = im.file;
  EdFirst->setText(im.names.first);
  EdSurname->setText(im.names.surname);
  if (std::isfinite(file.modified)) {
    DateAssess->setBlank(false);
    DateAssess->setDateTime(datetime::toQDateTime(file.modified));
  }
  EdAge->setText(file.age);
  {
    const QSignalBlocker once(ComSkinType);  // ComSkinTypeChange runs once, below
    ComSkinType->setCurrentIndex(file.skinType - 1);
  }
  // As if the user had left the age box and chosen the skin type: the estimate and the default
  // increments are shown; in import mode nothing is written.
  EdAgeExit();
  ComSkinTypeChange();
  for (int row = 1; row <= kTreatments; ++row) {
    StringGrid1->setCell(4, row, fmt::D(file.increments[static_cast<std::size_t>(row - 1)]));
  }
  {
    const QSignalBlocker noPlan(DBEdMED);  // the plan is not computed for an imported course
    DBEdMED->setText(file.med);
  }
  Label5->setText(EdFirst->text() + " " + EdSecond->text() + " " + EdSurname->text());
  return true;
}
