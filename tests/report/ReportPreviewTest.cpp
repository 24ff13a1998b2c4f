// The preview window: moving through the pages, zoom, find, the list of pages, export, printing,
// and a prepared report saved and opened again with no course open.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>

#include "PdfSupport.h"
#include "ReportFixtures.h"
#include "report/PainterRenderer.h"
#include "report/ReportFile.h"
#include "report/TreatmentReport.h"
#include "support/FileModes.h"
#include "ui/Dialogs.h"
#include "ui/report/PageView.h"
#include "ui/report/ReportPreview.h"

using report_fixtures::sampleInput;
using ui::ReportPreview;

namespace {

// A preview of the sample course with `photographs` photographs; message boxes are collected.
struct Preview {
  explicit Preview(int photographs = 7) {
    dialogs::setHook([this](const dialogs::Box& box) {
      boxes.push_back(box);
      return QMessageBox::Ok;
    });
    ReportPreview::forgetLastExport();
    window.setReport(report::prepareTreatmentReport(sampleInput(photographs)));
    window.resize(1000, 700);
    window.show();
  }
  ~Preview() { dialogs::setHook({}); }

  template <typename T>
  T* child(const char* name) {
    T* w = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
  }
  void trigger(const char* action) { child<QAction>(action)->trigger(); }
  int page() { return window.pages()->currentPage(); }

  ReportPreview window;
  std::vector<dialogs::Box> boxes;
};

}  // namespace

TEST(ReportPreview, MovesThroughThePagesByButtonsNumberAndList) {
  Preview p;  // seven photographs: the summary and two pages of photographs
  auto* number = p.child<QSpinBox>("ReportPageNumber");
  auto* outline = p.child<QListWidget>("ReportOutline");
  ASSERT_EQ(outline->count(), 3);
  EXPECT_EQ(outline->item(0)->text(), "1   Summary");
  EXPECT_EQ(outline->item(2)->text(), "3   Photographs");
  EXPECT_EQ(p.page(), 0);

  p.trigger("ActionNextPage");
  EXPECT_EQ(p.page(), 1);
  EXPECT_EQ(number->value(), 2);
  EXPECT_EQ(outline->currentRow(), 1);
  p.trigger("ActionLastPage");
  EXPECT_EQ(p.page(), 2);
  p.trigger("ActionNextPage");  // stays on the last page
  EXPECT_EQ(p.page(), 2);
  p.trigger("ActionFirstPage");
  EXPECT_EQ(p.page(), 0);
  number->setValue(3);
  EXPECT_EQ(p.page(), 2);
  outline->setCurrentRow(1);
  EXPECT_EQ(p.page(), 1);
  EXPECT_EQ(number->value(), 2);
}

TEST(ReportPreview, ZoomsInStepsToTheWidthAndToAWholePage) {
  Preview p;
  ui::PageView* view = p.window.pages();
  auto* zoom = p.child<QComboBox>("ReportZoom");
  p.window.setZoom(1.0);
  p.trigger("ActionZoomIn");
  EXPECT_DOUBLE_EQ(view->zoom(), 1.25);
  EXPECT_EQ(zoom->currentText(), "125 %");
  p.trigger("ActionZoomOut");
  p.trigger("ActionZoomOut");
  EXPECT_DOUBLE_EQ(view->zoom(), 0.75);

  zoom->textActivated("Page width");
  const QRectF page = view->pageRect(0);
  EXPECT_NEAR(page.width(), view->viewport()->width() - 24 - view->verticalScrollBar()->sizeHint().width(), 2);
  zoom->textActivated("Whole page");
  EXPECT_LE(view->pageRect(0).height(), view->viewport()->height());
  zoom->setEditText("200");
  zoom->textActivated("200");
  EXPECT_DOUBLE_EQ(view->zoom(), 2.0);
  EXPECT_EQ(zoom->currentText(), "200 %");
}

