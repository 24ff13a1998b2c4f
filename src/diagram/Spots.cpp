#include "diagram/Spots.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace diagram {

namespace {

// Round half to even under the default rounding mode, kept within the 32 bits a stored spot has.
int roundToPixel(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= INT32_MIN)) return INT32_MIN;  // also NaN, from a diagram of no size
  if (r > INT32_MAX) return INT32_MAX;
  return static_cast<int>(r);
}

void putLittleEndian(char* at, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::int32_t getLittleEndian(const char* at) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= std::uint32_t(static_cast<unsigned char>(at[i])) << (8 * i);
  return static_cast<std::int32_t>(u);
}

}  // namespace

QPoint spotAt(QPoint clicked, Scale scale) {
  return {roundToPixel(clicked.x() / scale.x), roundToPixel(clicked.y() / scale.y)};
}

void clickSpots(std::vector<QPoint>& spots, QPoint clicked, bool ctrlDown, Scale scale) {
  if (ctrlDown) {
    if (!spots.empty()) spots.pop_back();
    return;
  }
  spots.push_back(spotAt(clicked, scale));
}

void keepFirstSpots(std::vector<QPoint>& spots) {
  if (spots.size() > static_cast<std::size_t>(kMaxSpots)) spots.resize(kMaxSpots);
}

QByteArray packSpots(const std::vector<QPoint>& spots) {
  QByteArray bytes(static_cast<qsizetype>(spots.size()) * kSpotBytes, '\0');
  char* at = bytes.data();
  for (const QPoint& spot : spots) {
    putLittleEndian(at, spot.x());
    putLittleEndian(at + 4, spot.y());
    at += kSpotBytes;
  }
  return bytes;
}

std::vector<QPoint> unpackSpots(const QByteArray& bytes, qint64 count) {
  const auto n = static_cast<std::size_t>(std::clamp<qint64>(count, 0, kMaxStoredSpots));
  // The bytes are copied over a zeroed list, as many as fit: a value cut inside a spot fills the
  // spot's first coordinate or part of it, and the rest stays 0.
  std::vector<char> raw(n * kSpotBytes, '\0');
  const std::size_t copied = std::min(raw.size(), static_cast<std::size_t>(bytes.size()));
  if (copied > 0) std::memcpy(raw.data(), bytes.constData(), copied);
  std::vector<QPoint> spots(n);
  for (std::size_t i = 0; i < n; ++i)
    spots[i] = QPoint(getLittleEndian(&raw[i * kSpotBytes]), getLittleEndian(&raw[i * kSpotBytes + 4]));
  return spots;
}

}  // namespace diagram
