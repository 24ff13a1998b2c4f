#include "maintenance/StoreCheck.h"

#include <QVariant>
#include <limits>
#include <optional>
#include <vector>

#include "base/JpegCodec.h"
#include "maintenance/PackedColumnsCheck.h"
#include "records/AuditChain.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/Schema.h"

namespace maintenance {
namespace {

using records::ColumnDef;
using records::ColumnKind;
using records::DataError;
using records::Rows;

// Rows read in one go at most; keeps a large store from having to fit in memory.
constexpr int kCoursePage = 500;
constexpr int kPhotographPage = 20;

const ColumnDef kText{QStringLiteral("text"), ColumnKind::Text};
const ColumnDef kWhole{QStringLiteral("whole"), ColumnKind::Integer};
const ColumnDef kBytes{QStringLiteral("bytes"), ColumnKind::Blob};

const ColumnDef* course(const char* name) {
  const records::TableDef& t = records::courseTable();
  return &t.columns[static_cast<std::size_t>(t.indexOf(QLatin1String(name)))];
}

QString shownKey(const QVariant& value) { return value.isNull() ? QStringLiteral("(none)") : value.toString(); }
QString patientName(const QVariant& hosp) { return QStringLiteral("patient ") + shownKey(hosp); }
QString courseName(const QVariant& hosp, const QVariant& courseId) {
  return QStringLiteral("course %1 %2").arg(shownKey(hosp), shownKey(courseId));
}

std::optional<qint64> whole(const QVariant& v) {
  if (v.isNull()) return std::nullopt;
  return v.toLongLong();
}
std::optional<QByteArray> bytes(const QVariant& v) {
  if (v.isNull()) return std::nullopt;
  return v.toByteArray();
}

class Checker {
 public:
  Checker(records::Connection& store, const std::function<void(const QString&)>& progress)
      : store_(store), progress_(progress) {}

  QStringList run() {
    if (&store_.dialect() == &records::sqliteDialect()) integrity();
    step(QStringLiteral("read the patients and their courses"), [this] { patients(); });
    step(QStringLiteral("read the courses"), [this] { orphanCourses(); });
    step(QStringLiteral("read the courses' treatment columns"), [this] { packedColumns(); });
    step(QStringLiteral("read the photographs"), [this] { orphanPhotographs(); });
    step(QStringLiteral("read the photographs"), [this] { photographs(); });
    step(QStringLiteral("read the audit trail"), [this] { auditTrail(); });
    if (store_.dialect().server) step(QStringLiteral("read who may do what on the server"), [this] { serverRights(); });
    return problems_;
  }

 private:
  Rows select(const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>& columns) {
    return store_.select(sql, values, columns, QStringLiteral("check the store"));
  }

  qint64 count(const QString& table) {
    return select(QStringLiteral("SELECT COUNT(*) FROM %1").arg(records::quoted(table)), {}, {&kWhole})
        .front()
        .front()
        .toLongLong();
  }

  void report(const QString& what, qint64 done, qint64 total) {
    if (progress_ && total > 0) progress_(QStringLiteral("%1: %2 of %3").arg(what).arg(done).arg(total));
  }

  // A part of the check that cannot read what it needs is itself a problem; the other parts go on.
  template <class Part>
  void step(const QString& what, Part&& part) {
    try {
      part();
    } catch (const DataError& e) {
      problems_ << QStringLiteral("could not %1: %2").arg(what, e.message());
    }
  }

  void integrity() {
    try {
      for (const auto& row : select(QStringLiteral("PRAGMA integrity_check"), {}, {&kText})) {
        const QString line = row.front().toString();
        if (line != QLatin1String("ok")) problems_ << QStringLiteral("integrity: ") + line;
      }
    } catch (const DataError& e) {
      problems_ << QStringLiteral("integrity: ") + e.message();
    }
  }

