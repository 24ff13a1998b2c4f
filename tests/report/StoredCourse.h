#pragma once
// A database holding one patient's course as a therapist leaves it, made through the open course:
// planned, three treatments recorded, assessed, with spots and photographs, each photograph with
// its date and note. Beside it, the dose factor file it was planned with.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "ReportFixtures.h"
#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "course/OpenCourse.h"
#include "dosing/FactorDescription.h"
#include "dosing/FactorFile.h"
#include "records/Database.h"
#include "treatment/ScheduleRules.h"

namespace report_fixtures {

// The demonstration calibration kept in the repository, with its logo.
inline FactorTables demoTables() {
  auto d = dosing::readFactorDescription(QStringLiteral(HALCYRA_SOURCE_DIR "/demo/UVB_Factors.txt"));
  d.tables.Logo = dosing::decodeBitmap(d.logoBmp);
  return d.tables;
}

inline treatment::TreatmentEntry entry(std::int8_t condition, std::int8_t burn, int day, const char* initials,
                                       float temperature, const char* time) {
  treatment::TreatmentEntry e;
  e.condition = condition;
  e.burn = burn;
  e.dose = 0;
  e.temperature = temperature;
  e.when = report_fixtures::day(2025, 3, day);
  e.initials = QString::fromLatin1(initials);
  e.time = QString::fromLatin1(time);
  return e;
}

// Fills the open course `c` (connected, in list mode) as a therapist would: the patient ABC1234
// Whitfield selected, planned, three treatments recorded, assessed, a spot, and `photographs`
// photographs (written into `folder` and dropped), each with its date and note.
inline void fillCourse(course::OpenCourse& c, const QString& folder, int photographs) {
  using course::CourseText;
  using course::PatientText;
  c.setSearchText(course::SearchField::Nhi, QStringLiteral("ABC1234"));
  c.setSearchText(course::SearchField::Surname, QStringLiteral("Whitfield"));
  EXPECT_EQ(c.select(), course::SelectOutcome::Opened);
  c.setSkinType(2);
  c.setBirthDate(report_fixtures::day(1979, 9, 14));
  c.chooseTone(1);
  c.recordTreatment(1, entry(Clearing, NoBurn, 3, "JD", 36.0f, "01:30"), false);
  c.recordTreatment(2, entry(Same, NoBurn, 5, "JD", 36.2f, "01:45"), false);
  c.recordTreatment(3, entry(Same, BurnI, 7, "AB", 36.5f, "02:30"), false);
  c.setCourseText(CourseText::Diagnosis, QStringLiteral("Psioriasis"));
  c.setCourseText(CourseText::TreatmentType, QStringLiteral("NB UVB - Low"));
  c.setCourseChoice(course::CourseChoice::Condition, 1);
  c.setCourseText(CourseText::Duration, QStringLiteral("3 years"));
  c.setPreviousTreatment(0);
  c.setCourseText(CourseText::PreviousResult, QStringLiteral("Cleared"));
  c.setPatientText(PatientText::FamilyHistory, QStringLiteral("Mother"));
  c.setCourseText(CourseText::Medication, QStringLiteral("Methotrexate 10 mg weekly"));
  c.setCourseText(CourseText::Operations, QStringLiteral("Appendectomy 1998"));
  c.setContraindications(2 | 32);
  c.setPatientText(PatientText::Address, QStringLiteral("12 Harbour Road\nPortside"));
  c.setPatientText(PatientText::HomePhone, QStringLiteral("0123456"));
  c.setPatientText(PatientText::CellPhone, QStringLiteral("0987654"));
  c.setPatientText(PatientText::WorkPhone, QStringLiteral("0555111"));
  c.setCourseText(CourseText::Referral, QStringLiteral("Dr Lock"));
  c.setAssessmentDate(report_fixtures::day(2025, 3, 3));
  c.setCourseText(CourseText::Therapist, QStringLiteral("Jane Doe"));
  c.clickDiagram(QPoint(60, 80), false);
  for (int i = 1; i <= photographs; ++i) {
    const QString file = QDir(folder).filePath(QStringLiteral("elbow%1.jpg").arg(i));
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpeg::encode(report_fixtures::marked(QSize(640, 480), QColor(60 * i, 120, 200)), 90));
    out.close();
    c.addPhotographFile(file);
    c.setPhotographDate(report_fixtures::day(2025, 3, i));
    c.setPhotographNote(QStringLiteral("Elbow, week %1\nplaque thinner").arg(i));
  }
}

// A database of its own holding that course, and the dose factor file it was planned with.
struct StoredCourse {
  QTemporaryDir dir;
  QString factorFile;
  std::unique_ptr<course::OpenCourse> course;

  explicit StoredCourse(int photographs = 3) {
    records::createDatabase(dir.path());
    const FactorTables tables = demoTables();
    factorFile = dir.filePath("UVB_Factors.Dat");
    dosing::writeFactorFile(factorFile, tables);
    course = std::make_unique<course::OpenCourse>(tables);
    EXPECT_EQ(course->connectDatabase(dir.path()), records::Store::ConnectResult::Connected);
    fillCourse(*course, dir.path(), photographs);
  }
};

}  // namespace report_fixtures
