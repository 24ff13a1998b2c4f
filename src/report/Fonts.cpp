#include "report/Fonts.h"

#include <QList>

#include "report/PdfText.h"

namespace report {

double textWidth(const QString& text, const TextStyle& font) {
  long thousandths = 0;
  for (const uint letter : text.toUcs4())
    if (letter >= 32) thousandths += pdf_text::width(letter, font);
  return static_cast<double>(thousandths) / 1000.0 * font.size * kMmPerPoint;
}

}  // namespace report
