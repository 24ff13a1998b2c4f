#pragma once
// The accessor of one column of a cursor's current row, named in the data module after table and
// column (patientSurname, courseCautions, ...).
//
// Reading a null column gives 0, false, an empty text or no bytes; isNull() tells them apart. A
// whole number beyond 32 bits, which only another writer or damage can leave, reads as the nearest
// one that fits.
// Writing needs the row in edit (DataSet::edit or append) and brings the value to the column:
//   - text longer than a text column's width is cut to the width;
//   - a whole number must fit the column (signed 32-bit, or 0..255 for the small unsigned ones);
//   - a real number must be finite (the store cannot keep NaN or infinity);
//   - text written to a number column must be a number; empty text makes the column null;
//   - the Yes/No column is never null: setting it null stores false.
// A refusal raises DataError naming the table, the column and the value.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QVariant>
#include <memory>

#include "records/DataSet.h"

namespace records {

class Field {
 public:
  Field(DataSet& dataSet, const QString& column);

  DataSet& dataSet() const { return *dataSet_; }
  int index() const { return index_; }
  const ColumnDef& def() const;
  const QString& fieldName() const { return def().name; }
  ColumnKind kind() const { return def().kind; }
  int size() const { return def().size; }  // characters or bytes; 0 when unbounded

  bool isNull() const;
  QVariant value() const;
  int asInteger() const;
  double asFloat() const;
  double asDateTime() const;  // days since 1899-12-30
  QString asString() const;
  bool asBoolean() const;
  QByteArray asBytes() const;

  void setInteger(qint64 value);
  void setFloat(double value);
  void setDateTime(double days);
  void setString(const QString& value);
  void setBoolean(bool value);
  void setBytes(const QByteArray& bytes);  // any length; the declared size is for the caller
  void setNull();

  // The column's bytes as a stream positioned at its start; the caller owns it.
  std::unique_ptr<QIODevice> createBlobStream() const;
  // Stores the rest of `in` as the column's bytes.
  void loadFromStream(QIODevice& in);

 private:
  [[noreturn]] void refuse(const QString& value, const QString& why) const;
  void store(const QVariant& value);

  DataSet* dataSet_;
  int index_;
};

// Text cut to at most `width` characters, never between the two halves of a surrogate pair.
QString cutToWidth(const QString& text, int width);

}  // namespace records
