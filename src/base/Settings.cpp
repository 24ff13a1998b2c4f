#include "base/Settings.h"

#include <QRegularExpression>
#include <QSettings>

#include "base/Formats.h"

namespace settings {

std::optional<QString> readDBDir() {
  const QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  if (!s.contains("DBDir")) return std::nullopt;
  return s.value("DBDir").toString();
}

QString withoutPassword(const QString& dbDir) {
  static const QRegularExpression server(QStringLiteral("^\\s*postgres(ql)?://"), QRegularExpression::CaseInsensitiveOption);
  if (!server.match(dbDir).hasMatch()) return dbDir;
  QString text = dbDir;
  // user:password@host -> user@host (the user part ends at the first '@' before any '/').
  static const QRegularExpression userInfo(QStringLiteral("^(\\s*postgres(?:ql)?://[^/@:]*):[^/@]*@"),
                                           QRegularExpression::CaseInsensitiveOption);
  text.replace(userInfo, QStringLiteral("\\1@"));
  static const QRegularExpression parameter(QStringLiteral("([?&])password=[^&]*&?"), QRegularExpression::CaseInsensitiveOption);
  text.replace(parameter, QStringLiteral("\\1"));
  if (text.endsWith(u'?') || text.endsWith(u'&')) text.chop(1);
  return text;
}

void writeDBDir(const QString& dir) {
  QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  s.setValue("DBDir", withoutPassword(dir));
  s.sync();
}

std::optional<int> readLifetimeReviewThreshold() {
  const QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  const fmt::Whole threshold = fmt::parseWhole(s.value("LifetimeReviewThreshold").toString().trimmed());
  if (!threshold.valid || threshold.value < 1) return std::nullopt;
  return threshold.value;
}

}  // namespace settings
