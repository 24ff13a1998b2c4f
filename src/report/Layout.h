#pragma once
// A report's layout as data: pages of paper, bands over datasets, and the objects on them with
// their positions in millimetres, sizes, fonts, frames, colours, alignment and rotation.
// A layout is written as one table per page; the helpers below keep such a table readable.

#include <QColor>
#include <QImage>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "report/DisplayList.h"
#include "report/Fonts.h"
#include "report/TextLayout.h"

namespace report {

enum class ObjectKind { Text, Picture, Line, SubReport, RichText };

// What a picture object shows: a bitmap, or a vector drawing of its own size. Either way it is
// stretched to the object's box with its aspect ratio kept, from the box's top-left corner.
struct PictureContent {
  QImage image;
  Drawing drawing;  // used when `image` is null
  bool isEmpty() const { return image.isNull() && drawing.items.empty(); }
};

struct ReportObject {
  QString name;
  ObjectKind kind = ObjectKind::Text;
  QRectF box;  // left, top, width, height in millimetres from the top-left of its page or band

  // Text objects: literal text, or a dataset's field, or a variable of the report.
  QString text;
  QString dataset;
  QString field;
  QString variable;
  TextStyle font;  // the report's default: 10 pt
  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
  bool wordWrap = true;
  bool framed = false;
  QColor fill;  // invalid: no background
  int rotation = 0;

  double lineWidth = 0;                           // Line: its thickness in points; it runs along box's width
  std::shared_ptr<const PictureContent> picture;  // Picture: filled by the program or before printing
  QString page;                                   // SubReport: the page it shows
  std::vector<Paragraph> rich;                    // RichText

  // Chained setters for the layout tables.
  ReportObject& pt(double size) {
    font.size = size;
    return *this;
  }
  ReportObject& bold() {
    font.bold = true;
    return *this;
  }
  ReportObject& right() {
    align = (align & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight;
    return *this;
  }
  ReportObject& centred() {
    align = Qt::AlignCenter;
    return *this;
  }
  ReportObject& noWrap() {
    wordWrap = false;
    return *this;
  }
  ReportObject& frame() {
    framed = true;
    return *this;
  }
  ReportObject& on(const QColor& colour) {
    fill = colour;
    return *this;
  }
  ReportObject& turned(int degrees) {
    rotation = degrees;
    return *this;
  }
};

// Table helpers: a literal text, a dataset field, a report variable, a picture, a rule, a
// sub-report and a block of rich text.
ReportObject label(const QString& name, QRectF box, const QString& text);
ReportObject field(const QString& name, QRectF box, const QString& dataset, const QString& fieldName);
ReportObject variable(const QString& name, QRectF box, const QString& variableName);
ReportObject picture(const QString& name, QRectF box);
ReportObject rule(const QString& name, QPointF from, double length, double widthPt);
ReportObject subReport(const QString& name, QRectF box, const QString& page);
ReportObject richText(const QString& name, QRectF box, std::vector<Paragraph> paragraphs);

// A horizontal strip printed once (a header) or once per row of its dataset (a data band). A data
// band of several columns places its rows side by side, `columnWidth` apart, then below.
struct Band {
  QString name;
  double height = 0;
  QString dataset;  // empty for a header
  int columns = 1;
  double columnWidth = 0;
  bool repeatOnEveryPage = false;  // a header printed again at the top of every page it runs to
  // A header that heads the rows of the band after it (a table's title and column titles): never
  // left at the foot of a page without the first of those rows, and printed again above the rows
  // that continue on a new page.
  bool headsRows = false;
  std::vector<ReportObject> objects;
};

struct PageLayout {
  QString name;
  QString title;                      // names the prepared pages in the preview's list
  QSizeF paper;                       // millimetres
  QMarginsF margins;                  // millimetres
  bool visible = true;                // printed on its own; a page only shown inside a sub-report is not
  std::vector<ReportObject> objects;  // placed once, inside the margins
  std::vector<Band> bands;            // one below the other, continuing onto new pages
};

struct ReportLayout {
  std::vector<PageLayout> pages;
  QString pdfFileName;

  PageLayout* findPage(const QString& name);
  ReportObject* findObject(const QString& name);
};

}  // namespace report
