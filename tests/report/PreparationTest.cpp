// Preparing the treatment report: pages, where things land in millimetres, pictures, pagination.
#include <gtest/gtest.h>

#include <QPainter>
#include <optional>

#include "ReportFixtures.h"
#include "report/PictureRecorder.h"
#include "report/TreatmentReport.h"
#include "report/TreatmentReportLayout.h"

using namespace report;
using report_fixtures::sampleInput;

namespace {

constexpr double kTolerance = 1e-6;
constexpr double kMargin = 10.0;  // the pages' margins: positions are inside them

template <typename T>
std::vector<T> all(const Drawing& page) {
  std::vector<T> out;
  for (const Item& item : page.items)
    if (const T* p = std::get_if<T>(&item.what)) out.push_back(*p);
  return out;
}

std::optional<TextRun> run(const Drawing& page, const QString& text) {
  for (const TextRun& r : all<TextRun>(page))
    if (r.text == text) return r;
  return std::nullopt;
}

std::optional<FilledRect> fillAt(const Drawing& page, QPointF topLeft) {
  for (const FilledRect& f : all<FilledRect>(page))
    if (QLineF(f.rect.topLeft(), topLeft).length() < kTolerance) return f;
  return std::nullopt;
}

std::vector<Image> imagesIn(const Drawing& page, const QRectF& area) {
  std::vector<Image> out;
  for (const Image& i : all<Image>(page))
    if (area.contains(i.rect.center())) out.push_back(i);
  return out;
}

// The origin of the first line of a 10-point text at the top-left of a box.
QPointF firstBaseline(QPointF boxTopLeft, double pointSize = 10) {
  return boxTopLeft + QPointF(kPaddingX, kPaddingY + ascent(TextStyle{pointSize}));
}

}  // namespace

TEST(Preparation, PhotographPagesFollowOnlyWhenThereArePhotographs) {
  struct Case {
    int photographs;
    std::size_t pages;
  };
  // Six photographs, three rows of two under the header, fill a page.
  for (const Case c : {Case{0, 1}, Case{1, 2}, Case{3, 2}, Case{6, 2}, Case{7, 3}, Case{13, 4}}) {
    const PreparedReport r = prepareTreatmentReport(sampleInput(c.photographs));
    ASSERT_EQ(r.pages.size(), c.pages) << c.photographs << " photographs";
    EXPECT_EQ(r.pages[0].size, QSizeF(297, 210));
    EXPECT_EQ(r.pages[0].title, "Summary");
    for (std::size_t p = 1; p < r.pages.size(); ++p) {
      EXPECT_EQ(r.pages[p].title, "Photographs");
      // Each page of photographs carries the patient's name and NHI.
      EXPECT_TRUE(run(r.pages[p], "Whitfield")) << "page " << p + 1;
      EXPECT_TRUE(run(r.pages[p], "ABC1234")) << "page " << p + 1;
    }
  }
}

