#pragma once
// A patient's lifetime exposure to UV: the treatments recorded over all courses and the dose they
// delivered. Skin-cancer risk grows with both, so clinicians keep track of them across courses.

#include <QLocale>
#include <QString>
#include <optional>
#include <span>

#include "treatment/TreatmentRecord.h"

namespace treatment {

struct Exposure {
  int treatments = 0;  // treatments given: recorded, a missed visit not counted
  double dose = 0;     // the doses they delivered, mJ/cm2
  int courses = 0;     // courses counted

  Exposure& operator+=(const Exposure& other) {
    treatments += other.treatments;
    dose += other.dose;
    courses += other.courses;
    return *this;
  }
};

// The treatments given in one course and the dose they delivered (one course). Rows that are not
// recorded, and missed visits, count for nothing, whatever their other fields still hold.
Exposure exposureOf(std::span<const TreatmentRecord> records);

// "Lifetime: 84 treatments, 61.2 J/cm²": the line the window's header and the report show, the
// dose in J/cm² with one decimal in `locale`'s writing.
QString lifetimeText(const Exposure& exposure, const QLocale& locale = QLocale());

// The advice shown when a patient is opened whose recorded treatments reach the department's
// review threshold; nothing below it or without a threshold.
std::optional<QString> lifetimeReviewAdvice(const Exposure& exposure, std::optional<int> threshold,
                                            const QString& patient, const QLocale& locale = QLocale());

}  // namespace treatment
