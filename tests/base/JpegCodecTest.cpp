// The JPEG codec: what it writes, what it reads, and that no input ends the process.
#include "base/JpegCodec.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace {

// ---- fixtures -------------------------------------------------------------------------------

// A picture of four coloured quarters, so that a swapped channel or a flipped row shows.
QImage quarters(int w, int h) {
  QImage image(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool right = x >= w / 2, low = y >= h / 2;
      image.setPixelColor(x, y,
                          !right && !low  ? QColor(220, 30, 30)
                          : right && !low ? QColor(30, 200, 40)
                          : !right        ? QColor(40, 50, 210)
                                          : QColor(240, 230, 60));
    }
  return image;
}

bool near(QColor a, QColor b, int tolerance = 12) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// Writes a JPEG with libjpeg directly, in the layouts other programs produce and the codec's own
// encoder never does: grey, Adobe CMYK/YCCK, progressive.
enum class Kind { Grey, AdobeCmyk, Progressive };

QByteArray libjpegWrite(Kind kind, int w, int h, const std::function<void(int x, int y, JSAMPLE*)>& pixel) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = kind == Kind::Grey ? 1 : kind == Kind::AdobeCmyk ? 4 : 3;
  c.in_color_space = kind == Kind::Grey ? JCS_GRAYSCALE : kind == Kind::AdobeCmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  if (kind == Kind::AdobeCmyk) jpeg_set_colorspace(&c, JCS_YCCK);  // writes the Adobe segment
  if (kind == Kind::Progressive) jpeg_simple_progression(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * c.input_components);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < w; ++x) pixel(x, static_cast<int>(c.next_scanline), &row[x * c.input_components]);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
  std::free(out);
  return bytes;
}

struct Segment {
  int marker;
  QByteArray payload;
};

// The marker segments of a JPEG header, up to the start of the picture data.
std::vector<Segment> headerSegments(const QByteArray& jpeg) {
  std::vector<Segment> found;
  int pos = 2;
  while (pos + 4 <= jpeg.size() && uchar(jpeg[pos]) == 0xFF) {
    const int marker = uchar(jpeg[pos + 1]);
    const int length = uchar(jpeg[pos + 2]) << 8 | uchar(jpeg[pos + 3]);
    found.push_back({marker, jpeg.mid(pos + 4, length - 2)});
    if (marker == 0xDA) break;
    pos += 2 + length;
  }
  return found;
}

const Segment* findSegment(const std::vector<Segment>& segments, int marker) {
  for (const auto& s : segments)
    if (s.marker == marker) return &s;
  return nullptr;
}

// ---- encoding --------------------------------------------------------------------------------

TEST(JpegEncode, RoundTripKeepsSizeAndColours) {
  const QImage original = quarters(40, 30);
  const QImage back = jpeg::decode(jpeg::encode(original, 90));
  ASSERT_EQ(back.size(), QSize(40, 30));
  EXPECT_EQ(back.format(), QImage::Format_RGB888);
  for (QPoint p : {QPoint(5, 5), QPoint(34, 5), QPoint(5, 24), QPoint(34, 24)})
    EXPECT_TRUE(near(back.pixelColor(p), original.pixelColor(p)))
        << "at " << p.x() << "," << p.y() << ": " << back.pixelColor(p).name().toStdString() << " instead of "
        << original.pixelColor(p).name().toStdString();
}

