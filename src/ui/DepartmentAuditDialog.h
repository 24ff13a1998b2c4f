#pragma once
// "Department audit...": the department's audit of a period in a window of its own. The period
// (the last 12 months by default) is chosen with two date pickers; the figures are worked out on a
// thread of their own through a connection of their own (audit::AuditRunner), page by page, so
// the main window answers and the store stays free for the workstations meanwhile; a progress bar
// with Cancel shows how far the reading is. The figures, the burn figures by skin type, the two
// charts, the grade III burns and the patients due a lifetime review are shown as the tool prints
// them and the PDF prints them, in the user's writing of numbers; Export PDF... and Export CSV...
// write the figures shown.
//
// The dialog is not modal: the main window may be used while it is open.

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

#include "audit/AuditPeriod.h"
#include "audit/DepartmentAudit.h"
#include "records/Connection.h"

class QChartView;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace audit {
class AuditRunner;
struct BarChart;
}  // namespace audit

namespace ui {

class Actions;
class DatePicker;

class DepartmentAuditDialog : public QDialog {
  Q_OBJECT
 public:
  // `login` reaches the store the window works on; `calibration` names the dose factor file the
  // program started with (printed on the PDF); `threshold` is the department's review threshold
  // (nothing when none is set). Starts working out the last 12 months up to `today` at once.
  DepartmentAuditDialog(records::Connection::Login login, const QString& calibration, std::optional<int> threshold,
                        const QDate& today, QWidget* parent = nullptr);
  ~DepartmentAuditDialog() override;

  audit::Period period() const;
  void setPeriod(const audit::Period& period);
  // Works out the figures of the period the pickers show, cancelling a reading still under way.
  void workOut();
  // Stops the reading under way; the figures shown before stay.
  void cancel();
  bool working() const { return runner_ != nullptr; }
  // The figures shown; nothing before the first reading ended.
  const std::optional<audit::Figures>& figures() const { return figures_; }

  // Write the figures shown (the export buttons ask for the file first). Raise an exception
  // naming the file and the reason when it cannot be written.
  void exportPdfTo(const QString& path);
  void exportCsvTo(const QString& path);

 signals:
  // A reading ended: figures shown, cancelled, or refused (the reason in the status line and a box).
  void readingEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void readingFinished();
  void showFigures();
  void showChart(QChartView* view, const audit::BarChart& chart);
  void periodEdited();
  void setWorking(bool on);
  void exportPdf();
  void exportCsv();
  QString proposedPath(const QString& extension) const;

  records::Connection::Login login_;
  QString calibration_;
  std::optional<int> threshold_;
  Actions* actions_;
  DatePicker* from_;
  DatePicker* to_;
  QPushButton* workOut_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  QLabel* status_;
  QTabWidget* tabs_;
  QTableWidget* figureTable_;
  QTableWidget* skinTypeTable_;
  QChartView* burnChart_;
  QChartView* courseChart_;
  QTableWidget* gradeThreeTable_;
  QTableWidget* reviewTable_;
  QPushButton* exportPdf_;
  QPushButton* exportCsv_;
  std::unique_ptr<audit::AuditRunner> runner_;
  std::optional<audit::Figures> figures_;
  QString lastFolder_;
};

}  // namespace ui
