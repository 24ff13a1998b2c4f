#include "dosing/FactorFile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "base/BoundedRead.h"

namespace dosing {

namespace {

// Reads fields one after the other the way the file has always been read: each read transfers
// as many bytes as remain, never fails, and a field (or the end of one) that the file does not
// reach keeps its zero value. The bytes that are present fill the low-order end of a number, as
// a little-endian read into a zeroed variable does.
class PlainReader {
 public:
  explicit PlainReader(const QByteArray& bytes) : bytes_(bytes) {}

  qint64 position() const { return pos_; }
  qint64 remaining() const { return bytes_.size() - pos_; }
  bool atEnd() const { return pos_ >= bytes_.size(); }

  // Copies up to `size` bytes into `out` (which the caller has zeroed) and moves on.
  void read(void* out, qint64 size) {
    const qint64 n = std::clamp<qint64>(remaining(), 0, size);
    if (n > 0) std::memcpy(out, bytes_.constData() + pos_, static_cast<std::size_t>(n));
    pos_ += n;
  }

  std::int32_t int32() {
    unsigned char raw[4] = {};
    read(raw, sizeof raw);
    return qFromLittleEndian<std::int32_t>(raw);
  }
  double real() {
    unsigned char raw[8] = {};
    read(raw, sizeof raw);
    return std::bit_cast<double>(qFromLittleEndian<std::uint64_t>(raw));
  }
  template <std::size_t N>
  void reals(std::array<double, N>& out) {
    for (double& v : out) v = real();
  }
  template <std::size_t N>
  void int32s(std::array<std::int32_t, N>& out) {
    for (std::int32_t& v : out) v = int32();
  }
  template <std::size_t N>
  void raw(std::array<std::uint8_t, N>& out) {
    read(out.data(), N);
  }

  QByteArray rest() const { return bytes_.mid(pos_); }
  QByteArray take(qint64 size) {
    const qint64 n = std::clamp<qint64>(remaining(), 0, size);
    QByteArray out = bytes_.mid(pos_, n);
    pos_ += n;
    return out;
  }

 private:
  const QByteArray& bytes_;
  qint64 pos_ = 0;
};

class ByteWriter {
 public:
  void int32(std::int32_t v) {
    unsigned char raw[4];
    qToLittleEndian(v, raw);
    out_.append(reinterpret_cast<const char*>(raw), sizeof raw);
  }
  void real(double v) {
    unsigned char raw[8];
    qToLittleEndian(std::bit_cast<std::uint64_t>(v), raw);
    out_.append(reinterpret_cast<const char*>(raw), sizeof raw);
  }
  template <std::size_t N>
  void reals(const std::array<double, N>& values) {
    for (double v : values) real(v);
  }
  template <std::size_t N>
  void int32s(const std::array<std::int32_t, N>& values) {
    for (std::int32_t v : values) int32(v);
  }
  void bytes(const void* data, qsizetype size) { out_.append(static_cast<const char*>(data), size); }
  QByteArray& result() { return out_; }

