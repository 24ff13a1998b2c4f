#include "report/FileNames.h"

namespace report {

namespace {
constexpr qsizetype kLongestStem = 100;  // a file name may have 255 bytes; UTF-8 takes up to 4 a letter
}

QString plainFileStem(const QString& stem) {
  QString name = stem.left(kLongestStem);
  for (QChar& c : name)
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 32 || c.unicode() == 0x7F)
      c = QLatin1Char('_');
  for (QChar& c : name) {
    if (c != QLatin1Char('.')) break;
    c = QLatin1Char('_');
  }
  return name.isEmpty() ? QStringLiteral("report") : name;
}

QString plainPdfFileName(const QString& stored) {
  QString stem = stored;
  if (stem.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) stem.chop(4);
  return plainFileStem(stem) + QStringLiteral(".pdf");
}

}  // namespace report
