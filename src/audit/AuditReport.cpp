#include "audit/AuditReport.h"

#include <functional>
#include <memory>

#include "audit/AuditCharts.h"
#include "audit/AuditLines.h"
#include "base/DateTime.h"
#include "base/Formats.h"
#include "base/OneLine.h"
#include "report/ReportEngine.h"

namespace audit {
namespace {

using report::Band;
using report::field;
using report::label;
using report::variable;

const QSizeF kA4Portrait(210.0, 297.0);
const QMarginsF kMargins(10.0, 10.0, 10.0, 10.0);
constexpr double kRow = 4.6;  // one line of a table, 9 pt
const QSizeF kChart(93.0, 72.0);

QString q(const char* text) { return QString::fromUtf8(text); }

Band band(const char* name, double height, const char* dataset = "") {
  Band b;
  b.name = q(name);
  b.height = height;
  b.dataset = q(dataset);
  return b;
}

report::ReportObject heading(const char* name, QRectF box, const QString& text) {
  return label(q(name), box, text).pt(11).bold().noWrap();
}

report::ReportObject columnTitle(const char* name, QRectF box, const char* text, bool right = true) {
  report::ReportObject o = label(q(name), box, q(text)).pt(9).bold().noWrap();
  return right ? o.right() : o;
}

report::ReportObject cell(const char* name, QRectF box, const char* dataset, const char* fieldName, bool right = true) {
  report::ReportObject o = field(q(name), box, q(dataset), q(fieldName)).pt(9).noWrap();
  return right ? o.right() : o;
}

// A dataset over `rows` rows whose values `value(row, field)` gives.
report::UserDataset rowsOf(std::size_t rows, std::function<QString(std::size_t, const QString&)> value) {
  auto at = std::make_shared<std::size_t>(0);
  return report::UserDataset{[at] { *at = 0; }, [at] { ++*at; }, [at, rows] { return *at >= rows; },
                             [at, rows, value](const QString& name, QVariant& out) {
                               if (*at < rows) out = value(*at, name);
                             }};
}

std::shared_ptr<const report::PictureContent> chartPicture(const BarChart& chart, const QLocale& locale) {
  auto content = std::make_shared<report::PictureContent>();
  content->drawing = drawBarChart(chart, kChart, locale);
  return content;
}

}  // namespace

QString auditFileName(const Period& period, const QString& extension) {
  return QStringLiteral("department-audit-%1-to-%2%3").arg(isoDate(period.from), isoDate(period.to), extension);
}

report::ReportLayout auditReportLayout() {
  report::PageLayout page;
  page.name = q("Audit");
  page.title = q("Department audit");
  page.paper = kA4Portrait;
  page.margins = kMargins;

  Band header = band("Header", 27.0);
  header.repeatOnEveryPage = true;
  // clang-format off
  header.objects = {
      //      name               left   top   width  height
      label(q("Title"),          {0.0,   0.0,  100.0, 7.0}, q("NB UVB Department Audit")).pt(14).noWrap(),
      variable(q("PrintDate"),   {100.0, 0.0,  90.0,  7.0}, q("PrintDate")).pt(12).right().noWrap(),
      label(q("Program"),        {100.0, 7.0,  90.0,  5.0}, q("Halcyra - NB UVB Calculator")).right().noWrap(),
      variable(q("Period"),      {0.0,   8.0,  100.0, 5.5}, q("Period")).pt(11).bold().noWrap(),
      variable(q("Threshold"),   {0.0,   14.0, 190.0, 4.6}, q("Threshold")).pt(9).noWrap(),
      variable(q("Calibration"), {0.0,   18.6, 190.0, 4.6}, q("Calibration")).pt(9).noWrap(),
      report::rule(q("HeaderRule"), {0.0, 24.5}, 190.0, 1.0),
  };
  // clang-format on

  Band figuresTitle = band("FiguresTitle", 8.0);
  figuresTitle.headsRows = true;
  figuresTitle.objects = {heading("FiguresHeading", {0.0, 1.5, 190.0, 6.0}, q("The department's figures"))};
  Band figures = band("FigureRows", kRow, "Figures");
  figures.objects = {
      cell("FigureLabel", {0.0, 0.0, 140.0, kRow}, "Figures", "Label", false),
      cell("FigureValue", {140.0, 0.0, 40.0, kRow}, "Figures", "Value"),
  };

  Band typesTitle = band("SkinTypeTitle", 13.0);
  typesTitle.headsRows = true;
  typesTitle.objects = {
      heading("SkinTypeHeading", {0.0, 3.0, 190.0, 6.0}, q("Burns by skin type")),
      columnTitle("SkinTypeColumn", {0.0, 8.4, 30.0, kRow}, "Skin type", false),
      columnTitle("TypeTreatmentsColumn", {30.0, 8.4, 30.0, kRow}, "Treatments"),
      columnTitle("TypeBurn1Column", {60.0, 8.4, 25.0, kRow}, "Burn I"),
      columnTitle("TypeBurn2Column", {85.0, 8.4, 25.0, kRow}, "Burn II"),
      columnTitle("TypeBurn3Column", {110.0, 8.4, 25.0, kRow}, "Burn III"),
      columnTitle("TypeRateColumn", {135.0, 8.4, 45.0, kRow}, "Per 100 treatments"),
  };
  Band types = band("SkinTypeRows", kRow, "SkinTypes");
  types.objects = {
      cell("SkinType", {0.0, 0.0, 30.0, kRow}, "SkinTypes", "Type", false),
      cell("TypeTreatments", {30.0, 0.0, 30.0, kRow}, "SkinTypes", "Treatments"),
      cell("TypeBurn1", {60.0, 0.0, 25.0, kRow}, "SkinTypes", "Burn1"),
      cell("TypeBurn2", {85.0, 0.0, 25.0, kRow}, "SkinTypes", "Burn2"),
      cell("TypeBurn3", {110.0, 0.0, 25.0, kRow}, "SkinTypes", "Burn3"),
      cell("TypeRate", {135.0, 0.0, 45.0, kRow}, "SkinTypes", "Per100"),
  };
  Band typesNote = band("SkinTypeNote", 6.0);
  typesNote.objects = {
      label(q("SkinTypeNoteText"), {0.0, 0.5, 190.0, 4.6},
            q("A course without a skin type (none chosen, or \"Agressive\") counts in the department's "
              "figures only."))
          .pt(8)
          .noWrap()};

  Band charts = band("Charts", kChart.height() + 6.0);
  charts.objects = {
      report::picture(q("BurnChart"), {0.0, 4.0, kChart.width(), kChart.height()}),
      report::picture(q("CourseChart"), {97.0, 4.0, kChart.width(), kChart.height()}),
  };

  Band gradeTitle = band("GradeThreeTitle", 13.0);
  gradeTitle.headsRows = true;
  gradeTitle.objects = {
      variable(q("GradeThreeHeading"), {0.0, 3.0, 190.0, 6.0}, q("GradeThreeHeading")).pt(11).bold().noWrap(),
      columnTitle("BurnNhiColumn", {0.0, 8.4, 24.0, kRow}, "NHI", false),
      columnTitle("BurnCourseColumn", {24.0, 8.4, 16.0, kRow}, "Course"),
      columnTitle("BurnTreatmentColumn", {40.0, 8.4, 22.0, kRow}, "Treatment"),
      columnTitle("BurnDateColumn", {64.0, 8.4, 28.0, kRow}, "Date", false),
      columnTitle("BurnDoseColumn", {92.0, 8.4, 28.0, kRow}, "Dose"),
      columnTitle("BurnPreviousColumn", {120.0, 8.4, 32.0, kRow}, "Previous dose"),
      columnTitle("BurnIncColumn", {152.0, 8.4, 28.0, kRow}, "% Inc"),
  };
  Band grade = band("GradeThreeRows", kRow, "GradeThree");
  grade.objects = {
      cell("BurnNhi", {0.0, 0.0, 24.0, kRow}, "GradeThree", "NHI", false),
      cell("BurnCourse", {24.0, 0.0, 16.0, kRow}, "GradeThree", "Course"),
      cell("BurnTreatment", {40.0, 0.0, 22.0, kRow}, "GradeThree", "Treatment"),
      cell("BurnDate", {64.0, 0.0, 28.0, kRow}, "GradeThree", "Date", false),
      cell("BurnDose", {92.0, 0.0, 28.0, kRow}, "GradeThree", "Dose"),
      cell("BurnPrevious", {120.0, 0.0, 32.0, kRow}, "GradeThree", "Previous"),
      cell("BurnInc", {152.0, 0.0, 28.0, kRow}, "GradeThree", "Inc"),
  };

  Band reviewTitle = band("ReviewTitle", 13.0);
  reviewTitle.headsRows = true;
  reviewTitle.objects = {
      variable(q("ReviewHeading"), {0.0, 3.0, 190.0, 6.0}, q("ReviewHeading")).pt(11).bold().noWrap(),
      columnTitle("ReviewNhiColumn", {0.0, 8.4, 24.0, kRow}, "NHI", false),
      columnTitle("ReviewTreatmentsColumn", {24.0, 8.4, 38.0, kRow}, "Lifetime treatments"),
      columnTitle("ReviewDoseColumn", {62.0, 8.4, 58.0, kRow}, "Lifetime dose (mJ/cm\u00b2)"),
  };
  Band reviews = band("ReviewRows", kRow, "Reviews");
  reviews.objects = {
      cell("ReviewNhi", {0.0, 0.0, 24.0, kRow}, "Reviews", "NHI", false),
      cell("ReviewTreatments", {24.0, 0.0, 38.0, kRow}, "Reviews", "Treatments"),
      cell("ReviewDose", {62.0, 0.0, 58.0, kRow}, "Reviews", "Dose"),
  };

  page.bands = {header, figuresTitle, figures, typesTitle,  types,  typesNote,
                charts, gradeTitle,   grade,   reviewTitle, reviews};
  report::ReportLayout layout;
  layout.pages = {page};
  return layout;
}

report::PreparedReport prepareAuditReport(const Figures& f, const QString& calibration, const QDate& printDate,
                                          const QLocale& locale) {
  report::ReportLayout layout = auditReportLayout();
  layout.pdfFileName = auditFileName(f.period, QStringLiteral(".pdf"));
  layout.findObject(q("BurnChart"))->picture = chartPicture(burnRateChart(f, locale), locale);
  layout.findObject(q("CourseChart"))->picture = chartPicture(treatmentsChart(f), locale);
  report::Report r(std::move(layout));

  r.variable = [&](const QString& name) -> QString {
    if (name == QLatin1String("PrintDate")) return datetime::printedDate(printDate, locale);
    if (name == QLatin1String("Period"))
      return QStringLiteral("Period: %1 to %2")
          .arg(datetime::printedDate(f.period.from, locale), datetime::printedDate(f.period.to, locale));
    if (name == QLatin1String("Threshold"))
      return f.threshold ? QStringLiteral("Lifetime exposure review from %1 treatments").arg(fmt::D(*f.threshold))
                         : QStringLiteral("No lifetime exposure review threshold is set");
    if (name == QLatin1String("Calibration"))
      return QStringLiteral("Calibration: ") + (calibration.isEmpty() ? QStringLiteral("not given") : calibration);
    if (name == QLatin1String("GradeThreeHeading"))
      return QStringLiteral("Grade III burns in the period: %1")
          .arg(f.gradeThree.empty() ? QStringLiteral("none") : fmt::D(static_cast<qint64>(f.gradeThree.size())));
    if (name == QLatin1String("ReviewHeading")) {
      if (!f.threshold) return QStringLiteral("Patients due a lifetime exposure review: no threshold is set");
      return QStringLiteral("Patients due a lifetime exposure review (%1 treatments or more): %2")
          .arg(fmt::D(*f.threshold),
               f.reviews.empty() ? QStringLiteral("none") : fmt::D(static_cast<qint64>(f.reviews.size())));
    }
    return {};
  };

  // The figures beside their labels, the skin types' apart in their own table.
  std::vector<AuditLine> lines;
  for (AuditLine& l : figureLines(f, locale))
    if (!l.name.contains(QLatin1String("_type_"))) lines.push_back(std::move(l));
  r.setDataset(q("Figures"), rowsOf(lines.size(), [lines](std::size_t row, const QString& name) {
                 if (name == QLatin1String("Label")) return figureLabel(lines[row].name);
                 if (name == QLatin1String("Value")) return lines[row].values.value(0);
                 return QString();
               }));

  static const char* const kRoman[kSkinTypes] = {"I", "II", "III", "IV", "V", "VI"};
  r.setDataset(q("SkinTypes"), rowsOf(kSkinTypes, [&f, locale](std::size_t row, const QString& name) {
                 const BurnTally& t = f.bySkinType[row];
                 if (name == QLatin1String("Type")) return QString::fromLatin1(kRoman[row]);
                 if (name == QLatin1String("Treatments")) return countText(t.treatments);
                 if (name == QLatin1String("Burn1")) return countText(t.grade[0]);
                 if (name == QLatin1String("Burn2")) return countText(t.grade[1]);
                 if (name == QLatin1String("Burn3")) return countText(t.grade[2]);
                 if (name == QLatin1String("Per100")) return rateText(t.per100(), locale);
                 return QString();
               }));

  r.setDataset(q("GradeThree"), rowsOf(f.gradeThree.size(), [&f, locale](std::size_t row, const QString& name) {
                 const GradeThreeBurn& b = f.gradeThree[row];
                 if (name == QLatin1String("NHI")) return text::oneLine(b.nhi);
                 if (name == QLatin1String("Course")) return countText(b.courseId);
                 if (name == QLatin1String("Treatment")) return countText(b.treatment);
                 if (name == QLatin1String("Date")) return datetime::shortDate(b.date, locale);
                 if (name == QLatin1String("Dose")) return figureText(b.dose, locale);
                 if (name == QLatin1String("Previous")) return figureText(b.previousDose, locale);
                 if (name == QLatin1String("Inc")) return figureText(b.increase, locale);
                 return QString();
               }));

  r.setDataset(q("Reviews"), rowsOf(f.reviews.size(), [&f, locale](std::size_t row, const QString& name) {
                 const LifetimeReview& p = f.reviews[row];
                 if (name == QLatin1String("NHI")) return text::oneLine(p.nhi);
                 if (name == QLatin1String("Treatments")) return countText(p.treatments);
                 if (name == QLatin1String("Dose")) return figureText(p.dose, locale);
                 return QString();
               }));
  return r.prepare();
}

}  // namespace audit
