#include "ui/report/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <cmath>
#include <exception>
#include <functional>

#include "report/FileNames.h"
#include "report/PainterRenderer.h"
#include "report/PdfWriter.h"
#include "report/ReportFile.h"
#include "ui/Actions.h"
#include "ui/report/PageView.h"

namespace ui {

namespace {

QString& lastExport() {
  static QString path;
  return path;
}

const double kZoomSteps[] = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};
const QString kWholePage = QStringLiteral("Whole page");
const QString kPageWidth = QStringLiteral("Page width");

QString percent(double zoom) { return QStringLiteral("%1 %").arg(qRound(zoom * 100)); }

// Raised from a progress callback when the user cancels.
struct Cancelled {};

// Shows the progress of `total` steps while a command works, after a moment.
class Progress {
 public:
  Progress(QWidget* parent, const QString& label, int total)
      : dialog_(label, QStringLiteral("Cancel"), 0, total, parent) {
    dialog_.setWindowTitle(QStringLiteral("NB UVB Calculator"));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(250);
    dialog_.setAutoClose(false);
    dialog_.setValue(0);
  }
  // Moves on to step `done`; raises Cancelled when the user asked to stop.
  void step(int done) {
    dialog_.setValue(done);
    if (dialog_.wasCanceled()) throw Cancelled{};
  }

 private:
  QProgressDialog dialog_;
};

}  // namespace

// A window of its own always; with a parent (the main window) it closes with it.
ReportPreview::ReportPreview(QWidget* parent) : QMainWindow(parent, Qt::Window), printer_(QPrinter::HighResolution) {
  setObjectName(QStringLiteral("ReportPreview"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QStringLiteral("Report preview"));
  printer_.setFullPage(true);  // the pages carry their own margins
  printer_.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
  printer_.setDocName(QStringLiteral("NB UVB Treatment Report"));

  view_ = new PageView(this);
  setCentralWidget(view_);
  connect(view_, &PageView::currentPageChanged, this, &ReportPreview::pageShown);
  connect(view_, &PageView::zoomChanged, this, &ReportPreview::zoomShown);

  outline_ = new QListWidget;
  outline_->setObjectName(QStringLiteral("ReportOutline"));
  outline_->setAccessibleName(QStringLiteral("Pages"));
  connect(outline_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row != view_->currentPage()) view_->showPage(row);
  });
  outlineDock_ = new QDockWidget(QStringLiteral("Pages"), this);
  outlineDock_->setObjectName(QStringLiteral("ReportOutlineDock"));
  outlineDock_->setWidget(outline_);
  outlineDock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  addDockWidget(Qt::LeftDockWidgetArea, outlineDock_);
  outlineDock_->hide();

  pageStatus_ = new QLabel;
  statusBar()->addPermanentWidget(pageStatus_);
  buildActions();
  // Most of the screen, and no more than it.
  const QRect screen =
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect(0, 0, 1280, 800);
  resize(std::min(1200, screen.width() * 9 / 10), std::min(900, screen.height() * 9 / 10));
  showReport();
}

