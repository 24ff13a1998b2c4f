#include "records/AuditTrail.h"

#include <QDate>
#include <QLocale>
#include <QSysInfo>
#include <QTime>
#include <cmath>

#include "base/OneLine.h"
#include "records/AuditChain.h"
#include "records/Connection.h"
#include "records/DataError.h"

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
  // clang-format off
  t.columns = {
      {"AuditID", K::AutoIncrement}, {"WhenUTC", K::Memo},    {"Account", K::Memo},    {"Workstation", K::Memo},
      {"Program", K::Memo},          {"TableName", K::Memo},  {"Hosp", K::Memo},       {"CourseID", K::Integer},
      {"ImageID", K::Integer},       {"Action", K::Memo},     {"Changes", K::Memo},    {"Login", K::Memo},
      {"Client", K::Memo},           {"Hash", K::Memo},
  };
  // clang-format on
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

QVariant valueOf(const TableDef& table, const RowValues& row, const char* column) {
  const int i = table.indexOf(QLatin1String(column));
  return i >= 0 && static_cast<std::size_t>(i) < row.size() ? row[static_cast<std::size_t>(i)] : QVariant();
}

QString realText(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

// A date-time as its calendar day and wall-clock time, with no time zone in between (a zone's
// daylight-saving gap would move a stored time); outside the years 1 to 9999, or not a date at
// all, as the real number it is. The server's trail writes the same text (records/ServerTrail.cpp).
QString dateTimeText(double days) {
  constexpr double kMsPerDay = 86400000.0;
  constexpr qint64 kFirstDay = -693593;  // 0001-01-01
  constexpr qint64 kLastDay = 2958465;   // 9999-12-31
  if (!std::isfinite(days) || std::fabs(days) > 1e8) return realText(days);
  const double whole = std::trunc(days);
  qint64 ms = static_cast<qint64>(std::llround(std::fabs(days - whole) * kMsPerDay));
  qint64 day = static_cast<qint64>(whole);
  if (ms >= 86400000) {  // rounding reached the next day
    ms -= 86400000;
    day += days >= 0 ? 1 : -1;
  }
  if (day < kFirstDay || day > kLastDay) return realText(days);
  const QDate date = QDate(1899, 12, 30).addDays(day);
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
  return date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' +
         time.toString(ms % 1000 != 0 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
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

QStringList auditTableStatements(const Dialect& dialect) {
  const TableDef& t = auditTable();
  QStringList columns;
  for (const ColumnDef& c : t.columns) {
    QString sql = quoted(c.name) + u' ' + columnSql(dialect, c);
    if (c.name == QLatin1String("WhenUTC"))
      sql += QStringLiteral(" NOT NULL DEFAULT (%1)").arg(QLatin1String(dialect.utcClock));
    columns << sql;
  }
  return {
      QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(quoted(t.name), columns.join(QStringLiteral(",\n  "))),
      // A patient's entries, oldest first, straight from the index.
      QStringLiteral("CREATE INDEX \"AuditPatient\" ON \"Audit\" (\"Hosp\", \"AuditID\")"),
      // The newest entry's number and hash: the next entry chains to it, and a trail cut short at
      // its end no longer meets it.
      QStringLiteral("CREATE TABLE \"AuditHead\" (\"AuditID\" %1 NOT NULL, \"Hash\" TEXT NOT NULL)")
          .arg(dialect.server ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER")),
      QStringLiteral("INSERT INTO \"AuditHead\" (\"AuditID\", \"Hash\") VALUES (0, '')"),
  };
}

namespace {
const QString kKeptAsWritten = QStringLiteral("audit entries are kept as written: they cannot be changed or deleted");
}  // namespace

QStringList fileTrailTriggers() {
  const QString kept = QStringLiteral("SELECT RAISE(ABORT, '%1');").arg(kKeptAsWritten);
  return {
      QStringLiteral("CREATE TRIGGER \"AuditKeptFromUPDATE\" BEFORE UPDATE ON \"Audit\" BEGIN %1 END").arg(kept),
      QStringLiteral("CREATE TRIGGER \"AuditKeptFromDELETE\" BEFORE DELETE ON \"Audit\" BEGIN %1 END").arg(kept),
      // An entry comes after the newest one, with its hash: never in its place (INSERT OR REPLACE
      // removes the row it replaces without the DELETE trigger) nor in between.
      QStringLiteral("CREATE TRIGGER \"AuditChained\" BEFORE INSERT ON \"Audit\" WHEN NEW.\"AuditID\" IS NULL OR "
                     "NEW.\"AuditID\" <= (SELECT MAX(\"AuditID\") FROM \"AuditHead\") OR "
                     "NEW.\"AuditID\" <= (SELECT COALESCE(MAX(\"AuditID\"), 0) FROM \"Audit\") OR "
                     "NEW.\"Hash\" IS NULL OR length(NEW.\"Hash\") <> 64 BEGIN SELECT RAISE(ABORT, 'an audit entry "
                     "is only added after the newest one, with its place in the chain: entries are never replaced "
                     "or put in between'); END"),
      QStringLiteral("CREATE TRIGGER \"AuditHeadFollows\" AFTER INSERT ON \"Audit\" BEGIN UPDATE \"AuditHead\" SET "
                     "\"AuditID\" = NEW.\"AuditID\", \"Hash\" = NEW.\"Hash\"; END"),
      // The head follows the newest entry and nothing else.
      QStringLiteral("CREATE TRIGGER \"AuditHeadKept\" BEFORE UPDATE ON \"AuditHead\" WHEN NEW.\"AuditID\" IS NOT "
                     "(SELECT MAX(\"AuditID\") FROM \"Audit\") OR NEW.\"Hash\" IS NOT (SELECT \"Hash\" FROM \"Audit\" "
                     "WHERE \"AuditID\" = NEW.\"AuditID\") BEGIN SELECT RAISE(ABORT, 'the head of the audit trail "
                     "names the newest entry and nothing else'); END"),
      QStringLiteral("CREATE TRIGGER \"AuditHeadKeptWhole\" BEFORE DELETE ON \"AuditHead\" BEGIN SELECT RAISE(ABORT, "
                     "'the head of the audit trail names the newest entry and nothing else'); END"),
      QStringLiteral("CREATE TRIGGER \"AuditHeadOnce\" BEFORE INSERT ON \"AuditHead\" WHEN (SELECT COUNT(*) FROM "
                     "\"AuditHead\") > 0 BEGIN SELECT RAISE(ABORT, 'the audit trail has one head'); END"),
  };
}

QStringList fileTrailTriggerNames() {
  return {QStringLiteral("AuditKeptFromUPDATE"), QStringLiteral("AuditKeptFromDELETE"),
          QStringLiteral("AuditChained"),        QStringLiteral("AuditHeadFollows"),
          QStringLiteral("AuditHeadKept"),       QStringLiteral("AuditHeadKeptWhole"),
          QStringLiteral("AuditHeadOnce")};
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
    case K::Memo: return text::quotedOneLine(value.toString());
    case K::Integer:
    case K::SmallUnsigned:
    case K::AutoIncrement: return QString::number(normalizeValue(column, value).toLongLong());
    case K::Float: return realText(value.toDouble());
    case K::DateTime: return dateTimeText(value.toDouble());
    case K::Boolean: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
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
      parts << column.name + QStringLiteral(": ") + auditValue(column, was) + QStringLiteral(" -> ") +
                   auditValue(column, now);
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

bool programWritesEntries(const Connection& connection) { return !connection.dialect().server; }

void writeAuditEntry(Connection& connection, const TableDef& table, AuditAction action, const RowValues& row,
                     const QString& changes) {
  if (!programWritesEntries(connection)) return;  // the server's triggers wrote it with the change
  const QString what = QStringLiteral("record the change of the %1 row in the audit trail").arg(table.name);
  // The head, the newest entry and the store's clock, read in the write transaction: no other
  // writer comes in between.
  static const ColumnDef kWhole{QStringLiteral("whole"), ColumnKind::Integer};
  static const ColumnDef kText{QStringLiteral("text"), ColumnKind::Memo};
  const Rows heads = connection.select(
      QStringLiteral(
          "SELECT h.\"AuditID\", h.\"Hash\", (SELECT MAX(a.\"AuditID\") FROM \"Audit\" a), "
          "(SELECT a.\"Hash\" FROM \"Audit\" a WHERE a.\"AuditID\" = h.\"AuditID\"), %1 FROM \"AuditHead\" h")
          .arg(QLatin1String(connection.dialect().utcClock)),
      {}, {&kWhole, &kText, &kWhole, &kText, &kText}, what);
  if (heads.size() != 1) {
    connection.fail(what, QStringLiteral("the head of the audit trail (the table AuditHead) holds %1 rows instead of "
                                         "one; run halcyra-tool check on the database")
                              .arg(heads.size()));
  }
  const auto& head = heads.front();
  const qint64 headId = head[0].toLongLong();
  const qint64 newest = head[2].isNull() ? 0 : head[2].toLongLong();
  if (newest != headId || (headId != 0 && head[3].toString() != head[1].toString())) {
    connection.fail(what, QStringLiteral("the audit trail ends at entry %1, but its head names entry %2: entries were "
                                         "removed or added outside the program, and no change is stored until the "
                                         "trail is whole again. Run halcyra-tool check on the database and restore it "
                                         "from a backup")
                              .arg(newest)
                              .arg(headId));
  }
  const AuditSource source = auditSource();
  RowValues entry(auditTable().columns.size());
  entry[0] = headId + 1;
  entry[1] = head[4];
  entry[2] = source.account;
  entry[3] = source.workstation;
  entry[4] = source.program;
  entry[5] = table.name;
  entry[6] = valueOf(table, row, "Hosp");
  entry[7] = valueOf(table, row, "CourseID");
  entry[8] = valueOf(table, row, "ImageID");
  entry[9] = auditActionName(action);
  entry[10] = changes;
  // Login and Client: a store file has no logins.
  entry[13] = auditHash(head[1].toString(), entry);
  QStringList names, marks;
  for (const ColumnDef& c : auditTable().columns) {
    names << quoted(c.name);
    marks << QStringLiteral("?");
  }
  static const QString sql = QStringLiteral("INSERT INTO \"Audit\" (%1) VALUES (%2)")
                                 .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
  connection.execute(sql, QVariantList(entry.begin(), entry.end()), what);
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
  return QStringList{text::oneLine(when),         text::oneLine(account), text::oneLine(workstation),
                     text::oneLine(program),      text::oneLine(table),   key(),
                     text::controlsEscaped(what), text::oneLine(login),   text::oneLine(client)}
      .join(u'\t');
}

std::vector<AuditEntry> patientAudit(Connection& connection, const QString& hosp) {
  const TableDef& t = auditTable();
  std::vector<const ColumnDef*> columns;
  QStringList names;
  for (const ColumnDef& c : t.columns) {
    if (c.kind == K::AutoIncrement || c.name == QLatin1String("Hash")) continue;
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
    e.login = r[10].toString();
    e.client = r[11].toString();
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace records
