#pragma once
// The preview of a prepared report: the pages as they will print, with page navigation, zoom,
// find, a list of the pages, printing (with the printer dialog and page setup), export to PDF
// (asking where, proposing the NHI's name; or quickly, beside the last exported file), and save
// and open of the prepared report in a file of its own, which opens again with no course open.
//
// Every command shows its own errors in a box that names the file and the reason; nothing is
// thrown out of it.

#include <QMainWindow>
#include <QPrinter>
#include <memory>

#include "report/DisplayList.h"
#include "report/TextSearch.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QDockWidget;
class QSpinBox;

namespace ui {

class PageView;

class ReportPreview : public QMainWindow {
  Q_OBJECT

 public:
  explicit ReportPreview(QWidget* parent = nullptr);
  ~ReportPreview() override;

  void setReport(report::PreparedReport report);
  const report::PreparedReport& report() const { return report_; }
  PageView* pages() const { return view_; }
  QPrinter& printer() { return printer_; }

  // The toolbar's commands.
  void print();  // the printer dialog, then the pages chosen
  void pageSetup();
  void exportPdf();    // asks where, proposing the report's name in the last export's folder
  void quickExport();  // beside the last exported file without asking (the first time: asks)
  void openReport();
  void saveReport();
  void goToPage(int page);  // from 0
  void setZoom(double zoom);
  void find(const QString& text);
  void findNext();
  void findPrevious();

  // The commands' work without their dialogs. False after the error has been shown.
  bool printTo(QPrinter& printer);
  bool exportPdfTo(const QString& path);
  bool saveReportTo(const QString& path);
  bool openReportFrom(const QString& path);
  // A prepared report file chosen in the open dialog; empty when none was chosen.
  QString chooseReportFile();

  // Where the export dialog opens: the report's own name ("<NHI>.pdf") in the folder of the last
  // exported file (or the documents folder).
  QString proposedPdfPath() const;
  // The last PDF file exported while the program runs; empty before the first.
  static QString lastExportedFile();
  static void forgetLastExport();

  int hitCount() const { return static_cast<int>(hits_.size()); }
  int currentHit() const { return currentHit_; }

 signals:
  void exported(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildActions();
  void showReport();
  void pageShown(int page);
  void zoomShown(double zoom);
  void zoomChosen(const QString& text);
  void showHit(int index);
  // Runs a command; an error it raises is shown in the error box after `failure` (what did not
  // happen), and a cancelled command is said to have stopped.
  bool guarded(const QString& failure, const std::function<void()>& command);

  report::PreparedReport report_;
  PageView* view_ = nullptr;
  QPrinter printer_;
  QSpinBox* pageNumber_ = nullptr;
  QLabel* pageTotal_ = nullptr;
  QComboBox* zoom_ = nullptr;
  QLineEdit* findText_ = nullptr;
  QLabel* findStatus_ = nullptr;
  QDockWidget* outlineDock_ = nullptr;
  QListWidget* outline_ = nullptr;
  QLabel* pageStatus_ = nullptr;
  QString searched_;
  std::vector<report::TextHit> hits_;
  int currentHit_ = -1;
  bool shownBefore_ = false;
};

}  // namespace ui
