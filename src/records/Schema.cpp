#include "records/Schema.h"

#include <cmath>
#include <limits>

#include "records/AuditTrail.h"

namespace records {
namespace {

using K = ColumnKind;

TableDef makePatient() {
  TableDef t;
  t.name = QStringLiteral("Patient");
  // clang-format off
  t.columns = {
      {"Hosp", K::Text, 8},      {"Birth", K::DateTime},    {"WorkPh", K::Text, 10},
      {"MEMOs", K::Memo},        {"NCourse", K::Integer},   {"Eyes", K::SmallUnsigned},
      {"Hair", K::SmallUnsigned}, {"SkinC", K::SmallUnsigned}, {"Complete", K::SmallUnsigned},
      {"FirstN", K::Text, 15},   {"SecN", K::Text, 15},     {"SurN", K::Text, 20},
      {"HomePh", K::Text, 10},   {"CellPh", K::Text, 10},   {"Lang", K::SmallUnsigned},
      {"FHistory", K::Text, 30},
  };
  // clang-format on
  t.key = {t.indexOf("Hosp")};
  // A department's whole patient list is filtered as the user types: keep only what the filter
  // and the key need for every patient, and read a patient's other columns when it is shown.
  t.held = {t.indexOf("Hosp"), t.indexOf("SurN"), t.indexOf("Complete")};
  t.journaled = true;
  return t;
}

TableDef makeCourse() {
  TableDef t;
  t.name = QStringLiteral("Course");
  // clang-format off
  t.columns = {
      {"Hosp", K::Text, 8},          {"CourseID", K::Integer},     {"DateAssess", K::DateTime},
      {"Old", K::Float},             {"ComDiag", K::Text, 20},     {"ComReason", K::Text, 20},
      {"ComSkinType", K::Integer},   {"ComCondition", K::Integer}, {"EdLong", K::Text, 20},
      {"RadioPrevRx", K::Integer},   {"EdRxResult", K::Text, 20},  {"MemoMeds", K::Memo},
      {"MemoOps", K::Memo},          {"EdMed", K::Integer},        {"SkinIndex", K::Integer},
      {"SpotsLength", K::Integer},   {"Spots", K::VarBytes, 160},  {"Condition", K::VarBytes, 30},
      {"TxTime", K::VarBytes, 150},  {"Dose", K::VarBytes, 120},   {"WhenDate", K::VarBytes, 240},
      {"Initials", K::VarBytes, 120}, {"Temperature", K::VarBytes, 120}, {"PInc", K::VarBytes, 60},
      {"Consultant", K::Text, 25},   {"Referal", K::Text, 25},     {"Cautions", K::SmallUnsigned},
      {"Complete", K::Boolean},      {"Burn", K::VarBytes, 32},    {"Sched", K::Integer},
  };
  // clang-format on
  t.key = {t.indexOf("Hosp"), t.indexOf("CourseID")};
  // Course numbers are handed out in increasing order, so this is also the order of adding.
  t.orderColumn = QStringLiteral("CourseID");
  return t;
}

TableDef makeImage() {
  TableDef t;
  t.name = QStringLiteral("Imagedb");
  // clang-format off
  t.columns = {
      {"Hosp", K::Text, 8},   {"CourseID", K::Integer}, {"ImageID", K::AutoIncrement},
      {"WhenDate", K::DateTime}, {"JpegImage", K::Blob}, {"NoteMemo", K::Memo},
  };
  // clang-format on
  t.key = {t.indexOf("ImageID")};
  t.orderColumn = QStringLiteral("ImageID");
  return t;
}

}  // namespace

int TableDef::indexOf(const QString& column) const {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].name == column) return static_cast<int>(i);
  }
  return -1;
}

const TableDef& patientTable() {
  static const TableDef t = makePatient();
  return t;
}
const TableDef& courseTable() {
  static const TableDef t = makeCourse();
  return t;
}
const TableDef& imageTable() {
  static const TableDef t = makeImage();
  return t;
}

QVariant normalizeValue(const ColumnDef& column, const QVariant& raw) {
  if (raw.isNull()) return {};
  switch (column.kind) {
    case ColumnKind::Text:
    case ColumnKind::Memo: return raw.typeId() == QMetaType::QString ? raw : QVariant(raw.toString());
    case ColumnKind::Integer:
    case ColumnKind::SmallUnsigned:
    case ColumnKind::AutoIncrement:
      if (raw.typeId() == QMetaType::Double) return QVariant(static_cast<qlonglong>(wholePartOf(raw.toDouble())));
      return raw.typeId() == QMetaType::LongLong ? raw : QVariant(raw.toLongLong());
    case ColumnKind::Float:
    case ColumnKind::DateTime: return raw.typeId() == QMetaType::Double ? raw : QVariant(raw.toDouble());
    case ColumnKind::Boolean: return QVariant(raw.toBool());
    case ColumnKind::VarBytes:
    case ColumnKind::Blob: {
      QByteArray bytes = raw.toByteArray();
      if (bytes.isNull()) bytes = QByteArray("", 0);  // a stored empty string of bytes is not null
      return bytes;
    }
  }
  return raw;
}

