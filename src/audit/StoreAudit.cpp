#include "audit/StoreAudit.h"

#include <algorithm>

#include "records/Connection.h"
#include "records/Schema.h"
#include "treatment/CourseColumns.h"

namespace audit {
namespace {

using records::ColumnDef;

const ColumnDef* courseColumn(const char* name) {
  const records::TableDef& t = records::courseTable();
  return &t.columns[static_cast<std::size_t>(t.indexOf(QLatin1String(name)))];
}

// The columns read, in the order of the SELECT below.
const std::vector<const ColumnDef*>& auditColumns() {
  static const std::vector<const ColumnDef*> columns{
      courseColumn("Hosp"),      courseColumn("CourseID"), courseColumn("SkinIndex"), courseColumn("Complete"),
      courseColumn("Condition"), courseColumn("Burn"),     courseColumn("Dose"),      courseColumn("WhenDate")};
  return columns;
}

QString pageQuery(bool first, int page) {
  // The key order is the order of the course table's unique index (Hosp, CourseID): each page
  // starts where the last ended, found in the index, whatever the size of the store.
  return QStringLiteral(
             "SELECT \"Hosp\", \"CourseID\", \"SkinIndex\", \"Complete\", \"Condition\", \"Burn\", \"Dose\", "
             "\"WhenDate\" FROM \"Course\" WHERE %1 ORDER BY \"Hosp\", \"CourseID\" LIMIT %2")
      .arg(first ? QStringLiteral("\"Hosp\" IS NOT NULL AND \"CourseID\" IS NOT NULL")
                 : QStringLiteral("(\"Hosp\", \"CourseID\") > (?, ?)"))
      .arg(page);
}

// The first `length` bytes of a var-bytes value, as the course binding reads the fixed-width
// columns: a longer (damaged) value is never read past the 29 entries.
QByteArray leading(const QVariant& value, int length) { return value.toByteArray().left(length); }

AuditCourse courseOf(const std::vector<QVariant>& row) {
  AuditCourse c;
  c.nhi = row[0].toString();
  c.courseId = row[1].toInt();
  if (!row[2].isNull()) c.skinIndex = row[2].toLongLong();
  c.complete = row[3].toBool();
  if (row[4].isNull()) return c;  // nothing was ever recorded on this course
  treatment::TableColumns packed;
  packed.response = leading(row[4], kTreatments);
  packed.burn = leading(row[5], kTreatments);
  packed.Dose = leading(row[6], 4 * kTreatments);
  packed.WhenDate = leading(row[7], 4 * kTreatments);
  c.records = treatment::unpackTable(packed);
  return c;
}

}  // namespace

std::optional<Figures> auditStore(records::Connection& store, const Period& period, std::optional<int> threshold,
                                  const AuditProgress& progress, int page) {
  page = std::max(1, page);
  static const ColumnDef count{QStringLiteral("count"), records::ColumnKind::Integer};
  const QString action = QStringLiteral("read the courses for the department audit");
  const records::Rows counted = store.select(QStringLiteral("SELECT COUNT(*) FROM \"Course\""), {}, {&count}, action);
  const qint64 total = counted.empty() ? 0 : counted.front().front().toLongLong();
  qint64 done = 0;
  if (progress && !progress(done, total)) return std::nullopt;

  DepartmentAudit audit(period, threshold);
  const QString first = pageQuery(true, page), next = pageQuery(false, page);
  records::Rows rows = store.select(first, {}, auditColumns(), action);
  while (!rows.empty()) {
    for (const auto& row : rows) audit.add(courseOf(row));
    done += static_cast<qint64>(rows.size());
    // Courses added meanwhile may take the count past the one read at the start.
    if (progress && !progress(done, std::max(total, done))) return std::nullopt;
    if (static_cast<int>(rows.size()) < page) break;
    const std::vector<QVariant>& last = rows.back();
    rows = store.select(next, {last[0], last[1]}, auditColumns(), action);
  }
  return audit.figures();
}

}  // namespace audit