TEST(Preparation, SummaryPageObjectsLandAtTheirMillimetres) {
  const PreparedReport r = prepareTreatmentReport(sampleInput());
  const PreparedPage& page = r.pages[0];
  const QPointF origin(kMargin, kMargin);

  const auto name = run(page, "Whitfield");  // Memo1, 14 pt at 43.2, 1.0
  ASSERT_TRUE(name);
  EXPECT_EQ(name->font, TextStyle{14});
  EXPECT_NEAR(name->origin.x(), firstBaseline(origin + QPointF(43.2, 1.0), 14).x(), kTolerance);
  EXPECT_NEAR(name->origin.y(), firstBaseline(origin + QPointF(43.2, 1.0), 14).y(), kTolerance);

  const auto birth = run(page, "Birth Date:");  // Memo34, 10 pt bold
  ASSERT_TRUE(birth);
  EXPECT_TRUE(birth->font.bold);

  // The lifetime line sits in the header's free space under the birth date, above the rule.
  const auto lifetime = run(page, "Lifetime: 84 treatments, 61.2 J/cm²");
  ASSERT_TRUE(lifetime);
  EXPECT_NEAR(lifetime->origin.x(), firstBaseline(origin + QPointF(112.3, 15.4), 10).x(), kTolerance);
  EXPECT_GT(lifetime->origin.y(), origin.y() + 14.4);
  EXPECT_LT(lifetime->origin.y(), origin.y() + 21.3);

  // The print date is right-aligned in Memo7 (228.4, 1.0, 49.0 wide).
  const auto date = run(page, "March 21, 2025");
  ASSERT_TRUE(date);
  EXPECT_NEAR(date->origin.x() + date->width, kMargin + 228.4 + 49.0 - kPaddingX, 1e-3);

  // Line1: a 2 pt rule 274 mm long under the header, drawn over the body diagram whose box
  // reaches above it.
  std::optional<std::size_t> rule, diagram;
  for (std::size_t i = 0; i < page.items.size(); ++i) {
    if (const auto* l = std::get_if<Line>(&page.items[i].what);
        l && QLineF(l->from, origin + QPointF(2.6, 21.3)).length() < kTolerance &&
        QLineF(l->to, origin + QPointF(276.6, 21.3)).length() < kTolerance &&
        std::abs(l->stroke.width - 2 * kMmPerPoint) < kTolerance)
      rule = i;
    if (const auto* img = std::get_if<Image>(&page.items[i].what); img && img->rect.top() == origin.y() + 21.0)
      diagram = i;
  }
  ASSERT_TRUE(rule && diagram);
  EXPECT_GT(*rule, *diagram);

  // The web address runs down the right edge.
  const auto web = run(page, kMakerWebAddress);
  ASSERT_TRUE(web);
  EXPECT_EQ(web->rotation, 270);
  EXPECT_EQ(web->font.size, 3);

  // The legend cells on their colours, in the colour table's order.
  const struct {
    double left;
    QColor colour;
    const char* text;
  } legend[] = {{2.0, QColor(192, 192, 192), "missed"},  {17.2, QColor(0, 255, 255), "worse"},
                {32.9, QColor(255, 251, 240), "same"},   {49.0, QColor(0, 255, 0), "clearing"},
                {65.0, QColor(255, 217, 213), "burn I"}, {80.7, QColor(255, 155, 155), "burn II"},
                {96.8, QColor(255, 47, 47), "burn III"}};
  for (const auto& cell : legend) {
    const auto fill = fillAt(page, origin + QPointF(cell.left, 182.0));
    ASSERT_TRUE(fill) << cell.text;
    EXPECT_EQ(fill->colour, cell.colour) << cell.text;
    EXPECT_EQ(fill->rect.size(), QSizeF(14.0, 5.0));
    EXPECT_TRUE(run(page, cell.text)) << cell.text;
  }
}

TEST(Preparation, TreatmentTableRowsSitInsideTheSubReport) {
  const PreparedReport r = prepareTreatmentReport(sampleInput());
  const PreparedPage& page = r.pages[0];
  // Subreport1 at -0.1, 22.0; row n of the band 5 mm below row n - 1.
  const QPointF table = QPointF(kMargin, kMargin) + QPointF(-0.1, 22.0);
  const QPointF row3 = table + QPointF(0, 2 * 5.0);
  const auto date = fillAt(page, row3);  // ScDate of row 3: burn I
  ASSERT_TRUE(date);
  EXPECT_EQ(date->colour, QColor(255, 217, 213));
  EXPECT_EQ(date->rect.size(), QSizeF(13.0, 5.0));
  const auto treatment = fillAt(page, row3 + QPointF(12.2, 0.2));  // Memo5 of row 3: "Same"
  ASSERT_TRUE(treatment);
  EXPECT_EQ(treatment->colour, QColor(255, 251, 240));
  const auto text = run(page, "AB 36.5C 02:30");
  ASSERT_TRUE(text);
  EXPECT_NEAR(text->origin.x(), row3.x() + 12.2 + kPaddingX, kTolerance);

  // Row 5, not recorded: its number on white, and no treatment text.
  const QPointF row5 = table + QPointF(0, 4 * 5.0);
  EXPECT_EQ(fillAt(page, row5)->colour, QColor(Qt::white));
  EXPECT_EQ(fillAt(page, row5 + QPointF(12.2, 0.2))->colour, QColor(Qt::white));
  const auto five = run(page, "5");
  ASSERT_TRUE(five);
  EXPECT_NEAR(five->origin.y(), firstBaseline(row5).y(), kTolerance);

  // All 29 rows are there, the last one 28 rows below the first.
  const auto last = fillAt(page, table + QPointF(0, 28 * 5.0));
  ASSERT_TRUE(last);
  EXPECT_FALSE(fillAt(page, table + QPointF(0, 29 * 5.0)));
}

