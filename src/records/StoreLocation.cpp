#include "records/StoreLocation.h"

#include <arpa/inet.h>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <cstring>
#include <utility>
#include <vector>

#include "records/DataError.h"
#include "records/LibPq.h"

namespace records {
namespace {

const QString kPlaceholder = QStringLiteral("postgresql://(an address that is not shown)");

// Whether the text can hold a password at all: a password needs user:password@ (an '@'), or a
// password= or sslpassword= parameter, which may be percent-encoded. Text with none of these is
// shown and kept as typed.
bool mayHoldPassword(const QString& text) {
  return text.contains(u'@') || text.contains(u'%') || text.contains(QLatin1String("password"), Qt::CaseInsensitive);
}

// Whether every '@' of the text is the one that ends user[:password] in front of the host. An '@'
// anywhere else was meant as part of a password, user or host name and makes the client library
// split the address elsewhere than the user meant: the rest of a password would end up in the host
// or the database name, so such an address is refused instead of rebuilt.
bool atSignsInPlace(const QString& text) {
  const QString t = text.trimmed();
  const qsizetype start = t.indexOf(QLatin1String("://"));
  if (start < 0) return false;
  const qsizetype from = start + 3;
  qsizetype end = t.size();
  for (qsizetype i = from; i < t.size(); ++i) {
    if (t[i] == u'/' || t[i] == u'?') {
      end = i;
      break;
    }
  }
  const qsizetype all = t.count(u'@');
  const qsizetype inAuthority = t.mid(from, end - from).count(u'@');
  return all == inAuthority && inAuthority <= 1;
}

// Percent-encodes every character but the unreserved ones and `keep`.
QString encoded(const QString& value, const QByteArray& keep = {}) {
  return QString::fromLatin1(QUrl::toPercentEncoding(value, keep));
}

// The client library's error for an address it cannot read quotes pieces of the address; those go
// when the address may hold a password.
QString withoutQuotedPieces(const QString& text) {
  static const QRegularExpression quotedPiece(QStringLiteral("\"[^\"]*\""));
  QString out = text;
  out.replace(quotedPiece, QStringLiteral("(a part of the address, not shown)"));
  return out;
}

bool isIpv6(const QString& host) {
  in6_addr address{};
  return ::inet_pton(AF_INET6, host.toLatin1().constData(), &address) == 1;
}

bool isLoopbackHost(const QString& host) {
  if (host.isEmpty() || host.startsWith(u'/') || host.startsWith(u'@')) return true;  // a socket
  if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
  const QByteArray text = host.toLatin1();
  in_addr v4{};
  if (::inet_pton(AF_INET, text.constData(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;  // 127.0.0.0/8
  in6_addr v6{};
  if (::inet_pton(AF_INET6, text.constData(), &v6) == 1) {
    if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) return v6.s6_addr[12] == 127;  // ::ffff:127.x.x.x
  }
  return false;
}

}  // namespace

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
  const bool secretPossible = mayHoldPassword(text);
  const LibPq* pq = nullptr;
  try {
    pq = &libpq();
  } catch (const DataError& e) {
    where.problem = e.message();
    if (!secretPossible) where.setting = text.trimmed();
    return where;
  }
  char* error = nullptr;
  QByteArray uri = text.trimmed().toUtf8();
  PQconninfoOption* options = pq->PQconninfoParse(uri.constData(), &error);
  wipe(uri);
  if (!options) {
    const QString reason = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("the URI cannot be read");
    where.problem = secretPossible ? withoutQuotedPieces(reason) : reason;
    pq->PQfreemem(error);
    if (!secretPossible) where.setting = text.trimmed();
    return where;
  }
  // The options the address gives, in the client library's order; the passwords are left out.
  std::vector<std::pair<QByteArray, QString>> given;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (!o->val) continue;
    const QByteArray key(o->keyword);
    if (key == "password" || key == "sslpassword") {
      where.passwordInUri = where.passwordInUri || *o->val != '\0';
      // The library's copy of the password is cleared before it is freed.
      volatile char* p = o->val;
      while (*p) *p++ = '\0';
      continue;
    }
    const QString value = QString::fromUtf8(o->val);
    given.emplace_back(key, value);
    if (key == "host")
      where.host = value;
    else if (key == "hostaddr")
      where.hostaddr = value;
    else if (key == "port")
      where.port = value;
    else if (key == "dbname")
      where.database = value;
    else if (key == "user")
      where.user = value;
    else if (key == "sslmode")
      where.sslmode = value;
  }
  pq->PQconninfoFree(options);