  void patients() {
    const Rows rows = select(
        QStringLiteral("SELECT p.\"Hosp\", p.\"NCourse\", p.\"Complete\","
                       " (SELECT MAX(c.\"CourseID\") FROM \"Course\" c WHERE c.\"Hosp\" = p.\"Hosp\"),"
                       " (SELECT COUNT(*) FROM \"Course\" c WHERE c.\"Hosp\" = p.\"Hosp\" AND c.\"Complete\" IS NULL),"
                       " (SELECT COUNT(*) FROM \"Course\" c WHERE c.\"Hosp\" = p.\"Hosp\" AND NOT c.\"Complete\"),"
                       " (SELECT COUNT(*) FROM \"Course\" c WHERE c.\"Hosp\" = p.\"Hosp\" AND c.\"Complete\")"
                       " FROM \"Patient\" p ORDER BY p.\"Hosp\""),
        {}, {&kText, &kWhole, &kWhole, &kWhole, &kWhole, &kWhole, &kWhole});
    for (const auto& r : rows) {
      const QString name = patientName(r[0]);
      if (r[0].isNull()) {
        problems_ << name + QStringLiteral(": a patient row without an NHI; the program cannot find or change it");
        continue;
      }
      const qint64 nCourse = whole(r[1]).value_or(0);
      const qint64 highest = whole(r[3]).value_or(0);
      if (nCourse < highest) {
        problems_ << name + QStringLiteral(
                                ": NCourse is %1, below its highest course number %2; the next new course "
                                "would take a number already used")
                                .arg(nCourse)
                                .arg(highest);
      } else if (nCourse > highest) {
        problems_ << name + QStringLiteral(
                                ": NCourse is %1, but its highest course number is %2; adding a course "
                                "was cut short or a course was removed")
                                .arg(nCourse)
                                .arg(highest);
      }
      const qint64 nulls = r[4].toLongLong(), open = r[5].toLongLong(), finished = r[6].toLongLong();
      const int bits = (nulls > 0 ? 1 : 0) | (open > 0 ? 2 : 0) | (finished > 0 ? 4 : 0);
      const std::optional<qint64> stored = whole(r[2]);
      if (!stored) {
        if (nulls + open + finished > 0) {
          problems_ << name + QStringLiteral(
                                  ": its course status was never worked out although it has %1 "
                                  "course(s) (their status bits are %2); the patient list misses it")
                                  .arg(nulls + open + finished)
                                  .arg(bits);
        }
      } else if (*stored != bits) {
        problems_ << name + QStringLiteral(
                                ": its course status bits are %1, but its courses give %2; the patient "
                                "list shows it under the wrong status boxes")
                                .arg(*stored)
                                .arg(bits);
      }
    }
  }

  void orphanCourses() {
    const Rows rows =
        select(QStringLiteral("SELECT c.\"Hosp\", c.\"CourseID\" FROM \"Course\" c"
                              " WHERE NOT EXISTS (SELECT 1 FROM \"Patient\" p WHERE p.\"Hosp\" = c.\"Hosp\")"
                              " ORDER BY c.\"Hosp\", c.\"CourseID\""),
               {}, {&kText, &kWhole});
    for (const auto& r : rows) {
      problems_ << courseName(r[0], r[1]) + QStringLiteral(": belongs to no patient; the program never shows it");
    }
    const Rows unnumbered = select(
        QStringLiteral("SELECT c.\"Hosp\" FROM \"Course\" c WHERE c.\"CourseID\" IS NULL AND c.\"Hosp\" IS NOT NULL"
                       " ORDER BY c.\"Hosp\""),
        {}, {&kText});
    for (const auto& r : unnumbered) {
      problems_ << courseName(r[0], {}) + QStringLiteral(": a course without a course number");
    }
  }