TEST(ReportPreview, FindsTextOnEveryPageAndMarksIt) {
  Preview p;
  auto* status = p.child<QLabel>("ReportFindStatus");
  p.window.find("ELBOW");  // letter case does not matter
  ASSERT_EQ(p.window.hitCount(), 7);
  EXPECT_EQ(status->text(), "1 of 7");
  EXPECT_EQ(p.page(), 1);
  for (int i = 0; i < 6; ++i) p.window.findNext();
  EXPECT_EQ(p.page(), 2);  // the seventh photograph is on the third page
  p.window.findNext();
  EXPECT_EQ(p.window.currentHit(), 0);  // round to the first again
  p.window.findPrevious();
  EXPECT_EQ(p.window.currentHit(), 6);

  // The place found is marked on the page shown.
  p.window.find("Whitfield");
  p.window.goToPage(0);
  p.window.find("Whitfield");
  const QImage shown = p.window.pages()->viewport()->grab().toImage();
  const report::TextHit& hit = report::findText(p.window.report(), "Whitfield").front();
  const QRectF page = p.window.pages()->pageRect(0).translated(-p.window.pages()->horizontalScrollBar()->value(),
                                                               -p.window.pages()->verticalScrollBar()->value());
  const double ppm = p.window.pages()->zoom() * p.window.pages()->logicalDpiX() / 25.4;
  const QPointF corner = page.topLeft() + hit.area.boundingRect().topLeft() * ppm + QPointF(1, 1);
  const QColor marked = shown.pixelColor(corner.toPoint());
  EXPECT_GT(marked.red(), 200);
  EXPECT_LT(marked.blue(), 200) << "not marked: " << marked.name().toStdString();

  p.window.find("no such words");
  EXPECT_EQ(p.window.hitCount(), 0);
  EXPECT_EQ(status->text(), "Not found");
}

TEST(ReportPreview, ExportsThePdfUnderTheNhiAndQuickExportsBesideIt) {
  Preview p(1);
  QTemporaryDir dir;
  EXPECT_TRUE(p.window.proposedPdfPath().endsWith("/ABC1234.pdf"));
  const QString first = dir.filePath("ABC1234.pdf");
  ASSERT_TRUE(p.window.exportPdfTo(first));
  EXPECT_EQ(ReportPreview::lastExportedFile(), first);
  const pdf_support::WrittenPdf check(p.window.report());  // what the export should hold
  EXPECT_EQ(pdf_support::poppler("pdftotext", {}, first), check.text());

  // The next patient's report: the dialog proposes its name in the same folder, and a quick export
  // writes it there without asking, over a file already there.
  report::ReportInput other = sampleInput();
  other.nhi = "XYZ9876";
  p.window.setReport(report::prepareTreatmentReport(other));
  EXPECT_EQ(p.window.proposedPdfPath(), dir.filePath("XYZ9876.pdf"));
  QFile stale(dir.filePath("XYZ9876.pdf"));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write("stale");
  stale.close();
  p.trigger("ActionQuickExport");
  EXPECT_TRUE(p.boxes.empty());
  EXPECT_TRUE(pdf_support::poppler("pdftotext", {}, dir.filePath("XYZ9876.pdf")).contains("XYZ9876"));
  EXPECT_EQ(ReportPreview::lastExportedFile(), dir.filePath("XYZ9876.pdf"));
}

TEST(ReportPreview, AnExportThatFailsSaysWhereAndWhy) {
  Preview p(0);
  QTemporaryDir dir;
  const QString path = dir.filePath("gone/ABC1234.pdf");
  EXPECT_FALSE(p.window.exportPdfTo(path));
  ASSERT_EQ(p.boxes.size(), 1u);
  EXPECT_TRUE(p.boxes[0].text.startsWith("The report could not be exported to PDF.")) << p.boxes[0].text.toStdString();
  EXPECT_TRUE(p.boxes[0].text.contains(path)) << p.boxes[0].text.toStdString();
  EXPECT_TRUE(p.boxes[0].text.contains("No such file or directory")) << p.boxes[0].text.toStdString();
  EXPECT_TRUE(ReportPreview::lastExportedFile().isEmpty());
}

TEST(ReportPreview, PrintsEveryPageOrTheRangeChosen) {
  Preview p(3);
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("printed.pdf"));
  ASSERT_TRUE(p.window.printTo(printer));
  const QString info = pdf_support::poppler("pdfinfo", {}, dir.filePath("printed.pdf"));
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+84[12][.\\d]* x 595[.\\d]* pts"))) << info.toStdString();
  const QString text = pdf_support::poppler("pdftotext", {}, dir.filePath("printed.pdf"));
  EXPECT_TRUE(text.contains("Whitfield"));
  EXPECT_TRUE(text.contains("Elbow, week 3"));

  QPrinter second(QPrinter::HighResolution);
  second.setOutputFormat(QPrinter::PdfFormat);
  second.setOutputFileName(dir.filePath("second.pdf"));
  second.setPrintRange(QPrinter::PageRange);
  second.setFromTo(2, 2);
  ASSERT_TRUE(p.window.printTo(second));
  EXPECT_TRUE(
      pdf_support::poppler("pdfinfo", {}, dir.filePath("second.pdf")).contains(QRegularExpression("Pages:\\s+1\\n")));
  EXPECT_FALSE(pdf_support::poppler("pdftotext", {}, dir.filePath("second.pdf")).contains("CONSENT"));
}

