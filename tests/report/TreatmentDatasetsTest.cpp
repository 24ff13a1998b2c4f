// The report's three datasets over what the window shows.
#include <gtest/gtest.h>

#include "ReportFixtures.h"
#include "report/TreatmentReport.h"
#include "report/TreatmentReportLayout.h"

using namespace report;
using report_fixtures::sampleInput;

namespace {

// The datasets of one input, with the report whose objects they colour.
struct Datasets {
  explicit Datasets(ReportInput input) : in(std::move(input)), report(treatmentReportLayout()), data(in, report) {}

  QVariant script(int row, const char* field) {
    data.firstTreatmentRow();
    for (int r = 1; r < row; ++r) data.nextTreatmentRow();
    QVariant v;
    data.treatmentValue(QString::fromLatin1(field), v);
    return v;
  }
  QString patient(const char* field) {
    data.firstPatientRow();
    QVariant v;
    data.patientValue(QString::fromLatin1(field), v);
    return v.toString();
  }
  QColor fill(const char* object) { return report.findObject(QString::fromLatin1(object))->fill; }

  ReportInput in;
  Report report;
  TreatmentDatasets data;
};

}  // namespace

TEST(ScriptData, HasOneRowPerTreatment) {
  Datasets d(sampleInput());
  int rows = 0;
  for (d.data.firstTreatmentRow(); !d.data.pastLastTreatmentRow(); d.data.nextTreatmentRow()) ++rows;
  EXPECT_EQ(rows, 29);
}

TEST(ScriptData, RowNotRecordedShowsItsNumberOnWhite) {
  Datasets d(sampleInput());
  d.fill("ScDate") = Qt::red;  // left over from an earlier row
  d.fill("Memo5") = Qt::red;
  EXPECT_EQ(d.script(5, "ScDate").toString(), "5");
  EXPECT_EQ(d.fill("ScDate"), QColor(Qt::white));
  EXPECT_EQ(d.script(5, "Treatment").toString(), "");
  EXPECT_EQ(d.fill("Memo5"), QColor(Qt::white));
}

TEST(ScriptData, RecordedRowShowsDateOnBurnColourAndTreatmentOnResponseColour) {
  Datasets d(sampleInput());
  EXPECT_EQ(d.script(3, "ScDate").toString(), "07 Mar");
  EXPECT_EQ(d.fill("ScDate"), QColor(255, 217, 213));
  EXPECT_EQ(d.script(3, "Treatment").toString(), "AB 36.5C 02:30");
  EXPECT_EQ(d.fill("Memo5"), QColor(255, 251, 240));
  // Without a burn the date is on white.
  d.script(1, "ScDate");
  EXPECT_EQ(d.fill("ScDate"), QColor(Qt::white));
}

TEST(ScriptData, FollowsTheLocale) {
  ReportInput in = sampleInput();
  in.locale = QLocale(QLocale::German, QLocale::Germany);
  Datasets d(in);
  EXPECT_EQ(d.script(3, "Treatment").toString(), "AB 36,5C 02:30");
  EXPECT_EQ(d.script(3, "ScDate").toString(), QLocale(QLocale::German).toString(QDate(2025, 3, 7), u"dd MMM"));
}

TEST(ScriptData, CopiesTheGridColumns) {
  Datasets d(sampleInput());
  EXPECT_EQ(d.script(7, "Dose").toString(), d.in.grid[6][2]);
  EXPECT_EQ(d.script(7, "Erythema").toString(), d.in.grid[6][3]);
  EXPECT_EQ(d.script(7, "%Increase").toString(), d.in.grid[6][4]);
  EXPECT_FALSE(d.script(7, "Nonsense").isValid());  // an unknown field leaves the value unset
}

TEST(ScriptData, AccumSumsTheLeadingWholeNumbersOfColumnTwo) {
  struct Case {
    std::vector<const char*> cells;
    int row;
    qlonglong sum;
  };
  // clang-format off
  const Case cases[] = {
      {{"  250", "  275", "  300"}, 3, 825},
      {{"  250", "", "  275", "  300"}, 4, 825},          // an empty cell adds nothing
      {{"  250", "  275", "  300", " 1000"}, 3, 825},     // rows below do not count
      {{"250.7", " 12 mJ", "abc", "-5"}, 4, 257},         // the leading whole number only
  };
  // clang-format on
  for (const Case& c : cases) {
    ReportInput in = sampleInput();
    for (auto& row : in.grid) row[2].clear();
    for (std::size_t i = 0; i < c.cells.size(); ++i) in.grid[i][2] = QString::fromLatin1(c.cells[i]);
    Datasets d(in);
    const QVariant v = d.script(c.row, "Accum");
    EXPECT_EQ(v.typeId(), QMetaType::LongLong);
    EXPECT_EQ(v.toLongLong(), c.sum) << c.cells.front();
  }
  // Cells of absurd length cannot overflow the sum.
  ReportInput in = sampleInput();
  for (auto& row : in.grid) row[2] = QString(40, QLatin1Char('9'));
  EXPECT_GT(Datasets(in).script(29, "Accum").toLongLong(), 0);
}

