#pragma once
// Moving a byte string in and out of a var-bytes column of the current row. The value passes
// through the column's field buffer (a 16-bit length, then the bytes), so nothing longer than the
// column holds is ever written and nothing past the stored bytes is ever read.

#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <memory>

#include "records/Field.h"

namespace records {

// Stores the first `length` bytes of `source` in `field` (the row is in edit mode). Raises
// DataError naming the column when the value is longer than the column holds.
void SaveVarBytes(Field& field, std::uint16_t length, const char* source);
inline void SaveVarBytes(Field& field, const QByteArray& bytes) {
  SaveVarBytes(field, static_cast<std::uint16_t>(bytes.size()), bytes.constData());
}

// The first min(maxLength, stored length) bytes of the column's value; empty for a null column.
QByteArray LoadVarBytes(const Field& field, int maxLength);

// The column's whole value in a new memory stream, positioned at its start; the caller owns it.
std::unique_ptr<QBuffer> LoadVarBytesStream(const Field& field);

}  // namespace records
