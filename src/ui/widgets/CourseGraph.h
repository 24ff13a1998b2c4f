#pragma once
// The course graph of the Graph tab: the planned, erythema and minimum doses of each treatment on
// the left axis, the temperatures of recorded treatments on the right axis, and the delivered
// doses. It is filled from the plan's series and can draw itself into an image or any paint
// device at a given size without being shown, which is how the printed report takes it.

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QString>

#include "dosing/TreatmentPlan.h"

class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QPainter;
class QWidget;

namespace ui {

class CourseGraph {
 public:
  explicit CourseGraph(QWidget* parent = nullptr);
  ~CourseGraph();
  CourseGraph(const CourseGraph&) = delete;
  CourseGraph& operator=(const CourseGraph&) = delete;

  // The view to place in the window (objectName "Chart1"); owned by its parent widget if one
  // was given, otherwise by this object.
  QChartView* view() const { return view_; }
  QChart* chart() const { return chart_; }

  // The series in their fixed order: "Erythema", "Dose" (shown as "Plan Dose", left out of the
  // legend), "Min Dose", "Temp" (right axis), "Delivered".
  QLineSeries* erythema() const { return erythema_; }
  QLineSeries* planDose() const { return dose_; }
  QLineSeries* minDose() const { return minDose_; }
  QScatterSeries* temp() const { return temp_; }
  QScatterSeries* delivered() const { return delivered_; }
  QValueAxis* bottomAxis() const { return bottom_; }
  QValueAxis* leftAxis() const { return left_; }
  QValueAxis* rightAxis() const { return right_; }

  // Replaces the points of all five series and fits the dose axis to them. Points that are not
  // numbers are left out.
  void fill(const dosing::PlanSeries& series);
  void setTitle(const QString& title);
  QString title() const;
  // Empties the five series and the title.
  void clear();

  // Draws the chart into `target` of `painter` as it would look at the target's size.
  void paint(QPainter& painter, const QRectF& target);
  // The chart drawn at `size` on white.
  QImage render(const QSize& size);

 private:
  void fitDoseAxis();

  QChartView* view_ = nullptr;
  QChart* chart_ = nullptr;
  QLineSeries* erythema_ = nullptr;
  QLineSeries* dose_ = nullptr;
  QLineSeries* minDose_ = nullptr;
  QScatterSeries* temp_ = nullptr;
  QScatterSeries* delivered_ = nullptr;
  QValueAxis* bottom_ = nullptr;
  QValueAxis* left_ = nullptr;
  QValueAxis* right_ = nullptr;
  bool ownsView_ = false;
};

}  // namespace ui