void ReportPreview::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Opened, it shows the pages as wide as the window.
  if (!shownBefore_) {
    shownBefore_ = true;
    setZoom(view_->pageWidthZoom());
  }
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::buildActions() {
  // Two rows: what to do with the report, and moving about in it.
  auto toolbar = [this](const char* name, const QString& title) {
    QToolBar* bar = addToolBar(title);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return bar;
  };
  QToolBar* bar = toolbar("ReportCommands", QStringLiteral("Report"));
  // An action of the window (its shortcut works anywhere in it), shown on the toolbar.
  auto add = [&](const char* name, const QString& text, const QKeySequence& key, std::function<void()> run,
                 QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) action->setShortcut(key);
    if (icon != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(icon));
    action->setToolTip(key.isEmpty() ? text
                                     : QStringLiteral("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText)));
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    addAction(action);
    bar->addAction(action);
    return action;
  };

  add("ActionPrint", QStringLiteral("Print..."), QKeySequence::Print, [this] { print(); });
  add("ActionPageSetup", QStringLiteral("Page Setup..."), {}, [this] { pageSetup(); });
  bar->addSeparator();
  add(
      "ActionExportPdf", QStringLiteral("Export PDF..."), QKeySequence(Qt::CTRL | Qt::Key_E), [this] { exportPdf(); },
      QStyle::SP_DialogSaveButton);
  add("ActionQuickExport", QStringLiteral("Quick Export"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
      [this] { quickExport(); });
  add(
      "ActionOpen", QStringLiteral("Open..."), QKeySequence::Open, [this] { openReport(); },
      QStyle::SP_DialogOpenButton);
  add("ActionSave", QStringLiteral("Save..."), QKeySequence::Save, [this] { saveReport(); });
  bar->addSeparator();
  QAction* outline = outlineDock_->toggleViewAction();
  outline->setObjectName(QStringLiteral("ActionOutline"));
  outline->setText(QStringLiteral("Pages"));
  outline->setToolTip(QStringLiteral("The list of pages"));
  bar->addAction(outline);
  bar->addSeparator();
  add(
      "ActionClose", QStringLiteral("Close"), QKeySequence(Qt::Key_Escape), [this] { close(); },
      QStyle::SP_DialogCloseButton);

  addToolBarBreak();
  bar = toolbar("ReportNavigation", QStringLiteral("Pages and find"));

  add(
      "ActionFirstPage", QStringLiteral("First"), QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { goToPage(0); },
      QStyle::SP_MediaSkipBackward);
  add(
      "ActionPreviousPage", QStringLiteral("Previous"), QKeySequence(Qt::Key_PageUp),
      [this] { goToPage(view_->currentPage() - 1); }, QStyle::SP_ArrowLeft);
  pageNumber_ = new QSpinBox;
  pageNumber_->setObjectName(QStringLiteral("ReportPageNumber"));
  pageNumber_->setAccessibleName(QStringLiteral("Page"));
  pageNumber_->setKeyboardTracking(false);
  connect(pageNumber_, &QSpinBox::valueChanged, this, [this](int n) { goToPage(n - 1); });
  bar->addWidget(pageNumber_);
  pageTotal_ = new QLabel;
  bar->addWidget(pageTotal_);
  add(
      "ActionNextPage", QStringLiteral("Next"), QKeySequence(Qt::Key_PageDown),
      [this] { goToPage(view_->currentPage() + 1); }, QStyle::SP_ArrowRight);
  add(
      "ActionLastPage", QStringLiteral("Last"), QKeySequence(Qt::CTRL | Qt::Key_End),
      [this] { goToPage(view_->pageCount() - 1); }, QStyle::SP_MediaSkipForward);
  bar->addSeparator();

  add("ActionZoomOut", QStringLiteral("Zoom Out"), QKeySequence::ZoomOut, [this] {
    double z = kZoomSteps[0];
    for (const double step : kZoomSteps)
      if (step < view_->zoom() - 1e-9) z = step;
    setZoom(z);
  });
  zoom_ = new QComboBox;
  zoom_->setObjectName(QStringLiteral("ReportZoom"));
  zoom_->setAccessibleName(QStringLiteral("Zoom"));
  zoom_->setEditable(true);
  zoom_->setInsertPolicy(QComboBox::NoInsert);
  zoom_->addItems({kWholePage, kPageWidth});
  for (const double step : kZoomSteps) zoom_->addItem(percent(step));
  zoom_->setMinimumContentsLength(10);
  connect(zoom_, &QComboBox::textActivated, this, &ReportPreview::zoomChosen);
  bar->addWidget(zoom_);
  add("ActionZoomIn", QStringLiteral("Zoom In"), QKeySequence::ZoomIn, [this] {
    double z = kZoomSteps[std::size(kZoomSteps) - 1];
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
      if (*it > view_->zoom() + 1e-9) z = *it;
    setZoom(z);
  });
  bar->addSeparator();

  findText_ = new QLineEdit;
  findText_->setObjectName(QStringLiteral("ReportFind"));
  findText_->setAccessibleName(QStringLiteral("Find"));
  findText_->setPlaceholderText(QStringLiteral("Find"));
  findText_->setClearButtonEnabled(true);
  findText_->setMaximumWidth(200);
  connect(findText_, &QLineEdit::returnPressed, this, [this] {
    if (findText_->text() == searched_ && !hits_.empty())
      findNext();
    else
      find(findText_->text());
  });
  bar->addWidget(findText_);
  auto* focusFind = new QAction(this);
  focusFind->setShortcut(QKeySequence::Find);
  connect(focusFind, &QAction::triggered, this, [this] {
    findText_->setFocus();
    findText_->selectAll();
  });
  addAction(focusFind);
  add("ActionFindNext", QStringLiteral("Next Match"), QKeySequence::FindNext, [this] { findNext(); });
  add("ActionFindPrevious", QStringLiteral("Previous Match"), QKeySequence::FindPrevious, [this] { findPrevious(); });
  findStatus_ = new QLabel;
  findStatus_->setObjectName(QStringLiteral("ReportFindStatus"));
  bar->addWidget(findStatus_);
}

void ReportPreview::setReport(report::PreparedReport report) {
  report_ = std::move(report);
  showReport();
}

void ReportPreview::showReport() {
  hits_.clear();
  currentHit_ = -1;
  searched_.clear();
  if (findStatus_) findStatus_->clear();
  view_->setReport(&report_);
  const int pages = static_cast<int>(report_.pages.size());
  {
    const QSignalBlocker block(pageNumber_);
    pageNumber_->setRange(pages ? 1 : 0, pages);
    pageNumber_->setValue(pages ? 1 : 0);
  }
  pageTotal_->setText(QStringLiteral(" of %1 ").arg(pages));
  {
    const QSignalBlocker block(outline_);
    outline_->clear();
    for (int p = 0; p < pages; ++p)
      outline_->addItem(QStringLiteral("%1   %2").arg(p + 1).arg(report_.pages[static_cast<std::size_t>(p)].title));
    outline_->setCurrentRow(pages ? 0 : -1);
  }
  QString name = report_.pdfFileName;
  if (name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) name.chop(4);
  setWindowTitle(name.isEmpty() ? QStringLiteral("NB UVB Treatment Report")
                                : QStringLiteral("NB UVB Treatment Report - %1").arg(name));
  for (QAction* a : actions())
    if (a->objectName() != u"ActionOpen" && a->objectName() != u"ActionClose" && a->objectName() != u"ActionOutline")
      a->setEnabled(pages > 0);
  pageShown(view_->currentPage());
  zoomShown(view_->zoom());
}

void ReportPreview::pageShown(int page) {
  const int pages = view_->pageCount();
  {
    const QSignalBlocker block(pageNumber_);
    pageNumber_->setValue(page + 1);
  }
  {
    const QSignalBlocker block(outline_);
    outline_->setCurrentRow(page);
  }
  pageStatus_->setText(pages ? QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages) : QStringLiteral("No pages"));
}

void ReportPreview::zoomShown(double zoom) {
  const QSignalBlocker block(zoom_);
  zoom_->setEditText(percent(zoom));
}

void ReportPreview::zoomChosen(const QString& text) {
  if (text == kWholePage) return setZoom(view_->wholePageZoom());
  if (text == kPageWidth) return setZoom(view_->pageWidthZoom());
  QString digits = text;
  digits.remove(QLatin1Char('%'));
  bool ok = false;
  const double value = digits.trimmed().toDouble(&ok);
  if (ok && value > 0)
    setZoom(value / 100.0);
  else
    zoomShown(view_->zoom());
}

void ReportPreview::setZoom(double zoom) {
  view_->setZoom(zoom);
  zoomShown(view_->zoom());
}

void ReportPreview::goToPage(int page) {
  if (!view_->pageCount()) return;
  view_->showPage(std::clamp(page, 0, view_->pageCount() - 1));
}

// ---- find

void ReportPreview::find(const QString& text) {
  if (findText_->text() != text) findText_->setText(text);
  searched_ = text;
  hits_ = report::findText(report_, text);
  if (hits_.empty()) {
    findStatus_->setText(text.isEmpty() ? QString() : QStringLiteral("Not found"));
    currentHit_ = -1;
    view_->setHits({}, -1);
    return;
  }
  // The first place at or after the page shown.
  int first = 0;
  for (int i = 0; i < static_cast<int>(hits_.size()); ++i)
    if (hits_[static_cast<std::size_t>(i)].page >= view_->currentPage()) {
      first = i;
      break;
    }
  showHit(first);
}

void ReportPreview::findNext() {
  if (hits_.empty()) return find(findText_->text());
  showHit((currentHit_ + 1) % hitCount());
}

void ReportPreview::findPrevious() {
  if (hits_.empty()) return find(findText_->text());
  showHit((currentHit_ - 1 + hitCount()) % hitCount());
}

void ReportPreview::showHit(int index) {
  currentHit_ = index;
  findStatus_->setText(QStringLiteral("%1 of %2").arg(index + 1).arg(hitCount()));
  const int page = hits_[static_cast<std::size_t>(index)].page;
  if (page != view_->currentPage()) view_->showPage(page);
  view_->setHits(hits_, index);
}

// ---- commands with files and the printer

bool ReportPreview::guarded(const QString& failure, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const Cancelled&) {
    statusBar()->showMessage(QStringLiteral("Stopped: nothing was finished."), 5000);
  } catch (const std::exception& e) {
    showError(this, failure + QStringLiteral("\n\n") + describe(e));
  } catch (...) {
    showError(this, failure);
  }
  return false;
}

