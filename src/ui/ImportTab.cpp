#include "ui/ImportTab.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "records/LegacyImport.h"
#include "ui/Actions.h"
#include "ui/LegacyFileChooser.h"
#include "ui/ObjectNames.h"
#include "ui/WidgetMaking.h"

namespace ui {

namespace {

// The pause between two files, during which the window keeps handling the user's input.
constexpr int kPauseMs = 50;

LegacyFileChooser& chooserHook() {
  static LegacyFileChooser hook;
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

void setLegacyFileChooser(LegacyFileChooser chooser) { chooserHook() = std::move(chooser); }

ImportTab::ImportTab(course::OpenCourse& course, Actions& actions, QWidget* parent)
    : QWidget(parent), course_(course), actions_(actions) {
  setObjectName(names::TabImport);
  loadButton_ = make::named(new QPushButton("Load Data", this), names::BtnLoadALL);
  loadButton_->setGeometry(16, 16, 75, 25);
  progress_ = make::named(new QProgressBar(this), names::ImportProgress);
  progress_->setGeometry(100, 18, 421, 21);
  progress_->setAccessibleName("Import progress");
  progress_->setFormat("%v of %m files");
  progress_->setVisible(false);
  log_ = make::input(new QPlainTextEdit(this), names::Memo2, "Import log");
  log_->setGeometry(16, 47, 505, 505);
  log_->setReadOnly(true);
  actions_.on(loadButton_, &QPushButton::clicked, [this] { loadData(); });
  connect(&course_, &course::OpenCourse::logLine, log_, &QPlainTextEdit::appendPlainText);
}

void ImportTab::loadData() {
  if (!course_.connected()) {
    throw course::Error(QStringLiteral(
        "No patient database is connected, so nothing can be imported. Set the database directory on the About "
        "tab (hold Ctrl while double-clicking it to keep it) and start the program again."));
  }
  // An open course would be left open with the imported rows current, where the next edit would
  // write to them: the import starts from the list, as "List" leaves it.
  if (course_.mode() != course::Mode::List) course_.returnToList();
  emit showPatientList();

  const QStringList paths = chooserHook() ? chooserHook()(this) : chooseWithDialog(this);
  if (paths.isEmpty()) return;  // cancelled: nothing is imported

  const ButtonOff noSecondBatch(loadButton_);
  // The whole batch, pauses included, is an import: Select and the search wait for its end.
  const course::OpenCourse::ModeScope importing = course_.holdMode(course::Mode::Import);
  const int n = static_cast<int>(paths.size());
  progress_->setRange(0, n);
  progress_->setValue(0);
  progress_->setVisible(true);
  int imported = 0;
  int skipped = 0;
  for (int i = 0; i < n; ++i) {
    pauseResponsive(kPauseMs);
    if (course_.mode() == course::Mode::Quiet) {  // the window is closing: the rest stay unread
      log_->appendPlainText(
          QStringLiteral("Import stopped: the window was closed before %1 of the files were read.").arg(n - i));
      return;
    }
    log_->appendPlainText(records::legacyFileLine(paths[i], i));
    try {
      const records::LegacyImport result = course_.importFile(paths[i]);
      if (result.imported()) {
        ++imported;
      } else {
        ++skipped;
        log_->appendPlainText(records::legacySkipLine(result));
      }
    } catch (const std::exception& e) {  // the connection itself failed: this file is not imported
      ++skipped;
      log_->appendPlainText(QStringLiteral("   ") + describe(e));
    }
    progress_->setValue(i + 1);
    QCoreApplication::processEvents();  // the log and the patient list repaint between files
  }
  log_->appendPlainText(records::legacySummaryLine(imported, skipped));
  // The batch ends where its log and summary are read; the patient list stays on the Clinical tab.
  emit showLog();
}

}  // namespace ui