  if (!secretPossible) {
    where.setting = text.trimmed();
    return where;
  }
  if (!atSignsInPlace(text)) {
    // What the library read holds pieces of the password: none of it is kept or shown.
    where.host.clear();
    where.hostaddr.clear();
    where.port.clear();
    where.database.clear();
    where.user.clear();
    where.problem = QStringLiteral(
        "an @ stands where the client library would split the address in the wrong place (a "
        "password, user or host name holding @, / or ? must have them written %40, %2F and "
        "%3F); leave the password out of the address");
    return where;
  }
  // Rebuilt from what the library read: user@host:port/database?the other parameters.
  const bool hostInAuthority = !where.host.isEmpty() && !where.host.contains(u',') && !where.host.startsWith(u'/') &&
                               !where.host.startsWith(u'@');
  static const QRegularExpression digits(QStringLiteral("^\\d+$"));
  const bool portInAuthority = hostInAuthority && digits.match(where.port).hasMatch();
  QString rebuilt = QStringLiteral("postgresql://");
  if (!where.user.isEmpty()) rebuilt += encoded(where.user) + u'@';
  if (hostInAuthority) {
    rebuilt += isIpv6(where.host) ? u'[' + where.host + u']' : encoded(where.host);
    if (portInAuthority) rebuilt += u':' + where.port;
  }
  rebuilt += u'/' + encoded(where.database);
  QStringList parameters;
  for (const auto& [key, value] : given) {
    if (key == "user" || key == "dbname" || (key == "host" && hostInAuthority) || (key == "port" && portInAuthority))
      continue;
    if (QString(value).remove(u',').isEmpty()) continue;  // "port=," of two hosts without ports: the defaults
    parameters << QString::fromLatin1(key) + u'=' + encoded(value, "/:,");
  }
  if (!parameters.isEmpty()) rebuilt += u'?' + parameters.join(u'&');
  where.setting = rebuilt;
  return where;
}

QString StoreLocation::serverName() const {
  const QString portText = port.isEmpty() ? QStringLiteral("5432") : port;
  const QString shownHost = host.isEmpty() ? hostaddr : host;
  if (shownHost.isEmpty()) return QStringLiteral("the server on this computer (port %1)").arg(portText);
  if (shownHost.startsWith(u'/'))
    return QStringLiteral("the server at the socket folder %1 (port %2)").arg(shownHost, portText);
  return QStringLiteral("host %1, port %2").arg(shownHost, portText);
}

QString StoreLocation::shownUri() const { return setting.isEmpty() ? kPlaceholder : setting; }

bool StoreLocation::loopback() const {
  // The addresses connected to: hostaddr where given (host then only names the server for the
  // certificate), else the host names; without either, what the environment gives the library.
  QString targets = hostaddr;
  if (targets.isEmpty()) targets = host;
  if (targets.isEmpty()) targets = qEnvironmentVariable("PGHOSTADDR");
  if (targets.isEmpty()) targets = qEnvironmentVariable("PGHOST");
  for (const QString& target : targets.split(u',')) {
    if (!isLoopbackHost(target.trimmed())) return false;
  }
  return true;
}

QString StoreLocation::sslmodeToUse() const {
  if (!sslmode.isEmpty()) return sslmode;
  return loopback() ? QString() : QStringLiteral("verify-full");
}

QString StoreLocation::tlsWarning() const {
  if (!isServer() || sslmode.isEmpty() || sslmode == QLatin1String("verify-full") || loopback()) return {};
  QString what;
  if (sslmode == QLatin1String("verify-ca")) {
    what = QStringLiteral(
        "the connection is encrypted and the server's certificate is checked, but not that it was "
        "made out for this server's name");
  } else if (sslmode == QLatin1String("require")) {
    what = QStringLiteral(
        "the connection is encrypted, but the server's identity is not checked: another machine "
        "could pose as the server");
  } else {
    what = QStringLiteral(
        "the connection may not be encrypted at all, and the server's identity is not checked: "
        "passwords and patient records may cross the network readable");
  }
  return QStringLiteral(
             "The database address asks for sslmode=%1 for %2: %3. Use sslmode=verify-full, with the "
             "hospital's certificate authority in ~/.postgresql/root.crt.")
      .arg(sslmode, serverName(), what);
}

QString databaseSettingProblem(const QString& text, bool server) {
  if (!server) {
    if (text.isEmpty() || !QFileInfo(text).isDir())
      return QStringLiteral("The folder \"%1\" does not exist. Choose an existing folder, or make it first.")
          .arg(QDir::toNativeSeparators(text));
    return {};
  }
  const StoreLocation where = parseStoreLocation(text);
  if (where.isServer() && where.problem.isEmpty() && !where.setting.isEmpty()) return {};
  return QStringLiteral(
             "The address cannot be used%1. It reads "
             "postgresql://[user@]host[:port]/database[?param=value...].")
      .arg(where.problem.isEmpty() ? QString() : QStringLiteral(": ") + where.problem);
}

void wipe(QString& secret) {
  // Only a buffer this string alone holds is overwritten; a shared one belongs to another copy too.
  if (secret.isDetached() && !secret.isEmpty()) {
    QChar* data = secret.data();
    volatile char16_t* p = reinterpret_cast<volatile char16_t*>(data);
    for (qsizetype i = 0; i < secret.size(); ++i) p[i] = 0;
  }
  secret.clear();
}

void wipe(QByteArray& secret) {
  if (secret.isDetached() && !secret.isEmpty()) {
    volatile char* p = secret.data();
    for (qsizetype i = 0; i < secret.size(); ++i) p[i] = 0;
  }
  secret.clear();
}

}  // namespace records
