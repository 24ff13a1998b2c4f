#include "base/Settings.h"

#include <QSettings>

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

}  // namespace settings
