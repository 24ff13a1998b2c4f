#include "ui/report/ReportPrinting.h"

#include <QDate>
#include <QLocale>
#include <QPainter>

#include "course/OpenCourse.h"
#include "report/CourseReport.h"
#include "report/TreatmentReport.h"
#include "ui/report/ReportPreview.h"

namespace ui {

ReportPrinting::ReportPrinting(course::OpenCourse& course, QWidget* window)
    : QObject(window), course_(course), window_(window) {
  connect(&course_, &course::OpenCourse::changed, this, [this](course::Parts parts) {
    if (parts & course::Part::Mode) followCourse();
  });
}

void ReportPrinting::followCourse() {
  if (!previewedCourse_ || course_.openCourseKey() == previewedCourse_) return;
  previewedCourse_.reset();
  if (preview_) preview_->close();
}

ReportPrinting::~ReportPrinting() = default;

void ReportPrinting::print() {
  if (!course_.printable()) return;
  report::ReportInput input = report::courseReportInput(course_, QDate::currentDate(), QLocale());
  chart_.show(course_.dosing().series(), course_.dosing().chartTitle());
  input.drawGraph = [this](QPainter& painter, const QRectF& target) { chart_.draw(painter, target); };
  report::PreparedReport prepared = report::prepareTreatmentReport(input);
  // The report has walked the photographs: the last one is shown from now on.
  course_.showLastPhotograph();

  previewWindow().setReport(std::move(prepared));
  previewedCourse_ = course_.openCourseKey();
  showPreview();
}

void ReportPrinting::openSavedReport() {
  ReportPreview& preview = previewWindow();
  const QString path = preview.chooseReportFile();
  if (path.isEmpty() || !preview.openReportFrom(path)) return;
  previewedCourse_.reset();  // a saved report belongs to no open course
  showPreview();
}

ReportPreview& ReportPrinting::previewWindow() {
  if (!preview_) preview_ = new ReportPreview(window_);  // a window of its own, gone with the main window
  return *preview_;
}

void ReportPrinting::showPreview() {
  preview_->show();
  preview_->raise();
  preview_->activateWindow();
}

}  // namespace ui
