// halcyra-tool photos: lists the photographs of a course.
//
//   photos DIR NHI COURSEID
//
// One line per photograph, in the course's order (the order they were added):
//   IMAGEID<TAB>DATE<TAB>WIDTHxHEIGHT<TAB>BYTES<TAB>NOTE
// DATE is the photograph's date as yyyy-MM-dd HH:mm:ss (empty when it has none); WIDTHxHEIGHT is
// the stored JPEG's size ("0x0" for a photograph without a picture, "unreadable" when the stored
// bytes are not a readable JPEG); BYTES is the stored JPEG's length. In NOTE a backslash is written
// \\, a line feed \n, a carriage return \r and a tab \t, so that each photograph stays on one line.
// Exit status 0 on success, 1 when the database, patient or course cannot be opened (the message
// names it), 2 for wrong arguments.

#include <QString>
#include <QStringList>
#include <cstdio>

#include "Command.h"
#include "ToolCourse.h"
#include "course/OpenCourse.h"
#include "base/DateTime.h"
#include "base/JpegCodec.h"

namespace {

constexpr const char* kUsage = "photos DIR NHI COURSEID";

QString escaped(const QString& note) {
  QString out;
  out.reserve(note.size());
  for (const QChar c : note) {
    switch (c.unicode()) {
      case '\\': out += QLatin1String("\\\\"); break;
      case '\n': out += QLatin1String("\\n"); break;
      case '\r': out += QLatin1String("\\r"); break;
      case '\t': out += QLatin1String("\\t"); break;
      default: out += c;
    }
  }
  return out;
}

QString storedSize(const QByteArray& jpeg) {
  if (jpeg.isEmpty()) return QStringLiteral("0x0");
  try {
    const QSize size = jpeg::pictureSize(jpeg);
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
  } catch (const jpeg::Error&) {
    return QStringLiteral("unreadable");
  }
}

int run(const CommandArgs& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: halcyra-tool %s\n", kUsage);
    return 2;
  }
  const std::optional<int> courseId = toolCourseNumber("photos", QString::fromLocal8Bit(args[2].c_str()));
  if (!courseId) return 2;
  course::OpenCourse open;
  if (const int status = openToolCourse(open, "photos", QString::fromLocal8Bit(args[0].c_str()),
                                        QString::fromLocal8Bit(args[1].c_str()), courseId))
    return status;
  QByteArray out;
  for (const course::PhotographRow& photo : open.photographs()) {
    const QString when =
        photo.when ? datetime::toQDateTime(*photo.when).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
    const QStringList fields = {QString::number(photo.imageId), when, storedSize(photo.jpeg),
                                QString::number(photo.jpeg.size()), escaped(photo.note)};
    out += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
  }
  std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const RegisterCommand reg{"photos", kUsage, &run};

}  // namespace