  void packedColumns() {
    static const std::vector<const ColumnDef*> columns{
        course("Hosp"),        course("CourseID"), course("Burn"),     course("Condition"),
        course("Temperature"), course("Dose"),     course("WhenDate"), course("TxTime"),
        course("Initials"),    course("PInc"),     course("Spots"),    course("SpotsLength")};
    const QString select0 = QStringLiteral(
        "SELECT \"Hosp\", \"CourseID\", \"Burn\", \"Condition\", \"Temperature\", \"Dose\", \"WhenDate\","
        " \"TxTime\", \"Initials\", \"PInc\", \"Spots\", \"SpotsLength\" FROM \"Course\""
        " WHERE \"Hosp\" IS NOT NULL AND \"CourseID\" IS NOT NULL");
    const QString order = QStringLiteral(" ORDER BY \"Hosp\", \"CourseID\" LIMIT %1").arg(kCoursePage);
    const QString first = select0 + order;
    const QString next = select0 + QStringLiteral(" AND (\"Hosp\" > ? OR (\"Hosp\" = ? AND \"CourseID\" > ?))") + order;

    const qint64 total = count(QStringLiteral("Course"));
    qint64 done = 0;
    Rows rows = select(first, {}, columns);
    while (!rows.empty()) {
      for (const auto& r : rows) {
        PackedCourseColumns c;
        c.burn = bytes(r[2]);
        c.response = bytes(r[3]);
        c.Temperature = bytes(r[4]);
        c.Dose = bytes(r[5]);
        c.WhenDate = bytes(r[6]);
        c.TxTime = bytes(r[7]);
        c.Initials = bytes(r[8]);
        c.PInc = bytes(r[9]);
        c.Spots = bytes(r[10]);
        c.SpotsLength = whole(r[11]);
        for (const QString& problem : packedColumnProblems(c))
          problems_ << courseName(r[0], r[1]) + QStringLiteral(": ") + problem;
      }
      done += static_cast<qint64>(rows.size());
      report(QStringLiteral("courses"), done, total);
      if (static_cast<int>(rows.size()) < kCoursePage) break;
      const auto& last = rows.back();
      rows = select(next, {last[0], last[0], last[1]}, columns);
    }
  }

  void orphanPhotographs() {
    const Rows rows = select(QStringLiteral("SELECT i.\"ImageID\", i.\"Hosp\", i.\"CourseID\" FROM \"Imagedb\" i"
                                            " WHERE NOT EXISTS (SELECT 1 FROM \"Course\" c WHERE c.\"Hosp\" = "
                                            "i.\"Hosp\" AND c.\"CourseID\" = i.\"CourseID\")"
                                            " ORDER BY i.\"ImageID\""),
                             {}, {&kWhole, &kText, &kWhole});
    for (const auto& r : rows) {
      problems_ << QStringLiteral("photograph %1 of %2: belongs to no course; the program never shows it")
                       .arg(shownKey(r[0]), courseName(r[1], r[2]));
    }
  }

  void photographs() {
    const qint64 total = count(QStringLiteral("Imagedb"));
    // Page by page after the last photograph read; the first page has no such bound (the server's
    // key column is 32 bits wide, so no value below every key can be passed for it).
    const auto page = [](const char* where) {
      return QStringLiteral(
                 "SELECT \"ImageID\", \"Hosp\", \"CourseID\", \"JpegImage\" FROM \"Imagedb\"%1"
                 " ORDER BY \"ImageID\" LIMIT %2")
          .arg(QLatin1String(where))
          .arg(kPhotographPage);
    };
    const QString first = page(""), next = page(" WHERE \"ImageID\" > ?");
    std::optional<qint64> after;
    qint64 done = 0;
    for (;;) {
      const Rows rows = after ? select(next, {*after}, {&kWhole, &kText, &kWhole, &kBytes})
                              : select(first, {}, {&kWhole, &kText, &kWhole, &kBytes});
      for (const auto& r : rows) {
        const QString name = QStringLiteral("photograph %1 of %2").arg(shownKey(r[0]), courseName(r[1], r[2]));
        const QByteArray picture = r[3].toByteArray();
        if (picture.isEmpty()) {
          problems_ << name + QStringLiteral(": holds no picture");
          continue;
        }
        try {
          (void)jpeg::decode(picture);
        } catch (const jpeg::Error& e) {
          problems_ << name + QStringLiteral(": does not decode: ") + QString::fromUtf8(e.what());
        }
      }
      done += static_cast<qint64>(rows.size());
      report(QStringLiteral("photographs"), done, total);
      if (static_cast<int>(rows.size()) < kPhotographPage) break;
      after = rows.back()[0].toLongLong();
    }
  }

