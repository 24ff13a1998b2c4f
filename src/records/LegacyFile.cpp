#include "records/LegacyFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStringList>

#include "base/BoundedRead.h"
#include "base/DateTime.h"
#include "base/Formats.h"

namespace records {
namespace {

const char* const kFieldNames[] = {"", "full name", "NHI", "age", "duration", "skin type", "MED", "increments"};

QString fieldLabel(int field) {
  return QStringLiteral("field %1 (%2)").arg(field).arg(QLatin1String(kFieldNames[field]));
}

// A problem met while reading; `status` tells a malformed file from one that could not be read.
struct ReadProblem {
  LegacyRead::Status status;
  QString text;
};

// Reads the fields one by one, never asking for more bytes than the device still holds.
class FieldReader {
 public:
  explicit FieldReader(QIODevice& device) : device_(device) {}

  std::int32_t integer(int field, const QString& what = {}) {
    const QByteArray b = take(4, field, what);
    const auto u = static_cast<std::uint32_t>(static_cast<unsigned char>(b[0])) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(b[1])) << 8 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(b[2])) << 16 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(b[3])) << 24;
    return static_cast<std::int32_t>(u);
  }

  QString text(int field) {
    const std::int32_t length = integer(field);
    if (length < 0) {
      throw ReadProblem{LegacyRead::Status::Malformed,
                        QStringLiteral("%1 has a negative length (%2)").arg(fieldLabel(field)).arg(length)};
    }
    if (length > left()) {
      throw ReadProblem{LegacyRead::Status::Malformed,
                        QStringLiteral("%1 is %2 bytes long, but only %3 bytes are left in the file")
                            .arg(fieldLabel(field))
                            .arg(length)
                            .arg(left())};
    }
    return fromWindows1252(take(length, field));
  }

 private:
  qint64 left() const { return std::max<qint64>(0, device_.size() - device_.pos()); }

  QByteArray take(qint64 count, int field, const QString& what = {}) {
    if (count > left()) {
      QString text = QStringLiteral("the file ends inside %1").arg(fieldLabel(field));
      if (!what.isEmpty()) text += QStringLiteral(", at ") + what;
      throw ReadProblem{LegacyRead::Status::Malformed, text};
    }
    QByteArray bytes = device_.read(count);
    if (bytes.size() != count) {
      throw ReadProblem{LegacyRead::Status::Unreadable,
                        QStringLiteral("reading stopped inside %1: %2").arg(fieldLabel(field), device_.errorString())};
    }
    return bytes;
  }

  QIODevice& device_;
};

// Windows-1252 characters of the bytes 0x80..0x9F; the other bytes are the Latin-1 characters.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

}  // namespace

QString fromWindows1252(QByteArrayView bytes) {
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* dst = out.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    dst[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
  }
  return out;
}

std::optional<std::int32_t> LegacyPatient::wholeMed() const {
  const fmt::Whole w = fmt::parseWhole(med);
  if (!w.valid) return std::nullopt;
  return w.value;
}

std::optional<double> LegacyPatient::ageYears() const {
  const fmt::Real r = fmt::parseRealPointOrComma(age);
  if (!r.valid) return std::nullopt;
  return r.value;
}

LegacyRead readLegacyDevice(QIODevice& device) {
  LegacyRead result;
  LegacyPatient& p = result.patient;
  FieldReader in(device);
  try {
    p.fullName = in.text(1);
    p.nhi = in.text(2);
    p.age = in.text(3);
    p.duration = in.text(4);
    p.skinType = in.integer(5);
    if (p.skinType < 1 || p.skinType > 7) {
      throw ReadProblem{LegacyRead::Status::Malformed,
                        QStringLiteral("skin type %1 is outside 1..7 (field 5)").arg(p.skinType)};
    }
    p.med = in.text(6);
    for (int k = 0; k < kTreatments; ++k) {
      p.increments[static_cast<std::size_t>(k)] =
          in.integer(7, QStringLiteral("increment %1 of %2").arg(k + 1).arg(kTreatments));
    }
  } catch (const ReadProblem& problem) {
    result.status = problem.status;
    result.problem = problem.text;
    return result;
  }
  result.status = LegacyRead::Status::Read;
  return result;
}

LegacyRead readLegacyBytes(QByteArrayView bytes) {
  // The buffer only looks at the bytes; nothing is copied.
  QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  return readLegacyDevice(buffer);
}

LegacyRead readLegacyFile(const QString& path) {
  const QString shown = QDir::toNativeSeparators(path);
  QByteArray bytes;
  try {
    bytes = files::readBounded(path, files::kLargestLegacyFile, QStringLiteral("a patient file"));
  } catch (const files::ReadError& e) {
    LegacyRead result;
    result.status = LegacyRead::Status::Unreadable;
    result.problem = e.problem() == files::ReadError::Problem::CannotOpen
                         ? QStringLiteral("Cannot open the patient file \"%1\": %2").arg(shown, e.reason())
                         : e.message();
    return result;
  }
  LegacyRead result = readLegacyBytes(bytes);
  if (!result.ok()) result.problem = QStringLiteral("%1: %2").arg(shown, result.problem);
  result.patient.modified = datetime::fileModified(path);
  return result;
}

QString legacyPatientKey(const QString& nhi) {
  qsizetype start = 0;
  while (start < nhi.size() && nhi[start] == QLatin1Char(' ')) ++start;
  if (start == nhi.size()) return QStringLiteral("BLANK");
  return nhi.mid(start);
}

NameParts splitFullName(const QString& fullName) {
  // Walks the name with an index rather than cutting the text, so a long run of blanks costs
  // nothing; the words and the dropped remainder are the same as cutting word by word.
  QStringList words;
  const qsizetype n = fullName.size();
  qsizetype pos = 0;
  while (n - pos > 2) {
    if (fullName[pos] == QLatin1Char(' ')) {
      ++pos;
      continue;
    }
    const qsizetype blank = fullName.indexOf(QLatin1Char(' '), pos);
    if (blank < 0) {
      words << fullName.mid(pos);
      pos = n;
    } else {
      words << fullName.mid(pos, blank - pos);
      pos = blank + 1;
    }
  }

  NameParts parts;
  switch (words.size()) {
    case 0: break;
    case 1: parts.surname = words[0]; break;
    case 2:
      parts.first = words[0];
      parts.surname = words[1];
      break;
    default:
      if (words[0].size() >= 3) {
        parts.first = words[0];
        parts.surname = words.mid(1).join(QLatin1Char(' '));
      } else {
        parts.first = words[0] + QLatin1Char(' ') + words[1];
        parts.surname = words.mid(2).join(QLatin1Char(' '));
      }
      break;
  }
  return parts;
}

}  // namespace records
