#include "audit/AuditCharts.h"

#include <algorithm>
#include <cmath>

#include "base/Formats.h"
#include "report/TextLayout.h"

namespace audit {
namespace {

using report::Drawing;
using report::TextStyle;

// The sum of the months from `first` to `last` (month keys, both included).
BurnTally monthsTogether(const Figures& f, int first, int last) {
  BurnTally sum;
  for (auto it = f.byMonth.lower_bound(first); it != f.byMonth.end() && it->first <= last; ++it) {
    sum.treatments += it->second.treatments;
    for (std::size_t g = 0; g < 3; ++g) sum.grade[g] += it->second.grade[g];
  }
  return sum;
}

// A step of 1, 2 or 5 times a power of ten that divides `top` into about five parts.
double niceStep(double top, bool whole) {
  const double raw = top / 5.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power;
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if (step >= raw) break;
  }
  return whole ? std::max(1.0, std::round(step)) : step;
}

int decimalsOf(double step) { return std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9))); }

void text(Drawing& out, const QString& words, const QRectF& box, const TextStyle& font, Qt::Alignment align,
          int rotation = 0, const QColor& colour = Qt::black) {
  report::setText(out, report::plainParagraphs(words, font, colour), report::TextBox{box, rotation, align, false});
}

void line(Drawing& out, QPointF from, QPointF to, const QColor& colour, double width) {
  report::Stroke stroke;
  stroke.colour = colour;
  stroke.width = width;
  stroke.cap = Qt::FlatCap;
  out.add(report::Line{from, to, stroke});
}

}  // namespace

BarChart burnRateChart(const Figures& f, const QLocale& locale) {
  BarChart chart;
  chart.valueAxis = QStringLiteral("Burns per 100 treatments");
  chart.decimals = 2;
  chart.colour = responseColour(BurnII);
  if (f.all.treatments == 0) chart.emptyNote = QStringLiteral("No treatment was given in the period");
  if (!f.period.isValid()) return chart;
  const int firstKey = monthKey(f.period.from), lastKey = monthKey(f.period.to);
  if (lastKey - firstKey + 1 <= kMostPeriodBars) {
    chart.title = QStringLiteral("Burns per 100 treatments, by month");
    chart.categoryAxis = QStringLiteral("Month");
    for (int key = firstKey; key <= lastKey; ++key)
      chart.bars.push_back(
          {locale.toString(monthOfKey(key), QStringLiteral("MMM yy")), monthsTogether(f, key, key).per100()});
    return chart;
  }
  const int firstYear = f.period.from.year(), lastYear = f.period.to.year();
  const int years = (lastYear - firstYear + 1 + kMostPeriodBars - 1) / kMostPeriodBars;  // years per bar
  chart.title = years == 1 ? QStringLiteral("Burns per 100 treatments, by year")
                           : QStringLiteral("Burns per 100 treatments, by %1 years").arg(years);
  chart.categoryAxis = years == 1 ? QStringLiteral("Year") : QStringLiteral("Years");
  for (int year = firstYear; year <= lastYear; year += years) {
    const int last = std::min(lastYear, year + years - 1);
    const QString label = last == year ? fmt::D(year) : fmt::D(year) + u'-' + fmt::D(last);
    chart.bars.push_back(
        {label, monthsTogether(f, std::max(firstKey, year * 12), std::min(lastKey, last * 12 + 11)).per100()});
  }
  return chart;
}

BarChart treatmentsChart(const Figures& f) {
  BarChart chart;
  chart.title = QStringLiteral("Finished courses by treatments given");
  chart.valueAxis = QStringLiteral("Courses");
  chart.categoryAxis = QStringLiteral("Treatments given in the course");
  chart.colour = QColor(110, 140, 190);
  if (f.finishedCourses == 0) chart.emptyNote = QStringLiteral("No course was finished in the period");
  for (int n = 1; n <= kTreatments; ++n)
    chart.bars.push_back({fmt::D(n), static_cast<double>(f.finishedByTreatments[static_cast<std::size_t>(n)])});
  return chart;
}

