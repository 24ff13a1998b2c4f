#include "records/StoreLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include "records/DataError.h"
#include "records/LibPq.h"

namespace records {

bool isServerUri(const QString& text) {
  const QString t = text.trimmed();
  return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
         t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

StoreLocation parseStoreLocation(const QString& text) {
  StoreLocation where;
  where.text = text;
  if (text.trimmed().isEmpty()) return where;
  if (!isServerUri(text)) {
    where.kind = StoreLocation::Kind::Folder;
    return where;
  }
  where.kind = StoreLocation::Kind::Server;
  const LibPq* pq = nullptr;
  try {
    pq = &libpq();
  } catch (const DataError& e) {
    where.problem = e.message();
    return where;
  }
  char* error = nullptr;
  const QByteArray uri = text.trimmed().toUtf8();
  PQconninfoOption* options = pq->PQconninfoParse(uri.constData(), &error);
  if (!options) {
    where.problem = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("the URI cannot be read");
    pq->PQfreemem(error);
    return where;
  }
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (!o->val) continue;
    const QString value = QString::fromUtf8(o->val);
    const QByteArray key(o->keyword);
    if (key == "host" || (key == "hostaddr" && where.host.isEmpty())) where.host = value;
    else if (key == "port") where.port = value;
    else if (key == "dbname") where.database = value;
    else if (key == "user") where.user = value;
    else if (key == "sslmode") where.sslmode = value;
    else if (key == "password") where.passwordInUri = !value.isEmpty();
  }
  pq->PQconninfoFree(options);
  return where;
}

QString StoreLocation::serverName() const {
  const QString portText = port.isEmpty() ? QStringLiteral("5432") : port;
  if (host.isEmpty()) return QStringLiteral("the server on this computer (port %1)").arg(portText);
  if (host.startsWith(u'/')) return QStringLiteral("the server at the socket folder %1 (port %2)").arg(host, portText);
  return QStringLiteral("host %1, port %2").arg(host, portText);
}

QString StoreLocation::shownUri() const {
  if (!passwordInUri) return text.trimmed();
  // user:password@host: the password goes; a password= parameter likewise.
  QUrl url(text.trimmed(), QUrl::TolerantMode);
  if (!url.password().isEmpty()) url.setPassword(QStringLiteral("***"));
  QString shown = url.toString();
  static const QRegularExpression parameter(QStringLiteral("([?&]password=)[^&]*"),
                                            QRegularExpression::CaseInsensitiveOption);
  shown.replace(parameter, QStringLiteral("\\1***"));
  return shown;
}

QString databaseSettingProblem(const QString& text, bool server) {
  if (!server) {
    if (text.isEmpty() || !QFileInfo(text).isDir())
      return QStringLiteral("The folder \"%1\" does not exist. Choose an existing folder, or make it first.")
          .arg(QDir::toNativeSeparators(text));
    return {};
  }
  const StoreLocation where = parseStoreLocation(text);
  if (where.isServer() && where.problem.isEmpty()) return {};
  return QStringLiteral("The address cannot be used%1. It reads "
                        "postgresql://[user@]host[:port]/database[?param=value...].")
      .arg(where.problem.isEmpty() ? QString() : QStringLiteral(": ") + where.problem);
}

}  // namespace records
