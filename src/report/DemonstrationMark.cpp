#include "report/DemonstrationMark.h"

#include "dosing/CalibrationCheck.h"

namespace report {

void markDemonstration(ReportLayout& layout) {
  const TextStyle font{10, true};
  const Span line{dosing::kDemonstrationWarning, font, false, QColor(200, 0, 0)};
  for (PageLayout& page : layout.pages) {
    if (!page.visible) continue;  // not printed on its own (a sub-report's page, or no photographs)
    // 4 to 9 mm from the paper's top edge: inside what printers print, above the header.
    const QRectF box(0, -6.0, page.paper.width() - page.margins.left() - page.margins.right(), 5.0);
    page.objects.push_back(richText(QStringLiteral("Demonstration"), box, {Paragraph{{line}, font}}).centred());
  }
}

}  // namespace report
