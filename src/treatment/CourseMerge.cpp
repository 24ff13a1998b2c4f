#include "treatment/CourseMerge.h"

namespace treatment {
namespace {

// One record as it reads back after being stored.
TreatmentRecord asStored(const TreatmentRecord& record) {
  Records one{};
  one[0] = record;
  return unpackTable(packTable(one))[0];
}

}  // namespace

bool sameRecord(const TreatmentRecord& a, const TreatmentRecord& b) {
  if (!a.recorded() && !b.recorded()) return true;
  const TreatmentRecord x = asStored(a), y = asStored(b);
  return x.burn == y.burn && x.response == y.response && x.Temperature == y.Temperature && x.Dose == y.Dose &&
         x.time == y.time && x.Initials == y.Initials && x.When == y.When;
}

RecordsMerge mergeRecords(const std::optional<Records>& stored, const Records& read, const Records& mine) {
  // Nothing stored yet: nobody else has recorded anything on this course.
  if (!stored) return {mine, {}};
  RecordsMerge merge{*stored, {}};
  for (int r = 0; r < kTreatments; ++r) {
    const auto k = static_cast<std::size_t>(r);
    if (sameRecord(mine[k], read[k])) continue;  // not changed here: the stored row stands
    if (!sameRecord((*stored)[k], read[k]) && !sameRecord((*stored)[k], mine[k])) {
      merge.kept.push_back(r + 1);  // changed there as well, differently: the stored treatment stays
      continue;
    }
    merge.records[k] = mine[k];
  }
  return merge;
}

IncrementTexts mergeIncrements(const std::optional<IncrementTexts>& stored, const IncrementTexts& read,
                               const IncrementTexts& mine) {
  if (!stored) return mine;
  IncrementTexts merged;
  for (std::size_t k = 0; k < merged.size(); ++k) {
    const bool changedHere = incrementEntry(mine[k]) != incrementEntry(read[k]);
    const bool sameAsStored = incrementEntry(mine[k]) == incrementEntry((*stored)[k]);
    merged[k] = changedHere || sameAsStored ? mine[k] : (*stored)[k];
  }
  return merged;
}

}  // namespace treatment