TEST(Preparation, PicturesAreStretchedWithTheirAspectKeptFromTheTopLeft) {
  ReportInput in = sampleInput(3);
  in.diagram = QImage(100, 50, QImage::Format_RGB888);  // wide: fills the width of the 57.5 x 70 box
  in.diagram.fill(Qt::gray);
  const PreparedReport r = prepareTreatmentReport(in);

  const QRectF diagramBox = QRectF(87.1, 21.0, 57.5, 70.0).translated(kMargin, kMargin);
  const auto diagram = imagesIn(r.pages[0], diagramBox);
  ASSERT_EQ(diagram.size(), 1u);
  EXPECT_EQ(diagram[0].rect.topLeft(), diagramBox.topLeft());
  EXPECT_NEAR(diagram[0].rect.width(), 57.5, kTolerance);
  EXPECT_NEAR(diagram[0].rect.height(), 28.75, kTolerance);

  // The photographs (500 x 375) in their cells, two to a row, below the 15 mm header.
  const PreparedPage& photos = r.pages[1];
  const QPointF cells[] = {
      {kMargin + 1.0, kMargin + 15.0}, {kMargin + 140.0 + 1.0, kMargin + 15.0}, {kMargin + 1.0, kMargin + 15.0 + 55.7}};
  for (const QPointF& cell : cells) {
    const auto found = imagesIn(photos, QRectF(cell, QSizeF(55.0, 55.0)));
    ASSERT_EQ(found.size(), 1u) << cell.x() << "," << cell.y();
    EXPECT_NEAR(found[0].rect.left(), cell.x(), kTolerance);
    EXPECT_NEAR(found[0].rect.top(), cell.y(), kTolerance);
    EXPECT_NEAR(found[0].rect.width(), 55.0, kTolerance);
    EXPECT_NEAR(found[0].rect.height(), 41.25, kTolerance);
  }
  const auto note = run(photos, "Elbow, week 3");  // Memo15 at 57.0, 8.0 in the third cell
  ASSERT_TRUE(note);
  EXPECT_NEAR(note->origin.x(), firstBaseline(cells[2] + QPointF(56.0, 8.0)).x(), kTolerance);
}

TEST(Preparation, MissingPicturesLeaveTheirBoxesEmpty) {
  ReportInput in = sampleInput(3);
  in.logo = QImage();              // the factor file carries no logo
  in.photographs[0].jpeg.clear();  // a photograph row without picture data
  in.photographs[1].jpeg = QByteArray("not a JPEG file");
  const PreparedReport r = prepareTreatmentReport(in);
  EXPECT_TRUE(imagesIn(r.pages[0], QRectF(kMargin, kMargin, 40.0, 20.0)).empty());
  EXPECT_TRUE(imagesIn(r.pages[1], QRectF(kMargin + 1.0, kMargin + 15.0, 55, 55)).empty());
  // A photograph that cannot be decoded says so in its box; the others still print.
  EXPECT_TRUE(imagesIn(r.pages[1], QRectF(kMargin + 141.0, kMargin + 15.0, 55, 55)).empty());
  bool explained = false;
  for (const TextRun& t : all<TextRun>(r.pages[1])) explained = explained || t.text.contains("cannot be shown");
  EXPECT_TRUE(explained);
  EXPECT_EQ(imagesIn(r.pages[1], QRectF(kMargin + 1.0, kMargin + 15.0 + 55.7, 55, 55)).size(), 1u);
}