 private:
  QByteArray out_;
};

std::uint32_t le32(const QByteArray& b, int at) { return qFromLittleEndian<std::uint32_t>(b.constData() + at); }
std::uint16_t le16(const QByteArray& b, int at) { return qFromLittleEndian<std::uint16_t>(b.constData() + at); }

// Whether an uncompressed bitmap holds all the pixel rows its header declares. The image reader
// would quietly show a cut-off file with its missing rows blank, and would allocate the full
// declared size for a few bytes of header; a cut-off logo is a damaged file and is refused.
bool pixelDataComplete(const QByteArray& bmp) {
  constexpr int kFileHeader = 14;
  if (bmp.size() < kFileHeader + 12) return false;
  const std::uint32_t dataOffset = le32(bmp, 10);
  const std::uint32_t infoSize = le32(bmp, kFileHeader);
  std::int64_t width = 0, height = 0;
  std::uint32_t bitCount = 0, compression = 0;
  if (infoSize == 12) {  // the old core header: 16-bit sizes, never compressed
    width = le16(bmp, 18);
    height = le16(bmp, 20);
    bitCount = le16(bmp, 24);
  } else {
    if (bmp.size() < kFileHeader + 20) return false;
    width = static_cast<std::int32_t>(le32(bmp, 18));
    height = static_cast<std::int32_t>(le32(bmp, 22));
    bitCount = le16(bmp, 28);
    compression = le32(bmp, 30);
  }
  constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
  if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) {
    return true;  // run-length coded: its length is not known before decoding
  }
  if (width <= 0 || height == 0 || bitCount == 0 || bitCount > 32) return false;
  // Sizes a header can claim (2^31 pixels a side) make rows x stride overflow even 64 bits, so
  // the rows are compared with what the bytes after the pixel offset can hold.
  const std::int64_t stride = (width * bitCount + 31) / 32 * 4;
  const std::int64_t rows = height < 0 ? -height : height;
  const std::int64_t available = bmp.size() - static_cast<std::int64_t>(dataOffset);
  return available >= 0 && rows <= available / stride;
}

QString absolute(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

}  // namespace

QImage decodeBitmap(const QByteArray& bmp) {
  if (!bmp.startsWith("BM") || !pixelDataComplete(bmp)) return {};
  return QImage::fromData(bmp, "BMP");
}

// Layout and reading order are those of the engineering tool that writes the file. The tail is
// read only when the fixed part ended before the end of the file, the logo only when bytes
// remain after the pattern.
//
// A damaged tail is read with the same plain-read rule as the fixed part, so that no file makes
// the program crash, hang or allocate more than the file holds:
//  - a tail that ends inside Default_Lang or inside N keeps the bytes present (little-endian,
//    the rest zero), and there is no pattern and no logo;
//  - a negative N gives an empty pattern and no logo, whatever follows;
//  - an N larger than what remains takes the remaining bytes as the pattern, and there is no logo.
FactorTables readFactorBytes(const QByteArray& image, const QString& fileName) {
  FactorTables t;
  // The demonstration mark comes off first: the rest reads as it would without it.
  static const QByteArray mark = QByteArrayLiteral(kDemonstrationMark);
  t.Demonstration = image.endsWith(mark);
  const QByteArray bytes = t.Demonstration ? image.left(image.size() - mark.size()) : image;
  PlainReader in(bytes);
  t.ESF = in.real();
  in.reals(t.Lighter);
  in.reals(t.Average);
  in.reals(t.Darker);
  in.int32s(t.MED_Min);
  in.int32s(t.MED_Max);
  in.raw(t.Min_DA);
  in.raw(t.Max_DA);
  std::array<std::uint8_t, 8> unused{};  // belongs to the engineering tool; not kept
  in.raw(unused);

  if (in.atEnd()) return t;
  t.Default_Lang = in.int32();
  const std::int32_t patternLength = in.int32();
  if (patternLength < 0) return t;
  const bool patternComplete = patternLength <= in.remaining();
  const QByteArray pattern = in.take(patternLength);
  t.Default_Format.assign(pattern.constData(), static_cast<std::size_t>(pattern.size()));
  if (!patternComplete || in.atEnd()) return t;

  const QByteArray logo = in.rest();
  t.Logo = decodeBitmap(logo);
  if (t.Logo.isNull()) {
    const QString name = fileName.isEmpty() ? QString::fromLatin1(kFactorFileName) : absolute(fileName);
    throw FactorFileError(QStringLiteral("The logo in the dose factor file \"%1\" is not a valid bitmap "
                                         "(%2 bytes from offset %3). The file is damaged or was not written "
                                         "by the factor tool; replace it with a good copy.")
                              .arg(name)
                              .arg(logo.size())
                              .arg(in.position()));
  }
  return t;
}

FactorTables readFactorFile(const QString& path) {
  // Opened for reading without locking others out: the file may be open elsewhere. Only a regular
  // file of a calibration's size is read; a pipe would block the start.
  QByteArray bytes;
  try {
    bytes = files::readBounded(QFileInfo(path).absoluteFilePath(), files::kLargestFactorFile,
                               QStringLiteral("a dose factor file"));
  } catch (const files::ReadError& e) {
    if (e.problem() != files::ReadError::Problem::CannotOpen) throw FactorFileError(e.message());
    throw FactorFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(absolute(path), e.reason()));
  }
  FactorTables t = readFactorBytes(bytes, path);
  t.SourcePath = absolute(path);
  t.SourceSha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
  return t;
}

QByteArray factorFileBytes(const FactorTables& tables, const QByteArray& logoBmp) {
  QByteArray logo = logoBmp;
  if (!logo.isEmpty()) {
    if (decodeBitmap(logo).isNull()) {
      throw FactorFileError(
          QStringLiteral("The logo given for the dose factor file is not a valid bitmap; "
                         "give a complete Windows bitmap (.bmp) file."));
    }
  } else if (!tables.Logo.isNull()) {
    QBuffer buffer(&logo);
    buffer.open(QIODevice::WriteOnly);
    tables.Logo.save(&buffer, "BMP");
  }

  ByteWriter out;
  out.real(tables.ESF);
  out.reals(tables.Lighter);
  out.reals(tables.Average);
  out.reals(tables.Darker);
  out.int32s(tables.MED_Min);
  out.int32s(tables.MED_Max);
  out.bytes(tables.Min_DA.data(), tables.Min_DA.size());
  out.bytes(tables.Max_DA.data(), tables.Max_DA.size());
  const std::array<std::uint8_t, 8> unused{};
  out.bytes(unused.data(), unused.size());

  if (tables.Default_Lang == 0 && tables.Default_Format.empty() && logo.isEmpty() && !tables.Demonstration)
    return out.result();
  if (tables.Default_Format.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw FactorFileError(QStringLiteral("The patient-ID pattern is too long for the dose factor file."));
  }
  out.int32(tables.Default_Lang);
  out.int32(static_cast<std::int32_t>(tables.Default_Format.size()));
  out.bytes(tables.Default_Format.data(), static_cast<qsizetype>(tables.Default_Format.size()));
  out.bytes(logo.constData(), logo.size());
  if (tables.Demonstration) out.bytes(kDemonstrationMark, sizeof kDemonstrationMark - 1);
  return out.result();
}

void writeFactorFile(const QString& path, const FactorTables& tables, const QByteArray& logoBmp) {
  const QByteArray bytes = factorFileBytes(tables, logoBmp);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    throw FactorFileError(QStringLiteral("Cannot create file \"%1\". %2").arg(absolute(path), file.errorString()));
  }
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    throw FactorFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(absolute(path), file.errorString()));
  }
}

}  // namespace dosing
