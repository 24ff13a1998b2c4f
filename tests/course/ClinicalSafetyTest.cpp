// What the open course lets into a record and what it shows as given: recorded treatments show
// the dose they delivered whatever the plan does, values outside the clinical limits are refused
// with nothing stored, one-line fields stay one line, and a course being recorded cannot be left.
// On both engines.

#include <gtest/gtest.h>
#include <QSignalSpy>

#include "../records/RecordsFixtures.h"
#include "CourseFixtures.h"
#include "base/DateTime.h"
#include "course/OpenCourse.h"
#include "records/CourseRow.h"
#include "report/CourseReport.h"
#include "report/TreatmentReport.h"
#include "report/TreatmentReportLayout.h"

namespace {

using course::Mode;
using course::OpenCourse;
using course_fixtures::demoTables;
using course_fixtures::visit;

class ClinicalSafetyTest : public testing_records::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    ASSERT_EQ(course.connectDatabase(dirPath()), records::Store::ConnectResult::Connected);
    course.setSearchText(course::SearchField::Nhi, "ABC1234");
    ASSERT_EQ(course.select(), course::SelectOutcome::Opened);
    // Skin type II, 40 years, the Average estimate as MED.
    course.setSkinType(1);
    course.setAge("40");
    course.chooseTone(1);
    ASSERT_FALSE(course.medText().isEmpty());
  }
  // The course as another workstation opens it now.
  std::unique_ptr<OpenCourse> reopened() {
    auto other = std::make_unique<OpenCourse>(demoTables());
    other->connectDatabase(dirPath());
    other->open("ABC1234", 1);
    return other;
  }
  static QString trimmed(const QString& s) { return s.trimmed(); }

  OpenCourse course{demoTables()};
};

TEST_F(ClinicalSafetyTest, RecordedRowsShowTheDoseDeliveredWhateverThePlanAndTheReportAddsThem) {
  course.recordTreatment(1, visit(Same, 172), false);
  course.recordTreatment(2, visit(Same, 260), false);
  course.recordTreatment(3, visit(Missed, 0), false);
  const dosing::RowValues planned = course.dosing().plannedDose();

  // A new MED and an edited increment work the plan out again; the recorded rows keep what was
  // delivered, the plan and the rows not recorded follow the new MED.
  course.setMed("400");
  dosing::RowTexts inc = course.dosing().grid().inc;
  inc[5] = "12";
  course.setIncrements(inc);
  ASSERT_NE(course.dosing().plannedDose()[0], planned[0]);
  for (const auto& shown : {course.shownDoses(), reopened()->shownDoses()}) {
    EXPECT_EQ(trimmed(shown[0]), "172");
    EXPECT_EQ(trimmed(shown[1]), "260");
    EXPECT_EQ(trimmed(shown[2]), "0");                    // the missed visit delivered nothing
    EXPECT_EQ(shown[3], course.dosing().grid().dose[3]);  // the plan for the rest
    EXPECT_EQ(trimmed(shown[3]), QString::number(static_cast<qint64>(course.dosing().plannedDose()[3])));
  }
  EXPECT_EQ(course.dosing().series().delivered.size(), 3u);  // the graph is the plan's, unchanged

  // The report's Dose column and its running sum add what the rows show.
  const report::ReportInput in = report::courseReportInput(course, QDate(2026, 12, 10), QLocale::c());
  report::Report r(report::treatmentReportLayout());
  report::TreatmentDatasets data(in, r);
  auto script = [&](int row, const char* field) {
    data.firstTreatmentRow();
    for (int k = 1; k < row; ++k) data.nextTreatmentRow();
    QVariant v;
    data.treatmentValue(QString::fromLatin1(field), v);
    return v;
  };
  EXPECT_EQ(trimmed(script(1, "Dose").toString()), "172");
  EXPECT_EQ(trimmed(script(3, "Dose").toString()), "0");
  EXPECT_EQ(script(3, "Accum").toLongLong(), 172 + 260);
  EXPECT_EQ(script(4, "Accum").toLongLong(), 172 + 260 + static_cast<qint64>(course.dosing().plannedDose()[3]));

  // The lifetime exposure counts the two treatments given, not the missed visit.
  const std::optional<treatment::Exposure> lifetime = course.lifetime();
  ASSERT_TRUE(lifetime);
  EXPECT_EQ(lifetime->treatments, 2);
  EXPECT_DOUBLE_EQ(lifetime->dose, 432);
}

