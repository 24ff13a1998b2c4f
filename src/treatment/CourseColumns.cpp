#include "treatment/CourseColumns.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "base/Formats.h"

namespace treatment {
namespace {

// Little-endian numbers, byte by byte, so the layout does not depend on the machine.
template <typename Unsigned>
void appendLE(QByteArray& out, Unsigned value) {
  for (std::size_t i = 0; i < sizeof(Unsigned); ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

template <typename Unsigned>
Unsigned readLE(QByteArrayView bytes, qsizetype at) {
  Unsigned value = 0;
  for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
    value |= static_cast<Unsigned>(static_cast<unsigned char>(bytes[at + static_cast<qsizetype>(i)])) << (8 * i);
  }
  return value;
}

// Entry k (0-based) of an array of `width`-byte entries, when the bytes reach it.
bool hasEntry(QByteArrayView bytes, int k, int width) { return bytes.size() >= static_cast<qsizetype>(k + 1) * width; }

void appendShortString(QByteArray& out, const std::string& text, int maxChars) {
  const auto n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(maxChars));
  out.append(static_cast<char>(n));
  out.append(text.data(), static_cast<qsizetype>(n));
}

// Reads the short strings of a time or initials column one after the other.
class ShortStringReader {
 public:
  explicit ShortStringReader(QByteArrayView bytes) : bytes_(bytes) {}

  // The next string, cut to maxChars. Empty once the bytes are used up or a length byte promises
  // more characters than remain (the column is damaged from there on).
  std::string next(int maxChars) {
    if (pos_ >= bytes_.size()) return {};
    const qsizetype length = static_cast<unsigned char>(bytes_[pos_]);
    if (length > bytes_.size() - pos_ - 1) {
      pos_ = bytes_.size();
      return {};
    }
    const char* chars = bytes_.data() + pos_ + 1;
    pos_ += 1 + length;
    return std::string(chars, static_cast<std::size_t>(std::min<qsizetype>(length, maxChars)));
  }

 private:
  QByteArrayView bytes_;
  qsizetype pos_ = 0;
};

}  // namespace

const VarBytesColumn* findVarBytesColumn(QStringView name) {
  for (const auto& column : kVarBytesColumns) {
    if (name == QLatin1String(column.name)) return &column;
  }
  return nullptr;
}

QByteArray toFieldBuffer(const VarBytesColumn& column, QByteArrayView bytes) {
  if (bytes.size() > column.capacity) {
    throw std::length_error(std::string("The column ") + column.name + " holds at most " +
                            std::to_string(column.capacity) + " bytes; " + std::to_string(bytes.size()) +
                            " bytes were to be stored in it.");
  }
  QByteArray buffer;
  buffer.reserve(column.bufferSize());
  appendLE(buffer, static_cast<std::uint16_t>(bytes.size()));
  buffer.append(bytes);
  buffer.append(column.bufferSize() - buffer.size(), '\0');
  return buffer;
}

QByteArray fromFieldBuffer(QByteArrayView buffer, int maxLength) {
  if (buffer.size() < 2) return {};
  qsizetype length = readLE<std::uint16_t>(buffer, 0);
  length = std::min(length, buffer.size() - 2);
  if (maxLength >= 0) length = std::min<qsizetype>(length, maxLength);
  return buffer.sliced(2, length).toByteArray();
}

TableColumns packTable(std::span<const TreatmentRecord, kTreatments> records) {
  TableColumns c;
  for (const TreatmentRecord& r : records) {
    c.burn.append(static_cast<char>(r.burn));
    c.response.append(static_cast<char>(r.response));
    appendLE(c.Temperature, std::bit_cast<std::uint32_t>(r.Temperature));
    appendLE(c.Dose, std::bit_cast<std::uint32_t>(r.Dose));
    appendLE(c.WhenDate, static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(r.When) >> 32));
    appendShortString(c.TxTime, r.time, kShortTime);
    appendShortString(c.Initials, r.Initials, kShortInitials);
  }
  return c;
}

std::array<TreatmentRecord, kTreatments> unpackTable(const TableColumns& c) {
  std::array<TreatmentRecord, kTreatments> records{};
  ShortStringReader times(c.TxTime);
  ShortStringReader initials(c.Initials);
  for (int k = 0; k < kTreatments; ++k) {
    TreatmentRecord& r = records[static_cast<std::size_t>(k)];
    if (hasEntry(c.burn, k, 1)) r.burn = static_cast<std::int8_t>(c.burn[k]);
    if (hasEntry(c.response, k, 1)) r.response = static_cast<std::int8_t>(c.response[k]);
    if (hasEntry(c.Temperature, k, 4))
      r.Temperature = std::bit_cast<float>(readLE<std::uint32_t>(c.Temperature, 4 * k));
    if (hasEntry(c.Dose, k, 4)) r.Dose = std::bit_cast<float>(readLE<std::uint32_t>(c.Dose, 4 * k));
    if (hasEntry(c.WhenDate, k, 4)) {
      r.When = std::bit_cast<double>(static_cast<std::uint64_t>(readLE<std::uint32_t>(c.WhenDate, 4 * k)) << 32);
    }
    r.time = times.next(kShortTime);
    r.Initials = initials.next(kShortInitials);
  }
  return records;
}

std::string toRecordText(QStringView text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (QChar ch : text) out.push_back(ch.unicode() <= 0xFF ? static_cast<char>(ch.unicode()) : '?');
  return out;
}

QString fromRecordText(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::int16_t incrementEntry(const QString& cellText) {
  const fmt::Whole number = fmt::parseWhole(cellText);
  if (!number.valid || number.value >= 32767 || number.value < -32768) return kEmptyIncrement;
  return static_cast<std::int16_t>(number.value);
}

QByteArray packIncrements(const IncrementTexts& cells) {
  QByteArray out;
  out.reserve(2 * kTreatments);
  for (const QString& cell : cells) appendLE(out, static_cast<std::uint16_t>(incrementEntry(cell)));
  return out;
}

IncrementTexts unpackIncrements(QByteArrayView bytes) {
  IncrementTexts cells;
  for (int k = 0; k < kTreatments; ++k) {
    if (!hasEntry(bytes, k, 2)) break;
    const auto entry = static_cast<std::int16_t>(readLE<std::uint16_t>(bytes, 2 * k));
    if (entry != kEmptyIncrement) cells[static_cast<std::size_t>(k)] = fmt::D(entry);
  }
  return cells;
}

}  // namespace treatment
