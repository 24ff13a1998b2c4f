#include "records/StoreCopy.h"

#include "records/AuditChain.h"
#include "records/AuditTrail.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Schema.h"

namespace records {
namespace {

qint64 rowCount(Connection& c, const TableDef& table) {
  const Rows rows = c.query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoted(table.name)), {},
                            QStringLiteral("count the %1 rows").arg(table.name));
  return rows.empty() ? 0 : rows.front().front().toLongLong();
}

// Rows per page read from the source: photographs are large, the others small.
int pageFor(const TableDef& table) { return table.name == QLatin1String("Imagedb") ? 50 : 2000; }

}  // namespace

CopyCounts copyStore(Connection& from, Connection& to, const std::function<void(const QString&, qint64)>& progress) {
  std::vector<const TableDef*> tables{&patientTable(), &courseTable(), &imageTable()};
  // A source made by an earlier version may have no audit trail; one whose trail is there but not
  // whole, or not yet chained (a server whose owner never connected with this version), is not
  // copied. The target always gets one.
  const TrailState& source = from.trail();
  if (source.kind == TrailState::Kind::Damaged) {
    throw DataError(QStringLiteral("The audit trail of %1 is not whole: %2. Nothing was copied; run halcyra-tool check "
                                   "on it.")
                        .arg(from.file(), source.found));
  }
  if (source.kind != TrailState::Kind::Kept && source.hasTable) {
    throw DataError(QStringLiteral("The audit trail of %1 is of an earlier version and not yet chained. Nothing was "
                                   "copied; connect to it once with the owner's login (for example halcyra-tool find), "
                                   "which chains it, then copy again.")
                        .arg(from.file()));
  }
  if (from.keepsAudit()) {
    const QStringList problems = verifyAuditChainAtOnce(
        from.dialect().server, [&from](const QString& sql) { from.exec(sql, QStringLiteral("read the audit trail")); },
        [&from](const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>& columns) {
          return from.select(sql, values, columns, QStringLiteral("read the audit trail"));
        });
    if (!problems.isEmpty()) {
      throw DataError(QStringLiteral("The audit trail of %1 does not verify: %2. Nothing was copied; run halcyra-tool "
                                     "check on it.")
                          .arg(from.file(), problems.front()));
    }
  }
  to.requireAudit(QStringLiteral("copy the audit trail"));
  for (const TableDef* t : {&patientTable(), &courseTable(), &imageTable(), &auditTable()}) {
    const qint64 there = rowCount(to, *t);
    if (there > 0) {
      throw DataError(QStringLiteral("The target %1 already holds %2 %3 rows; nothing was copied. Copy only into a "
                                     "new, empty database (halcyra-tool init-db).")
                          .arg(to.file())
                          .arg(there)
                          .arg(t->name));
    }
  }
  if (from.keepsAudit()) tables.push_back(&auditTable());
  CopyCounts counts;
  Transaction together(to, QStringLiteral("start the copy"));
  // The rows copied bring their own entries: the server's trail triggers stay off while they are
  // written, in this transaction only (which the owner's login alone may do).
  const QStringList trailTriggers{QStringLiteral("Patient\tPatientAudit"), QStringLiteral("Course\tCourseAudit"),
                                  QStringLiteral("Imagedb\tImagedbAudit")};
  const auto switchTrail = [&](const char* how) {
    for (const QString& t : trailTriggers) {
      to.exec(QStringLiteral("ALTER TABLE %1 %2 TRIGGER %3")
                  .arg(quoted(t.section(u'\t', 0, 0)), QLatin1String(how), quoted(t.section(u'\t', 1, 1))),
              QStringLiteral("switch the audit trail's triggers for the copy (this takes the database owner's login)"));
    }
  };
  if (to.dialect().server) switchTrail("DISABLE");
  for (const TableDef* t : tables) {
    std::vector<const ColumnDef*> columns;
    QStringList names, marks;
    for (const ColumnDef& c : t->columns) {
      columns.push_back(&c);
      names << quoted(c.name);
      marks << QStringLiteral("?");
    }
    // Patients in the order they were added; courses, photographs and audit entries by their keys.
    QString order = t->journaled ? QString::fromLatin1(from.dialect().insertionOrder) : QString();
    if (order.isEmpty()) {
      QStringList keys;
      for (int k : t->key) keys << quoted(t->columns[static_cast<std::size_t>(k)].name);
      if (!t->orderColumn.isEmpty() && !keys.contains(quoted(t->orderColumn))) keys << quoted(t->orderColumn);
      order = keys.join(QStringLiteral(", "));
    }
    const QString select =
        QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(names.join(QStringLiteral(", ")), quoted(t->name), order);
    const QString insert =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(quoted(t->name), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    const QString action = QStringLiteral("copy the %1 rows").arg(t->name);
    qint64 copied = 0;
    from.scan(
        select, columns, pageFor(*t),
        [&](Rows& rows) {
          for (const auto& row : rows) {
            to.execute(insert, QVariantList(row.begin(), row.end()), action);
            ++copied;
          }
          if (progress) progress(t->name, copied);
        },
        QStringLiteral("read the %1 rows").arg(t->name));
    if (rowCount(to, *t) != copied) {
      throw DataError(
          QStringLiteral("The target %1 holds another number of %2 rows than were copied; nothing was kept.")
              .arg(to.file(), t->name));
    }
    if (t == &patientTable())
      counts.patients = copied;
    else if (t == &courseTable())
      counts.courses = copied;
    else if (t == &imageTable())
      counts.photographs = copied;
    else
      counts.auditEntries = copied;
  }
  if (to.dialect().server) {
    // Photograph and entry numbers were copied as they are: the next new ones are numbered after
    // them.
    for (const TableDef* t : {&imageTable(), &auditTable()}) {
      const QString column = t->columns[static_cast<std::size_t>(t->key.front())].name;
      to.query(
          QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), COALESCE(MAX(%3), 0) + 1, false) FROM %1")
              .arg(quoted(t->name), column, quoted(column)),
          {}, QStringLiteral("number the %1 rows on").arg(t->name));
    }
  }
  if (to.dialect().server) switchTrail("ENABLE");
  together.commit();
  return counts;
}

}  // namespace records
