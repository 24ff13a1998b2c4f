#include "ui/widgets/DemonstrationStrip.h"

#include "dosing/CalibrationCheck.h"
#include "ui/ObjectNames.h"

namespace ui {

DemonstrationStrip::DemonstrationStrip(QWidget* parent) : QLabel(dosing::kDemonstrationWarning, parent) {
  setObjectName(QString::fromLatin1(names::DemonstrationStrip));
  setAccessibleName(dosing::kDemonstrationWarning);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignCenter);
  setMargin(4);
  QFont f = font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.2);
  setFont(f);
  // White on a strong red whatever the desktop's colours: it must not pass unseen.
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(200, 0, 0));
  p.setColor(QPalette::WindowText, Qt::white);
  setPalette(p);
}

}  // namespace ui