Drawing drawBarChart(const BarChart& chart, const QSizeF& size, const QLocale& locale) {
  Drawing d;
  d.size = size;
  const TextStyle titleFont{9, true};
  const TextStyle axisFont{7};
  const TextStyle scaleFont{6.5};
  const QColor grid(200, 200, 200);

  const int n = static_cast<int>(chart.bars.size());
  double widest = 0;
  for (const ChartBar& b : chart.bars) widest = std::max(widest, report::textWidth(b.label, scaleFont));
  const double left = 13.0, right = 2.0, top = 6.0, axisTitle = 4.0;
  const double plotWidth = std::max(1.0, size.width() - left - right);
  const double slot = n > 0 ? plotWidth / n : plotWidth;
  // Labels lie along the axis while they fit beside each other; otherwise they stand upright.
  const bool upright = widest + 1.0 > slot;
  const double labels = upright ? std::min(widest + 1.5, 14.0) : 4.0;
  const QRectF plot(left, top, plotWidth, std::max(1.0, size.height() - top - labels - axisTitle));

  text(d, chart.title, QRectF(0, 0, size.width(), top - 1), titleFont, Qt::AlignHCenter | Qt::AlignTop);

  double most = 0;
  for (const ChartBar& b : chart.bars)
    if (b.value && std::isfinite(*b.value)) most = std::max(most, *b.value);
  const bool whole = chart.decimals == 0;
  const double step = niceStep(most > 0 ? most : 1.0, whole);
  const double ceiling = std::max(step, step * std::ceil(most / step - 1e-9));
  const int scaleDecimals = whole ? 0 : decimalsOf(step);

  // The scale and its grid lines.
  for (int i = 0; i * step <= ceiling + step * 1e-6; ++i) {
    const double value = i * step;
    const double y = plot.bottom() - plot.height() * value / ceiling;
    if (i > 0) line(d, QPointF(plot.left(), y), QPointF(plot.right(), y), grid, 0.1);
    text(d, fmt::Fixed(value, 0, scaleDecimals, locale), QRectF(3.5, y - 1.6, left - 4.3, 3.2), scaleFont,
         Qt::AlignRight | Qt::AlignVCenter);
  }
  text(d, chart.valueAxis, QRectF(0, plot.top(), 3.5, plot.height()), axisFont, Qt::AlignCenter, 90);

  // The bars, and a label under every bar (or every few, when they would crowd).
  const int every = upright ? std::max(1, static_cast<int>(std::ceil(3.0 / slot))) : 1;
  for (int i = 0; i < n; ++i) {
    const ChartBar& b = chart.bars[static_cast<std::size_t>(i)];
    const double x = plot.left() + i * slot;
    if (b.value && std::isfinite(*b.value) && *b.value > 0) {
      const double h = plot.height() * std::min(*b.value, ceiling) / ceiling;
      d.add(report::FilledRect{QRectF(x + slot * 0.15, plot.bottom() - h, slot * 0.7, h), chart.colour});
    }
    if (i % every != 0) continue;
    if (upright) {
      text(d, b.label, QRectF(x, plot.bottom() + 0.5, slot, labels - 0.5), scaleFont, Qt::AlignRight | Qt::AlignVCenter,
           90);
    } else {
      text(d, b.label, QRectF(x - 2, plot.bottom() + 0.3, slot + 4, labels), scaleFont,
           Qt::AlignHCenter | Qt::AlignTop);
    }
  }
  line(d, plot.bottomLeft(), plot.bottomRight(), Qt::black, 0.2);
  line(d, plot.bottomLeft(), plot.topLeft(), Qt::black, 0.2);
  text(d, chart.categoryAxis, QRectF(plot.left(), size.height() - axisTitle, plot.width(), axisTitle), axisFont,
       Qt::AlignHCenter | Qt::AlignBottom);
  if (!chart.emptyNote.isEmpty()) text(d, chart.emptyNote, plot, axisFont, Qt::AlignCenter, 0, QColor(110, 110, 110));
  return d;
}

}  // namespace audit
