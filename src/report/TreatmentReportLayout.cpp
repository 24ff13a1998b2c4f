#include "report/TreatmentReportLayout.h"

#include "treatment/TreatmentRecord.h"

namespace report {

namespace {

const QSizeF kA4Landscape(297.0, 210.0);
const QSizeF kA4Portrait(210.0, 297.0);
const QMarginsF kMargins(10.0, 10.0, 10.0, 10.0);

const QString P = QStringLiteral("PatientData");
const QString S = QStringLiteral("ScriptData");
const QString I = QStringLiteral("ImageData");

QString q(const char* text) { return QString::fromUtf8(text); }

PageLayout page(const char* name, const char* title, QSizeF paper) {
  PageLayout p;
  p.name = q(name);
  p.title = q(title);
  p.paper = paper;
  p.margins = kMargins;
  return p;
}

Band band(const char* name, double height, const QString& dataset = {}, int columns = 1, double columnWidth = 0) {
  Band b;
  b.name = q(name);
  b.height = height;
  b.dataset = dataset;
  b.columns = columns;
  b.columnWidth = columnWidth;
  return b;
}

// The consent block, in the report's face (12 pt heading, 8 pt text): the patient signs on the
// long underlined blank and dates it on the three short ones.
std::vector<Paragraph> consentBlock() {
  const TextStyle heading{12};
  const TextStyle text{8};
  auto line = [&](std::vector<Span> spans) { return Paragraph{std::move(spans), text}; };
  auto blank = [&](int width) { return Span{QString(width, QLatin1Char(' ')), text, true}; };
  // clang-format off
  return {
      Paragraph{{Span{q("CONSENT:"), heading}}, heading},
      line({}),
      line({Span{q("I have received the UV information sheet, the warnings have been explained to me and I "
                   "consent to treatment."),
                 text}}),
      line({}),
      line({Span{q("Patient's signiture "), text}, blank(60), Span{q("  Date "), text}, blank(10),
            Span{q("/"), text}, blank(10), Span{q("/"), text}, blank(10)}),
  };
  // clang-format on
}

// Texts of one line (names, numbers, dates) never break: one too long for its box is set smaller
// (down to half its size) so that it shows whole; texts of several lines break at blanks.
PageLayout summaryPage() {
  PageLayout summary = page("Page1", "Summary", kA4Landscape);
  // clang-format off
  summary.objects = {
      //      name          left   top    width  height  content
      picture(q("Logo"),     {0.0,   0.0,   40.0,  20.0}),
      field(q("Memo1"),      {43.2,  1.0,   63.0,  7.0},  P, q("Name")).pt(14).noWrap(),
      field(q("Memo12"),     {43.4,  8.0,   38.0,  6.0},  P, q("HospID")).noWrap(),
      label(q("Memo14"),     {43.5,  15.9,  41.0,  5.0},  q("Dose Sum Erythema %Inc")).pt(9),
      label(q("Memo34"),     {112.3, 9.8,   19.9,  4.6},  q("Birth Date:")).pt(10).bold(),
      field(q("Memo35"),     {132.0, 9.8,   35.2,  4.6},  P, q("Birth")).noWrap(),
      // The patient's lifetime exposure, in the header's free space under the birth date.
      field(q("Lifetime"),   {112.3, 15.4,  103.0, 4.6},  P, q("Lifetime")).pt(10).noWrap(),
      label(q("Memo3"),      {118.5, 1.0,   15.0,  7.0},  q("Age :")).pt(14),
      field(q("Memo4"),      {132.1, 1.0,   20.0,  8.0},  P, q("Age")).pt(14).noWrap(),
      label(q("Memo6"),      {152.4, 1.0,   66.0,  8.0},  q("NB UVB Treatment Report")).pt(14),
      picture(q("Picture1"), {217.2, 11.2,  8.0,   8.0}),
      variable(q("Memo7"),   {228.4, 1.0,   49.0,  6.0},  q("PrintDate")).pt(14).right().noWrap(),
      label(q("Memo8"),      {226.2, 13.3,  50.0,  4.0},  q("Halcyra - NB UVB Calculator")),
      rule(q("Line1"),       {2.6,   21.3}, 274.0, 2.0),
      label(q("Memo44"),     {275.5, 20.1,  2.7,   11.0}, q(kMakerWebAddress)).pt(3).turned(270).centred().noWrap(),
      subReport(q("Subreport1"), {-0.1, 22.0, 81.0,  157.0}, q("Page2")),
      picture(q("Diagram"),  {87.1,  21.0,  57.5,  70.0}),
      picture(q("Graph"),    {150.4, 22.5,  128.0, 100.0}),
      label(q("Memo13"),     {82.6,  90.0,  29.0,  33.0},
            q("Diagnosis\nReferral\nSkin Condition\n\nPrevious Rx\nResult\nFHistory")).pt(11).bold(),
      field(q("Memo23"),     {111.0, 90.0,  39.0,  33.0}, P, q("Details")).pt(11).noWrap(),
      label(q("Memo24"),     {82.6,  123.4, 22.0,  5.0},  q("Meds")).pt(11).bold(),
      field(q("Memo25"),     {80.8,  129.7, 48.5,  36.0}, P, q("Meds")).pt(9).frame(),
      label(q("Memo26"),     {132.3, 123.1, 29.0,  5.0},  q("PMH")).pt(11).bold(),
      field(q("Memo27"),     {130.3, 129.7, 48.5,  36.0}, P, q("Previous")).pt(9).frame(),
      label(q("Memo28"),     {180.3, 123.3, 38.0,  5.0},  q("Contra-indications")).pt(11).bold(),
      field(q("Memo29"),     {179.5, 129.7, 48.5,  36.0}, P, q("Contra")).pt(9).frame(),
      label(q("Memo30"),     {229.1, 123.2, 18.0,  5.0},  q("Contact")).pt(11).bold(),
      field(q("Memo31"),     {228.9, 129.7, 48.5,  36.0}, P, q("Contact")).pt(9).frame(),
      label(q("Memo32"),     {83.7,  166.9, 26.9,  15.6}, q("Referral Phy.\nAssess Date\nTherapist")).pt(11).bold(),
      field(q("Memo33"),     {111.8, 167.1, 50.4,  30.0}, P, q("Medics")).pt(11).noWrap(),
      richText(q("Rich1"),   {168.9, 167.2, 109.0, 24.0}, consentBlock()),
      // The colour legend: entries 1 to 7 of the response colour table, in order.
      label(q("Memo36"),     {2.0,   182.0, 14.0,  5.0},  q("missed")).on(responseColour(Missed)),
      label(q("Memo37"),     {17.2,  182.0, 14.0,  5.0},  q("worse")).on(responseColour(Worse)),
      label(q("Memo39"),     {32.9,  182.0, 14.0,  5.0},  q("same")).on(responseColour(Same)),
      label(q("Memo38"),     {49.0,  182.0, 14.0,  5.0},  q("clearing")).on(responseColour(Clearing)),
      label(q("Memo40"),     {65.0,  182.0, 14.0,  5.0},  q("burn I")).on(responseColour(BurnI)),
      label(q("Memo41"),     {80.7,  182.0, 14.0,  5.0},  q("burn II")).on(responseColour(BurnII)),
      label(q("Memo42"),     {96.8,  182.0, 14.0,  5.0},  q("burn III")).on(responseColour(BurnIII)),
  };
  // clang-format on
  return summary;
}

// The treatment table: one 5 mm line per treatment, without frames. The date and treatment cells
// take their background colours from the row's record as it is printed.
PageLayout treatmentTablePage() {
  PageLayout table = page("Page2", "Treatments", kA4Portrait);
  table.visible = false;
  Band rows = band("MasterData2", 5.0, S);
  // clang-format off
  rows.objects = {
      //    name        left  top  width height       field
      field(q("ScDate"), {0.0,  0.0, 13.0, 5.0}, S, q("ScDate")).noWrap(),
      field(q("Memo5"),  {12.2, 0.2, 30.0, 4.0}, S, q("Treatment")).noWrap(),
      field(q("Memo2"),  {41.6, 0.2, 11.0, 4.0}, S, q("Dose")).noWrap(),
      field(q("Memo10"), {52.9, 0.2, 10.0, 4.0}, S, q("Accum")).noWrap(),
      field(q("Memo9"),  {63.4, 0.2, 12.0, 4.0}, S, q("Erythema")).noWrap(),
      field(q("Memo11"), {75.7, 0.2, 10.0, 4.0}, S, q("%Increase")).noWrap(),
  };
  // clang-format on
  table.bands.push_back(std::move(rows));
  return table;
}

PageLayout photographPages() {
  PageLayout photographs = page("Page3", "Photographs", kA4Landscape);
  Band header = band("Header1", 15.0);
  header.repeatOnEveryPage = true;
  // clang-format off
  header.objects = {
      //      name          left   top   width height
      field(q("Memo16"),     {0.0,   0.0,  63.0, 7.0}, P, q("Name")).pt(14).noWrap(),
      field(q("Memo22"),     {0.0,   7.1,  36.0, 5.0}, P, q("HospID")).noWrap(),
      label(q("Memo17"),     {107.2, 0.0,  15.0, 7.0}, q("Age :")).pt(14),
      field(q("Memo18"),     {123.2, 0.0,  20.0, 8.0}, P, q("Age")).pt(14).noWrap(),
      label(q("Memo19"),     {147.0, 0.0,  66.0, 8.0}, q("NB UVB Treatment Report")).pt(14),
      picture(q("Picture6"), {216.0, 5.0,  8.0,  8.0}),
      variable(q("Memo20"),  {227.0, 0.0,  49.0, 6.0}, q("PrintDate")).pt(15).right().noWrap(),
      label(q("Memo21"),     {226.0, 8.0,  50.0, 4.0}, q("Halcyra - NB UVB Calculator")),
      rule(q("Line2"),       {-1.0,  13.6}, 274.0, 2.0),
  };
  // clang-format on
  Band photos = band("MasterData1", 55.7, I, 2, 140.0);
  // clang-format off
  photos.objects = {
      picture(q("Photo"), {1.0,  0.0, 55.0, 55.0}),
      field(q("Memo43"),  {62.0, 1.0, 25.0, 5.0},  I, q("ImageDate")).noWrap(),
      field(q("Memo15"),  {57.0, 8.0, 78.0, 47.0}, I, q("Comment")),
  };
  // clang-format on
  photographs.bands.push_back(std::move(header));
  photographs.bands.push_back(std::move(photos));
  return photographs;
}

}  // namespace

ReportLayout treatmentReportLayout() {
  ReportLayout layout;
  layout.pages = {summaryPage(), treatmentTablePage(), photographPages()};
  return layout;
}

}  // namespace report
