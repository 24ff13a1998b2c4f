#pragma once
// A small constructed department whose audit of 2024 is worked out by hand below, stored through
// a plain connection on either engine (the records packed as the program packs them).
//
// Period 2024-01-01 to 2024-12-31, review threshold 10 treatments.
//
//   AAA0001  type II   finished  4 given + 1 missed, a burn I; last response Clearing; 520 mJ/cm2
//   BBB0002  type IV   under way a burn III at 250 after 200 (+25 %), then a visit missed with a
//                                burn II (the treatment withheld)
//   CCC0003  type I    finished  across the period's start: 2 given in 2023 (one with a burn I, not
//                                counted), 2 in 2024; the whole course 4 treatments, 380 mJ/cm2
//   DDD0004  type V    finished  one treatment late on the last day (in), the last one on the next
//                                day (after the period: not finished in it, not in the lifetime)
//   EEE0005  type III  2022      8 given, and a missed visit that still holds a dose
//            Agressive           a burn III at its first treatment (no previous dose), one more in
//                                2024, one in 2025; lifetime up to the end 10: due a review
//   FFF0006  type III  2023      9 given, and one whose date cannot be read: kept in the lifetime
//                                (10, due a review) but in no period
//            (never recorded)    a course on which nothing was recorded
//   GGG0007  no type             only a missed visit in 2024: not treated
//   HHH0008  type VI   finished  3 given, the last "Worse" with a burn II, then a visit missed with
//                                a burn III (0 delivered, previous dose 70, no % Inc)
//
// Treatments given in 2024: 4 + 3 + 2 + 1 + 2 + 3 = 15; missed 4 (A, B, G, H). Burns: I 1 (A),
// II 2 (B missed, H), III 3 (B, E, H missed): 6 per 15 treatments = 40.00 per 100. Finished in
// 2024: A (4, 520), C (4, 380), H (3, 180): median 4, quartiles 3.5 and 4, median dose 380; last
// responses Clearing, Clearing, Worse.

#include <QDate>
#include <QStringList>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "RecordsFixtures.h"
#include "audit/AuditPeriod.h"
#include "treatment/CourseColumns.h"
#include "treatment/TreatmentRecord.h"