TEST(JpegEncode, WritesBaselineColourJfifWithTheRequestedDensity) {
  struct Case {
    int dpi;
    int unit, density;
  };
  for (const Case& k : {Case{0, 0, 1}, Case{96, 1, 96}, Case{300, 1, 300}}) {
    SCOPED_TRACE(k.dpi);
    const QByteArray bytes = jpeg::encode(quarters(17, 9), 75, k.dpi);
    const auto segments = headerSegments(bytes);
    const Segment* jfif = findSegment(segments, 0xE0);
    ASSERT_NE(jfif, nullptr);
    ASSERT_GE(jfif->payload.size(), 12);
    EXPECT_EQ(jfif->payload.left(5), QByteArray("JFIF\0", 5));
    EXPECT_EQ(uchar(jfif->payload[5]), 1);  // version 1.01
    EXPECT_EQ(uchar(jfif->payload[6]), 1);
    EXPECT_EQ(uchar(jfif->payload[7]), k.unit);
    EXPECT_EQ(uchar(jfif->payload[8]) << 8 | uchar(jfif->payload[9]), k.density);
    EXPECT_EQ(uchar(jfif->payload[10]) << 8 | uchar(jfif->payload[11]), k.density);

    EXPECT_EQ(findSegment(segments, 0xC2), nullptr) << "progressive";
    const Segment* frame = findSegment(segments, 0xC0);
    ASSERT_NE(frame, nullptr) << "no baseline frame";
    EXPECT_EQ(uchar(frame->payload[0]), 8);                                   // bits per sample
    EXPECT_EQ(uchar(frame->payload[1]) << 8 | uchar(frame->payload[2]), 9);   // height
    EXPECT_EQ(uchar(frame->payload[3]) << 8 | uchar(frame->payload[4]), 17);  // width
    EXPECT_EQ(uchar(frame->payload[5]), 3);                                   // components

    const QImage back = jpeg::decode(bytes);
    if (k.dpi > 0) {
      EXPECT_NEAR(back.dotsPerMeterX() * 0.0254, k.dpi, 0.5);
    }
  }
}

TEST(JpegEncode, HigherQualityKeepsMore) {
  const QImage original = quarters(64, 64);
  EXPECT_LT(jpeg::encode(original, 20).size(), jpeg::encode(original, 95).size());
}

TEST(JpegEncode, TransparentAreasBecomeWhite) {
  QImage clear(16, 16, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  const QImage back = jpeg::decode(jpeg::encode(clear, 90));
  EXPECT_TRUE(near(back.pixelColor(8, 8), Qt::white)) << back.pixelColor(8, 8).name().toStdString();
}

TEST(JpegEncode, RefusesWhatJpegCannotHold) {
  EXPECT_THROW(jpeg::encode(QImage(), 90), jpeg::Error);
  EXPECT_THROW(jpeg::encode(quarters(4, 4), 90, 70000), jpeg::Error);
  try {
    jpeg::encode(QImage(70000, 1, QImage::Format_RGB888), 90);
    FAIL() << "a picture wider than 65500 pixels was encoded";
  } catch (const jpeg::Error& e) {
    EXPECT_STRNE(e.what(), "");
  }
}

// ---- decoding --------------------------------------------------------------------------------

TEST(JpegDecode, EveryColourLayoutBecomesRgb) {
  struct Case {
    const char* name;
    QByteArray bytes;
    QColor expected;
  };
  // clang-format off
  const Case cases[] = {
      {"grey", libjpegWrite(Kind::Grey, 24, 16, [](int, int, JSAMPLE* p) { p[0] = 100; }),
       QColor(100, 100, 100)},
      // Adobe writers store the inks inverted: 255 means no ink. No cyan, full magenta and yellow,
      // no black: red.
      {"adobe cmyk", libjpegWrite(Kind::AdobeCmyk, 24, 16,
                                  [](int, int, JSAMPLE* p) { p[0] = 255, p[1] = 0, p[2] = 0, p[3] = 255; }),
       QColor(255, 0, 0)},
      // Half black over no ink: mid grey.
      {"adobe cmyk grey", libjpegWrite(Kind::AdobeCmyk, 24, 16,
                                       [](int, int, JSAMPLE* p) { p[0] = p[1] = p[2] = 255, p[3] = 128; }),
       QColor(128, 128, 128)},
      {"progressive", libjpegWrite(Kind::Progressive, 24, 16,
                                   [](int, int, JSAMPLE* p) { p[0] = 30, p[1] = 90, p[2] = 200; }),
       QColor(30, 90, 200)},
  };
  // clang-format on
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const QImage image = jpeg::decode(k.bytes);
    ASSERT_EQ(image.size(), QSize(24, 16));
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_TRUE(near(image.pixelColor(12, 8), k.expected, 6)) << image.pixelColor(12, 8).name().toStdString();
  }
}

