#include "base/Settings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

#include "base/Formats.h"

namespace settings {

std::optional<QString> readDBDir() {
  const QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  if (!s.contains("DBDir")) return std::nullopt;
  return s.value("DBDir").toString();
}

bool mayHoldPassword(const QString& dbDir) {
  static const QRegularExpression server(QStringLiteral("^\\s*postgres(ql)?://"),
                                         QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch scheme = server.match(dbDir);
  if (!scheme.hasMatch()) return false;
  const QString address = dbDir.trimmed().mid(dbDir.trimmed().indexOf(QLatin1String("://")) + 3);
  qsizetype end = address.size();
  for (qsizetype i = 0; i < address.size(); ++i) {
    if (address[i] == u'/' || address[i] == u'?') {
      end = i;
      break;
    }
  }
  const QString authority = address.left(end);
  // One '@' at most, in front of the host, with no ':' before it (user:password@).
  if (address.count(u'@') != authority.count(u'@') || authority.count(u'@') > 1) return true;
  if (authority.contains(u'@') && authority.left(authority.indexOf(u'@')).contains(u':')) return true;
  const qsizetype query = address.indexOf(u'?');
  if (query >= 0) {
    for (const QString& parameter : address.mid(query + 1).split(u'&')) {
      const QString key = QUrl::fromPercentEncoding(parameter.section(u'=', 0, 0).toUtf8()).trimmed().toLower();
      if (key.contains(QLatin1String("password"))) return true;
    }
  }
  return false;
}

bool writeDBDir(const QString& dir) {
  if (mayHoldPassword(dir)) return false;
  QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  s.setValue("DBDir", dir);
  s.sync();
  return true;
}

std::optional<int> readLifetimeReviewThreshold() {
  const QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Venmore", "Brell");
  const fmt::Whole threshold = fmt::parseWhole(s.value("LifetimeReviewThreshold").toString().trimmed());
  if (!threshold.valid || threshold.value < 1) return std::nullopt;
  return threshold.value;
}

}  // namespace settings