TEST(Preparation, GraphIsDrawnAtTheBoxSizeInWholeReportUnits) {
  ReportInput in = sampleInput();
  QSizeF drawnAt;
  in.drawGraph = [&](QPainter& p, const QRectF& area) {
    drawnAt = area.size();
    p.fillRect(area, Qt::blue);
  };
  const PreparedReport r = prepareTreatmentReport(in);
  EXPECT_EQ(drawnAt, QSizeF(484, 378));  // 128 x 100 mm at 96 units to the inch, rounded
  // The chart's drawing, as a vector shape, fills the Graph box from its top-left corner.
  const QRectF box = QRectF(150.4, 22.5, 128.0, 100.0).translated(kMargin, kMargin);
  bool found = false;
  for (const Shape& s : all<Shape>(r.pages[0])) {
    if (s.fill != QColor(Qt::blue)) continue;
    found = true;
    EXPECT_NEAR(s.path.boundingRect().left(), box.left(), 1e-6);
    EXPECT_NEAR(s.path.boundingRect().top(), box.top(), 1e-6);
    EXPECT_NEAR(s.path.boundingRect().width(), 128.0, 1e-6);
    EXPECT_NEAR(s.path.boundingRect().height(), 378 * 128.0 / 484, 1e-6);
  }
  EXPECT_TRUE(found);
}

TEST(Preparation, ATablesHeadingStaysWithItsRowsAndComesAgainAboveTheirContinuation) {
  // A4 portrait: 277 mm inside the margins. A block, a 10 mm heading, then 20 rows of 10 mm. Below a
  // block of 250 mm the heading and one row fit, and the heading comes again above the other 19 on
  // the next page; below 260 mm only the heading would fit, alone at the page's foot: it goes to
  // the next page with all its rows.
  struct Case {
    double block;
    std::vector<int> headingsOnPages;  // the pages the heading is printed on, from 0
  };
  for (const Case& c : {Case{250.0, {0, 1}}, Case{260.0, {1}}}) {
    PageLayout page;
    page.paper = QSizeF(210, 297);
    page.margins = QMarginsF(10, 10, 10, 10);
    Band block;
    block.height = c.block;
    Band heading;
    heading.height = 10;
    heading.headsRows = true;
    heading.objects = {label("Heading", {0, 0, 100, 10}, "Grade III burns")};
    Band rows;
    rows.height = 10;
    rows.dataset = "Rows";
    rows.objects = {field("Row", {0, 0, 100, 10}, "Rows", "N")};
    page.bands = {block, heading, rows};
    ReportLayout layout;
    layout.pages = {page};
    Report r(std::move(layout));
    auto at = std::make_shared<int>(0);
    r.setDataset("Rows", UserDataset{[at] { *at = 0; }, [at] { ++*at; }, [at] { return *at >= 20; },
                                     [at](const QString&, QVariant& v) { v = QString::number(*at + 1); }});
    const PreparedReport prepared = r.prepare();
    std::vector<int> onPages;
    for (std::size_t p = 0; p < prepared.pages.size(); ++p)
      if (run(prepared.pages[p], "Grade III burns")) onPages.push_back(static_cast<int>(p));
    EXPECT_EQ(onPages, c.headingsOnPages) << "a block of " << c.block << " mm";
    // Every row is printed once, and the last page begins with the heading.
    int rowsPrinted = 0;
    for (const PreparedPage& p : prepared.pages)
      for (const TextRun& t : all<TextRun>(p)) rowsPrinted += t.text != "Grade III burns" ? 1 : 0;
    EXPECT_EQ(rowsPrinted, 20);
    ASSERT_EQ(prepared.pages.size(), 2u);
    const std::optional<TextRun> top = run(prepared.pages.back(), "Grade III burns");
    ASSERT_TRUE(top);
    EXPECT_LT(top->origin.y(), kMargin + 10.0);
  }
}