TEST(ReportPreview, APreparedReportSavedOpensAgainInAPreviewOfItsOwn) {
  QTemporaryDir dir;
  const QString path = dir.filePath("ABC1234.hrep");
  std::vector<QImage> pages;
  {
    Preview p(3);
    ASSERT_TRUE(p.window.saveReportTo(path));
    for (const auto& page : p.window.report().pages) pages.push_back(report::renderPage(page, 50));
  }
  // No course, no window behind it: a preview and the file.
  dialogs::setHook([](const dialogs::Box&) { return QMessageBox::Ok; });
  ReportPreview reopened;
  ASSERT_TRUE(reopened.openReportFrom(path));
  EXPECT_EQ(reopened.windowTitle(), "NB UVB Treatment Report - ABC1234");
  ASSERT_EQ(reopened.report().pages.size(), pages.size());
  for (std::size_t i = 0; i < pages.size(); ++i)
    EXPECT_EQ(report::renderPage(reopened.report().pages[i], 50), pages[i]) << "page " << i + 1;
  EXPECT_TRUE(reopened.proposedPdfPath().endsWith("/ABC1234.pdf"));

  // A file that is not a prepared report is refused and the report shown stays.
  std::vector<dialogs::Box> boxes;
  dialogs::setHook([&](const dialogs::Box& box) {
    boxes.push_back(box);
    return QMessageBox::Ok;
  });
  QFile other(dir.filePath("notes.hrep"));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("some notes");
  other.close();
  EXPECT_FALSE(reopened.openReportFrom(other.fileName()));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.contains("notes.hrep"));
  EXPECT_EQ(reopened.report().pages.size(), pages.size());
  dialogs::setHook({});
}

TEST(ReportPreview, ExportsAndSavesFilesOnlyTheirOwnerMayRead) {
  Preview p(1);
  QTemporaryDir dir;
  const Umask mask(022);
  const QString pdf = dir.filePath("ABC1234.pdf");
  const QString saved = dir.filePath("ABC1234.hrep");
  ASSERT_TRUE(p.window.exportPdfTo(pdf));
  ASSERT_TRUE(p.window.saveReportTo(saved));
  p.trigger("ActionQuickExport");  // over the file just written
  for (const QString& path : {pdf, saved}) EXPECT_EQ(modeOf(path), 0600u) << path.toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"ABC1234.hrep", "ABC1234.pdf"}));
  EXPECT_TRUE(p.boxes.empty());
}

TEST(ReportPreview, AQuickExportOfAReceivedReportStaysInTheFolderTheUserChose) {
  QTemporaryDir dir;
  const QString chosen = dir.filePath("exports");
  ASSERT_TRUE(QDir().mkpath(chosen));
  // A report whose stored name points at the patient database beside the folder.
  report::PreparedReport received = report::prepareTreatmentReport(sampleInput(0));
  received.pdfFileName = QStringLiteral("../Brell_Data.db");
  const QString receivedFile = dir.filePath("received.hrep");
  report::saveReportFile(received, receivedFile);
  QFile database(dir.filePath("Brell_Data.db"));
  ASSERT_TRUE(database.open(QIODevice::WriteOnly));
  database.write("the department's records");
  database.close();

  Preview p(0);
  ASSERT_TRUE(p.window.exportPdfTo(QDir(chosen).filePath("ABC1234.pdf")));  // chosen in the export dialog
  ASSERT_TRUE(p.window.openReportFrom(receivedFile));
  EXPECT_EQ(p.window.proposedPdfPath(), QDir(chosen).filePath("___Brell_Data.db.pdf"));
  p.trigger("ActionQuickExport");
  EXPECT_TRUE(p.boxes.empty());
  EXPECT_TRUE(QFile::exists(QDir(chosen).filePath("___Brell_Data.db.pdf")));
  ASSERT_TRUE(database.open(QIODevice::ReadOnly));
  EXPECT_EQ(database.readAll(), "the department's records");
}

TEST(ReportPreview, TheLargestReportAllowedIsLaidOutWithinTheScrollBarsAtTheHighestZoom) {
  // As many of the largest pages as a prepared report may hold, at 800 %: the layout stays within
  // the scroll bars' whole numbers, and every page is where the one before it ends.
  report::PreparedReport largest;
  largest.pages.resize(report::kMostReportPages);
  for (report::PreparedPage& page : largest.pages)
    page.size = QSizeF(report::kLargestReportPageSide, report::kLargestReportPageSide);
  ui::PageView view;
  view.resize(800, 600);
  view.setReport(&largest);
  view.setZoom(8.0);
  EXPECT_GT(view.verticalScrollBar()->maximum(), 0);
  const int last = report::kMostReportPages - 1;
  EXPECT_DOUBLE_EQ(view.pageRect(last).top(), view.pageRect(last - 1).bottom() + 12);
  view.showPage(last);
  EXPECT_EQ(view.currentPage(), last);
  view.showPage(0);
  EXPECT_EQ(view.currentPage(), 0);
  EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}
