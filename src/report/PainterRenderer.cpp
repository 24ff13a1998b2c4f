#include "report/PainterRenderer.h"

#include <QPainterPath>
#include <QPen>
#include <array>
#include <cmath>
#include <optional>

namespace report {

namespace {

// Text is set at this pixel size and scaled down to its size: the face's own outlines and advance
// widths, without the rounding of small sizes to whole pixels.
constexpr int kDesignPixels = 1000;

QPen penOf(const Stroke& s) {
  QPen pen(s.colour);
  pen.setWidthF(s.width);
  pen.setCosmetic(s.width <= 0);
  pen.setCapStyle(s.cap);
  pen.setJoinStyle(s.join);
  if (!s.dashes.empty() && s.width > 0) {
    QList<qreal> pattern;
    for (const double d : s.dashes) pattern.append(d / s.width);
    if (pattern.size() % 2) pattern.append(pattern.back());
    pen.setDashPattern(pattern);
  }
  return pen;
}

struct Drawer {
  QPainter& p;
  std::array<std::optional<QFont>, 4> fonts{};  // made on first use: plain, bold, italic, both

  void operator()(const TextRun& r) {
    const auto v = static_cast<std::size_t>((r.font.bold ? 1 : 0) + (r.font.italic ? 2 : 0));
    if (!fonts[v]) fonts[v] = screenFont(r.font, kDesignPixels);
    const double scale = r.font.size * kMmPerPoint / kDesignPixels;
    p.save();
    p.translate(r.origin);
    if (r.rotation != 0) p.rotate(-r.rotation);
    p.scale(scale, scale);
    p.setFont(*fonts[v]);
    p.setPen(r.colour);
    p.drawText(QPointF(0, 0), r.text);
    p.restore();
  }
  void operator()(const FilledRect& f) const { p.fillRect(f.rect, f.colour); }
  void operator()(const Line& l) const {
    p.setPen(penOf(l.stroke));
    p.drawLine(l.from, l.to);
  }
  void operator()(const Shape& s) const {
    p.setPen(s.stroked ? penOf(s.stroke) : QPen(Qt::NoPen));
    p.setBrush(s.fill.isValid() ? QBrush(s.fill) : QBrush(Qt::NoBrush));
    p.drawPath(s.path);
  }
  void operator()(const Image& i) const { p.drawImage(i.rect, i.image); }
};

}  // namespace

QFont screenFont(const TextStyle& letters, int pixelSize) {
  QFont f;
  f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                 QStringLiteral("Helvetica")});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixelSize);
  f.setBold(letters.bold);
  f.setItalic(letters.italic);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

void drawPage(QPainter& painter, const Drawing& drawing, double pixelsPerMm) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.scale(pixelsPerMm, pixelsPerMm);
  // The painter's own clip (the part of the page being repainted) stays in force throughout.
  const bool outerClip = painter.hasClipping();
  const QPainterPath outer = outerClip ? painter.clipPath() : QPainterPath();
  int clip = -1;
  Drawer drawer{painter};
  for (const Item& item : drawing.items) {
    if (item.clip != clip) {
      clip = item.clip;
      if (outerClip)
        painter.setClipPath(outer);
      else
        painter.setClipping(false);
      if (clip >= 0)
        painter.setClipPath(drawing.clips[static_cast<std::size_t>(clip)],
                            outerClip ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    std::visit(drawer, item.what);
  }
  painter.restore();
}

QImage renderPage(const Drawing& page, double dotsPerInch) {
  const double pixelsPerMm = dotsPerInch / 25.4;
  QImage image(QSize(qCeil(page.size.width() * pixelsPerMm), qCeil(page.size.height() * pixelsPerMm)),
               QImage::Format_RGB32);
  image.fill(Qt::white);
  const int dpm = qRound(dotsPerInch / 0.0254);
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  QPainter painter(&image);
  drawPage(painter, page, pixelsPerMm);
  return image;
}

}  // namespace report
