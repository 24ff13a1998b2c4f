#pragma once
// Byte images of dose factor files, assembled field by field independently of the writer.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <bit>
#include <cstdint>

#include "dosing/FactorTables.h"

namespace factor_fixtures {

inline QByteArray le32(std::int32_t v) {
  QByteArray out(4, '\0');
  qToLittleEndian(v, out.data());
  return out;
}
inline QByteArray le64(double v) {
  QByteArray out(8, '\0');
  qToLittleEndian(std::bit_cast<std::uint64_t>(v), out.data());
  return out;
}

// Values that differ in every field, so that a field read from the wrong offset shows.
inline FactorTables sampleTables() {
  FactorTables t;
  t.ESF = 1.5;
  for (int i = 0; i < 24; ++i) {
    t.Lighter[i] = 100.25 + i;
    t.Average[i] = -200.5 - i;
    t.Darker[i] = 3e-5 * (i + 1);
  }
  for (int i = 0; i < 6; ++i) {
    t.MED_Min[i] = 10 * (i + 1);
    t.MED_Max[i] = -1000 - i;
  }
  for (int i = 0; i < 8; ++i) {
    t.Min_DA[i] = static_cast<std::uint8_t>(i + 1);
    t.Max_DA[i] = static_cast<std::uint8_t>(0xA0 + i);
  }
  return t;
}

// The 656-byte fixed part of `t`; the 8 unused bytes at 648 hold `unusedFill`.
inline QByteArray fixedPart(const FactorTables& t, char unusedFill = '\xEE') {
  QByteArray out = le64(t.ESF);
  for (double v : t.Lighter) out += le64(v);
  for (double v : t.Average) out += le64(v);
  for (double v : t.Darker) out += le64(v);
  for (std::int32_t v : t.MED_Min) out += le32(v);
  for (std::int32_t v : t.MED_Max) out += le32(v);
  out += QByteArray(reinterpret_cast<const char*>(t.Min_DA.data()), 8);
  out += QByteArray(reinterpret_cast<const char*>(t.Max_DA.data()), 8);
  out += QByteArray(8, unusedFill);
  return out;
}

// The tail: language, pattern length, pattern.
inline QByteArray tail(std::int32_t lang, const QByteArray& pattern) {
  return le32(lang) + le32(static_cast<std::int32_t>(pattern.size())) + pattern;
}

inline QImage sampleLogoImage(int w = 7, int h = 3) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixelColor(x, y, QColor(40 * x % 256, 80 * y % 256, 128));
  return img;
}

// A complete BMP file image.
inline QByteArray bmpBytes(const QImage& img = sampleLogoImage()) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, "BMP");
  return out;
}

}  // namespace factor_fixtures
