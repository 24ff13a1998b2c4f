#include "records/Field.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Formats.h"
#include "records/DataError.h"

namespace records {

QString cutToWidth(const QString& text, int width) {
  if (width <= 0 || text.size() <= width) return text;
  QString cut = text.left(width);
  if (cut.back().isHighSurrogate()) cut.chop(1);
  return cut;
}

Field::Field(DataSet& dataSet, const QString& column) : dataSet_(&dataSet), index_(dataSet.columnIndex(column)) {}

const ColumnDef& Field::def() const { return dataSet_->table().columns[static_cast<std::size_t>(index_)]; }

bool Field::isNull() const { return dataSet_->isNull(index_); }
QVariant Field::value() const { return dataSet_->value(index_); }

int Field::asInteger() const {
  const QVariant v = value();
  if (v.isNull()) return 0;
  const qint64 whole = v.typeId() == QMetaType::Double ? wholePartOf(std::nearbyint(v.toDouble())) : v.toLongLong();
  // A value beyond 32 bits (never written by the program) reads as the nearest one that fits
  // rather than wrapping round to a small, plausible number.
  return static_cast<int>(std::clamp<qint64>(whole, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double Field::asFloat() const {
  const QVariant v = value();
  return v.isNull() ? 0.0 : v.toDouble();
}

double Field::asDateTime() const { return asFloat(); }

QString Field::asString() const {
  const QVariant v = value();
  return v.isNull() ? QString() : v.toString();
}

bool Field::asBoolean() const {
  const QVariant v = value();
  return !v.isNull() && v.toBool();
}

QByteArray Field::asBytes() const {
  const QVariant v = value();
  return v.isNull() ? QByteArray() : v.toByteArray();
}

void Field::refuse(const QString& value, const QString& why) const {
  throw DataError(
      QStringLiteral("%1 cannot be stored in %2.%3: %4.").arg(value, dataSet_->table().name, fieldName(), why));
}

void Field::store(const QVariant& value) { dataSet_->setValue(index_, value); }

void Field::setInteger(qint64 value) {
  switch (kind()) {
    case ColumnKind::Integer:
      if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max()) {
        refuse(QString::number(value), QStringLiteral("the column holds whole numbers from -2147483648 to 2147483647"));
      }
      return store(QVariant(static_cast<qlonglong>(value)));
    case ColumnKind::SmallUnsigned:
      if (value < 0 || value > 255)
        refuse(QString::number(value), QStringLiteral("the column holds whole numbers from 0 to 255"));
      return store(QVariant(static_cast<qlonglong>(value)));
    case ColumnKind::Float:
    case ColumnKind::DateTime: return store(QVariant(static_cast<double>(value)));
    case ColumnKind::Boolean: return store(QVariant(value != 0));
    case ColumnKind::Text:
    case ColumnKind::Memo: return setString(QString::number(value));
    case ColumnKind::AutoIncrement: return store(QVariant(static_cast<qlonglong>(value)));  // refused by the cursor
    case ColumnKind::VarBytes:
    case ColumnKind::Blob: break;
  }
  refuse(QString::number(value), QStringLiteral("the column holds bytes, not numbers"));
}

void Field::setFloat(double value) {
  if (!std::isfinite(value)) refuse(fmt::GeneralText(value, 17), QStringLiteral("only finite numbers can be stored"));
  switch (kind()) {
    case ColumnKind::Float:
    case ColumnKind::DateTime: return store(QVariant(value));
    case ColumnKind::Integer:
    case ColumnKind::SmallUnsigned:
    case ColumnKind::Boolean:
    case ColumnKind::AutoIncrement: {
      const double whole = std::nearbyint(value);
      if (std::fabs(whole) > 1e15) refuse(fmt::GeneralText(value, 17), QStringLiteral("the number is far too large"));
      return setInteger(static_cast<qint64>(whole));
    }
    case ColumnKind::Text:
    case ColumnKind::Memo: return setString(fmt::GeneralText(value, 17));
    case ColumnKind::VarBytes:
    case ColumnKind::Blob: break;
  }
  refuse(fmt::GeneralText(value, 17), QStringLiteral("the column holds bytes, not numbers"));
}

void Field::setDateTime(double days) {
  if (kind() != ColumnKind::DateTime && kind() != ColumnKind::Float) {
    refuse(fmt::GeneralText(days, 17), QStringLiteral("the column does not hold dates"));
  }
  setFloat(days);
}

void Field::setString(const QString& value) {
  switch (kind()) {
    case ColumnKind::Text:
    case ColumnKind::Memo: {
      // A null QString would reach the store as SQL NULL; typed-in empty text stays empty text.
      const QString text = value.isNull() ? QStringLiteral("") : value;
      return store(QVariant(kind() == ColumnKind::Text ? cutToWidth(text, size()) : text));
    }
    case ColumnKind::Integer:
    case ColumnKind::SmallUnsigned:
    case ColumnKind::AutoIncrement: {
      if (value.trimmed().isEmpty()) return setNull();
      const fmt::Whole n = fmt::parseWhole(value);
      if (!n.valid) refuse(u'"' + value + u'"', QStringLiteral("it is not a whole number"));
      return setInteger(n.value);
    }
    case ColumnKind::Float:
    case ColumnKind::DateTime: {
      if (value.trimmed().isEmpty()) return setNull();
      const fmt::Real r = fmt::parseReal(value);
      if (!r.valid) refuse(u'"' + value + u'"', QStringLiteral("it is not a number"));
      return setFloat(r.value);
    }
    case ColumnKind::Boolean: {
      const QString t = value.trimmed().toLower();
      if (t == QLatin1String("true") || t == QLatin1String("1")) return setBoolean(true);
      if (t == QLatin1String("false") || t == QLatin1String("0") || t.isEmpty()) return setBoolean(false);
      refuse(u'"' + value + u'"', QStringLiteral("the column holds true or false"));
    }
    case ColumnKind::VarBytes:
    case ColumnKind::Blob: break;
  }
  refuse(u'"' + value + u'"', QStringLiteral("the column holds bytes, not text"));
}

void Field::setBoolean(bool value) {
  switch (kind()) {
    case ColumnKind::Boolean: return store(QVariant(value));
    case ColumnKind::Integer:
    case ColumnKind::SmallUnsigned: return setInteger(value ? 1 : 0);
    default:
      refuse(value ? QStringLiteral("true") : QStringLiteral("false"),
             QStringLiteral("the column does not hold true or false"));
  }
}

void Field::setBytes(const QByteArray& bytes) {
  if (kind() != ColumnKind::VarBytes && kind() != ColumnKind::Blob) {
    refuse(QStringLiteral("%1 bytes").arg(bytes.size()), QStringLiteral("the column does not hold bytes"));
  }
  // A null byte array would reach the store as SQL NULL; zero bytes stay zero bytes.
  store(QVariant(bytes.isNull() ? QByteArray("", 0) : bytes));
}

void Field::setNull() {
  if (kind() == ColumnKind::Boolean) return store(QVariant(false));  // a Yes/No column is never null
  store(QVariant());
}

std::unique_ptr<QIODevice> Field::createBlobStream() const {
  auto buffer = std::make_unique<QBuffer>();
  buffer->setData(asBytes());
  buffer->open(QIODevice::ReadOnly);
  return buffer;
}

void Field::loadFromStream(QIODevice& in) { setBytes(in.readAll()); }

}  // namespace records
