#pragma once
// The three tables of the patient store, column by column in their declared order, and the SQL
// that creates them.
//
// Dates are stored as the program's own date-time (days since 1899-12-30, a 64-bit float) so that
// nothing is lost in a conversion. The small unsigned columns hold 0..255. The Yes/No column
// Course.Complete is never null: a row written without it reads back false.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "records/Dialect.h"

namespace records {

enum class ColumnKind {
  Text,           // text of at most `size` characters
  Memo,           // text without a bound
  Integer,        // signed 32-bit
  SmallUnsigned,  // 0..255
  Float,          // 64-bit float
  DateTime,       // days since 1899-12-30 as a 64-bit float
  Boolean,        // Yes/No, never null
  VarBytes,       // byte string of at most `size` bytes (the store itself does not bound it)
  Blob,           // byte string without a bound (a JPEG file)
  AutoIncrement,  // integer numbered by the database, read-only
};

struct ColumnDef {
  QString name;
  ColumnKind kind;
  int size = 0;  // characters for Text, bytes for VarBytes; 0 otherwise
};

struct TableDef {
  QString name;
  std::vector<ColumnDef> columns;
  std::vector<int> key;  // the columns that identify a row; updates and deletes find it by these
  QString orderColumn;   // rows are listed by this column; empty: in the order they were added
  // Columns every row of a snapshot keeps in memory; the others are read when a row is looked at.
  // Empty: all columns are kept.
  std::vector<int> held;
  // Changes of its rows are recorded in the change journal (the patient list): a re-read after
  // another copy wrote reads only the rows that changed.
  bool journaled = false;

  int indexOf(const QString& column) const;  // -1 when there is no such column
};

const TableDef& patientTable();
const TableDef& courseTable();
const TableDef& imageTable();

// The column type as written in CREATE TABLE, constraints included.
QString columnSql(const Dialect& dialect, const ColumnDef& column);

// CREATE TABLE and CREATE INDEX statements for an empty database, in order, the change journal's
// and the audit trail's (records/AuditTrail.h) included; in a store file with the triggers that
// keep them. A server's functions and triggers come from records/ServerTrail.h.
QStringList createStatements(const Dialect& dialect);

// The change journal: one row per patient ever changed, with the number of its latest change
// (SQLite: a count of changes; PostgreSQL: the number of the transaction that made it), kept by
// triggers on the patient table so that every copy's writes are recorded, whoever makes them. On a
// server only the table: its trigger is among records/ServerTrail.h's.
inline constexpr const char* kJournalTable = "PatientChange";
QStringList journalStatements(const Dialect& dialect);

// A column value read from the store, brought to the column's type (QString, qlonglong, double,
// bool, QByteArray); SQL NULL gives a null QVariant, and a stored empty text or byte string stays
// empty rather than null.
QVariant normalizeValue(const ColumnDef& column, const QVariant& raw);

// A real number found in a whole-number column (another writer's value, or damage) read as its
// whole part, held within the 64-bit range so that an absurd value never overflows; NaN gives 0.
qint64 wholePartOf(double value);

// Identifier in double quotes, as both engines accept it with its letter case kept.
QString quoted(const QString& identifier);

}  // namespace records