TEST_F(ClinicalSafetyTest, AValueOutsideTheLimitsIsRefusedNothingIsStoredAndTheScreenShowsWhatIsHeld) {
  course.setBirthDate(datetime::fromQDateTime(QDateTime(QDate(1980, 5, 1), QTime(0, 0))));
  const QString age = course.dosing().ageText(), med = course.medText();
  const dosing::RowTexts inc = course.dosing().grid().inc, doses = course.dosing().grid().dose;
  // The columns a refused value could have reached, as stored.
  auto storedColumns = [&] { return testing_records::RawStore(file()).rows("SELECT Old, EdMed, PInc FROM Course"); };
  auto storedBirth = [&] { return testing_records::RawStore(file()).scalar("SELECT Birth FROM Patient"); };
  const std::vector<QVariantList> stored = storedColumns();
  const QVariant storedBirthDate = storedBirth();
  const double birth = course.birthDate().value;
  const double tomorrow = datetime::now() + 1;

  struct Case {
    const char* what;
    std::function<void()> act;
    const char* said;
  };
  auto increments = [&](int row, const char* text) {
    dosing::RowTexts typed = inc;
    typed[static_cast<std::size_t>(row - 1)] = QString::fromLatin1(text);
    course.setIncrements(typed);
  };
  const Case cases[] = {
      {"age 200", [&] { course.setAge("200"); }, "The Age \"200\" is too large"},
      {"letters in Age", [&] { course.setAge("abc"); }, "The Age \"abc\" is not a number"},
      {"a typed age and a tone", [&] { course.chooseTone(0, QStringLiteral("-3")); }, "The Age \"-3\" is too small"},
      {"a huge MED", [&] { course.setMed("99999999999"); }, "The MED \"99999999999\" is too large"},
      {"MED 0", [&] { course.setMed("0"); }, "The MED \"0\" is too small"},
      {"letters in MED", [&] { course.setMed("abc"); }, "The MED \"abc\" is not a whole number"},
      {"-100 %", [&] { increments(5, "-100"); }, "The \"% Inc\" of treatment 5 \"-100\" is too small"},
      {"a first dose of 0 %", [&] { increments(1, "0"); }, "The \"% Inc\" of treatment 1 \"0\" is too small"},
      {"born tomorrow", [&] { course.setBirthDate(tomorrow); }, "is in the future"},
      {"born 1899", [&] { course.setBirthDate(datetime::fromQDateTime(QDateTime(QDate(1899, 6, 1), QTime(0, 0)))); },
       "before"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QSignalSpy warnings(&course, &OpenCourse::warning);
    c.act();
    ASSERT_EQ(warnings.size(), 1);
    const QString said = warnings[0][1].toString();
    EXPECT_TRUE(said.contains(QString::fromUtf8(c.said))) << said.toStdString();
    EXPECT_TRUE(said.contains(QLatin1String("Nothing was stored"))) << said.toStdString();
    EXPECT_EQ(course.dosing().ageText(), age);
    EXPECT_EQ(course.medText(), med);
    EXPECT_EQ(course.dosing().grid().inc, inc);
    EXPECT_EQ(course.dosing().grid().dose, doses);  // no plan built on the refused value
    EXPECT_EQ(course.birthDate().value, birth);
    EXPECT_TRUE(course.printable());
    EXPECT_FALSE(course.hasPendingChanges());
    EXPECT_EQ(storedColumns(), stored);
    EXPECT_EQ(storedBirth(), storedBirthDate);
  }
  // An emptied MED box is no MED: stored as none, and there is no plan to print.
  course.setMed("");
  EXPECT_FALSE(course.printable());
  EXPECT_TRUE(testing_records::RawStore(file()).scalar("SELECT EdMed FROM Course").isNull());
}

TEST_F(ClinicalSafetyTest, ATreatmentThatCannotHaveBeenGivenIsNotRecorded) {
  const std::optional<bool> complete = course.courseComplete();
  for (const auto& entry : {visit(Same, 1e20f), visit(Missed, 300), visit(0, 100)}) {
    EXPECT_THROW(course.recordTreatment(4, entry, true), course::Error);
    EXPECT_FALSE(course.records()[3].recorded());
  }
  EXPECT_FALSE(records::loadCourseRecords(reopened()->data()).has_value());
  EXPECT_EQ(course.courseComplete(), complete);
}

TEST_F(ClinicalSafetyTest, PrintIsEnabledWhenACourseOpensBeforeThereIsAPlan) {
  course.returnToList();
  EXPECT_FALSE(course.printable());
  course.setSearchText(course::SearchField::Nhi, "XYZ0001");
  ASSERT_EQ(course.select(), course::SelectOutcome::Opened);
  EXPECT_TRUE(course.medText().isEmpty());
  EXPECT_TRUE(course.printable());  // the assessment and consent can be printed for signing
  const report::ReportInput in = report::courseReportInput(course, QDate(2026, 12, 10), QLocale::c());
  for (const auto& row : in.grid) EXPECT_TRUE(row[2].isEmpty());
}

TEST_F(ClinicalSafetyTest, WhileATreatmentIsBeingRecordedTheCourseIsNeitherLeftNorReplaced) {
  {
    const OpenCourse::RecordingScope recording = course.recordingTreatment();
    EXPECT_THROW(course.returnToList(), course::Error);
    EXPECT_THROW(course.select(), course::Error);
    EXPECT_THROW(course.open("ABC1234", 1), course::Error);
    EXPECT_EQ(course.mode(), Mode::Patient);
    course.recordTreatment(1, visit(Same), false);  // what the dialog gives is still recorded
  }
  EXPECT_TRUE(course.records()[0].recorded());
  course.returnToList();
  EXPECT_EQ(course.mode(), Mode::List);
}

TEST_F(ClinicalSafetyTest, OneLineFieldsStayOneLineAndACutTextIsSaid) {
  course.returnToList();
  course.setSearchText(course::SearchField::Nhi, "XYZ0002");
  course.setSearchText(course::SearchField::Surname, "Anna\tMaria\nSeco");
  ASSERT_EQ(course.select(), course::SelectOutcome::Opened);
  EXPECT_EQ(course.patientText(course::PatientText::Surname), "Anna Maria Seco");

  QSignalSpy warnings(&course, &OpenCourse::warning);
  course.setPatientText(course::PatientText::Surname, "Abcdefghij\r\nKlmnopqrstuvwxyz");
  EXPECT_EQ(course.patientText(course::PatientText::Surname), "Abcdefghij Klmnopqrs");
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings[0][1].toString().contains("more than the 20 its record keeps"))
      << warnings[0][1].toString().toStdString();
  course.setCourseText(course::CourseText::Referral, "Dr\tLock");
  EXPECT_EQ(course.courseText(course::CourseText::Referral), "Dr Lock");
  // A memo keeps its lines.
  course.setPatientText(course::PatientText::Address, "12 Harbour Road\nPortside");
  EXPECT_EQ(course.patientText(course::PatientText::Address), "12 Harbour Road\nPortside");
  EXPECT_EQ(warnings.size(), 1);
}

TEST_F(ClinicalSafetyTest, ABirthDateThatContradictsTheAgeShownOffersItsOwnAge) {
  ASSERT_EQ(course.dosing().ageText(), "40.0");
  const QDate today = QDate::currentDate();
  course.setBirthDate(datetime::fromQDateTime(QDateTime(today.addYears(-40).addDays(-30), QTime(0, 0))));
  EXPECT_FALSE(course.birthDateAge());  // agrees within a year
  course.setBirthDate(datetime::fromQDateTime(QDateTime(today.addYears(-46).addDays(-100), QTime(0, 0))));
  const std::optional<double> offered = course.birthDateAge();
  ASSERT_TRUE(offered);
  EXPECT_NEAR(*offered, 46.27, 0.05);
  EXPECT_EQ(course.dosing().ageText(), "40.0");  // not changed without asking
  course.takeAgeFromBirthDate();
  EXPECT_EQ(course.dosing().ageText(), "46.3");
  EXPECT_NEAR(reopened()->dosing().age(), 46.3, 1e-9);
  EXPECT_FALSE(course.birthDateAge());
}

}  // namespace
