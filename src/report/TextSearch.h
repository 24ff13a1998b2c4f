#pragma once
// Finding text on prepared pages: every place a text appears, as the outline of the letters found.

#include <QPolygonF>
#include <QString>
#include <vector>

#include "report/DisplayList.h"

namespace report {

struct TextHit {
  int page = 0;    // from 0
  QPolygonF area;  // millimetres on that page, around the letters found (turned with their line)
};

// Every occurrence of `text` within a line, page by page and in drawing order. Letter case is
// ignored. Nothing is found for an empty text.
std::vector<TextHit> findText(const PreparedReport& report, const QString& text);

}  // namespace report
