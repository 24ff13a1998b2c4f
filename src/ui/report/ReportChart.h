#pragma once
// The course chart as the report prints it: the chart of the Graph tab, with the same series and
// title, laid out once at the size the report asks for and lettered in the report's face, so that
// its words sit where the chart placed them. Keep one for as long as reports are printed: laying a
// chart out is most of the cost of drawing it.

#include <QRectF>
#include <QString>

#include "dosing/TreatmentPlan.h"
#include "ui/widgets/CourseGraph.h"

class QPainter;

namespace ui {

class ReportChart {
 public:
  ReportChart();

  // The chart's series and title, as the dosing session holds them.
  void show(const dosing::PlanSeries& series, const QString& title);
  // Draws the chart laid out at `target`'s size into `target` (the report's drawGraph).
  void draw(QPainter& painter, const QRectF& target);

 private:
  CourseGraph graph_;
};

}  // namespace ui
