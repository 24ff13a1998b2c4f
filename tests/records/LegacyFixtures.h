#pragma once
// Patient files of the older system (*.UVB) written by the import tests: the seven fields as
// bytes, and the file put into a directory with a chosen last-write time.

#include <gtest/gtest.h>
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <array>
#include <cstdint>

namespace testing_legacy {

inline void appendInt(QByteArray& out, std::int32_t v) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
}

inline void appendText(QByteArray& out, const QByteArray& text) {
  appendInt(out, static_cast<std::int32_t>(text.size()));
  out.append(text);
}

// One file's fields, as bytes (Windows-1252 for the texts).
struct UvbFile {
  QByteArray name = "John Smith";
  QByteArray nhi = "ABC1234";
  QByteArray age = "45.5";
  QByteArray duration = "3 years";
  std::int32_t skinType = 2;
  QByteArray med = "120";
  std::array<std::int32_t, 29> increments{};

  UvbFile() {
    for (int k = 0; k < 29; ++k) increments[static_cast<std::size_t>(k)] = 25 - k;  // 25, 24, ... -3
  }

  QByteArray bytes() const {
    QByteArray out;
    appendText(out, name);
    appendText(out, nhi);
    appendText(out, age);
    appendText(out, duration);
    appendInt(out, skinType);
    appendText(out, med);
    for (std::int32_t inc : increments) appendInt(out, inc);
    return out;
  }
};

// The last-write time the fixture files get, in local time.
inline QDateTime fixtureTime() { return QDateTime(QDate(2019, 3, 14), QTime(10, 30, 15)); }

// Writes `bytes` as `dir/name` with the fixture's last-write time; returns the full path.
inline QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes,
                         const QDateTime& modified = fixtureTime()) {
  const QString path = QDir(dir).filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  EXPECT_EQ(file.write(bytes), bytes.size());
  file.flush();
  EXPECT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
  file.close();
  return path;
}

// The 58 bytes of PInc for these increments, little-endian 16-bit; a value that 16 bits cannot
// hold is the empty mark 0x8000.
inline QByteArray expectedPInc(const std::array<std::int32_t, 29>& increments) {
  QByteArray out;
  for (std::int32_t v : increments) {
    const std::uint16_t stored =
        (v >= -32767 && v <= 32766) ? static_cast<std::uint16_t>(static_cast<std::int16_t>(v)) : 0x8000;
    out.append(static_cast<char>(stored & 0xFF));
    out.append(static_cast<char>(stored >> 8));
  }
  return out;
}

}  // namespace testing_legacy