qint64 wholePartOf(double value) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63, exactly
  if (std::isnan(value)) return 0;
  if (value >= kLimit) return std::numeric_limits<qint64>::max();
  if (value < -kLimit) return std::numeric_limits<qint64>::min();
  return static_cast<qint64>(value);
}

QString quoted(const QString& identifier) { return u'"' + identifier + u'"'; }

QString columnSql(const Dialect& dialect, const ColumnDef& column) {
  switch (column.kind) {
    case K::Text: return QStringLiteral("VARCHAR(%1)").arg(column.size);
    case K::Memo: return QStringLiteral("TEXT");
    case K::Integer: return QStringLiteral("INTEGER");
    case K::SmallUnsigned: return QStringLiteral("SMALLINT CHECK (%1 BETWEEN 0 AND 255)").arg(quoted(column.name));
    case K::Float:
    case K::DateTime: return QStringLiteral("DOUBLE PRECISION");
    case K::Boolean: return QStringLiteral("BOOLEAN NOT NULL DEFAULT FALSE");
    case K::VarBytes:
    case K::Blob: return QString::fromLatin1(dialect.bytesType);
    case K::AutoIncrement: return QString::fromLatin1(dialect.autoIncrementKey);
  }
  return {};
}

QStringList createStatements(const Dialect& dialect) {
  auto table = [&](const TableDef& t, const QString& constraint) {
    QStringList parts;
    for (const ColumnDef& c : t.columns) parts << quoted(c.name) + u' ' + columnSql(dialect, c);
    if (t.journaled && *dialect.insertionOrderColumn) parts << QString::fromLatin1(dialect.insertionOrderColumn);
    if (!constraint.isEmpty()) parts << constraint;
    return QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(quoted(t.name), parts.join(QStringLiteral(",\n  ")));
  };
  return QStringList{
             table(patientTable(), QStringLiteral("CONSTRAINT \"PatientNHI\" UNIQUE (\"Hosp\")")),
             table(courseTable(), QStringLiteral("CONSTRAINT \"CourseNumber\" UNIQUE (\"Hosp\", \"CourseID\")")),
             table(imageTable(), {}),
             QStringLiteral("CREATE INDEX \"ImagedbCourse\" ON \"Imagedb\" (\"Hosp\", \"CourseID\")"),
         } +
         journalStatements(dialect) + auditTableStatements(dialect) +
         (dialect.server ? QStringList() : fileTrailTriggers());
}

QStringList journalStatements(const Dialect& dialect) {
  QStringList s{
      QStringLiteral("CREATE TABLE \"PatientChange\" (\"Hosp\" VARCHAR(8) PRIMARY KEY, \"Seq\" %1 NOT NULL)")
          .arg(dialect.server ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER")),
      QStringLiteral("CREATE INDEX \"PatientChangeSeq\" ON \"PatientChange\" (\"Seq\")"),
  };
  // On a server the journal is kept by a function with the owner's rights (records/ServerTrail.h).
  if (dialect.server) return s;
  auto record = [](const char* row) {
    return QStringLiteral(
               "INSERT INTO \"PatientChange\" (\"Hosp\", \"Seq\") VALUES (%1.\"Hosp\", "
               "(SELECT COALESCE(MAX(\"Seq\"), 0) + 1 FROM \"PatientChange\")) "
               "ON CONFLICT (\"Hosp\") DO UPDATE SET \"Seq\" = excluded.\"Seq\";")
        .arg(QLatin1String(row));
  };
  s << QStringLiteral(
           "CREATE TRIGGER \"PatientAdded\" AFTER INSERT ON \"Patient\" WHEN NEW.\"Hosp\" IS NOT NULL "
           "BEGIN %1 END")
           .arg(record("NEW"))
    << QStringLiteral(
           "CREATE TRIGGER \"PatientChangedFrom\" AFTER UPDATE ON \"Patient\" WHEN OLD.\"Hosp\" IS NOT NULL "
           "BEGIN %1 END")
           .arg(record("OLD"))
    << QStringLiteral(
           "CREATE TRIGGER \"PatientChangedTo\" AFTER UPDATE ON \"Patient\" "
           "WHEN NEW.\"Hosp\" IS NOT NULL AND NEW.\"Hosp\" IS NOT OLD.\"Hosp\" BEGIN %1 END")
           .arg(record("NEW"))
    << QStringLiteral(
           "CREATE TRIGGER \"PatientRemoved\" AFTER DELETE ON \"Patient\" WHEN OLD.\"Hosp\" IS NOT NULL "
           "BEGIN %1 END")
           .arg(record("OLD"));
  return s;
}

}  // namespace records
