#pragma once
// "Print": the treatment report of the open course, prepared anew from what the window shows at
// each press, in the preview (from which it is printed or exported). Printing stores nothing of its
// own; afterwards the course's last photograph is the one shown on the Notes tab. A prepared report
// saved from the preview opens in it again at any time, a course open or not.
//
// The preview of a course's report follows the open course: "List", or opening another course,
// closes it, so that one patient's report is never printed or exported while another's is open.

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>
#include <utility>

#include "ui/report/ReportChart.h"
#include "ui/report/ReportPreview.h"

class QWidget;

namespace course {
class OpenCourse;
}

namespace ui {

class ReportPrinting : public QObject {
  Q_OBJECT
 public:
  // `window` is the main window: the preview opens over it.
  ReportPrinting(course::OpenCourse& course, QWidget* window);
  ~ReportPrinting() override;

  // The click of "Print". The window stores a note being typed before this runs.
  void print();
  // A prepared report saved earlier, chosen in a file dialog, in the preview: with or without a
  // course open.
  void openSavedReport();
  // The preview the last "Print" opened; null before the first.
  ReportPreview* preview() const { return preview_; }

 private:
  ReportPreview& previewWindow();
  void showPreview();
  void followCourse();

  course::OpenCourse& course_;
  QWidget* window_;
  ReportChart chart_;
  QPointer<ReportPreview> preview_;
  // The patient and course whose report the preview shows; none for a saved report.
  std::optional<std::pair<QString, int>> previewedCourse_;
};

}  // namespace ui
