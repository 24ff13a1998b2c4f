#pragma once
// The audit's two charts, as bars: burns per 100 treatments through the period, and finished
// courses by their number of treatments. The bars are worked out here once for both places that
// show them, the window's charts (Qt Charts) and the PDF, where they are drawn as vectors.

#include <QColor>
#include <QLocale>
#include <QSizeF>
#include <QString>
#include <optional>
#include <vector>

#include "audit/DepartmentAudit.h"
#include "report/DisplayList.h"

namespace audit {

struct ChartBar {
  QString label;
  std::optional<double> value;  // nothing: nothing to be worked out over (no treatment that month)
};

struct BarChart {
  QString title;
  QString valueAxis;     // what the bars' heights are
  QString categoryAxis;  // what the bars stand for
  std::vector<ChartBar> bars;
  int decimals = 0;   // of the values
  QString emptyNote;  // said across the chart when there is nothing to show; empty otherwise
  QColor colour;      // of the bars
};

// Most bars the period's chart has: a longer period is shown by years, or groups of years.
inline constexpr int kMostPeriodBars = 36;

// Burns of every grade per 100 treatments given, one bar for each month of the period ("Jan 24",
// month names in `locale`'s language); a period of more than 36 months has a bar per year, or per
// group of years, so that the chart stays readable.
BarChart burnRateChart(const Figures& figures, const QLocale& locale);

// Finished courses by their number of treatments given, a bar for each number from 1 to 29.
BarChart treatmentsChart(const Figures& figures);

// The chart drawn as vectors into `size` millimetres: the title above, the value axis on the left
// with its scale and grid lines, the bars, their labels below (turned upright when they are many),
// and a bar with nothing to be worked out over left empty. Text in the report's face, in points.
report::Drawing drawBarChart(const BarChart& chart, const QSizeF& size, const QLocale& locale);

}  // namespace audit
