#include "base/Settings.h"

#include <QSettings>

#include "base/Formats.h"

namespace settings {

std::optional<QString> readDBDir() {
  const QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  if (!s.contains("DBDir")) return std::nullopt;
  return s.value("DBDir").toString();
}

void writeDBDir(const QString& dir) {
  QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  s.setValue("DBDir", dir);
  s.sync();
}

std::optional<int> readLifetimeReviewThreshold() {
  const QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  const fmt::Whole threshold = fmt::parseWhole(s.value("LifetimeReviewThreshold").toString().trimmed());
  if (!threshold.valid || threshold.value < 1) return std::nullopt;
  return threshold.value;
}

}  // namespace settings
