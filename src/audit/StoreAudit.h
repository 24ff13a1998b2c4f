#pragma once
// The audit read from the store: of every course row its NHI, number, skin type, whether it is
// finished and its four treatment columns (Condition, Burn, Dose, WhenDate), a page of courses at a
// time in the order of NHI and course number. Each page is a short read of its own, so the store
// is never held while the audit works: the workstations go on recording, and a course they change
// meanwhile counts as it is when its page is read. A course row without an NHI or a course number
// belongs to no patient (halcyra-tool check names it) and is not read.

#include <functional>
#include <optional>

#include "audit/DepartmentAudit.h"

namespace records {
class Connection;
}

namespace audit {

// Told the courses read so far and the courses in all, before the first page and after each;
// returns false to stop the reading.
using AuditProgress = std::function<bool(qint64 done, qint64 total)>;

// Courses read in one statement.
inline constexpr int kAuditPage = 2000;

// The figures of `period` over every course of the store, read `page` courses at a time; nothing
// when `progress` stopped it. Raises records::DataError, naming the store, when it refuses a read.
std::optional<Figures> auditStore(records::Connection& store, const Period& period, std::optional<int> threshold,
                                  const AuditProgress& progress = {}, int page = kAuditPage);

}  // namespace audit