void ReportPreview::print() {
  if (report_.pages.empty()) return;
  QPrintDialog dialog(&printer_, this);
  dialog.setWindowTitle(QStringLiteral("Print the report"));
  dialog.setMinMax(1, static_cast<int>(report_.pages.size()));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange);
  if (dialog.exec() != QDialog::Accepted) return;
  printTo(printer_);
}

bool ReportPreview::printTo(QPrinter& printer) {
  return guarded(QStringLiteral("The report could not be printed."), [&] {
    const int pages = static_cast<int>(report_.pages.size());
    int from = 0, to = pages - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
      from = std::clamp(printer.fromPage() - 1, 0, pages - 1);
      to = std::clamp(printer.toPage() - 1, from, pages - 1);
    }
    // A printer that cannot make copies itself is sent the pages as many times as asked.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    std::vector<int> sequence;
    for (int copy = 0; copy < copies; ++copy)
      for (int p = from; p <= to; ++p) sequence.push_back(p);
    Progress progress(this, QStringLiteral("Printing the report..."), static_cast<int>(sequence.size()));
    QPainter painter;
    for (std::size_t n = 0; n < sequence.size(); ++n) {
      const int p = sequence[n];
      const report::PreparedPage& page = report_.pages[static_cast<std::size_t>(p)];
      // Each page on paper turned its own way; a paper of another size takes it scaled down to fit.
      printer.setPageOrientation(page.size.width() > page.size.height() ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait);
      if (n == 0) {
        if (!painter.begin(&printer))
          throw std::runtime_error(
              QStringLiteral("The printer \"%1\" cannot be used.")
                  .arg(printer.printerName().isEmpty() ? printer.outputFileName() : printer.printerName())
                  .toStdString());
      } else if (!printer.newPage()) {
        throw std::runtime_error("The printer refused a new page.");
      }
      const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
      const double pixelsPerMm = std::min(paper.width() / page.size.width(), paper.height() / page.size.height());
      report::drawPage(painter, page, pixelsPerMm);
      progress.step(static_cast<int>(n) + 1);
    }
    painter.end();
    statusBar()->showMessage(QStringLiteral("The report went to the printer."), 5000);
  });
}

