// What the report takes from the open course, and where the photographs stand after printing.
#include <gtest/gtest.h>

#include "StoredCourse.h"
#include "report/CourseReport.h"
#include "report/TreatmentReport.h"
#include "report/TreatmentReportLayout.h"

using namespace report;
using report_fixtures::StoredCourse;

TEST(CourseReport, TakesWhatTheWindowShowsOfTheOpenCourse) {
  StoredCourse stored;
  const course::OpenCourse& c = *stored.course;
  const QLocale english(QLocale::English, QLocale::UnitedKingdom);
  const ReportInput in = courseReportInput(c, QDate(2025, 3, 21), english);

  EXPECT_EQ(in.surname, "Whitfield");
  EXPECT_EQ(in.nhi, "ABC1234");
  EXPECT_EQ(in.ageText, c.dosing().ageText());
  EXPECT_FALSE(in.ageText.isEmpty());
  EXPECT_EQ(in.birthText, "14/09/1979");
  EXPECT_EQ(in.assessDateText, "03/03/2025");
  EXPECT_EQ(in.condition, "Scaley");
  EXPECT_EQ(in.previousRx, "Yes");
  EXPECT_EQ(in.contraindications, (std::array<bool, 6>{false, true, false, false, false, true}));

  Report r(treatmentReportLayout());
  TreatmentDatasets data(in, r);
  data.firstPatientRow();
  auto patient = [&](const char* field) {
    QVariant v;
    data.patientValue(QString::fromLatin1(field), v);
    return v.toString();
  };
  EXPECT_EQ(patient("Details"), "Psioriasis\nNB UVB - Low\nScaley\n3 years\nYes\nCleared\nMother");
  EXPECT_EQ(patient("Contact"), "12 Harbour Road\nPortside\n\nHome 0123456\nCell    0987654\nWork  0555111");
  EXPECT_EQ(patient("Medics"), "Dr Lock\n03/03/2025\nJane Doe");
  EXPECT_EQ(patient("Meds"), "Methotrexate 10 mg weekly");
  EXPECT_EQ(patient("Previous"), "Appendectomy 1998");

  // The schedule as the grid shows it, and the records.
  for (std::size_t r = 0; r < kTreatments; ++r) {
    EXPECT_EQ(in.grid[r][0], QString::number(r + 1));
    // Recorded rows show what they delivered (these three were recorded without a dose), the
    // others the plan.
    EXPECT_EQ(in.grid[r][2], r < 3 ? QStringLiteral("    0") : c.dosing().grid().dose[r]);
    EXPECT_EQ(in.grid[r][4], c.dosing().grid().inc[r]);
  }
  data.firstTreatmentRow();
  data.nextTreatmentRow();
  data.nextTreatmentRow();
  QVariant treatment;
  data.treatmentValue("Treatment", treatment);
  EXPECT_EQ(treatment.toString(), "AB 36.5C 02:30");

  // Pictures: the diagram with its spot, the factor file's logo, the program's icon.
  EXPECT_EQ(in.diagram, c.diagram());
  EXPECT_FALSE(in.logo.isNull());
  EXPECT_EQ(in.icon.size(), QSize(32, 32));

  // The photographs in order, each with its date text and note; a photograph without a date has
  // an empty date text.
  ASSERT_EQ(in.photographs.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(in.photographs[i].dateText, QStringLiteral("0%1/03/2025").arg(i + 1));
    EXPECT_EQ(in.photographs[i].note, QStringLiteral("Elbow, week %1\nplaque thinner").arg(i + 1));
    EXPECT_FALSE(in.photographs[i].jpeg.isEmpty());
  }
}

TEST(CourseReport, PrintingLeavesTheLastPhotographShownAndItsNotesStored) {
  StoredCourse stored;
  course::OpenCourse& c = *stored.course;
  c.stepPhotograph(false);
  c.stepPhotograph(false);
  ASSERT_EQ(c.photographNumber(), 1);
  c.setPhotographNote(QStringLiteral("typed before printing"));
  c.showLastPhotograph();
  EXPECT_EQ(c.photographNumber(), 3);
  EXPECT_EQ(c.photographNote(), "Elbow, week 3\nplaque thinner");
  EXPECT_EQ(c.photographs()[0].note, "typed before printing");

  // Without photographs it changes nothing.
  StoredCourse bare(0);
  bare.course->showLastPhotograph();
  EXPECT_EQ(bare.course->photographCount(), 0);
}
