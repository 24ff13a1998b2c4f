#include "report/PictureRecorder.h"

#include <QBrush>
#include <QFont>
#include <QGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QTextItem>
#include <cmath>
#include <optional>

namespace report {

namespace {

double scaleOf(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

QColor brushColour(const QBrush& brush) {
  if (const QGradient* g = brush.gradient(); g && !g->stops().isEmpty()) return g->stops().first().second;
  return brush.color();
}

// The colour of a small picture all of whose pixels have it; none for any other picture.
std::optional<QColor> singleColour(const QImage& image) {
  constexpr qint64 kLargestMarker = 64 * 64;
  if (qint64(image.width()) * image.height() > kLargestMarker) return std::nullopt;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb first = argb.pixel(0, 0);
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x)
      if (argb.pixel(x, y) != first) return std::nullopt;
  return QColor::fromRgba(first);
}

QColor faded(QColor c, double opacity) {
  c.setAlphaF(static_cast<float>(c.alphaF() * opacity));
  return c;
}

}  // namespace

class PictureRecorder::Engine : public QPaintEngine {
 public:
  explicit Engine(QSizeF size) : QPaintEngine(QPaintEngine::AllFeatures) { drawing_.size = size; }

  const Drawing& drawing() const { return drawing_; }

  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& state) override {
    const QPaintEngine::DirtyFlags f = state.state();
    if (f & DirtyPen) pen_ = state.pen();
    if (f & DirtyBrush) brush_ = state.brush();
    if (f & DirtyFont) font_ = state.font();
    if (f & DirtyOpacity) opacity_ = state.opacity();
    if (f & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled | DirtyTransform)) clipKnown_ = false;
  }

  void drawPath(const QPainterPath& path) override { addShape(path, true); }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    if (count < 2) return;
    QPainterPath path;
    path.moveTo(points[0]);
    for (int i = 1; i < count; ++i) path.lineTo(points[i]);
    if (mode != PolylineMode) path.closeSubpath();
    path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    addShape(path, mode != PolylineMode);
  }

  void drawLines(const QLineF* lines, int count) override {
    if (pen_.style() == Qt::NoPen) return;
    const QTransform t = transform();
    const int clip = currentClip();
    for (int i = 0; i < count; ++i) drawing_.add(Line{t.map(lines[i].p1()), t.map(lines[i].p2()), stroke(t)}, clip);
  }

  void drawRects(const QRectF* rects, int count) override {
    for (int i = 0; i < count; ++i) {
      QPainterPath path;
      path.addRect(rects[i]);
      addShape(path, true);
    }
  }

  void drawEllipse(const QRectF& rect) override {
    QPainterPath path;
    path.addEllipse(rect);
    addShape(path, true);
  }

  void drawPoints(const QPointF* points, int count) override {
    if (pen_.style() == Qt::NoPen) return;
    const double side = std::max(1.0, pen_.widthF());
    const QBrush saved = brush_;
    const QPen savedPen = pen_;
    brush_ = QBrush(pen_.color());
    pen_ = QPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
      QPainterPath path;
      path.addRect(QRectF(points[i] - QPointF(side / 2, side / 2), QSizeF(side, side)));
      addShape(path, true);
    }
    brush_ = saved;
    pen_ = savedPen;
  }

  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
    drawImage(r, pm.toImage(), sr, Qt::AutoColor);
  }

  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override {
    if (image.isNull() || r.isEmpty()) return;
    const QImage part = sr.toRect() == image.rect() ? image : image.copy(sr.toAlignedRect());
    // A small picture of one colour (a marker) is kept as a filled rectangle: a vector, as sharp
    // at any size, and no picture of its own in the PDF.
    if (const std::optional<QColor> colour = singleColour(part)) {
      QPainterPath path;
      path.addRect(r);
      drawing_.add(Shape{transform().map(path), false, {}, faded(*colour, opacity_)}, currentClip());
      return;
    }
    drawing_.add(Image{transform().mapRect(r), pageImage(part)}, currentClip());
  }

  void drawTiledPixmap(const QRectF& r, const QPixmap& pm, const QPointF&) override {
    drawImage(r, pm.toImage(), QRectF(pm.rect()), Qt::AutoColor);
  }

  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    const QString text = item.text();
    if (text.trimmed().isEmpty()) return;
    const QTransform t = transform();
    const QFont f = item.font();
    const double dpi = paintDevice() ? paintDevice()->logicalDpiY() : 96.0;
    const double pixels = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * dpi / 72.0;
    TextStyle letters;
    letters.size = pixels * scaleOf(t) / kMmPerPoint;
    letters.bold = f.weight() >= QFont::DemiBold;
    letters.italic = f.italic();
    TextRun run;
    run.origin = t.map(p);
    run.text = text;
    run.font = letters;
    run.colour = faded(pen_.color(), opacity_);
    double angle = -std::atan2(t.m12(), t.m11()) * 180.0 / M_PI;
    angle = std::fmod(angle + 360.0, 360.0);
    if (std::abs(angle - std::round(angle)) < 1e-9) angle = std::round(angle);
    run.rotation = angle == 360.0 ? 0.0 : angle;
    run.width = textWidth(text, letters);
    drawing_.add(std::move(run), currentClip());
  }

 private:
  QTransform transform() const { return painter() ? painter()->combinedTransform() : QTransform(); }

  Stroke stroke(const QTransform& t) const {
    Stroke s;
    s.colour = faded(pen_.color(), opacity_);
    const double width = pen_.widthF();
    s.width = pen_.isCosmetic() ? std::max(width, 1.0) : std::max(width * scaleOf(t), 1.0);
    s.cap = pen_.capStyle();
    s.join = pen_.joinStyle();
    if (pen_.style() != Qt::SolidLine && pen_.style() != Qt::NoPen) {
      const double unit = std::max(width, 1.0) * (pen_.isCosmetic() ? 1.0 : scaleOf(t));
      for (const double d : pen_.dashPattern()) s.dashes.push_back(d * unit);
    }
    return s;
  }

  void addShape(const QPainterPath& path, bool fillable) {
    const bool stroked = pen_.style() != Qt::NoPen;
    const bool filled = fillable && brush_.style() != Qt::NoBrush;
    if (!stroked && !filled) return;
    const QTransform t = transform();
    Shape s;
    s.path = t.map(path);
    s.stroked = stroked;
    if (stroked) s.stroke = stroke(t);
    if (filled) s.fill = faded(brushColour(brush_), opacity_);
    drawing_.add(std::move(s), currentClip());
  }

  // The clip in force, in the device's pixels, added to the drawing when it changes.
  int currentClip() {
    if (clipKnown_) return clip_;
    clipKnown_ = true;
    QPainter* p = painter();
    if (!p || !p->hasClipping()) {
      clip_ = -1;
      return clip_;
    }
    const QPainterPath path = p->combinedTransform().map(p->clipPath());
    if (clip_ < 0 || drawing_.clips[static_cast<std::size_t>(clip_)] != path) clip_ = drawing_.addClip(path);
    return clip_;
  }

  Drawing drawing_;
  QPen pen_;
  QBrush brush_;
  QFont font_;
  double opacity_ = 1.0;
  bool clipKnown_ = false;
  int clip_ = -1;
};

PictureRecorder::PictureRecorder(QSize size, int dotsPerInch)
    : size_(size), dpi_(dotsPerInch), engine_(std::make_unique<Engine>(QSizeF(size))) {}

PictureRecorder::~PictureRecorder() = default;

QPaintEngine* PictureRecorder::paintEngine() const { return engine_.get(); }

const Drawing& PictureRecorder::drawing() const { return engine_->drawing(); }

int PictureRecorder::metric(PaintDeviceMetric metric) const {
  switch (metric) {
    case PdmWidth: return size_.width();
    case PdmHeight: return size_.height();
    case PdmWidthMM: return qRound(size_.width() * 25.4 / dpi_);
    case PdmHeightMM: return qRound(size_.height() * 25.4 / dpi_);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return dpi_;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    default: return QPaintDevice::metric(metric);
  }
}

}  // namespace report