TEST(JpegDecode, ScaledDecodeRoundsSizesUp) {
  const QByteArray bytes = jpeg::encode(quarters(100, 75), 90);
  struct Case {
    int denom;
    QSize size;
  };
  for (const Case& k : {Case{1, {100, 75}}, Case{2, {50, 38}}, Case{4, {25, 19}}, Case{8, {13, 10}}}) {
    SCOPED_TRACE(k.denom);
    const QImage image = jpeg::decode(bytes, k.denom);
    EXPECT_EQ(image.size(), k.size);
    EXPECT_TRUE(near(image.pixelColor(1, 1), QColor(220, 30, 30), 20));  // still the red quarter
  }
  EXPECT_THROW(jpeg::decode(bytes, 3), jpeg::Error);
  EXPECT_THROW(jpeg::decode(bytes, 0), jpeg::Error);
}

TEST(JpegDecode, BrokenInputRaisesWithTheCodecsReason) {
  const QByteArray good = jpeg::encode(quarters(64, 48), 90);
  const QByteArray progressive =
      libjpegWrite(Kind::Progressive, 64, 48, [](int x, int, JSAMPLE* p) { p[0] = p[1] = p[2] = JSAMPLE(x * 4); });
  // A whole header whose frame claims 60000 x 60000 pixels, then no picture data: refused before
  // any memory is set aside for it.
  const int scan = int(good.indexOf(QByteArray("\xFF\xDA", 2)));
  QByteArray huge = good.left(scan + 2 + (uchar(good[scan + 2]) << 8 | uchar(good[scan + 3])));
  const int frame = int(huge.indexOf(QByteArray("\xFF\xC0", 2)));
  ASSERT_GT(frame, 0);
  for (int at : {frame + 5, frame + 7}) huge[at] = '\xEA', huge[at + 1] = '\x60';
  struct Case {
    const char* name;
    QByteArray bytes;
    const char* expectedText;  // part of the message, or empty
  };
  const Case cases[] = {
      {"no bytes", QByteArray(), "empty"},
      {"garbage", QByteArray("this is not a picture at all, only words"), "Not a JPEG file"},
      {"only the start marker", QByteArray("\xFF\xD8", 2), ""},
      {"cut in the header", good.left(100), ""},
      {"cut in the picture data", good.left((scan + good.size()) / 2), "Corrupt JPEG data"},
      {"progressive cut short", progressive.left(progressive.size() - 60), "Premature end"},
      {"header claiming a huge picture", huge, "60000 x 60000"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    try {
      const QImage image = jpeg::decode(k.bytes);
      ADD_FAILURE() << "decoded to " << image.width() << " x " << image.height();
    } catch (const jpeg::Error& e) {
      EXPECT_STRNE(e.what(), "");
      EXPECT_NE(std::string(e.what()).find(k.expectedText), std::string::npos) << e.what();
    }
  }
}

// A progressive picture is held whole in the decoder at its full size, whatever the reduction. A few
// hundred bytes claiming 60000 x 60000 pixels, decoded at 1/8 as a dropped photograph is, stay
// within the bound on the decoded picture; they are refused as too large all the same, before the
// decoder sets gigabytes aside for them.
TEST(JpegDecode, AHugeProgressiveClaimIsRefusedAtAnyScale) {
  QByteArray claim =
      libjpegWrite(Kind::Progressive, 24, 16, [](int x, int, JSAMPLE* p) { p[0] = p[1] = p[2] = JSAMPLE(x * 8); });
  const int frame = int(claim.indexOf(QByteArray("\xFF\xC2", 2)));
  ASSERT_GT(frame, 0);
  for (int at : {frame + 5, frame + 7}) claim[at] = '\xEA', claim[at + 1] = '\x60';
  for (int scale : {1, 8}) {
    SCOPED_TRACE(scale);
    try {
      (void)jpeg::decode(claim, scale);
      ADD_FAILURE() << "decoded";
    } catch (const jpeg::Error& e) {
      EXPECT_NE(std::string(e.what()).find("60000 x 60000"), std::string::npos) << e.what();
    }
  }
}

// Wherever a file is cut, the decoder either refuses it or every pixel is the whole file's: a
// picture with a missing part never passes for a whole one.
TEST(JpegDecode, ACutFileIsRefusedOrComplete) {
  // clang-format off
  const QByteArray files[] = {
      jpeg::encode(quarters(48, 40), 90),  // one scan
      libjpegWrite(Kind::Progressive, 48, 40, [](int x, int y, JSAMPLE* p) {
        p[0] = JSAMPLE(x * 5), p[1] = JSAMPLE(y * 6), p[2] = JSAMPLE(x * y);
      }),
  };
  // clang-format on
  for (const QByteArray& whole : files) {
    const QImage full = jpeg::decode(whole);
    int refused = 0;
    for (int n = 2; n < whole.size(); ++n) {
      try {
        const QImage part = jpeg::decode(whole.left(n));
        ASSERT_EQ(part, full) << "cut at " << n << " of " << whole.size();
      } catch (const jpeg::Error&) {
        ++refused;
      }
    }
    EXPECT_GE(refused, whole.size() - 10);
  }
}

TEST(JpegDecode, AMissingEndMarkerLosesNothingAndIsAccepted) {
  const QByteArray good = jpeg::encode(quarters(32, 32), 90);
  ASSERT_TRUE(good.endsWith(QByteArray("\xFF\xD9", 2)));
  const QImage image = jpeg::decode(good.chopped(2));
  EXPECT_EQ(image.size(), QSize(32, 32));
}

// ---- files -----------------------------------------------------------------------------------

TEST(JpegDecodeFile, ErrorsNameTheFileAndTheReason) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto write = [&](const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  };
  const QString good = write("good.jpg", jpeg::encode(quarters(20, 10), 90));
  EXPECT_EQ(jpeg::decodeFile(good).size(), QSize(20, 10));
  EXPECT_EQ(jpeg::decodeFile(good, 2).size(), QSize(10, 5));

  struct Case {
    QString path;
    const char* reason;
  };
  const Case cases[] = {
      {dir.filePath("missing.jpg"), "No such file"},
      {write("empty.jpg", QByteArray()), "empty"},
      {write("notes.jpg", "Patient notes, not a photograph"), "Not a JPEG file"},
      {dir.path(), ""},  // a directory
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path.toStdString());
    try {
      jpeg::decodeFile(k.path);
      ADD_FAILURE() << "no error";
    } catch (const jpeg::Error& e) {
      const QString message = QString::fromUtf8(e.what());
      EXPECT_TRUE(message.contains(k.path)) << e.what();
      EXPECT_TRUE(message.contains(QLatin1String(k.reason))) << e.what();
    }
  }
}

