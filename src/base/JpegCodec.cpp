#include "base/JpegCodec.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTransform>

#include <cmath>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
// after jpeglib.h, whose message codes it names
#include <jerror.h>

#include "base/BoundedRead.h"

namespace jpeg {
namespace {

// libjpeg reports errors through error_exit, whose default prints and ends the process. Ours keeps
// the codec's text and jumps back into the frame that called libjpeg; that frame then throws, so no
// exception ever crosses libjpeg's C frames.
struct ErrorManager {
  jpeg_error_mgr pub{};  // first member: libjpeg sees only this part
  std::jmp_buf jump{};
  char message[JMSG_LENGTH_MAX]{};
  bool decoding = false;
  // Whether running out of bytes means pixels are lost. The decoder of a single-scan picture reads
  // ahead past its last rows and meets the end of a file that lacks only its end marker; any pixel
  // that is really missing there is reported as a cut data segment. A picture of several scans
  // (progressive) that runs out may be missing whole scans without further notice.
  bool endOfFileLosesPixels = true;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings that mean pixels are missing or wrong. The decoder would carry on and fill the gap with
// grey or smeared blocks; we stop instead. Other warnings leave every pixel intact and are ignored.
bool losesPixels(int code) {
  switch (code) {
    case JWRN_HIT_MARKER:     // a scan's data stops short
    case JWRN_HUFF_BAD_CODE:  // corrupt entropy-coded data
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:  // a restart interval was lost
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:  // progressive scans that do not add up
      return true;
    default: return false;
  }
}

void onMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  const int code = cinfo->err->msg_code;
  if (err->decoding && (losesPixels(code) || (code == JWRN_JPEG_EOF && err->endOfFileLosesPixels))) onError(cinfo);
  ++cinfo->err->num_warnings;
}

void silently(j_common_ptr) {}

void install(ErrorManager& err, bool decoding) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = onMessage;
  err.pub.output_message = silently;
  err.decoding = decoding;
}

// Runs one step of libjpeg calls. A codec error leaves the step by longjmp back into this frame and
// is thrown from here. The jump skips only libjpeg's frames and the step's own, so a step must hold
// nothing that needs destroying: plain values, pointers and references only.
template <class Step>
void guarded(ErrorManager& err, Step&& step) {
  if (setjmp(err.jump) != 0) throw Error(err.message);
  step();
}

// Owns a decompressor from creation to destruction, on every path out.
struct Decompressor {
  jpeg_decompress_struct info;
  explicit Decompressor(ErrorManager& err) {
    std::memset(&info, 0, sizeof info);
    info.err = &err.pub;
    try {
      guarded(err, [this] { jpeg_create_decompress(&info); });
    } catch (...) {
      jpeg_destroy_decompress(&info);  // frees whatever the failed create had allocated
      throw;
    }
  }
  ~Decompressor() { jpeg_destroy_decompress(&info); }  // safe after a failed create: mem is null
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
};

// The error manager set up for decoding, before the decompressor is created with it.
inline ErrorManager& installedForDecoding(ErrorManager& err) {
  install(err, true);
  return err;
}

// A decoder over bytes in memory with their header read: the start of every decode.
struct HeaderReader {
  ErrorManager err;
  Decompressor d;
  explicit HeaderReader(const QByteArray& bytes) : d(installedForDecoding(err)) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<unsigned long>(bytes.size());
    guarded(err, [&] {
      jpeg_mem_src(&d.info, data, size);
      jpeg_read_header(&d.info, TRUE);
    });
  }
};

// A destination that grows a malloc'd buffer. libjpeg's own memory destination loses its buffer
// when compression fails half-way; this one is freed by its owner on every path.
struct GrowingDestination {
  jpeg_destination_mgr pub{};  // first member
  JOCTET* buffer = nullptr;
  std::size_t capacity = 0;
  std::size_t used = 0;

  GrowingDestination() {
    pub.init_destination = &init;
    pub.empty_output_buffer = &grow;
    pub.term_destination = &term;
  }
  ~GrowingDestination() { std::free(buffer); }
  GrowingDestination(const GrowingDestination&) = delete;
  GrowingDestination& operator=(const GrowingDestination&) = delete;

