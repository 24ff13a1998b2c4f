// Redraws the program's pictures into a directory (by default the resources folder of the source
// tree): halcyra-art [output directory] [preview directory]. With a preview directory it also
// writes each picture enlarged three times, to judge it by eye.
#include "Art.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

#include "base/JpegCodec.h"

namespace {

bool save(const QImage& image, const QString& path) {
  if (!image.save(path)) {
    std::fprintf(stderr, "Cannot write %s\n", qPrintable(QDir::toNativeSeparators(path)));
    return false;
  }
  return true;
}

bool saveBytes(const QByteArray& bytes, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "Cannot write %s: %s\n", qPrintable(QDir::toNativeSeparators(path)),
                 qPrintable(file.errorString()));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  const QDir out(args.size() > 1 ? args[1] : QStringLiteral(HALCYRA_RESOURCES_DIR));
  const QString preview = args.size() > 2 ? args[2] : QString();
  if (!out.exists() && !QDir().mkpath(out.path())) {
    std::fprintf(stderr, "Cannot create %s\n", qPrintable(out.path()));
    return 1;
  }

  struct Picture {
    QString file;
    QImage image;
  };
  std::vector<Picture> pictures = {
      {"target.png", art::drawTarget()},
      {"icon.png", art::drawIcon(64)},
      {"icon256.png", art::drawIcon(256)},
      {"icon32.png", art::drawIcon(32)},
  };
  for (const QString& name : art::buttonNames())
    pictures.push_back({"buttons/" + name + ".png", art::drawButton(name, 24)});

  bool ok = QDir().mkpath(out.filePath("buttons"));
  // The outline is a baseline JFIF file at 96 dpi, quality high enough that the lines stay clean.
  const QImage person = art::drawPerson();
  ok = saveBytes(jpeg::encode(person, 95, 96), out.filePath("person.jpg")) && ok;
  for (const Picture& p : pictures) ok = save(p.image, out.filePath(p.file)) && ok;

  if (!preview.isEmpty()) {
    QDir().mkpath(preview);
    // One sheet with the small pictures enlarged, on white and on a dark ground.
    QImage sheet(40 + 80 * int(pictures.size()), 240, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
      QPainter painter(&sheet);
      painter.fillRect(0, 120, sheet.width(), 120, QColor(40, 40, 48));
      int x = 20;
      for (const Picture& p : pictures) {
        const QImage small = p.image.width() > 64
                                 ? p.image.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                 : p.image.scaled(p.image.size() * (64 / p.image.width()));
        painter.drawImage(x, 28, small);
        painter.drawImage(x, 148, small);
        x += 80;
      }
    }
    ok = save(sheet, QDir(preview).filePath("sheet.png")) && ok;
    pictures.push_back({"person.png", jpeg::decode(jpeg::encode(person, 95, 96))});
    for (const Picture& p : pictures) {
      const QString name = QString(p.file).replace('/', '-');
      ok = save(p.image.scaled(p.image.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation),
                QDir(preview).filePath(name)) &&
           ok;
    }
  }
  return ok ? 0 : 1;
}
