#pragma once
// A course as the window shows it, ready to print: a planned course of 29 treatments with the
// first three recorded, an assessment, contacts, pictures and as many photographs as asked for.

#include <QColor>
#include <QDate>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QTime>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "base/JpegCodec.h"
#include "dosing/DefaultSchedules.h"
#include "dosing/TreatmentPlan.h"
#include "report/ReportInput.h"

namespace report_fixtures {

// A picture of one colour with a black band across its top quarter, so its orientation shows.
inline QImage marked(QSize size, const QColor& colour) {
  QImage image(size, QImage::Format_RGB888);
  image.fill(colour);
  QPainter p(&image);
  p.fillRect(QRect(0, 0, size.width(), size.height() / 4), Qt::black);
  return image;
}

inline double day(int y, int m, int d) { return datetime::fromQDateTime(QDateTime(QDate(y, m, d), QTime(10, 0))); }

inline TreatmentRecord recorded(std::int8_t response, std::int8_t burn, const char* initials, float temperature,
                                const char* time, double when, float dose = 0) {
  TreatmentRecord c;
  c.response = response;
  c.burn = burn;
  c.Initials = initials;
  c.Temperature = temperature;
  c.time = time;
  c.When = when;
  c.Dose = dose;
  return c;
}

// The plan of an MED of 250 on the third default schedule, with `records` recorded.
inline dosing::PlanOutput samplePlan(std::span<const TreatmentRecord> records) {
  dosing::PlanInput plan;
  plan.medText = QStringLiteral("250");
  plan.skinTypeText = QStringLiteral("Type III");
  plan.estimatedItem = 2;
  plan.sensitiveMeds.fill(200);
  plan.averageMeds.fill(250);
  plan.insensitiveMeds.fill(300);
  plan.MED_Min.fill(1);
  plan.MED_Max.fill(100000);
  for (int r = 0; r < kTreatments; ++r) {
    plan.inc[static_cast<std::size_t>(r)] = fmt::D(dosing::DefIncTable[2][static_cast<std::size_t>(r)]);
    plan.defInc[static_cast<std::size_t>(r)] = plan.inc[static_cast<std::size_t>(r)];
  }
  plan.records = records;
  return dosing::computePlan(plan);
}

// A course planned from an MED of 250 on the third default schedule, with the first three
// treatments recorded.
inline report::ReportInput sampleInput(int photographs = 0) {
  report::ReportInput in;
  in.locale = QLocale(QLocale::English, QLocale::UnitedKingdom);
  in.printDate = QDate(2025, 3, 21);
  in.surname = QStringLiteral("Whitfield");
  in.nhi = QStringLiteral("ABC1234");
  in.ageText = QStringLiteral("45.5");
  in.birthText = QStringLiteral("14/09/1979");
  in.lifetime = QStringLiteral("Lifetime: 84 treatments, 61.2 J/cm²");
  in.diagnosis = QStringLiteral("Psioriasis");
  in.treatmentType = QStringLiteral("NB UVB - Low");
  in.condition = QStringLiteral("Scaley");
  in.duration = QStringLiteral("3 years");
  in.previousRx = QStringLiteral("Yes");
  in.rxResult = QStringLiteral("Cleared");
  in.familyHistory = QStringLiteral("Mother");
  in.medication = QStringLiteral("Methotrexate 10 mg weekly");
  in.pastHistory = QStringLiteral("Appendectomy 1998");
  in.contraindications = {false, true, false, false, false, true};
  in.address = QStringLiteral("12 Harbour Road\nPortside");
  in.homePhone = QStringLiteral("0123456");
  in.cellPhone = QStringLiteral("0987654");
  in.workPhone = QStringLiteral("0555111");
  in.referringPhysician = QStringLiteral("Dr Lock");
  in.assessDateText = QStringLiteral("03/03/2025");
  in.therapist = QStringLiteral("Jane Doe");

  in.records[0] = recorded(Clearing, NoBurn, "JD", 36.0f, "01:30", day(2025, 3, 3), 250);
  in.records[1] = recorded(Same, NoBurn, "JD", 36.2f, "01:45", day(2025, 3, 5), 275);
  in.records[2] = recorded(Same, BurnI, "AB", 36.5f, "02:30", day(2025, 3, 7), 300);

  const dosing::PlanOutput plan = samplePlan(in.records);
  for (int r = 0; r < kTreatments; ++r) {
    auto& row = in.grid[static_cast<std::size_t>(r)];
    row[0] = fmt::D(r + 1);
    row[2] = plan.dose[static_cast<std::size_t>(r)];
    row[3] = plan.erythema[static_cast<std::size_t>(r)];
    row[4] = fmt::D(dosing::DefIncTable[2][static_cast<std::size_t>(r)]);
  }

  in.diagram = marked(QSize(216, 263), QColor(230, 230, 255));
  in.logo = marked(QSize(160, 80), QColor(0, 120, 200));
  in.icon = marked(QSize(32, 32), QColor(255, 200, 0));
  static const QColor colours[] = {QColor(200, 40, 40),  QColor(40, 160, 40),  QColor(40, 40, 200),
                                   QColor(200, 160, 40), QColor(160, 40, 200), QColor(40, 160, 160)};
  for (int i = 0; i < photographs; ++i) {
    report::ReportPhotograph p;
    p.dateText = QStringLiteral("0%1/03/2025").arg(i + 1);
    p.note = QStringLiteral("Elbow, week %1\nplaque thinner").arg(i + 1);
    p.jpeg = jpeg::encode(marked(QSize(500, 375), colours[i % 6]), 90);
    in.photographs.push_back(p);
  }
  return in;
}

}  // namespace report_fixtures