  static GrowingDestination& of(j_compress_ptr cinfo) { return *reinterpret_cast<GrowingDestination*>(cinfo->dest); }
  static void init(j_compress_ptr cinfo) {
    auto& d = of(cinfo);
    if (d.buffer == nullptr) {
      d.buffer = static_cast<JOCTET*>(std::malloc(65536));
      if (d.buffer == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
      d.capacity = 65536;
    }
    d.pub.next_output_byte = d.buffer;
    d.pub.free_in_buffer = d.capacity;
  }
  // Called when the buffer is full (free_in_buffer is 0): double it and carry on after the end.
  static boolean grow(j_compress_ptr cinfo) {
    auto& d = of(cinfo);
    const std::size_t bigger = d.capacity * 2;
    auto* moved = static_cast<JOCTET*>(std::realloc(d.buffer, bigger));
    if (moved == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 2);
    d.buffer = moved;
    d.pub.next_output_byte = moved + d.capacity;
    d.pub.free_in_buffer = bigger - d.capacity;
    d.capacity = bigger;
    return TRUE;
  }
  static void term(j_compress_ptr cinfo) {
    auto& d = of(cinfo);
    d.used = d.capacity - d.pub.free_in_buffer;
  }
};

struct Compressor {
  jpeg_compress_struct info;
  GrowingDestination destination;
  explicit Compressor(ErrorManager& err) {
    std::memset(&info, 0, sizeof info);
    info.err = &err.pub;
    try {
      guarded(err, [this] { jpeg_create_compress(&info); });
    } catch (...) {
      jpeg_destroy_compress(&info);
      throw;
    }
    info.dest = &destination.pub;
  }
  ~Compressor() { jpeg_destroy_compress(&info); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

std::string text(const QString& s) { return s.toUtf8().toStdString(); }

// One channel of CMYK to RGB: ink and black both take light away.
inline JSAMPLE light(unsigned ink, unsigned black) {
  return static_cast<JSAMPLE>(((255 - ink) * (255 - black) + 127) / 255);
}

int dotsPerMetre(double perUnit, int unit, int scaleDenom) {
  // JFIF density units: 1 dots per inch, 2 dots per centimetre; 0 is only an aspect ratio.
  const double perMetre = unit == 1 ? perUnit / 0.0254 : perUnit * 100.0;
  return static_cast<int>(std::lround(perMetre / scaleDenom));
}

}  // namespace

QImage decode(const QByteArray& bytes, int scaleDenom) {
  if (bytes.isEmpty()) throw Error("The picture is empty: there are no bytes to decode.");
  if (scaleDenom != 1 && scaleDenom != 2 && scaleDenom != 4 && scaleDenom != 8)
    throw Error("A picture can be decoded at full scale or at 1/2, 1/4 or 1/8, not at 1/" + std::to_string(scaleDenom) +
                ".");

  HeaderReader reader(bytes);
  ErrorManager& err = reader.err;
  jpeg_decompress_struct& c = reader.d.info;

  // libjpeg turns grey and YCbCr into RGB itself, but CMYK and YCCK only into CMYK: those rows go
  // through a buffer and are converted below. Adobe's writers store the inks inverted (255 = none),
  // and mark their files with an Adobe segment.
  const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  const bool inverted = cmyk && c.saw_Adobe_marker;
  c.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  err.endOfFileLosesPixels = jpeg_has_multiple_scans(&c);
  c.scale_num = 1;
  c.scale_denom = static_cast<unsigned>(scaleDenom);
  guarded(err, [&] { jpeg_calc_output_dimensions(&c); });

  const qint64 width = c.output_width;
  const qint64 height = c.output_height;
  if (width * height > maxPixels)
    throw Error("The picture claims " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels, more than can be opened.");
  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
  if (image.isNull())
    throw Error("There is not enough memory for a picture of " + std::to_string(width) + " x " +
                std::to_string(height) + " pixels.");
  std::vector<JSAMPLE> cmykRow(cmyk ? static_cast<std::size_t>(width) * 4 : 0);
  uchar* const bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  JSAMPLE* const buffer = cmykRow.data();

  c.mem->max_memory_to_use = static_cast<long>(maxDecoderMemory);
  try {
    guarded(err, [&] { jpeg_start_decompress(&c); });
  } catch (const Error&) {
    if (err.pub.msg_code != JERR_NO_BACKING_STORE) throw;
    throw Error("The picture claims " + std::to_string(c.image_width) + " x " + std::to_string(c.image_height) +
                " pixels, more than can be opened.");
  }
  if (static_cast<qint64>(c.output_width) != width || static_cast<qint64>(c.output_height) != height ||
      c.output_components != (cmyk ? 4 : 3))
    throw Error("The decoder changed the picture's layout while starting.");

  guarded(err, [&] {
    while (c.output_scanline < c.output_height) {
      uchar* const out = bits + stride * c.output_scanline;
      JSAMPROW row = cmyk ? buffer : out;
      jpeg_read_scanlines(&c, &row, 1);
      if (!cmyk) continue;
      for (qint64 x = 0; x < width; ++x) {
        const JSAMPLE* ink = buffer + 4 * x;
        const unsigned k = inverted ? 255u - ink[3] : ink[3];
        for (int i = 0; i < 3; ++i) out[3 * x + i] = light(inverted ? 255u - ink[i] : ink[i], k);
      }
    }
  });
  // jpeg_finish_decompress is left out on purpose: every pixel has been read and checked, and all
  // it would add is a complaint about a missing end marker or trailing bytes, which lose nothing.

  if (c.density_unit == 1 || c.density_unit == 2) {
    if (c.X_density > 0) image.setDotsPerMeterX(dotsPerMetre(c.X_density, c.density_unit, scaleDenom));
    if (c.Y_density > 0) image.setDotsPerMeterY(dotsPerMetre(c.Y_density, c.density_unit, scaleDenom));
  }
  return image;
}

QByteArray readFile(const QString& path) {
  const QString shown = QDir::toNativeSeparators(path);
  QByteArray bytes;
  try {
    bytes = files::readBounded(path, files::kLargestPhotograph, QStringLiteral("a photograph"));
  } catch (const files::ReadError& e) {
    switch (e.problem()) {
      case files::ReadError::Problem::CannotOpen:
        throw Error(text(QStringLiteral("Cannot open the picture \"%1\": %2.").arg(shown, e.reason())));
      case files::ReadError::Problem::CannotRead:
        throw Error(text(QStringLiteral("Cannot read the picture \"%1\": %2.").arg(shown, e.reason())));
      default: throw Error(text(e.message()));
    }
  }
  if (bytes.isEmpty()) throw Error(text(QStringLiteral("The picture \"%1\" is an empty file.").arg(shown)));
  return bytes;
}

Error fileError(const QString& path, const Error& reason) {
  return Error(text(QStringLiteral("The picture \"%1\" cannot be read as a JPEG file: %2")
                        .arg(QDir::toNativeSeparators(path), QString::fromUtf8(reason.what()))));
}

QImage decodeFile(const QString& path, int scaleDenom) {
  const QByteArray bytes = readFile(path);
  try {
    return decode(bytes, scaleDenom);
  } catch (const Error& e) {
    throw fileError(path, e);
  }
}

QSize pictureSize(const QByteArray& bytes) {
  if (bytes.isEmpty()) throw Error("The picture is empty: there are no bytes to decode.");
  const HeaderReader reader(bytes);
  return QSize(static_cast<int>(reader.d.info.image_width), static_cast<int>(reader.d.info.image_height));
}

QByteArray encode(const QImage& image, int quality, int dotsPerInch) {
  if (image.isNull()) throw Error("There is no picture to encode.");
  if (dotsPerInch > 65535)
    throw Error("A JPEG file can record at most 65535 dots per inch, not " + std::to_string(dotsPerInch) + ".");

  QImage rgb;
  if (image.hasAlphaChannel()) {
    // JPEG has no transparency: lay the picture on white, so that clear areas come out white
    // rather than black.
    rgb = QImage(image.size(), QImage::Format_RGB888);
    rgb.fill(Qt::white);
    QPainter painter(&rgb);
    painter.drawImage(0, 0, image);
  } else {
    rgb = image.convertToFormat(QImage::Format_RGB888);
  }
  if (rgb.isNull()) throw Error("There is not enough memory to encode the picture.");

  ErrorManager err;
  install(err, false);
  Compressor comp(err);
  jpeg_compress_struct& c = comp.info;
  const uchar* const bits = rgb.constBits();
  const qsizetype stride = rgb.bytesPerLine();

  guarded(err, [&] {
    c.image_width = static_cast<JDIMENSION>(rgb.width());
    c.image_height = static_cast<JDIMENSION>(rgb.height());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);  // YCbCr, JFIF 1.01, sequential (baseline) Huffman coding
    jpeg_set_quality(&c, quality, TRUE);
    if (dotsPerInch > 0) {
      c.density_unit = 1;
      c.X_density = static_cast<UINT16>(dotsPerInch);
      c.Y_density = static_cast<UINT16>(dotsPerInch);
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      // libjpeg takes rows as writable pointers but only reads them.
      JSAMPROW row = const_cast<JSAMPROW>(bits + stride * c.next_scanline);
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
  });
  return QByteArray(reinterpret_cast<const char*>(comp.destination.buffer),
                    static_cast<qsizetype>(comp.destination.used));
}

namespace {

// Reads numbers out of the TIFF structure inside an EXIF segment, in its byte order, refusing any
// read that would leave the segment.
class TiffReader {
 public:
  TiffReader(const uchar* data, std::size_t size) : data_(data), size_(size) {}
  bool setByteOrder() {
    if (size_ < 8) return false;
    if (data_[0] == 'I' && data_[1] == 'I')
      little_ = true;
    else if (data_[0] == 'M' && data_[1] == 'M')
      little_ = false;
    else
      return false;
    unsigned magic = 0;
    return read16(2, magic) && magic == 42;
  }
  bool read16(std::size_t at, unsigned& value) const {
    if (at > size_ || size_ - at < 2) return false;
    value = little_ ? data_[at] | data_[at + 1] << 8 : data_[at] << 8 | data_[at + 1];
    return true;
  }
  bool read32(std::size_t at, std::uint32_t& value) const {
    unsigned a = 0, b = 0;
    if (!read16(at, a) || !read16(at + 2, b)) return false;
    value = little_ ? (std::uint32_t(b) << 16 | a) : (std::uint32_t(a) << 16 | b);
    return true;
  }

 private:
  const uchar* data_;
  std::size_t size_;
  bool little_ = true;
};

// The orientation from one APP1 segment's contents; 0 when this segment does not give one.
int orientationInSegment(const uchar* segment, std::size_t size) {
  static const char exifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (size < 6 || std::memcmp(segment, exifHeader, 6) != 0) return 0;  // e.g. an XMP segment
  TiffReader tiff(segment + 6, size - 6);
  std::uint32_t ifd = 0;
  unsigned entries = 0;
  if (!tiff.setByteOrder() || !tiff.read32(4, ifd) || !tiff.read16(ifd, entries)) return 0;
  for (unsigned i = 0; i < entries; ++i) {
    const std::size_t entry = std::size_t(ifd) + 2 + 12 * std::size_t(i);
    unsigned tag = 0, type = 0;
    if (!tiff.read16(entry, tag) || !tiff.read16(entry + 2, type)) return 0;
    if (tag != 0x0112) continue;
    std::uint32_t value = 0;
    if (type == 3) {  // SHORT, the tag's proper type; some writers use LONG
      unsigned v = 0;
      if (!tiff.read16(entry + 8, v)) return 0;
      value = v;
    } else if (type == 4) {
      if (!tiff.read32(entry + 8, value)) return 0;
    }
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
  }
  return 0;
}

}  // namespace

int exifOrientation(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
  const std::size_t n = static_cast<std::size_t>(bytes.size());
  if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return 1;
  std::size_t pos = 2;
  // Walk the segments of the header; the EXIF segment comes before the picture data.
  while (n - pos >= 4) {
    if (p[pos] != 0xFF) return 1;
    const uchar marker = p[pos + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;              // picture data or end: no EXIF before it
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
      pos += 2;
      continue;
    }
    const std::size_t length = std::size_t(p[pos + 2]) << 8 | p[pos + 3];
    if (length < 2 || length > n - pos - 2) return 1;
    if (marker == 0xE1) {
      const int found = orientationInSegment(p + pos + 4, length - 2);
      if (found != 0) return found;
    }
    pos += 2 + length;
  }
  return 1;
}

QImage applyOrientation(const QImage& image, int orientation) {
  const QTransform quarter = QTransform().rotate(90);
  switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return image.transformed(quarter).mirrored(true, false);
    case 6: return image.transformed(quarter);
    case 7: return image.transformed(quarter).mirrored(false, true);
    case 8: return image.transformed(QTransform().rotate(270));
    default: return image;
  }
}

}  // namespace jpeg