namespace audit_fixtures {

struct Visit {
  QDate date;  // an invalid date: a date that cannot be read
  std::int8_t condition;
  float dose;
  std::int8_t burn = NoBurn;
  double timeOfDay = 0.4;  // the fraction of the day: only the day counts
};

struct SeedCourse {
  const char* nhi;
  int courseId;
  std::optional<int> skinIndex;  // 0..5 types I..VI, 6 "Agressive"
  bool complete;
  std::vector<Visit> visits;   // treatments 1, 2, ...
  bool neverRecorded = false;  // Condition and the other record columns null
};

inline QDate day(const char* iso) { return audit::parseIsoDate(QString::fromLatin1(iso)); }

// `count` treatments "Same" of `dose`, two days apart from `first`.
inline std::vector<Visit> sameEveryOtherDay(const char* first, int count, float dose) {
  std::vector<Visit> visits;
  for (int k = 0; k < count; ++k) visits.push_back({day(first).addDays(2 * k), Same, dose});
  return visits;
}

inline std::vector<Visit> joined(std::vector<Visit> a, const std::vector<Visit>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline const std::vector<SeedCourse>& department() {
  // clang-format off
  static const std::vector<SeedCourse> courses{
      {"AAA0001", 1, 1, true,
       {{day("2024-03-04"), Same, 100}, {day("2024-03-06"), Same, 120}, {day("2024-03-08"), Missed, 0},
        {day("2024-03-11"), Clearing, 150, BurnI}, {day("2024-03-13"), Clearing, 150, NoBurn, 0.95}}},
      {"BBB0002", 1, 3, false,
       {{day("2024-05-02"), Worse, 200}, {day("2024-05-06"), Same, 250, BurnIII}, {day("2024-05-08"), Missed, 0, BurnII},
        {day("2024-05-10"), Same, 200}}},
      {"CCC0003", 1, 0, true,
       {{day("2023-12-20"), Same, 80}, {day("2023-12-28"), Same, 90, BurnI}, {day("2024-01-02"), Clearing, 100, NoBurn, 0.0},
        {day("2024-01-05"), Clearing, 110}}},
      {"DDD0004", 1, 4, true, {{day("2024-12-31"), Same, 300, NoBurn, 0.99}, {day("2025-01-01"), Same, 330, NoBurn, 0.01}}},
      {"EEE0005", 1, 2, true, joined(sameEveryOtherDay("2022-02-01", 8, 100), {{day("2022-03-01"), Missed, 999}})},
      {"EEE0005", 2, 6, false,
       {{day("2024-07-01"), Same, 150, BurnIII}, {day("2024-07-03"), Same, 160}, {day("2025-02-01"), Clearing, 170}}},
      {"FFF0006", 1, 2, true, joined(sameEveryOtherDay("2023-04-03", 9, 100), {{QDate(), Same, 100}})},
      {"FFF0006", 2, 2, false, {}, true},
      {"GGG0007", 1, std::nullopt, false, {{day("2024-06-01"), Missed, 0}}},
      {"HHH0008", 1, 5, true,
       {{day("2024-09-02"), Worse, 50}, {day("2024-09-04"), Same, 60}, {day("2024-09-06"), Worse, 70, BurnII},
        {day("2024-09-09"), Missed, 0, BurnIII}}},
  };
  // clang-format on
  return courses;
}

inline const audit::Period kYear{QDate(2024, 1, 1), QDate(2024, 12, 31)};
inline constexpr int kThreshold = 10;

// The audit of 2024 with threshold 10, as the tool prints it.
inline QString expectedYear() {
  return QStringLiteral(
      "patients\t6\ncourses\t6\ntreatments\t15\nmissed\t4\n"
      "burn1\t1\nburn2\t2\nburn3\t3\nburn_per_100\t40.00\n"
      "burn1_type_1\t0\nburn2_type_1\t0\nburn3_type_1\t0\nburn_per_100_type_1\t0.00\n"
      "burn1_type_2\t1\nburn2_type_2\t0\nburn3_type_2\t0\nburn_per_100_type_2\t25.00\n"
      "burn1_type_3\t0\nburn2_type_3\t0\nburn3_type_3\t0\nburn_per_100_type_3\t-\n"
      "burn1_type_4\t0\nburn2_type_4\t1\nburn3_type_4\t1\nburn_per_100_type_4\t66.67\n"
      "burn1_type_5\t0\nburn2_type_5\t0\nburn3_type_5\t0\nburn_per_100_type_5\t0.00\n"
      "burn1_type_6\t0\nburn2_type_6\t1\nburn3_type_6\t1\nburn_per_100_type_6\t66.67\n"
      "finished_courses\t3\nmedian_treatments\t4.0\nq1_treatments\t3.5\nq3_treatments\t4.0\n"
      "median_cumulative_dose\t380.0\n"
      "last_clearing_pct\t66.7\nlast_same_pct\t0.0\nlast_worse_pct\t33.3\n"
      "patients_over_threshold\t2\n"
      "over\tEEE0005\t10\t1110.0\n"
      "over\tFFF0006\t10\t1000.0\n"
      "grade3\tBBB0002\t2024-05-06\t250.0\t200.0\t25.0\n"
      "grade3\tEEE0005\t2024-07-01\t150.0\t-\t-\n"
      "grade3\tHHH0008\t2024-09-09\t0.0\t70.0\t-\n");
}

// Stores the department through `raw`: a patient row for each NHI, then the courses.
inline void storeDepartment(testing_records::RawStore& raw) {
  QStringList patients;
  for (const SeedCourse& c : department()) {
    const QString nhi = QString::fromLatin1(c.nhi);
    if (!patients.contains(nhi)) {
      patients << nhi;
      raw.addPatient(nhi, QStringLiteral("Audit"), 4, 2);
    }
    if (c.neverRecorded) {
      raw.exec(QStringLiteral("INSERT INTO Course (Hosp, CourseID, SkinIndex, Complete) VALUES (?, ?, ?, ?)"),
               {nhi, c.courseId, c.skinIndex ? QVariant(*c.skinIndex) : QVariant(), c.complete});
      continue;
    }
    std::array<TreatmentRecord, kTreatments> records{};
    for (std::size_t k = 0; k < c.visits.size(); ++k) {
      const Visit& v = c.visits[k];
      records[k].response = v.condition;
      records[k].burn = v.burn;
      records[k].Dose = v.dose;
      records[k].When = v.date.isValid() ? static_cast<double>(audit::dayNumber(v.date)) + v.timeOfDay
                                         : std::numeric_limits<double>::quiet_NaN();
    }
    const treatment::TableColumns packed = treatment::packTable(records);
    raw.exec(
        QStringLiteral("INSERT INTO Course (Hosp, CourseID, SkinIndex, Complete, Burn, Condition, Temperature, Dose, "
                       "WhenDate, TxTime, Initials) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {nhi, c.courseId, c.skinIndex ? QVariant(*c.skinIndex) : QVariant(), c.complete, packed.burn, packed.response,
         packed.Temperature, packed.Dose, packed.WhenDate, packed.TxTime, packed.Initials});
  }
}

}  // namespace audit_fixtures
