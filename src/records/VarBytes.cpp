#include "records/VarBytes.h"

#include <stdexcept>

#include "records/DataError.h"
#include "treatment/CourseColumns.h"

namespace records {

void SaveVarBytes(Field& field, std::uint16_t length, const char* source) {
  const treatment::VarBytesColumn* column = treatment::findVarBytesColumn(field.fieldName());
  const QByteArrayView bytes(source, length);
  if (!column) {  // a binary column without a declared size keeps what it is given
    field.setBytes(bytes.toByteArray());
    return;
  }
  try {
    field.setBytes(treatment::fromFieldBuffer(treatment::toFieldBuffer(*column, bytes)));
  } catch (const std::length_error&) {
    throw DataError(QStringLiteral("The %1 column holds at most %2 bytes; %3 bytes were not stored.")
                        .arg(field.fieldName())
                        .arg(column->capacity)
                        .arg(length));
  }
}

QByteArray LoadVarBytes(const Field& field, int maxLength) {
  if (field.isNull()) return {};
  const QByteArray stored = field.asBytes();
  return stored.left(std::max(0, maxLength));
}

std::unique_ptr<QBuffer> LoadVarBytesStream(const Field& field) {
  auto stream = std::make_unique<QBuffer>();
  stream->setData(field.isNull() ? QByteArray() : field.asBytes());
  stream->open(QIODevice::ReadOnly);
  return stream;
}

}  // namespace records
