#include "report/TextSearch.h"

#include <QTransform>

namespace report {

namespace {

void collect(const Drawing& page, int index, const QString& text, std::vector<TextHit>& out) {
  for (const Item& item : page.items) {
    const auto* run = std::get_if<TextRun>(&item.what);
    if (!run) continue;
    for (qsizetype at = run->text.indexOf(text, 0, Qt::CaseInsensitive); at >= 0;
         at = run->text.indexOf(text, at + text.size(), Qt::CaseInsensitive)) {
      const double from = textWidth(run->text.left(at), run->font);
      const double width = textWidth(run->text.mid(at, text.size()), run->font);
      const QRectF letters(from, -ascent(run->font), width, ascent(run->font) + descent(run->font));
      QTransform t;
      t.translate(run->origin.x(), run->origin.y());
      t.rotate(-run->rotation);
      out.push_back(TextHit{index, t.map(QPolygonF(letters))});
    }
  }
}

}  // namespace

std::vector<TextHit> findText(const PreparedReport& report, const QString& text) {
  std::vector<TextHit> hits;
  if (text.isEmpty()) return hits;
  for (std::size_t p = 0; p < report.pages.size(); ++p) collect(report.pages[p], static_cast<int>(p), text, hits);
  return hits;
}

}  // namespace report
