#include "records/AuditTrail.h"

#include <QDateTime>
#include <QLocale>
#include <QSysInfo>

#include "base/DateTime.h"
#include "base/OneLine.h"
#include "records/Connection.h"

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace records {
namespace {

using K = ColumnKind;

QString& programName() {
  static QString program = QStringLiteral("halcyra");
  return program;
}

// The account the process runs as: the system's own record of it first (an environment variable
// is the user's to set), the usual variables where the system keeps none.
QString accountName() {
#ifdef Q_OS_UNIX
  if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name && *entry->pw_name) {
    return QString::fromLocal8Bit(entry->pw_name);
  }
#endif
  for (const char* variable : {"USER", "LOGNAME", "USERNAME"}) {
    const QString name = qEnvironmentVariable(variable);
    if (!name.isEmpty()) return name;
  }
  return QStringLiteral("(unknown)");
}

TableDef makeAudit() {
  TableDef t;
  t.name = QString::fromLatin1(kAuditTable);
  t.columns = {
      {"AuditID", K::AutoIncrement}, {"WhenUTC", K::Memo},    {"Account", K::Memo},    {"Workstation", K::Memo},
      {"Program", K::Memo},          {"TableName", K::Memo},  {"Hosp", K::Memo},       {"CourseID", K::Integer},
      {"ImageID", K::Integer},       {"Action", K::Memo},     {"Changes", K::Memo},
  };
  t.key = {t.indexOf("AuditID")};
  t.orderColumn = QStringLiteral("AuditID");
  return t;
}

// The columns an entry names its row by.
constexpr const char* kKeyColumns[] = {"Hosp", "CourseID", "ImageID"};

bool isKeyColumn(const ColumnDef& column) {
  for (const char* k : kKeyColumns) {
    if (column.name == QLatin1String(k)) return true;
  }
  return false;
}

// The columns an entry is written with; the number and the time come from the store.
const QStringList& writtenColumns() {
  static const QStringList names{QStringLiteral("Account"), QStringLiteral("Workstation"), QStringLiteral("Program"),
                                 QStringLiteral("TableName"), QStringLiteral("Hosp"),      QStringLiteral("CourseID"),
                                 QStringLiteral("ImageID"),   QStringLiteral("Action"),    QStringLiteral("Changes")};
  return names;
}

QString quotedList(const QStringList& names) {
  QStringList out;
  for (const QString& n : names) out << quoted(n);
  return out.join(QStringLiteral(", "));
}

QVariant valueOf(const TableDef& table, const RowValues& row, const char* column) {
  const int i = table.indexOf(QLatin1String(column));
  return i >= 0 && static_cast<std::size_t>(i) < row.size() ? row[static_cast<std::size_t>(i)] : QVariant();
}

QString dateTimeText(double days) {
  const QDateTime when = datetime::toQDateTime(days);
  if (!when.isValid()) return QString::number(days, 'g', QLocale::FloatingPointShortest);
  return when.toString(when.time().msec() != 0 ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Who writes

AuditSource auditSource() {
  static const QString account = accountName();
  static const QString workstation = QSysInfo::machineHostName();
  return {account, workstation, programName()};
}

void setAuditProgram(const QString& program) { programName() = program; }

// ---------------------------------------------------------------------------------------------
// The table

const TableDef& auditTable() {
  static const TableDef t = makeAudit();
  return t;
}

QStringList auditStatements(const Dialect& dialect) {
  const TableDef& t = auditTable();
  QStringList columns;
  for (const ColumnDef& c : t.columns) {
    QString sql = quoted(c.name) + u' ' + columnSql(dialect, c);
    if (c.name == QLatin1String("WhenUTC")) sql += QStringLiteral(" NOT NULL DEFAULT (%1)").arg(QLatin1String(dialect.utcClock));
    columns << sql;
  }
  QStringList s{
      QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(quoted(t.name), columns.join(QStringLiteral(",\n  "))),
      // A patient's entries, oldest first, straight from the index.
      QStringLiteral("CREATE INDEX \"AuditPatient\" ON \"Audit\" (\"Hosp\", \"AuditID\")"),
  };
  const QString refusal = QStringLiteral("audit entries are kept as written: they cannot be changed or deleted");
  if (dialect.server) {
    s << QStringLiteral("CREATE OR REPLACE FUNCTION \"AuditKept\"() RETURNS trigger LANGUAGE plpgsql AS $$\n"
                        "BEGIN\n  RAISE EXCEPTION '%1';\nEND $$").arg(refusal)
      << QStringLiteral("CREATE TRIGGER \"AuditKept\" BEFORE UPDATE OR DELETE ON \"Audit\" "
                        "FOR EACH ROW EXECUTE FUNCTION \"AuditKept\"()")
      << QStringLiteral("CREATE TRIGGER \"AuditKeptWhole\" BEFORE TRUNCATE ON \"Audit\" "
                        "FOR EACH STATEMENT EXECUTE FUNCTION \"AuditKept\"()");
  } else {
    for (const char* event : {"UPDATE", "DELETE"}) {
      s << QStringLiteral("CREATE TRIGGER \"AuditKeptFrom%1\" BEFORE %1 ON \"Audit\" BEGIN SELECT RAISE(ABORT, '%2'); END")
               .arg(QLatin1String(event), refusal);
    }
  }
  return s;
}

QStringList auditGrantStatements(const QString& role) {
  // Only where the role exists: a database whose owner keeps no such role is left as it is.
  return {QStringLiteral("DO $$ BEGIN\n"
                         "  IF EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = '%1') THEN\n"
                         "    GRANT SELECT ON \"Audit\" TO %1;\n"
                         "    GRANT INSERT (%2) ON \"Audit\" TO %1;\n"
                         "    EXECUTE format('GRANT USAGE ON SEQUENCE %s TO %1', pg_get_serial_sequence('\"Audit\"', 'AuditID'));\n"
                         "  END IF;\n"
                         "END $$")
              .arg(role, quotedList(writtenColumns()))};
}

// ---------------------------------------------------------------------------------------------
// Writing an entry

QString auditActionName(AuditAction action) {
  switch (action) {
    case AuditAction::Added: return QStringLiteral("added");
    case AuditAction::Changed: return QStringLiteral("changed");
    case AuditAction::Deleted: return QStringLiteral("deleted");
  }
  return {};
}

QString auditValue(const ColumnDef& column, const QVariant& value) {
  if (value.isNull()) return QStringLiteral("null");
  switch (column.kind) {
    case K::Text:
    case K::Memo:
      return text::quotedOneLine(value.toString());
    case K::Integer:
    case K::SmallUnsigned:
    case K::AutoIncrement:
      return QString::number(normalizeValue(column, value).toLongLong());
    case K::Float:
      return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case K::DateTime:
      return dateTimeText(value.toDouble());
    case K::Boolean:
      return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case K::VarBytes:
    case K::Blob: {
      // A row read for the trail may give the size in place of the bytes.
      const qint64 size = value.typeId() == QMetaType::QByteArray ? value.toByteArray().size() : value.toLongLong();
      return QStringLiteral("%1 bytes").arg(size);
    }
  }
  return text::oneLine(value.toString());
}

QString describeChange(const TableDef& table, AuditAction action, const RowValues& before, const RowValues& after,
                       const std::vector<int>& columns) {
  QStringList parts;
  if (action == AuditAction::Changed) {
    for (int i : columns) {
      const auto c = static_cast<std::size_t>(i);
      const ColumnDef& column = table.columns[c];
      const QVariant was = normalizeValue(column, before[c]);
      const QVariant now = normalizeValue(column, after[c]);
      if (was.isNull() == now.isNull() && was == now) continue;
      parts << column.name + QStringLiteral(": ") + auditValue(column, was) + QStringLiteral(" -> ") + auditValue(column, now);
    }
  } else {
    const RowValues& row = action == AuditAction::Added ? after : before;
    for (std::size_t c = 0; c < table.columns.size() && c < row.size(); ++c) {
      const ColumnDef& column = table.columns[c];
      if (row[c].isNull() || isKeyColumn(column)) continue;
      parts << column.name + QStringLiteral(": ") + auditValue(column, row[c]);
    }
  }
  return parts.join(QStringLiteral("; "));
}

void writeAuditEntry(Connection& connection, const TableDef& table, AuditAction action, const RowValues& row,
                     const QString& changes) {
  QStringList marks;
  for (qsizetype i = 0; i < writtenColumns().size(); ++i) marks << QStringLiteral("?");
  static const QString sql = QStringLiteral("INSERT INTO \"Audit\" (%1) VALUES (%2)")
                                 .arg(quotedList(writtenColumns()), marks.join(QStringLiteral(", ")));
  const AuditSource source = auditSource();
  connection.execute(sql,
                     {source.account, source.workstation, source.program, table.name, valueOf(table, row, "Hosp"),
                      valueOf(table, row, "CourseID"), valueOf(table, row, "ImageID"), auditActionName(action), changes},
                     QStringLiteral("record the change of the %1 row in the audit trail").arg(table.name));
}

// ---------------------------------------------------------------------------------------------
// Reading

QString AuditEntry::key() const {
  QStringList parts;
  if (!hosp.isNull()) parts << QStringLiteral("Hosp=") + text::oneLine(hosp.toString());
  if (!courseId.isNull()) parts << QStringLiteral("CourseID=%1").arg(courseId.toLongLong());
  if (!imageId.isNull()) parts << QStringLiteral("ImageID=%1").arg(imageId.toLongLong());
  return parts.join(QStringLiteral(", "));
}

QString AuditEntry::line() const {
  const QString what = changes.isEmpty() ? action : action + u' ' + changes;
  return QStringList{text::oneLine(when),    text::oneLine(account), text::oneLine(workstation),
                     text::oneLine(program), text::oneLine(table),   key(),
                     text::controlsEscaped(what)}
      .join(u'\t');
}

std::vector<AuditEntry> patientAudit(Connection& connection, const QString& hosp) {
  const TableDef& t = auditTable();
  std::vector<const ColumnDef*> columns;
  QStringList names;
  for (const ColumnDef& c : t.columns) {
    if (c.kind == K::AutoIncrement) continue;
    columns.push_back(&c);
    names << quoted(c.name);
  }
  const Rows rows = connection.select(QStringLiteral("SELECT %1 FROM \"Audit\" WHERE \"Hosp\" = ? ORDER BY \"AuditID\"")
                                          .arg(names.join(QStringLiteral(", "))),
                                      {hosp}, columns, QStringLiteral("read the audit trail of patient %1").arg(hosp));
  std::vector<AuditEntry> entries;
  entries.reserve(rows.size());
  for (const auto& r : rows) {
    AuditEntry e;
    e.when = r[0].toString();
    e.account = r[1].toString();
    e.workstation = r[2].toString();
    e.program = r[3].toString();
    e.table = r[4].toString();
    e.hosp = r[5];
    e.courseId = r[6];
    e.imageId = r[7];
    e.action = r[8].toString();
    e.changes = r[9].toString();
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace records
