#pragma once
// The department's audit of a period: how often treatments burned and how badly, how many
// treatments a finished course took and what it delivered, and whose lifetime exposure is due a
// review. Worked out one course at a time from the records as stored, so that a department of any
// size is read once, a page of courses at a time (StoreAudit.h), and a small table of courses in a
// test gives the same figures.
//
// What counts, as everywhere in the program:
//   - A treatment is given when its record is recorded and not "Missed". A missed visit counts as
//     missed, never as a treatment, and delivers nothing (TreatmentRecord::deliveredDose).
//   - A treatment or visit belongs to the period when the day of its When lies in it.
//   - A patient is treated, and a course counts, when a treatment was given in the period.
//   - A burn counts where it is recorded: at a treatment given, or at a visit missed (a treatment
//     withheld because the last one burned is recorded so, and its burn must not drop out of the
//     audit). Burn rates are burns of every grade per 100 treatments given.
//   - The skin type of a course is its SkinIndex, 0..5 for types I..VI. A course without one (none
//     chosen, or item 6 "Agressive", a schedule rather than a skin type) counts in the department's
//     figures and in no skin type's.
//   - A finished course is one marked finished (Complete) whose last treatment given (the highest
//     treatment number given) is dated in the period. Its treatments and cumulative dose are those
//     of the whole course, and its last response is the response at that treatment.
//   - A patient's lifetime treatments and dose are those given over all courses, less those dated
//     after the period's end; a treatment whose date cannot be read is kept, so that no review is
//     missed for a damaged date. A patient reaches the review threshold at that many treatments.

#include <QHash>
#include <QString>
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "audit/AuditPeriod.h"
#include "treatment/Exposure.h"
#include "treatment/TreatmentRecord.h"

namespace audit {

inline constexpr int kSkinTypes = 6;  // I..VI

// Treatments given and burns recorded in one part of the period (the department, a skin type, a
// month).
struct BurnTally {
  qint64 treatments = 0;
  std::array<qint64, 3> grade{};  // "Burn I", "Burn II", "Burn III"

  qint64 burns() const { return grade[0] + grade[1] + grade[2]; }
  // Burns of every grade per 100 treatments given; nothing without a treatment.
  std::optional<double> per100() const;
  friend bool operator==(const BurnTally&, const BurnTally&) = default;
};

// A grade III burn of the period, with the dose step before it.
struct GradeThreeBurn {
  QString nhi;
  int courseId = 0;
  int treatment = 0;  // 1..29
  QDate date;
  double dose = 0;  // delivered at that visit: nothing (0) when the visit was missed
  // Delivered by the course's last treatment given before it; nothing when there was none.
  std::optional<double> previousDose;
  // From the previous dose to this one, in percent; nothing when this visit gave no treatment or
  // no previous dose above 0 was given.
  std::optional<double> increase;
  friend bool operator==(const GradeThreeBurn&, const GradeThreeBurn&) = default;
};

// A patient whose lifetime treatments reach the review threshold.
struct LifetimeReview {
  QString nhi;
  int treatments = 0;
  double dose = 0;  // mJ/cm2 delivered by them
  friend bool operator==(const LifetimeReview&, const LifetimeReview&) = default;
};

struct Figures {
  Period period;
  std::optional<int> threshold;  // nothing: the department set none

  qint64 patients = 0;  // treated in the period
  qint64 courses = 0;   // with a treatment given in the period
  qint64 missed = 0;    // visits missed in the period
  BurnTally all;        // its treatments: those given in the period
  std::array<BurnTally, kSkinTypes> bySkinType;
  std::map<int, BurnTally> byMonth;  // by monthKey(), the months with a treatment or a burn

  qint64 finishedCourses = 0;
  // Finished courses by their number of treatments given (index 0..29).
  std::array<qint64, kTreatments + 1> finishedByTreatments{};
  std::optional<double> medianTreatments, q1Treatments, q3Treatments;
  std::optional<double> medianCumulativeDose;  // mJ/cm2 delivered
  // Shares of the finished courses whose last response was "Clearing", "Same", "Worse", in percent.
  std::optional<double> lastClearingPct, lastSamePct, lastWorsePct;

  std::vector<LifetimeReview> reviews;     // most treatments first, then by NHI; empty without a threshold
  std::vector<GradeThreeBurn> gradeThree;  // by date, then NHI, course and treatment

  qint64 coursesRead = 0;  // every course of the store, in the period or not

  // Patients whose lifetime treatments reach the threshold; nothing without a threshold.
  std::optional<qint64> patientsOverThreshold() const {
    if (!threshold) return std::nullopt;
    return static_cast<qint64>(reviews.size());
  }
};

// One course as the audit reads it: its patient, number, skin type, whether it is finished, and
// its 29 records (only Condition, Burn, Dose and When are looked at).
struct AuditCourse {
  QString nhi;
  int courseId = 0;
  std::optional<qint64> skinIndex;
  bool complete = false;
  std::array<TreatmentRecord, kTreatments> records{};
};

class DepartmentAudit {
 public:
  DepartmentAudit(const Period& period, std::optional<int> threshold);

  // Counts one course; the courses may come in any order.
  void add(const AuditCourse& course);
  // The figures of the courses counted so far.
  Figures figures() const;

 private:
  struct PatientTally {
    treatment::Exposure lifetime;  // up to the period's end
    bool treated = false;          // a treatment given in the period
  };

  // The tally of the month of a day of the period, remembered for the days of the last month asked
  // about: the treatments of a course mostly follow one another within a month.
  BurnTally& monthTally(qint64 day);

  Period period_;
  qint64 firstDay_, lastDay_;
  qint64 monthFirstDay_ = 1, monthLastDay_ = 0;
  BurnTally* month_ = nullptr;  // in tally_.byMonth, whose elements stay where they are
  std::optional<int> threshold_;
  Figures tally_;  // the counts; the rest is worked out by figures()
  QHash<QString, PatientTally> patients_;
  std::vector<double> finishedTreatments_, finishedDoses_;
  std::array<qint64, 3> lastResponses_{};  // Clearing, Same, Worse
};

// The value below which a share `p` (0..1) of `values` lies, interpolated linearly between the two
// nearest ranks (as spreadsheets' PERCENTILE.INC and QUARTILE.INC do): p = 0.5 is the median, 0.25
// and 0.75 the quartiles. Nothing for no values.
std::optional<double> percentile(std::vector<double> values, double p);

}  // namespace audit
