#pragma once
// Draws prepared pages with QPainter: on the screen, on a printer, into a bitmap. Text is drawn in
// Liberation Sans (Arial's metrics, as the text was measured), so every line ends where the layout
// put it.

#include <QFont>
#include <QImage>
#include <QPainter>

#include "report/DisplayList.h"

namespace report {

// Draws `drawing` with its top-left corner at the painter's origin, `pixelsPerMm` device units to
// the millimetre. The painter's state is as it was afterwards.
void drawPage(QPainter& painter, const Drawing& drawing, double pixelsPerMm);

// The page on white at `dotsPerInch`.
QImage renderPage(const Drawing& page, double dotsPerInch);

// The screen face of the report at `pixelSize` pixels.
QFont screenFont(const TextStyle& font, int pixelSize);

}  // namespace report