// ---- EXIF orientation ------------------------------------------------------------------------

// An APP1 segment carrying a TIFF structure whose first directory holds a few tags, the
// orientation among them (tag 0x0112, SHORT), in either byte order.
QByteArray exifSegment(int orientation, bool bigEndian) {
  QByteArray tiff;
  auto put16 = [&](int v) {
    if (bigEndian)
      tiff += char(v >> 8), tiff += char(v & 0xFF);
    else
      tiff += char(v & 0xFF), tiff += char(v >> 8);
  };
  auto put32 = [&](quint32 v) {
    if (bigEndian)
      put16(int(v >> 16)), put16(int(v & 0xFFFF));
    else
      put16(int(v & 0xFFFF)), put16(int(v >> 16));
  };
  tiff += bigEndian ? "MM" : "II";
  put16(42);
  put32(8);                                              // first directory right after the header
  put16(3);                                              // entries
  put16(0x010F), put16(2), put32(4), put32(0x00414243);  // Make, ASCII in place
  put16(0x0112), put16(3), put32(1), put16(orientation), put16(0);
  put16(0x011A), put16(5), put32(1), put32(50);  // XResolution, offset (not followed)
  put32(0);                                      // no next directory
  const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
  const int length = int(body.size()) + 2;
  return QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + body;
}

QByteArray withSegment(const QByteArray& jpeg, const QByteArray& segment) {
  return jpeg.left(2) + segment + jpeg.mid(2);
}

