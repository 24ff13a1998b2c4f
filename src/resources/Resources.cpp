#include "resources/Resources.h"

#include <QFile>
#include <QRegularExpression>

namespace resources {

namespace {

QByteArray readResource(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

}  // namespace

QByteArray personJpeg() { return readResource(QStringLiteral(":/person.jpg")); }

QCursor targetCursor() {
  return QCursor(QPixmap(QStringLiteral(":/target.png")), targetHotSpot.x(), targetHotSpot.y());
}

QIcon programIcon() {
  QIcon icon;
  for (const char* file : {":/icon32.png", ":/icon.png", ":/icon256.png"}) icon.addFile(QString::fromLatin1(file));
  return icon;
}

QPixmap buttonPicture(const QString& name) {
  QString key = name.toLower();
  key.remove(QLatin1Char('&')).remove(QLatin1Char(' '));
  // Only plain names: a caption must not reach any other resource.
  static const QRegularExpression plain(QStringLiteral("^[a-z0-9]+$"));
  if (!plain.match(key).hasMatch()) return {};
  return QPixmap(QStringLiteral(":/buttons/%1.png").arg(key));
}

QString helpPage(const QString& topic) {
  const qsizetype at = topic.lastIndexOf(QStringLiteral("::"));
  const QString page = at < 0 ? topic : topic.mid(at + 2);
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]+\\.htm$"));
  if (!plain.match(page).hasMatch()) return {};
  return QString::fromUtf8(readResource(QStringLiteral(":/help/") + page));
}

QStringList helpTopics() {
  return {"::index.htm", "::Clinical.htm", "::Notes.htm", "::Chart.htm", "::About.htm", "::Import.htm"};
}

}  // namespace resources
