// The course graph: its fixed set-up, filling and clearing, and drawing without being shown.

#include <gtest/gtest.h>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPicture>
#include <QScatterSeries>
#include <QValueAxis>

#include <cmath>
#include <functional>

#include "ui/widgets/CourseGraph.h"

using dosing::PlanSeries;
using ui::CourseGraph;

namespace {

PlanSeries samplePlan() {
  PlanSeries s;
  for (int row = 1; row <= 10; ++row) {
    s.erythema.emplace_back(row, 300 + 30 * row);
    s.minDose.emplace_back(row, 100 + 10 * row);
    if (row == 3) {
      s.temp.emplace_back(row, 36.5);
      s.delivered.emplace_back(row, 250);
    } else {
      s.dose.emplace_back(row, 200 + 20 * row);
    }
  }
  return s;
}

int countPixels(const QImage& img, const std::function<bool(QColor)>& match) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += match(img.pixelColor(x, y)) ? 1 : 0;
  return n;
}

TEST(CourseGraph, FixedSetUp) {
  CourseGraph g;
  EXPECT_EQ(g.view()->objectName(), QStringLiteral("Chart1"));
  EXPECT_EQ(g.view()->chart(), g.chart());

  const QList<QAbstractSeries*> series = g.chart()->series();
  ASSERT_EQ(series.size(), 5);
  const char* names[] = {"Erythema", "Dose", "Min Dose", "Temp", "Delivered"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(series[i]->name(), QLatin1String(names[i]));
  EXPECT_EQ(series[0], g.erythema());
  EXPECT_EQ(series[3], g.temp());

  EXPECT_EQ(g.erythema()->pen().color(), QColor(Qt::red));
  EXPECT_EQ(g.erythema()->pen().width(), 2);
  EXPECT_TRUE(g.erythema()->pointsVisible());
  EXPECT_EQ(g.planDose()->pen().color(), QColor(0, 64, 128));
  EXPECT_EQ(g.planDose()->pen().style(), Qt::DashLine);
  EXPECT_EQ(g.minDose()->pen().color(), QColor(255, 128, 64));
  EXPECT_EQ(g.temp()->color(), QColor(0, 255, 0));

  // "Plan Dose" stays out of the legend; the other four are in it (markers show once the chart
  // has been laid out, here by drawing it, and also after a refill).
  g.fill(samplePlan());
  g.render(QSize(400, 300));
  const QLegend* legend = g.chart()->legend();
  EXPECT_EQ(legend->alignment(), Qt::AlignBottom);
  for (int i = 0; i < 5; ++i)
    for (QLegendMarker* m : legend->markers(series[i])) EXPECT_EQ(m->isVisible(), i != 1) << names[i];

  EXPECT_TRUE(g.chart()->titleFont().bold());
  EXPECT_EQ(g.chart()->backgroundBrush().color(), QColor(Qt::white));

  EXPECT_EQ(g.bottomAxis()->titleText(), QStringLiteral("Treatment Number"));
  EXPECT_EQ(g.leftAxis()->titleText(), QStringLiteral("Dose (mJ/sqr cm)"));
  EXPECT_EQ(g.rightAxis()->titleText(), QStringLiteral("Temp C"));
  EXPECT_EQ(g.rightAxis()->min(), 30);
  EXPECT_EQ(g.rightAxis()->max(), 45);
  EXPECT_EQ(g.rightAxis()->tickCount(), 4);
  EXPECT_EQ(g.rightAxis()->gridLinePen().style(), Qt::DotLine);
  EXPECT_EQ(g.chart()->axes(Qt::Horizontal).size(), 1);  // no top axis
  EXPECT_EQ(g.chart()->axes(Qt::Vertical, g.temp()), QList<QAbstractAxis*>{g.rightAxis()});
  EXPECT_EQ(g.chart()->axes(Qt::Vertical, g.delivered()), QList<QAbstractAxis*>{g.leftAxis()});
}

TEST(CourseGraph, FillAndClear) {
  CourseGraph g;
  PlanSeries plan = samplePlan();
  plan.dose.emplace_back(11, NAN);  // an unusable point is left out
  g.fill(plan);
  g.setTitle(QStringLiteral("I    Always burns, never tans - Average"));
  EXPECT_EQ(g.erythema()->count(), 10);
  EXPECT_EQ(g.planDose()->count(), 9);
  EXPECT_EQ(g.minDose()->count(), 10);
  EXPECT_EQ(g.temp()->points(), QList<QPointF>{QPointF(3, 36.5)});
  EXPECT_EQ(g.delivered()->points(), QList<QPointF>{QPointF(3, 250)});
  EXPECT_GE(g.leftAxis()->max(), 600);  // the highest point shows
  EXPECT_LE(g.leftAxis()->min(), 0);

  g.clear();
  EXPECT_TRUE(g.title().isEmpty());
  for (QAbstractSeries* s : g.chart()->series()) EXPECT_EQ(static_cast<QXYSeries*>(s)->count(), 0);
}

bool isRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }

TEST(CourseGraph, RendersAtAnySizeWithoutBeingShown) {
  CourseGraph g;
  g.fill(samplePlan());
  g.setTitle(QStringLiteral("Graph"));
  ASSERT_FALSE(g.view()->isVisible());
  for (QSize size : {QSize(640, 400), QSize(1200, 500)}) {
    SCOPED_TRACE(size.width());
    const QImage img = g.render(size);
    EXPECT_EQ(img.size(), size);
    const int red = countPixels(img, isRed);
    EXPECT_GT(red, 200) << "the erythema line is drawn";
    const int lime = countPixels(img, [](QColor c) { return c.green() > 200 && c.red() < 60 && c.blue() < 60; });
    EXPECT_GT(lime, 10) << "the temperature point is drawn";
  }

  // Cleared, only the legend's small red square is left.
  const int redFilled = countPixels(g.render(QSize(640, 400)), isRed);
  g.clear();
  EXPECT_LT(countPixels(g.render(QSize(640, 400)), isRed), redFilled / 4);

  // Any paint device will do, e.g. a picture for a report.
  QPicture picture;
  {
    QPainter p(&picture);
    g.paint(p, QRectF(0, 0, 300, 200));
  }
  EXPECT_FALSE(picture.isNull());
}

}  // namespace
