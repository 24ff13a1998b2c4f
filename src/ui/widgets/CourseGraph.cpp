#include "ui/widgets/CourseGraph.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "ui/ObjectNames.h"

namespace ui {

namespace {

// A filled square of the series' colour, the marker of the "Erythema" line.
QImage squareMarker(const QColor& colour, int side) {
  QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
  img.fill(colour);
  return img;
}

void setPoints(QXYSeries* series, const std::vector<QPointF>& points) {
  QList<QPointF> shown;
  shown.reserve(static_cast<qsizetype>(points.size()));
  for (const QPointF& p : points)
    if (std::isfinite(p.x()) && std::isfinite(p.y())) shown.append(p);
  series->replace(shown);
}

}  // namespace

CourseGraph::CourseGraph(QWidget* parent) {
  chart_ = new QChart;
  chart_->setBackgroundBrush(Qt::white);
  chart_->setBackgroundRoundness(0);
  QFont titleFont = chart_->titleFont();
  titleFont.setBold(true);
  chart_->setTitleFont(titleFont);
  chart_->legend()->setAlignment(Qt::AlignBottom);

  erythema_ = new QLineSeries;
  erythema_->setName(QStringLiteral("Erythema"));
  erythema_->setPen(QPen(Qt::red, 2));
  erythema_->setPointsVisible(true);
  erythema_->setMarkerSize(7);
  erythema_->setLightMarker(squareMarker(Qt::red, 7));

  dose_ = new QLineSeries;
  dose_->setName(QStringLiteral("Dose"));  // "Plan Dose"; kept out of the legend
  dose_->setPen(QPen(QColor(0, 64, 128), 2, Qt::DashLine));
  dose_->setPointsVisible(true);
  dose_->setMarkerSize(4);

  minDose_ = new QLineSeries;
  minDose_->setName(QStringLiteral("Min Dose"));
  minDose_->setPen(QPen(QColor(255, 128, 64), 2));

  temp_ = new QScatterSeries;
  temp_->setName(QStringLiteral("Temp"));
  temp_->setColor(QColor(0, 255, 0));
  temp_->setBorderColor(QColor(0, 160, 0));
  temp_->setMarkerSize(9);

  delivered_ = new QScatterSeries;
  delivered_->setName(QStringLiteral("Delivered"));
  delivered_->setMarkerSize(9);

  for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(erythema_), static_cast<QAbstractSeries*>(dose_),
                             static_cast<QAbstractSeries*>(minDose_), static_cast<QAbstractSeries*>(temp_),
                             static_cast<QAbstractSeries*>(delivered_)})
    chart_->addSeries(s);

  bottom_ = new QValueAxis;
  bottom_->setTitleText(QStringLiteral("Treatment Number"));
  bottom_->setRange(0, 30);
  bottom_->setTickCount(7);
  bottom_->setLabelFormat(QStringLiteral("%d"));

  left_ = new QValueAxis;
  left_->setTitleText(QStringLiteral("Dose (mJ/sqr cm)"));
  left_->setLabelFormat(QStringLiteral("%d"));
  left_->setRange(0, 100);

  right_ = new QValueAxis;
  right_->setTitleText(QStringLiteral("Temp C"));
  right_->setRange(30, 45);
  right_->setTickCount(4);  // 30, 35, 40, 45
  right_->setLabelFormat(QStringLiteral("%d"));
  right_->setGridLinePen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));

  chart_->addAxis(bottom_, Qt::AlignBottom);
  chart_->addAxis(left_, Qt::AlignLeft);
  chart_->addAxis(right_, Qt::AlignRight);
  for (QXYSeries* s : {static_cast<QXYSeries*>(erythema_), static_cast<QXYSeries*>(dose_),
                       static_cast<QXYSeries*>(minDose_), static_cast<QXYSeries*>(delivered_)}) {
    s->attachAxis(bottom_);
    s->attachAxis(left_);
  }
  temp_->attachAxis(bottom_);
  temp_->attachAxis(right_);

  for (QLegendMarker* marker : chart_->legend()->markers(dose_)) marker->setVisible(false);

  view_ = new QChartView(chart_, parent);  // the view owns the chart
  view_->setObjectName(names::Chart1);
  view_->setAccessibleName(QStringLiteral("Course graph"));
  view_->setRenderHint(QPainter::Antialiasing);
  ownsView_ = parent == nullptr;
}

CourseGraph::~CourseGraph() {
  if (ownsView_) delete view_;
}

void CourseGraph::fill(const dosing::PlanSeries& series) {
  setPoints(erythema_, series.erythema);
  setPoints(dose_, series.dose);
  setPoints(minDose_, series.minDose);
  setPoints(temp_, series.temp);
  setPoints(delivered_, series.delivered);
  fitDoseAxis();
}

void CourseGraph::setTitle(const QString& title) { chart_->setTitle(title); }

QString CourseGraph::title() const { return chart_->title(); }

void CourseGraph::clear() {
  for (QXYSeries* s :
       {static_cast<QXYSeries*>(erythema_), static_cast<QXYSeries*>(dose_), static_cast<QXYSeries*>(minDose_),
        static_cast<QXYSeries*>(temp_), static_cast<QXYSeries*>(delivered_)})
    s->clear();
  chart_->setTitle(QString());
  fitDoseAxis();
}

void CourseGraph::fitDoseAxis() {
  double low = 0, high = 0;
  for (const QXYSeries* s : {static_cast<const QXYSeries*>(erythema_), static_cast<const QXYSeries*>(dose_),
                             static_cast<const QXYSeries*>(minDose_), static_cast<const QXYSeries*>(delivered_)}) {
    for (const QPointF& p : s->points()) {
      low = std::min(low, p.y());
      high = std::max(high, p.y());
    }
  }
  if (high <= low) high = low + 100;
  left_->setRange(low, high + (high - low) * 0.05);
  left_->applyNiceNumbers();
}

void CourseGraph::paint(QPainter& painter, const QRectF& target) {
  if (target.isEmpty()) return;
  // Lay the chart out at the target's size, draw it, and give the view its own size back.
  const QSizeF shownSize = chart_->size();
  chart_->resize(target.size());
  if (chart_->layout()) chart_->layout()->activate();
  chart_->scene()->render(&painter, target, QRectF(chart_->pos(), target.size()), Qt::IgnoreAspectRatio);
  chart_->resize(shownSize);
  if (chart_->layout()) chart_->layout()->activate();
}

QImage CourseGraph::render(const QSize& size) {
  QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

}  // namespace ui
