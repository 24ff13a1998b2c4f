#pragma once
// Prepared pages: what the report looks like once its data is in, as a list of things to draw in
// millimetres from the top-left corner of the paper. Every renderer (the screen, the printer, the
// PDF file) draws the same list, so what the user previews is what is printed and exported.

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <variant>
#include <vector>

#include "report/Fonts.h"

namespace report {

// How a line or an outline is stroked. Widths and dashes are in millimetres.
struct Stroke {
  QColor colour = Qt::black;
  double width = 0.2;  // 0 draws the thinnest line the device can show
  Qt::PenCapStyle cap = Qt::SquareCap;
  Qt::PenJoinStyle join = Qt::MiterJoin;
  std::vector<double> dashes;  // on, off, on, ...; empty for a solid line
  bool operator==(const Stroke&) const = default;
};

// One line of text drawn from `origin`, the start of its baseline. `rotation` turns it
// anticlockwise about the origin, in degrees. `width` is the advance of the whole run.
struct TextRun {
  QPointF origin;
  QString text;
  TextStyle font;
  QColor colour = Qt::black;
  double rotation = 0;
  double width = 0;
  bool operator==(const TextRun&) const = default;
};

// A rectangle filled with one colour (the backgrounds of text boxes).
struct FilledRect {
  QRectF rect;
  QColor colour;
  bool operator==(const FilledRect&) const = default;
};

struct Line {
  QPointF from;
  QPointF to;
  Stroke stroke;
  bool operator==(const Line&) const = default;
};

// Any outline: stroked when `stroked`, filled with `fill` when that colour is valid.
struct Shape {
  QPainterPath path;
  bool stroked = false;
  Stroke stroke;
  QColor fill;  // invalid: not filled
  bool operator==(const Shape& o) const {
    return path == o.path && stroked == o.stroked && stroke == o.stroke && fill == o.fill;
  }
};

// A picture drawn over `rect` (already fitted: its aspect ratio is the picture's).
struct Image {
  QRectF rect;
  QImage image;
  bool operator==(const Image& o) const { return rect == o.rect && image == o.image; }
};

// A picture in the form pages keep it: 24-bit colour (the form the JPEG codec reads and writes),
// or 32-bit with premultiplied alpha where it has transparency. A page read back from a file thus
// draws pixel for pixel alike.
QImage pageImage(const QImage& image);

using Primitive = std::variant<TextRun, FilledRect, Line, Shape, Image>;

// One thing to draw. `clip` is an index into the page's clip outlines, -1 for none.
struct Item {
  Primitive what;
  int clip = -1;
  bool operator==(const Item&) const = default;
};

// Drawn things with their clip outlines, in a coordinate system of their own: a prepared page
// (millimetres), or a vector picture recorded at its own size (see PictureRecorder).
struct Drawing {
  QSizeF size;
  std::vector<Item> items;
  std::vector<QPainterPath> clips;
  bool operator==(const Drawing&) const = default;

  void add(Primitive what, int clip = -1) { items.push_back(Item{std::move(what), clip}); }
  int addClip(const QPainterPath& path);
  // Appends `other`, mapped through `transform` (which must not shear), clipped to `clip` (in this
  // drawing's coordinates; empty for none) on top of the other's own clips.
  void append(const Drawing& other, const QTransform& transform, const QRectF& clip = {});
};

// One page of paper, in millimetres. `title` names it in the preview's list of pages.
struct PreparedPage : Drawing {
  QString title;
  bool operator==(const PreparedPage&) const = default;
};

struct PreparedReport {
  std::vector<PreparedPage> pages;
  QString pdfFileName;  // the name the PDF export proposes
  bool operator==(const PreparedReport&) const = default;
};

}  // namespace report
