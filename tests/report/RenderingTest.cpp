// The screen and the PDF draw the same pages, and the course chart goes into both as vectors.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTemporaryDir>

#include "PdfSupport.h"
#include "ReportFixtures.h"
#include "report/PainterRenderer.h"
#include "report/PdfWriter.h"
#include "report/TreatmentReport.h"
#include "ui/report/ReportChart.h"

using namespace report;
using report_fixtures::sampleInput;

namespace {

constexpr double kDpi = 100;

// The course chart of the sample course, drawn the way the report asks for it.
struct SampleGraph {
  ui::ReportChart chart;
  explicit SampleGraph(ReportInput& in) {
    const dosing::PlanOutput plan = report_fixtures::samplePlan(in.records);
    chart.show(plan.series, plan.title);
    in.drawGraph = [this](QPainter& p, const QRectF& r) { chart.draw(p, r); };
  }
};

// The PDF's pages as poppler draws them.
std::vector<QImage> popplerPages(const QString& pdf, const QTemporaryDir& dir) {
  QProcess p;
  p.start("pdftoppm", {"-r", QString::number(kDpi), "-png", pdf, dir.filePath("page")});
  p.waitForFinished(60000);
  std::vector<QImage> pages;
  for (int i = 1;; ++i) {
    QImage page(dir.filePath(QStringLiteral("page-%1.png").arg(i)));
    if (page.isNull()) break;
    pages.push_back(page.convertToFormat(QImage::Format_RGB32));
  }
  return pages;
}

// How far apart two drawings of a page are: the share of 4 x 4 pixel blocks whose mean colour
// differs by more than an eighth in any channel. The edges of letters and lines smoothed a little
// differently by the two rasterisers change few blocks that much; anything drawn in another place,
// size or colour changes many.
double difference(const QImage& a, const QImage& b) {
  const int w = std::min(a.width(), b.width()) / 4, h = std::min(a.height(), b.height()) / 4;
  int differing = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sum[2][3] = {};
      for (int dy = 0; dy < 4; ++dy)
        for (int dx = 0; dx < 4; ++dx) {
          const QRgb pa = a.pixel(4 * x + dx, 4 * y + dy), pb = b.pixel(4 * x + dx, 4 * y + dy);
          sum[0][0] += qRed(pa), sum[0][1] += qGreen(pa), sum[0][2] += qBlue(pa);
          sum[1][0] += qRed(pb), sum[1][1] += qGreen(pb), sum[1][2] += qBlue(pb);
        }
      bool differs = false;
      for (int c = 0; c < 3; ++c) differs = differs || std::abs(sum[0][c] - sum[1][c]) > 16 * 32;
      differing += differs;
    }
  return static_cast<double>(differing) / (w * h);
}

QColor colourAt(const QImage& page, QPointF mm) { return page.pixelColor((mm * kDpi / 25.4).toPoint()); }

}  // namespace

TEST(Rendering, ScreenAndPdfDrawTheSamePages) {
  ReportInput in = sampleInput(3);
  SampleGraph graph(in);
  const PreparedReport r = prepareTreatmentReport(in);
  QTemporaryDir dir;
  const QString pdf = dir.filePath("report.pdf");
  writePdf(r, pdf);
  const std::vector<QImage> printed = popplerPages(pdf, dir);
  ASSERT_EQ(printed.size(), r.pages.size());
  for (std::size_t p = 0; p < r.pages.size(); ++p) {
    const QImage shown = renderPage(r.pages[p], kDpi).convertToFormat(QImage::Format_RGB32);
    EXPECT_LE(std::abs(shown.width() - printed[p].width()), 1);
    EXPECT_LE(std::abs(shown.height() - printed[p].height()), 1);
    EXPECT_LT(difference(shown, printed[p]), 0.04) << "page " << p + 1;
    if (p > 0) continue;
    // Against a page drawn one millimetre off, the measure is far larger.
    QImage shifted(shown.size(), QImage::Format_RGB32);
    shifted.fill(Qt::white);
    QPainter(&shifted).drawImage(QPoint(4, 0), shown);
    EXPECT_GT(difference(shifted, printed[p]), 0.06) << "page " << p + 1;
  }
  // The row colours land in the same cells: row 3's date on burn I, its treatment on cream.
  const QPointF row3 = QPointF(10 - 0.1, 10 + 22.0 + 2 * 5.0);
  for (const QImage& page : {renderPage(r.pages[0], kDpi), printed[0]}) {
    EXPECT_EQ(colourAt(page, row3 + QPointF(0.5, 4.5)), QColor(255, 217, 213));
    EXPECT_EQ(colourAt(page, row3 + QPointF(12.2 + 29.5, 0.5)), QColor(255, 251, 240));
  }
}

TEST(Rendering, TheCourseChartIsKeptAsVectorsAndText) {
  ReportInput in = sampleInput();
  SampleGraph graph(in);
  const PreparedReport r = prepareTreatmentReport(in);
  const QRectF box = QRectF(150.4, 22.5, 128.0, 100.0).translated(10, 10);
  int shapes = 0;
  QStringList texts;
  for (const Item& item : r.pages[0].items) {
    if (const auto* s = std::get_if<Shape>(&item.what); s && box.intersects(s->path.boundingRect())) ++shapes;
    if (const auto* t = std::get_if<TextRun>(&item.what); t && box.contains(t->origin)) texts << t->text;
    if (const auto* i = std::get_if<Image>(&item.what)) {
      EXPECT_FALSE(box.contains(i->rect)) << "a raster of the chart";
    }
  }
  EXPECT_GT(shapes, 29);  // at least the points of the planned doses
  for (const char* label : {"Treatment Number", "Dose (mJ/sqr cm)", "Temp C", "Erythema", "Min Dose", "Delivered"})
    EXPECT_TRUE(texts.contains(QString::fromLatin1(label))) << label << " in " << texts.join('|').toStdString();
  // The left axis title reads upwards; the chart's words are in the report's face, at their size.
  for (const Item& item : r.pages[0].items)
    if (const auto* t = std::get_if<TextRun>(&item.what); t && t->text == "Dose (mJ/sqr cm)") {
      EXPECT_EQ(t->rotation, 90);
    }
  const auto title = std::find_if(r.pages[0].items.begin(), r.pages[0].items.end(), [](const Item& i) {
    const auto* t = std::get_if<TextRun>(&i.what);
    return t && t->text == "Type III - Average";
  });
  ASSERT_NE(title, r.pages[0].items.end());
  EXPECT_TRUE(std::get<TextRun>(title->what).font.bold);
  EXPECT_GT(std::get<TextRun>(title->what).font.size, 5);

  // In the PDF the chart's words are text, and no picture but the logo, the icon and the diagram.
  const pdf_support::WrittenPdf pdf(r);
  EXPECT_TRUE(pdf.text().contains("Treatment Number"));
  EXPECT_EQ(pdf.images().size(), 3);
}
