#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "base/Settings.h"
#include "dosing/FactorFile.h"
#include "resources/Resources.h"
#include "ui/AboutTab.h"
#include "ui/Actions.h"
#include "ui/AssessmentPanel.h"
#include "ui/BodyDiagramPanel.h"
#include "ui/DepartmentAuditDialog.h"
#include "ui/Dialogs.h"
#include "ui/DisclaimerDialog.h"
#include "ui/EstimatePanel.h"
#include "ui/GraphTab.h"
#include "ui/HelpWindow.h"
#include "ui/ImportTab.h"
#include "ui/NotesTab.h"
#include "ui/ObjectNames.h"
#include "ui/PatientListPanel.h"
#include "ui/PatientLookupPanel.h"
#include "ui/SchedulePanel.h"
#include "ui/WidgetMaking.h"
#include "ui/report/ReportPrinting.h"
#include "ui/widgets/DemonstrationStrip.h"
#include "ui/widgets/ScheduleGrid.h"

namespace ui {

namespace {

QStringList localFiles(const QMimeData* mime) {
  QStringList paths;
  if (!mime || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

}  // namespace

MainWindow::MainWindow(course::OpenCourse& course, settings::DatabaseSetting& database, QString startDir,
                       Contents contents, QWidget* parent)
    : QWidget(parent),
      course_(course),
      actions_(new Actions(this)),
      disclaimerOnShow_(contents == Contents::Now),
      database_(database),
      startDir_(std::move(startDir)) {
  setObjectName(names::Form1);
  setWindowTitle("Halcyra - NB UVB MED Calculator");
  resize(1340, 700);
  if (const auto dir = settings::readDBDir()) database_.set(*dir);
  if (contents == Contents::Now) buildContents();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  disconnect(&course_, nullptr, this, nullptr);
  if (busy_) QApplication::restoreOverrideCursor();
}

void MainWindow::buildContents() {
  if (schedule_) return;
  buildLayout();
  disclaimer_ = new DisclaimerDialog(this);

  // Photographs dropped from a file manager, anywhere on the window; F1 wherever the focus is.
  setAcceptDrops(true);
  qApp->installEventFilter(this);

  about_->showCalibration(course_.factors());
  connect(&course_, &course::OpenCourse::changed, this, &MainWindow::refresh);
  // Advice of the plan ("Undeliverable treatment") waits for OK before the work goes on.
  connect(&course_, &course::OpenCourse::warning, this,
          [this](const QString& caption, const QString& text) { dialogs::warning(this, caption, text); });
  connect(&course_, &course::OpenCourse::listFailed, this, [this](const QString& message) {
    dialogs::error(this, message + QStringLiteral("\n\nThe program goes on without patient records."));
  });
  refresh(course::kAllParts);
  // Panels put into a window already on the screen are shown with it.
  if (isVisible()) {
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (!child->isWindow()) child->show();
  }
}

void MainWindow::buildLayout() {
  // Left: the schedule.
  schedule_ = new SchedulePanel(course_, *actions_);

  // Right: the top strip and the tabs.
  auto* right = make::panel(names::Panel2);
  auto* strip = make::panel(names::Panel3, QFrame::StyledPanel);
  strip->setFixedHeight(58);
  lookup_ = new PatientLookupPanel(course_, *actions_, this);
  printButton_ = make::named(new QPushButton("Print"), names::BtnPrint);
  printButton_->setIcon(QIcon(resources::buttonPicture("Print")));
  printButton_->setEnabled(false);
  // "Print": a note being typed goes with its own photograph before the report walks them.
  printing_ = new ReportPrinting(course_, this);
  actions_->on(printButton_, &QPushButton::clicked, [this] {
    notes_->storeTypedNote();
    printing_->print();
  });
  // Ctrl+O: a prepared report saved from the preview, opened again (a course open or not).
  auto* openReport = new QShortcut(QKeySequence::Open, this);
  actions_->on(openReport, &QShortcut::activated, [this] { printing_->openSavedReport(); });
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->addWidget(lookup_->patientName(), 3);
  stripLayout->addWidget(lookup_->lifetime(), 2);
  stripLayout->addWidget(printButton_);
  stripLayout->addWidget(lookup_->listButton());

  tabs_ = make::named(new QTabWidget, names::PageControl1);
  clinical_ = buildClinicalTab();
  notes_ = new NotesTab(course_, *actions_);
  graph_ = new GraphTab(course_);
  about_ = new AboutTab(*actions_, database_);
  import_ = new ImportTab(course_, *actions_);
  tabs_->addTab(clinical_, "Clincial");
  tabs_->addTab(notes_, "Notes");
  tabs_->addTab(graph_, "Graph");
  tabs_->addTab(about_, "About");
  tabs_->addTab(import_, "Bulk Import");
  // Every panel that shows the open course, refreshed in this order on each change.
  panels_ = {lookup_, estimate_, assessment_, schedule_, diagram_, notes_, graph_};
  connect(import_, &ImportTab::showPatientList, this, [this] { tabs_->setCurrentWidget(clinical_); });
  connect(import_, &ImportTab::showLog, this, [this] { tabs_->setCurrentWidget(import_); });
  connect(about_, &AboutTab::departmentAuditClicked, this,
          [this] { actions_->run([this] { openDepartmentAudit(); }); });

  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->setSpacing(2);
  rightLayout->addWidget(strip);
  rightLayout->addWidget(tabs_, 1);

  auto* splitter = make::named(new QSplitter(Qt::Horizontal), names::Splitter1);
  splitter->setHandleWidth(5);
  splitter->addWidget(schedule_);
  splitter->addWidget(right);
  splitter->setCollapsible(0, false);
  splitter->setCollapsible(1, false);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({440, 900});

  auto* whole = new QVBoxLayout(this);
  whole->setContentsMargins(0, 0, 0, 0);
  whole->setSpacing(0);
  // A demonstration calibration says so above everything, for as long as the program runs.
  if (course_.factors().Demonstration) whole->addWidget(new DemonstrationStrip);
  whole->addWidget(splitter, 1);
}

QWidget* MainWindow::buildClinicalTab() {
  auto* tab = make::named(new QWidget, names::TabClinical);
  estimate_ = new EstimatePanel(course_, *actions_, this);
  diagram_ = new BodyDiagramPanel(course_, *actions_);
  assessment_ = new AssessmentPanel(course_, *actions_, *estimate_, *diagram_);
  patientList_ = new PatientListPanel(course_, *actions_);

  // The top strip: names and NHI, the selection, and the particulars while a course is open.
  auto* top = make::panel(names::Panel9, QFrame::StyledPanel);
  auto* topLayout = new QHBoxLayout(top);
  topLayout->setContentsMargins(2, 2, 2, 2);
  topLayout->addWidget(lookup_->namesBox());
  topLayout->addWidget(lookup_->selectionBox());
  topLayout->addWidget(assessment_->particulars(), 1);
  topLayout->addStretch(0);

  auto* v = new QVBoxLayout(tab);
  v->setContentsMargins(2, 2, 2, 2);
  v->setSpacing(2);
  v->addWidget(top);
  v->addWidget(patientList_, 1);
  v->addWidget(assessment_, 1);
  return tab;
}

void MainWindow::refresh(course::Parts parts) {
  for (CourseView* panel : panels_) panel->refresh(parts);
  // List mode shows the patient list; an open course its assessment and particulars.
  const course::Mode mode = course_.mode();
  const bool open = mode == course::Mode::Patient || mode == course::Mode::Loading;
  patientList_->setVisible(!open);
  assessment_->setVisible(open);
  assessment_->particulars()->setVisible(open);
  if (shown_) showNotesTab(course_.photographsShown());
  printButton_->setEnabled(course_.printable());
  if (parts & course::Part::Mode) moveKeyboardWith(course_.mode());
  // The patient list may take a moment on a large department: the pointer says so meanwhile.
  if (course_.readingList() != busy_) {
    busy_ = course_.readingList();
    if (busy_)
      QApplication::setOverrideCursor(Qt::BusyCursor);
    else
      QApplication::restoreOverrideCursor();
  }
}

// ---------------------------------------------------------------------------------------------
// Start and close

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (schedule_) showNotesTab(false);
  // The disclaimer comes once the window is on screen behind it.
  if (disclaimerOnShow_) showDisclaimerSoon();
}

void MainWindow::showNotesTab(bool shown) {
  // A hidden tab is disabled as well: Ctrl+Tab and the tab bar's keys skip disabled tabs only.
  const int notes = tabs_->indexOf(notes_);
  tabs_->setTabVisible(notes, shown);
  tabs_->setTabEnabled(notes, shown);
}

void MainWindow::showDisclaimerSoon() {
  QMetaObject::invokeMethod(this, &MainWindow::showDisclaimer, Qt::QueuedConnection);
}

void MainWindow::showDisclaimer() {
  buildContents();
  if (disclaimer_->exec() == DisclaimerDialog::Declined) {
    close();
    return;
  }
  // The first thing done is finding a patient: the keyboard is there, in this window.
  activateWindow();
  lookup_->nhiBox()->setFocus(Qt::OtherFocusReason);
}

void MainWindow::moveKeyboardWith(course::Mode mode) {
  if (mode == shownMode_) return;
  const course::Mode before = shownMode_;
  shownMode_ = mode;
  // Only the keyboard of this window moves: a dialog or another window keeps its own.
  const QWidget* focus = QApplication::focusWidget();
  if (focus && focus->window() != this) return;
  if (mode == course::Mode::List && before == course::Mode::Patient) {
    lookup_->nhiBox()->setFocus(Qt::OtherFocusReason);  // back to the search
  } else if (mode == course::Mode::Patient) {
    // A course with a plan goes on with its next treatment; a new one starts with the skin type.
    if (schedule_->grid()->isEnabled())
      schedule_->focusNextTreatment();
    else
      estimate_->skinType()->setFocus(Qt::OtherFocusReason);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A treatment being recorded is finished or abandoned in its own dialog first.
  if (course_.recording()) {
    event->ignore();
    dialogs::information(this, windowTitle(),
                         QStringLiteral("A treatment is being recorded. Close the \"Patient Condition\" dialog "
                                        "with Update, Undo or Clear before closing the program."));
    return;
  }
  // What is being typed is stored as if its field were left.
  actions_->leaveFocused();
  if (course_.hasPendingChanges()) {
    const QString question = QStringLiteral(
                                 "The database has not stored %1.\n\nClose the program all the same? "
                                 "What was not stored is then lost. Choose No to keep the window "
                                 "open and try again in a moment.")
                                 .arg(course_.pendingChanges());
    if (!dialogs::askYesNo(this, QStringLiteral("Not stored"), question)) {
      event->ignore();
      return;
    }
  }
  course_.close();  // from now on nothing the closing window does is stored
  if (helpWindow_) helpWindow_->close();
  QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Help

QString MainWindow::helpTopic(int tabIndex) {
  static const char* topics[] = {"::Clinical.htm", "::Notes.htm", "::Chart.htm", "::About.htm", "::Import.htm"};
  if (tabIndex < 0 || tabIndex >= static_cast<int>(std::size(topics))) return QStringLiteral("::Clinical.htm");
  return QString::fromLatin1(topics[tabIndex]);
}

void MainWindow::openDepartmentAudit() {
  if (auditDialog_) {
    auditDialog_->show();
    auditDialog_->raise();
    auditDialog_->activateWindow();
    return;
  }
  if (!course_.data().connected()) {
    throw course::Error(
        "The department audit reads the patient database, and none is open: set the database "
        "directory on the About tab and start the program again.");
  }
  // Its own connection to the same store, with the same login; the calibration the program started with.
  auto* dialog = new DepartmentAuditDialog(
      course_.data().connection.login(), QDir(startDir_).absoluteFilePath(QString::fromLatin1(dosing::kFactorFileName)),
      settings::readLifetimeReviewThreshold(), QDate::currentDate(), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  auditDialog_ = dialog;
  dialog->show();
}

void MainWindow::showHelp() {
  // The help file is found in the start-up directory, whatever a file dialog made current since.
  const QString previous = QDir::currentPath();
  if (!QDir::setCurrent(startDir_)) {
    throw course::Error("Help cannot be shown: the start-up directory \"" + QDir::toNativeSeparators(startDir_) +
                        "\" no longer exists or cannot be entered.");
  }
  struct Back {
    QString dir;
    ~Back() { QDir::setCurrent(dir); }
  } back{previous};
  const QString fileAndTopic = kHelpFile + helpTopic(tabs_->currentIndex());
  if (helpViewer_)
    helpViewer_(fileAndTopic);
  else
    helpWindow_ = HelpWindow::showTopic(fileAndTopic, helpWindow_);
}

// ---------------------------------------------------------------------------------------------
// Events of the whole window

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return QWidget::eventFilter(watched, event);
  if (type == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
      actions_->run([this] { showHelp(); });
      return true;
    }
  }
  // Files dropped on a box that takes text drops of its own (the note, the name boxes) are
  // photographs for the window all the same, not text to paste.
  if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) && widget != this) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (localFiles(drop->mimeData()).isEmpty()) return QWidget::eventFilter(watched, event);
    if (type == QEvent::Drop)
      dropEvent(drop);
    else if (acceptsDrop(drop))
      drop->acceptProposedAction();
    else
      drop->ignore();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool MainWindow::acceptsDrop(const QDropEvent* event) const {
  return course_.canRecord() && !localFiles(event->mimeData()).isEmpty();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (acceptsDrop(event))
    event->acceptProposedAction();
  else
    event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList paths = localFiles(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  takeDroppedFiles(paths);
}

void MainWindow::takeDroppedFiles(const QStringList& paths) {
  // Added once the drop is over, so that the file manager that sent them is not kept waiting
  // while pictures are decoded or a box is open.
  QMetaObject::invokeMethod(
      this, [this, paths] { actions_->run([this, paths] { addDroppedFiles(paths); }); }, Qt::QueuedConnection);
}

void MainWindow::addDroppedFiles(const QStringList& paths) {
  // Names other than .JPG or .JPEG, and every file while no course is open, are passed over
  // without a word; a file that cannot be added does not stop the others. A note being typed is
  // stored with its own photograph first.
  notes_->storeTypedNote();
  const course::DroppedFiles drop = course_.addPhotographs(paths);
  if (drop.failures.isEmpty()) return;
  QString text = drop.failures.size() == 1
                     ? QStringLiteral("A dropped file was not added as a photograph:\n\n")
                     : QStringLiteral("%1 dropped files were not added as photographs:\n\n").arg(drop.failures.size());
  text += drop.failures.join(QStringLiteral("\n\n"));
  text += QStringLiteral("\n\nCheck that the file is a complete JPEG photograph and drop it again.");
  if (drop.added > 0) {
    text += QStringLiteral(" The other %1 photograph%2 of the drop %3 added.")
                .arg(drop.added)
                .arg(drop.added == 1 ? "" : "s", drop.added == 1 ? "was" : "were");
  }
  showError(this, text);
}

}  // namespace ui