  // The whole trail: every entry against the one before it, the newest against the head; and what
  // was found when the store was opened (a trail removed, its triggers gone).
  void auditTrail() {
    const records::TrailState& trail = store_.trail();
    using Kind = records::TrailState::Kind;
    if (trail.kind == Kind::Earlier) {
      problems_
          << QStringLiteral("audit trail: %1")
                 .arg(trail.hasTable
                          ? QStringLiteral("its entries are not chained yet (a database of an earlier version); they "
                                           "are when the database's owner connects with this version")
                          : QStringLiteral("there is none yet (a database of an earlier version); it is added when the "
                                           "database's owner connects with this version"));
      return;
    }
    if (!trail.hasTable) {
      problems_ << QStringLiteral("audit trail: ") + trail.found;
      return;
    }
    QStringList found;
    try {
      found = records::verifyAuditChainAtOnce(
          store_.dialect().server, [this](const QString& sql) { store_.exec(sql, QStringLiteral("check the store")); },
          [this](const QString& sql, const QVariantList& values, const std::vector<const ColumnDef*>& columns) {
            return select(sql, values, columns);
          },
          std::nullopt, [this](qint64 done, qint64 total) { report(QStringLiteral("audit entries"), done, total); });
    } catch (const DataError& e) {
      found << QStringLiteral("audit trail: could not be read whole: ") + e.message();
    }
    if (trail.kind == Kind::Damaged && !found.contains(trail.found))
      found.prepend(QStringLiteral("audit trail: ") + trail.found);
    problems_ << found;
  }

  // What only the owner may do on a server: own the tables without being a superuser, add audit
  // entries, create anything in the database.
  void serverRights() {
    const Rows rows = select(
        QStringLiteral(
            "SELECT o.rolname::text, o.rolsuper,"
            " EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = '%1'),"
            " CASE WHEN EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = '%1') THEN"
            "   pg_catalog.has_table_privilege('%1', c.oid, 'INSERT') OR"
            "   pg_catalog.has_database_privilege('%1', pg_catalog.current_database(), 'TEMPORARY') OR"
            "   pg_catalog.has_schema_privilege('%1', c.relnamespace, 'CREATE') END"
            " FROM pg_catalog.pg_class c JOIN pg_catalog.pg_roles o ON o.oid = c.relowner"
            " WHERE c.oid = pg_catalog.to_regclass(pg_catalog.format('%I.%I', pg_catalog.current_schema(), 'Audit'))")
            .arg(QLatin1String(records::kClinicRole)),
        {}, {&kText, &kWhole, &kWhole, &kWhole});
    if (rows.empty()) return;
    const auto& r = rows.front();
    if (r[1].toLongLong() != 0) {
      problems_ << QStringLiteral(
                       "server: the tables belong to the superuser %1; what runs with the owner's rights (the "
                       "journal and the audit trail) could act as a superuser. Give them to an ordinary "
                       "owner (ALTER TABLE ... OWNER TO halcyra_owner, for every table of the store)")
                       .arg(r[0].toString());
    }
    if (r[3].toLongLong() != 0) {
      problems_ << QStringLiteral(
                       "server: the role %1 may add audit entries itself, or create tables in the database; "
                       "connect once with the owner's login, which takes those rights back")
                       .arg(QLatin1String(records::kClinicRole));
    }
  }

  records::Connection& store_;
  const std::function<void(const QString&)>& progress_;
  QStringList problems_;
};

}  // namespace

QStringList checkStore(records::Connection& store, const std::function<void(const QString&)>& progress) {
  return Checker(store, progress).run();
}

}  // namespace maintenance
