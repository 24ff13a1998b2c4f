// halcyra-tool photos: lists the photographs of a course.
//
//   photos DIR NHI COURSEID
//
// One line per photograph, in the course's order (the order they were added):
//   IMAGEID<TAB>DATE<TAB>WIDTHxHEIGHT<TAB>BYTES<TAB>NOTE
// DATE is the photograph's date as yyyy-MM-dd HH:mm:ss (empty when it has none); WIDTHxHEIGHT is
// the stored JPEG's size ("0x0" for a photograph without a picture, "unreadable" when the stored
// bytes are not a readable JPEG); BYTES is the stored JPEG's length. In NOTE a backslash is written
// \\, a line feed \n, a carriage return \r, a tab \t and any other control character \xHH, so that
// each photograph stays on one line.
// Exit status 0 on success, 1 when the database, patient or course cannot be opened (the message
// names it), 2 for wrong arguments.

#include <QString>
#include <QStringList>
#include <cstdio>

#include "Command.h"
#include "ToolCourse.h"
#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "base/OneLine.h"
#include "course/OpenCourse.h"

namespace {

constexpr const char* kUsage = "photos DIR NHI COURSEID";

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
                                QString::number(photo.jpeg.size()), text::oneLine(photo.note)};
    out += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
  }
  std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const RegisterCommand reg{"photos", kUsage, &run};

}  // namespace