void ReportPreview::pageSetup() {
  QPageSetupDialog dialog(&printer_, this);
  dialog.exec();
}

QString ReportPreview::proposedPdfPath() const {
  const QString folder = lastExport().isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                                : QFileInfo(lastExport()).absolutePath();
  // Whatever name the report carries (one read from a prepared report's file may come from
  // anywhere), it names a PDF file in that folder and nothing else.
  return QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(report::plainPdfFileName(report_.pdfFileName));
}

QString ReportPreview::lastExportedFile() { return lastExport(); }
void ReportPreview::forgetLastExport() { lastExport().clear(); }

void ReportPreview::exportPdf() {
  if (report_.pages.empty()) return;
  // An existing file of that name is replaced without asking: the export proposes the patient's
  // own file name.
  const QString path =
      QFileDialog::getSaveFileName(this, QStringLiteral("Export the report to PDF"), proposedPdfPath(),
                                   QStringLiteral("PDF files (*.pdf)"), nullptr, QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return;
  exportPdfTo(path);
}

// Only into the folder of the last export, which the user chose in the export dialog in this
// session (a quick export stays in it).
void ReportPreview::quickExport() {
  if (report_.pages.empty()) return;
  if (lastExport().isEmpty()) return exportPdf();
  exportPdfTo(proposedPdfPath());
}

bool ReportPreview::exportPdfTo(const QString& path) {
  const bool done = guarded(QStringLiteral("The report could not be exported to PDF."), [&] {
    Progress progress(this, QStringLiteral("Exporting the report to PDF..."), static_cast<int>(report_.pages.size()));
    report::writePdf(report_, path, [&](int pagesDone, int) { progress.step(pagesDone); });
  });
  if (done) {
    lastExport() = QFileInfo(path).absoluteFilePath();
    statusBar()->showMessage(QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(lastExport())), 10000);
    emit exported(lastExport());
  }
  return done;
}

