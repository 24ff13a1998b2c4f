#include "ui/report/ReportChart.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QLegend>
#include <QValueAxis>

#include "report/PainterRenderer.h"

namespace ui {

namespace {

// The same size, weight and slant in the report's face.
QFont inReportFace(const QFont& font) {
  const QFontInfo shown(font);
  report::TextStyle letters;
  letters.bold = font.bold();
  letters.italic = font.italic();
  QFont f = report::screenFont(letters, qMax(1, shown.pixelSize()));
  return f;
}

}  // namespace

ReportChart::ReportChart() {
  QChart* chart = graph_.chart();
  chart->setTitleFont(inReportFace(chart->titleFont()));
  chart->legend()->setFont(inReportFace(chart->legend()->font()));
  for (QValueAxis* axis : {graph_.bottomAxis(), graph_.leftAxis(), graph_.rightAxis()}) {
    axis->setLabelsFont(inReportFace(axis->labelsFont()));
    axis->setTitleFont(inReportFace(axis->titleFont()));
  }
  chart->setAnimationOptions(QChart::NoAnimation);
}

void ReportChart::show(const dosing::PlanSeries& series, const QString& title) {
  graph_.fill(series);
  graph_.setTitle(title);
}

void ReportChart::draw(QPainter& painter, const QRectF& target) {
  QChart* chart = graph_.chart();
  if (chart->size() != target.size()) {
    chart->resize(target.size());
    if (chart->layout()) chart->layout()->activate();
  }
  graph_.paint(painter, target);
}

}  // namespace ui
