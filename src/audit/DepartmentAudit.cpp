#include "audit/DepartmentAudit.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace audit {
namespace {

// The grade 1..3 of a burn code ("Burn I".."Burn III"); 0 for none or a code that is no burn.
int burnGrade(std::int8_t burn) { return burn >= BurnI && burn <= BurnIII ? burn - BurnI + 1 : 0; }

void countBurn(BurnTally* tally, int grade) {
  if (tally && grade > 0) ++tally->grade[static_cast<std::size_t>(grade - 1)];
}

void countTreatment(BurnTally* tally) {
  if (tally) ++tally->treatments;
}

std::optional<double> share(qint64 part, qint64 whole) {
  if (whole <= 0) return std::nullopt;
  return 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

}  // namespace

std::optional<double> BurnTally::per100() const { return share(burns(), treatments); }

std::optional<double> percentile(std::vector<double> values, double p) {
  if (values.empty()) return std::nullopt;
  // A value a damaged record gives (NaN) sorts after every number: sorting must never meet an
  // unordered pair.
  std::sort(values.begin(), values.end(), [](double a, double b) { return std::isnan(b) ? !std::isnan(a) : a < b; });
  const double rank = p * static_cast<double>(values.size() - 1);
  const auto below = static_cast<std::size_t>(std::floor(rank));
  const double fraction = rank - static_cast<double>(below);
  // On a rank exactly, its value: the next one (perhaps a damaged NaN) plays no part.
  if (fraction == 0.0) return values[below];
  const std::size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + fraction * (values[above] - values[below]);
}

DepartmentAudit::DepartmentAudit(const Period& period, std::optional<int> threshold)
    : period_(period), firstDay_(period.firstDay()), lastDay_(period.lastDay()), threshold_(threshold) {
  tally_.period = period;
  tally_.threshold = threshold;
}

BurnTally& DepartmentAudit::monthTally(qint64 day) {
  if (!month_ || day < monthFirstDay_ || day > monthLastDay_) {
    const QDate date = dateOfDay(day);
    const QDate first(date.year(), date.month(), 1);
    month_ = &tally_.byMonth[monthKey(date)];
    monthFirstDay_ = dayNumber(first);
    monthLastDay_ = monthFirstDay_ + first.daysInMonth() - 1;
  }
  return *month_;
}

void DepartmentAudit::add(const AuditCourse& course) {
  ++tally_.coursesRead;
  BurnTally* type = course.skinIndex && *course.skinIndex >= 0 && *course.skinIndex < kSkinTypes
                        ? &tally_.bySkinType[static_cast<std::size_t>(*course.skinIndex)]
                        : nullptr;
  // The records the lifetime counts: all but those dated after the period's end, which are taken
  // out of a copy (made only for a course that has such).
  std::optional<std::array<TreatmentRecord, kTreatments>> beforeEnd;
  bool treated = false;
  int lastGiven = -1;
  std::optional<double> previousDose;

  for (int k = 0; k < kTreatments; ++k) {
    const TreatmentRecord& r = course.records[static_cast<std::size_t>(k)];
    if (!r.recorded()) continue;
    const bool given = !r.missed();
    const std::optional<qint64> day = dayOf(r.When);
    if (day && *day > lastDay_) {
      if (!beforeEnd) beforeEnd = course.records;
      (*beforeEnd)[static_cast<std::size_t>(k)].response = 0;
    }
    if (day && *day >= firstDay_ && *day <= lastDay_) {
      BurnTally& month = monthTally(*day);
      if (given) {
        treated = true;
        countTreatment(&tally_.all);
        countTreatment(&month);
        countTreatment(type);
      } else {
        ++tally_.missed;
      }
      const int grade = burnGrade(r.burn);
      countBurn(&tally_.all, grade);
      countBurn(&month, grade);
      countBurn(type, grade);
      if (grade == 3) {
        GradeThreeBurn burn{course.nhi,        course.courseId, k + 1,       dateOfDay(*day),
                            r.deliveredDose(), previousDose,    std::nullopt};
        if (given && previousDose && *previousDose > 0)
          burn.increase = (r.deliveredDose() / *previousDose - 1.0) * 100.0;
        tally_.gradeThree.push_back(std::move(burn));
      }
    }
    if (given) {
      lastGiven = k;
      previousDose = r.deliveredDose();
    }
  }

  PatientTally& patient = patients_[course.nhi];
  patient.lifetime += treatment::exposureOf(beforeEnd ? *beforeEnd : course.records);
  if (treated) {
    patient.treated = true;
    ++tally_.courses;
  }

  if (!course.complete || lastGiven < 0) return;
  const TreatmentRecord& last = course.records[static_cast<std::size_t>(lastGiven)];
  const std::optional<qint64> lastDay = dayOf(last.When);
  if (!lastDay || *lastDay < firstDay_ || *lastDay > lastDay_) return;
  const treatment::Exposure whole = treatment::exposureOf(course.records);
  ++tally_.finishedCourses;
  ++tally_.finishedByTreatments[static_cast<std::size_t>(std::clamp(whole.treatments, 0, kTreatments))];
  finishedTreatments_.push_back(whole.treatments);
  finishedDoses_.push_back(whole.dose);
  switch (last.response) {
    case Clearing: ++lastResponses_[0]; break;
    case Same: ++lastResponses_[1]; break;
    case Worse: ++lastResponses_[2]; break;
    default: break;  // a code the program never writes: counted in no share
  }
}

Figures DepartmentAudit::figures() const {
  Figures f = tally_;
  for (const PatientTally& p : patients_) f.patients += p.treated ? 1 : 0;
  if (threshold_) {
    for (auto it = patients_.begin(); it != patients_.end(); ++it) {
      const treatment::Exposure& e = it.value().lifetime;
      if (e.treatments >= *threshold_) f.reviews.push_back({it.key(), e.treatments, e.dose});
    }
    std::sort(f.reviews.begin(), f.reviews.end(), [](const LifetimeReview& a, const LifetimeReview& b) {
      return a.treatments != b.treatments ? a.treatments > b.treatments : a.nhi < b.nhi;
    });
  }
  std::sort(f.gradeThree.begin(), f.gradeThree.end(), [](const GradeThreeBurn& a, const GradeThreeBurn& b) {
    return std::tie(a.date, a.nhi, a.courseId, a.treatment) < std::tie(b.date, b.nhi, b.courseId, b.treatment);
  });
  f.medianTreatments = percentile(finishedTreatments_, 0.5);
  f.q1Treatments = percentile(finishedTreatments_, 0.25);
  f.q3Treatments = percentile(finishedTreatments_, 0.75);
  f.medianCumulativeDose = percentile(finishedDoses_, 0.5);
  f.lastClearingPct = share(lastResponses_[0], f.finishedCourses);
  f.lastSamePct = share(lastResponses_[1], f.finishedCourses);
  f.lastWorsePct = share(lastResponses_[2], f.finishedCourses);
  return f;
}

}  // namespace audit
