// The pictures on the program's buttons, drawn on a 24 x 24 grid with a clear background.
#include "Art.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>

namespace art {

namespace {

using Draw = std::function<void(QPainter&)>;

QPen pen(QColor colour, double width) { return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// "Update": a green tick.
void tick(QPainter& p) {
  QPainterPath path;
  path.moveTo(4, 12.5);
  path.lineTo(9.5, 18);
  path.lineTo(20, 6);
  p.setPen(pen(QColor(0x1f, 0x6e, 0x2c), 4.2));
  p.drawPath(path);
  p.setPen(pen(QColor(0x3d, 0xb0, 0x4f), 2.4));
  p.drawPath(path);
}

// "Undo": an arrow bending back to the left.
void backArrow(QPainter& p) {
  QPainterPath bend;
  bend.moveTo(7, 9);
  bend.lineTo(14, 9);
  bend.cubicTo(22, 9, 22, 20, 14, 20);
  bend.lineTo(9, 20);
  p.setPen(pen(QColor(0x2f, 0x6f, 0xd6), 2.6));
  p.setBrush(Qt::NoBrush);
  p.drawPath(bend);
  QPainterPath head;
  head.moveTo(2.5, 9);
  head.lineTo(9, 3.5);
  head.lineTo(9, 14.5);
  head.closeSubpath();
  p.setPen(pen(QColor(0x2f, 0x6f, 0xd6), 1.2));
  p.setBrush(QColor(0x2f, 0x6f, 0xd6));
  p.drawPath(head);
}

// "Clear": a red cross.
void cross(QPainter& p) {
  p.setPen(pen(QColor(0x8e, 0x16, 0x16), 4.4));
  p.drawLine(QPointF(6, 6), QPointF(18, 18));
  p.drawLine(QPointF(18, 6), QPointF(6, 18));
  p.setPen(pen(QColor(0xe0, 0x3b, 0x3b), 2.6));
  p.drawLine(QPointF(6, 6), QPointF(18, 18));
  p.drawLine(QPointF(18, 6), QPointF(6, 18));
}

// "Print": a printer with a sheet coming out.
void printer(QPainter& p) {
  const QColor ink(0x33, 0x3a, 0x44);
  p.setPen(pen(ink, 1.2));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6.5, 2.5, 11, 8));  // sheet going in
  p.setBrush(QColor(0x8a, 0x96, 0xa6));
  p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2);  // body
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6.5, 15.5, 11, 6));  // sheet coming out
  p.drawLine(QPointF(8.5, 18), QPointF(15.5, 18));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3d, 0xb0, 0x4f));
  p.drawEllipse(QPointF(18.5, 12.5), 1, 1);  // power light
}

// "List": a sheet with a bulleted list, white so that it shows on light and dark buttons alike.
void list(QPainter& p) {
  p.setPen(pen(QColor(0x5a, 0x64, 0x72), 1.2));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(2.5, 2.5, 19, 19), 2.5, 2.5);
  for (int row = 0; row < 4; ++row) {
    const double y = 6.5 + row * 3.7;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x6f, 0xd6));
    p.drawEllipse(QPointF(6.5, y), 1.3, 1.3);
    p.setPen(pen(QColor(0x33, 0x3a, 0x44), 1.5));
    p.drawLine(QPointF(9.5, y), QPointF(18, y));
  }
}

// "Select": a person with an arrow pointing at them.
void personArrow(QPainter& p) {
  const QColor blue(0x23, 0x58, 0xb0);
  p.setPen(pen(blue.darker(140), 1));
  p.setBrush(blue);
  p.drawEllipse(QPointF(15, 7), 4, 4);
  QPainterPath body;
  body.moveTo(7.5, 22);
  body.cubicTo(7.5, 13, 22.5, 13, 22.5, 22);
  body.closeSubpath();
  p.drawPath(body);
  QPainterPath arrow;  // pointing right, at the person
  arrow.moveTo(1.5, 10.5);
  arrow.lineTo(6, 10.5);
  arrow.lineTo(6, 8);
  arrow.lineTo(10.5, 12.5);
  arrow.lineTo(6, 17);
  arrow.lineTo(6, 14.5);
  arrow.lineTo(1.5, 14.5);
  arrow.closeSubpath();
  p.setPen(pen(QColor(0x1f, 0x6e, 0x2c), 1));
  p.setBrush(QColor(0x3d, 0xb0, 0x4f));
  p.drawPath(arrow);
}

// "Load Data": an open folder.
void folder(QPainter& p) {
  const QColor edge(0x8a, 0x62, 0x10);
  p.setPen(pen(edge, 1.2));
  QPainterPath back;
  back.moveTo(2.5, 19.5);
  back.lineTo(2.5, 5.5);
  back.lineTo(8.5, 5.5);
  back.lineTo(10.5, 7.5);
  back.lineTo(19.5, 7.5);
  back.lineTo(19.5, 10.5);
  p.setBrush(QColor(0xe0, 0xa8, 0x2e));
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(2.5, 19.5);
  front.lineTo(6.5, 10.5);
  front.lineTo(22.5, 10.5);
  front.lineTo(18.5, 19.5);
  front.closeSubpath();
  p.setBrush(QColor(0xf7, 0xcd, 0x5a));
  p.drawPath(front);
}

const std::map<QString, Draw>& drawings() {
  // clang-format off
  static const std::map<QString, Draw> all = {
      {"update", tick},   {"undo", backArrow},     {"clear", cross}, {"print", printer},
      {"list", list},     {"select", personArrow}, {"loaddata", folder},
  };
  // clang-format on
  return all;
}

}  // namespace

QStringList buttonNames() {
  QStringList names;
  for (const auto& [name, draw] : drawings()) names << name;
  return names;
}

QImage drawButton(const QString& name, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  const auto found = drawings().find(name);
  if (found == drawings().end()) return image;
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 24.0, size / 24.0);
  found->second(p);
  return image;
}

}  // namespace art