void ReportPreview::saveReport() {
  if (report_.pages.empty()) return;
  QString name = report::plainPdfFileName(report_.pdfFileName);
  name.chop(4);
  const QString proposed = QFileInfo(proposedPdfPath())
                               .absoluteDir()
                               .filePath(name + QLatin1Char('.') + QString::fromLatin1(report::kReportFileExtension));
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the prepared report"), proposed,
                                                    QString::fromLatin1(report::kReportFileFilter));
  if (path.isEmpty()) return;
  saveReportTo(path);
}

bool ReportPreview::saveReportTo(const QString& path) {
  const bool done = guarded(QStringLiteral("The prepared report could not be saved."),
                            [&] { report::saveReportFile(report_, path); });
  if (done) statusBar()->showMessage(QStringLiteral("Saved as %1").arg(QDir::toNativeSeparators(path)), 10000);
  return done;
}

QString ReportPreview::chooseReportFile() {
  return QFileDialog::getOpenFileName(isVisible() ? this : parentWidget(), QStringLiteral("Open a prepared report"),
                                      QFileInfo(proposedPdfPath()).absolutePath(),
                                      QString::fromLatin1(report::kReportFileFilter));
}

void ReportPreview::openReport() {
  const QString path = chooseReportFile();
  if (path.isEmpty()) return;
  openReportFrom(path);
}

bool ReportPreview::openReportFrom(const QString& path) {
  return guarded(QStringLiteral("The prepared report could not be opened."),
                 [&] { setReport(report::openReportFile(path)); });
}

}  // namespace ui