TEST(PatientData, HasTwoIdenticalRows) {
  Datasets d(sampleInput());
  QStringList names;
  for (d.data.firstPatientRow(); !d.data.pastLastPatientRow(); d.data.nextPatientRow()) {
    QVariant v;
    d.data.patientValue(QStringLiteral("Name"), v);
    names << v.toString();
  }
  EXPECT_EQ(names, QStringList({"Whitfield", "Whitfield"}));
}

TEST(PatientData, JoinsTheAssessmentLinesWithLineFeeds) {
  ReportInput in = sampleInput();
  in.previousRx.clear();  // no radio button chosen: an empty line
  Datasets d(in);
  EXPECT_EQ(d.patient("Details"), "Psioriasis\nNB UVB - Low\nScaley\n3 years\n\nCleared\nMother");
  EXPECT_EQ(d.patient("Medics"), "Dr Lock\n03/03/2025\nJane Doe");
  EXPECT_EQ(d.patient("Meds"), "Methotrexate 10 mg weekly");
  EXPECT_EQ(d.patient("Previous"), "Appendectomy 1998");
  EXPECT_EQ(d.patient("HospID"), "ABC1234");
  EXPECT_EQ(d.patient("Age"), "45.5");
}

TEST(PatientData, ContactKeepsItsLabelsTrailingBlanks) {
  Datasets d(sampleInput());
  EXPECT_EQ(d.patient("Contact"), "12 Harbour Road\nPortside\n\nHome 0123456\nCell    0987654\nWork  0555111");
}

TEST(PatientData, ContraListsTheTickedBoxesInBoxOrder) {
  struct Case {
    std::array<bool, 6> boxes;
    const char* text;
  };
  const Case cases[] = {
      {{}, ""},
      {{false, true, false, false, false, true}, "Multiple dysplastic naevi (moles)\nClaustrophobia"},
      {{true, false, false, false, true, false}, "Previous Skin Cancer\nPhotosensitising drugs\n"},
      {{false, false, true, true, false, false}, "HyperSensitivity to UV (eg albinism)\nPregnant\n"},
  };
  for (const Case& c : cases) {
    ReportInput in = sampleInput();
    in.contraindications = c.boxes;
    EXPECT_EQ(Datasets(in).patient("Contra"), QString::fromLatin1(c.text));
  }
}

TEST(PatientData, BirthDateNeverEnteredIsEmpty) {
  ReportInput in = sampleInput();
  in.birthText = datePickerText(QDate(1979, 9, 14), true, in.locale);
  EXPECT_EQ(Datasets(in).patient("Birth"), "");
  EXPECT_EQ(datePickerText(QDate(), false, in.locale), "");
  EXPECT_EQ(datePickerText(QDate(1979, 9, 14), false, in.locale), "14/09/1979");
}

TEST(ImageData, StepsThroughThePhotographsAndEndsEachNoteLineWithALineFeed) {
  struct Case {
    const char* note;
    const char* comment;
  };
  // clang-format off
  const Case cases[] = {
      {"", ""}, {"one line", "one line\n"}, {"two\nlines", "two\nlines\n"},
      {"typed on Windows\r\nlines\r\n", "typed on Windows\nlines\n"}, {"\n", "\n"},
  };
  // clang-format on
  ReportInput in = sampleInput(static_cast<int>(std::size(cases)));
  for (std::size_t i = 0; i < std::size(cases); ++i) in.photographs[i].note = QString::fromLatin1(cases[i].note);
  Datasets d(in);
  std::size_t row = 0;
  for (d.data.firstPhotographRow(); !d.data.pastLastPhotograph(); d.data.nextPhotographRow(), ++row) {
    QVariant comment, date;
    d.data.photographValue(QStringLiteral("Comment"), comment);
    d.data.photographValue(QStringLiteral("ImageDate"), date);
    EXPECT_EQ(comment.toString(), QString::fromLatin1(cases[row].comment)) << row;
    EXPECT_EQ(date.toString(), in.photographs[row].dateText);
  }
  EXPECT_EQ(row, std::size(cases));
}

TEST(ImageData, WithoutPhotographsIsAtItsEndAtOnce) {
  Datasets d(sampleInput());
  d.data.firstPhotographRow();
  EXPECT_TRUE(d.data.pastLastPhotograph());
  QVariant v;
  d.data.photographValue(QStringLiteral("Comment"), v);
  EXPECT_FALSE(v.isValid());
}

TEST(PdfFileName, IsTheNhiFollowedByPdf) {
  EXPECT_EQ(pdfFileName(QStringLiteral("ABC1234")), "ABC1234.pdf");
  EXPECT_EQ(pdfFileName(QStringLiteral("AB/12\\3")), "AB_12_3.pdf");
}