TEST(JpegExif, ReadsTheOrientationInEitherByteOrder) {
  const QByteArray plain = jpeg::encode(quarters(16, 8), 90);
  EXPECT_EQ(jpeg::exifOrientation(plain), 1);
  // An XMP segment, also APP1, ahead of the EXIF one must be stepped over.
  const QByteArray xmp = QByteArray("\xFF\xE1\x00\x1E", 4) + QByteArray("http://ns.adobe.com/xap/1.0/\0", 28);
  for (bool big : {false, true})
    for (int o = 1; o <= 8; ++o) {
      SCOPED_TRACE(testing::Message() << (big ? "MM " : "II ") << o);
      const QByteArray tagged = withSegment(plain, exifSegment(o, big));
      EXPECT_EQ(jpeg::exifOrientation(tagged), o);
      EXPECT_EQ(jpeg::exifOrientation(withSegment(tagged, xmp)), o);
      EXPECT_EQ(jpeg::decode(tagged).size(), QSize(16, 8));
    }
  EXPECT_EQ(jpeg::exifOrientation(withSegment(plain, exifSegment(9, false))), 1) << "out of range";
}

TEST(JpegExif, DamagedOrForeignInputGivesOneWithoutReadingOutside) {
  const QByteArray tagged = withSegment(jpeg::encode(quarters(16, 8), 90), exifSegment(6, false));
  // Every prefix, each in a buffer of exactly its own size, so that AddressSanitizer catches a
  // read one byte past the end.
  for (int n = 0; n <= 80; ++n) {
    const std::vector<char> exact(tagged.constData(), tagged.constData() + n);
    const QByteArray cut = QByteArray::fromRawData(exact.data(), n);
    const int o = jpeg::exifOrientation(cut);
    EXPECT_TRUE(o == 1 || o == 6) << n;
  }
  // Every byte of the segment replaced by 0x00 and by 0xFF: lengths, offsets and counts that point
  // anywhere.
  for (int i = 2; i < 2 + int(exifSegment(6, false).size()); ++i)
    for (char v : {'\x00', '\xFF'}) {
      QByteArray bent = tagged;
      bent[i] = v;
      const int o = jpeg::exifOrientation(bent);
      EXPECT_TRUE(o >= 1 && o <= 8) << i;
    }
  EXPECT_EQ(jpeg::exifOrientation(QByteArray()), 1);
  EXPECT_EQ(jpeg::exifOrientation(QByteArray("garbage that is no picture")), 1);
  EXPECT_EQ(jpeg::exifOrientation(QByteArray(5000, '\xFF')), 1);
}

TEST(JpegExif, ApplyOrientationStandsThePictureUpright) {
  // A 3 x 2 picture with a different grey in every pixel; each orientation is checked by where
  // the pixels of its corners end up.
  QImage source(3, 2, QImage::Format_RGB888);
  auto grey = [](int x, int y) { return QColor(10 + 40 * x + 120 * y, 0, 0); };
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) source.setPixelColor(x, y, grey(x, y));

  struct Case {
    int orientation;
    QSize size;
    QPoint topLeftFrom, topRightFrom, bottomLeftFrom;  // source pixel shown at each corner
  };
  // clang-format off
  const Case cases[] = {
      {1, {3, 2}, {0, 0}, {2, 0}, {0, 1}},
      {2, {3, 2}, {2, 0}, {0, 0}, {2, 1}},
      {3, {3, 2}, {2, 1}, {0, 1}, {2, 0}},
      {4, {3, 2}, {0, 1}, {2, 1}, {0, 0}},
      {5, {2, 3}, {0, 0}, {0, 1}, {2, 0}},
      {6, {2, 3}, {0, 1}, {0, 0}, {2, 1}},
      {7, {2, 3}, {2, 1}, {2, 0}, {0, 1}},
      {8, {2, 3}, {2, 0}, {2, 1}, {0, 0}},
      {0, {3, 2}, {0, 0}, {2, 0}, {0, 1}},  // unknown values change nothing
  };
  // clang-format on
  for (const Case& k : cases) {
    SCOPED_TRACE(k.orientation);
    const QImage upright = jpeg::applyOrientation(source, k.orientation);
    ASSERT_EQ(upright.size(), k.size);
    const int r = k.size.width() - 1, b = k.size.height() - 1;
    EXPECT_EQ(upright.pixelColor(0, 0), grey(k.topLeftFrom.x(), k.topLeftFrom.y()));
    EXPECT_EQ(upright.pixelColor(r, 0), grey(k.topRightFrom.x(), k.topRightFrom.y()));
    EXPECT_EQ(upright.pixelColor(0, b), grey(k.bottomLeftFrom.x(), k.bottomLeftFrom.y()));
  }
}

}  // namespace
