#include "report/ReportEngine.h"

#include <QTransform>
#include <algorithm>
#include <stdexcept>

#include "base/Formats.h"
#include "report/TextLayout.h"

namespace report {

namespace {

constexpr double kSlack = 1e-6;              // millimetres
constexpr double kFrameWidth = kMmPerPixel;  // the frame of a framed text box
// A dataset that never reaches its end would prepare pages for ever.
constexpr int kMostRows = 100000;

QString textOf(const QVariant& value) {
  if (!value.isValid() || value.isNull()) return {};
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short: return fmt::D(value.toLongLong());
    default: return value.toString();
  }
}

// The picture's size in its own units: pixels of a bitmap, or the drawing's own size.
QSizeF contentSize(const PictureContent& p) { return p.image.isNull() ? p.drawing.size : QSizeF(p.image.size()); }

}  // namespace

class Report::Preparation {
 public:
  explicit Preparation(Report& report) : r_(report) {}

  PreparedReport run() {
    for (auto& [name, ds] : r_.datasets_)
      if (ds.first) ds.first();
    for (PageLayout& page : r_.layout_.pages)
      if (page.visible) printPage(page);
    out_.pdfFileName = r_.layout_.pdfFileName;
    return std::move(out_);
  }

 private:
  UserDataset* dataset(const QString& name) {
    const auto it = r_.datasets_.find(name);
    return it == r_.datasets_.end() ? nullptr : &it->second;
  }

  QString valueOf(const ReportObject& o) {
    if (!o.field.isEmpty()) {
      QVariant value;
      UserDataset* ds = dataset(o.dataset);
      if (ds && ds->getValue) ds->getValue(o.field, value);
      return textOf(value);
    }
    if (!o.variable.isEmpty()) return r_.variable ? r_.variable(o.variable) : QString();
    return o.text;
  }

  void raiseBeforePrint(ReportObject& o) {
    if (r_.beforePrint) r_.beforePrint(o);
  }

  // Stretches the picture to the box with its aspect ratio kept, from the box's top-left corner.
  static void printPicture(const PictureContent& p, const QRectF& box, Drawing& out) {
    const QSizeF size = contentSize(p);
    if (size.isEmpty() || box.isEmpty()) return;
    const double scale = std::min(box.width() / size.width(), box.height() / size.height());
    const QRectF target(box.topLeft(), size * scale);
    if (!p.image.isNull()) {
      out.add(Image{target, pageImage(p.image)});
      return;
    }
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(scale, scale);
    out.append(p.drawing, t, box);
  }

  void printObject(ReportObject& o, QPointF origin, Drawing& out) {
    const QRectF box = o.box.translated(origin);
    switch (o.kind) {
      case ObjectKind::Text: {
        const QString text = valueOf(o);
        raiseBeforePrint(o);
        if (o.fill.isValid()) out.add(FilledRect{box, o.fill});
        if (!text.isEmpty()) setText(out, plainParagraphs(text, o.font), TextBox{box, o.rotation, o.align, o.wordWrap});
        if (o.framed) {
          QPainterPath frame;
          frame.addRect(box);
          Stroke stroke;
          stroke.width = kFrameWidth;
          out.add(Shape{frame, true, stroke, {}});
        }
        break;
      }
      case ObjectKind::RichText:
        raiseBeforePrint(o);
        setText(out, o.rich, TextBox{box, o.rotation, o.align, o.wordWrap});
        break;
      case ObjectKind::Picture:
        raiseBeforePrint(o);
        if (o.picture) printPicture(*o.picture, box, out);
        break;
      case ObjectKind::Line: {
        raiseBeforePrint(o);
        Stroke stroke;
        stroke.width = o.lineWidth * kMmPerPoint;
        stroke.cap = Qt::FlatCap;
        out.add(Line{box.topLeft(), box.topRight(), stroke});
        break;
      }
      case ObjectKind::SubReport:
        raiseBeforePrint(o);
        printSubReport(o, box, out);
        break;
    }
  }

  // The objects in the layout's order, except that rules lie on top: a picture whose box reaches
  // over a rule (the body diagram over the header's rule) does not break it.
  void printObjects(std::vector<ReportObject>& objects, QPointF origin, Drawing& out) {
    for (ReportObject& o : objects)
      if (o.kind != ObjectKind::Line) printObject(o, origin, out);
    for (ReportObject& o : objects)
      if (o.kind == ObjectKind::Line) printObject(o, origin, out);
  }

  // Calls `row` once per row of the band's dataset, with the row's column; stops at the end.
  template <typename RowFn>
  void eachRow(Band& band, RowFn row) {
    UserDataset* ds = dataset(band.dataset);
    if (!ds || !ds->eof) return;
    if (ds->first) ds->first();
    const int columns = std::max(1, band.columns);
    for (int n = 0; !ds->eof(); ++n) {
      if (n == kMostRows)
        throw std::runtime_error("The report's data \"" + band.dataset.toStdString() + "\" has more than " +
                                 std::to_string(kMostRows) + " rows.");
      row(n % columns);
      if (ds->next) ds->next();
    }
  }

  // Another page's bands inside the sub-report's box: no new pages; the box cuts off the rest.
  void printSubReport(const ReportObject& o, const QRectF& box, Drawing& out) {
    PageLayout* page = r_.layout_.findPage(o.page);
    if (!page) return;
    Drawing inner;
    double y = 0;
    for (Band& band : page->bands) {
      if (band.dataset.isEmpty()) {
        printObjects(band.objects, QPointF(0, y), inner);
        y += band.height;
        continue;
      }
      const int columns = std::max(1, band.columns);
      int last = -1;
      eachRow(band, [&](int column) {
        printObjects(band.objects, QPointF(column * band.columnWidth, y), inner);
        last = column;
        if (column == columns - 1) y += band.height;
      });
      if (last >= 0 && last != columns - 1) y += band.height;
    }
    out.append(inner, QTransform::fromTranslate(box.left(), box.top()), box);
  }

  void printPage(PageLayout& page) {
    const QPointF origin(page.margins.left(), page.margins.top());
    const double height = page.paper.height() - page.margins.top() - page.margins.bottom();
    std::vector<Band*> repeating;
    double y = 0;
    double repeatedHeight = 0;
    Band* rowsHeading = nullptr;  // printed again above the rows being printed when they go on

    auto newPage = [&] {
      PreparedPage p;
      p.size = page.paper;
      p.title = page.title;
      out_.pages.push_back(std::move(p));
      printObjects(page.objects, origin, out_.pages.back());
      y = 0;
      for (Band* header : repeating) {
        printObjects(header->objects, origin + QPointF(0, y), out_.pages.back());
        y += header->height;
      }
      if (rowsHeading) {
        printObjects(rowsHeading->objects, origin + QPointF(0, y), out_.pages.back());
        y += rowsHeading->height;
      }
      if (r_.progress) r_.progress(static_cast<int>(out_.pages.size()));
    };

    newPage();
    Band* heading = nullptr;  // the header just printed, when it heads the rows after it
    for (std::size_t i = 0; i < page.bands.size(); ++i) {
      Band& band = page.bands[i];
      if (band.dataset.isEmpty()) {
        // A heading needs the room of its first row below it as well.
        const bool headsRows = band.headsRows && i + 1 < page.bands.size() && !page.bands[i + 1].dataset.isEmpty();
        const double needed = band.height + (headsRows ? page.bands[i + 1].height : 0.0);
        if (y > repeatedHeight && y + needed > height + kSlack) newPage();
        printObjects(band.objects, origin + QPointF(0, y), out_.pages.back());
        y += band.height;
        if (band.repeatOnEveryPage) {
          repeating.push_back(&band);
          repeatedHeight += band.height;
        }
        heading = headsRows ? &band : nullptr;
        continue;
      }
      rowsHeading = heading;
      heading = nullptr;
      const int columns = std::max(1, band.columns);
      int last = -1;
      eachRow(band, [&](int column) {
        // A row of cells that does not fit goes to a new page whole, unless the page holds
        // nothing but its headers (a cell taller than a page is cut off instead).
        const double headers = repeatedHeight + (rowsHeading ? rowsHeading->height : 0.0);
        if (column == 0 && y > headers + kSlack && y + band.height > height + kSlack) newPage();
        printObjects(band.objects, origin + QPointF(column * band.columnWidth, y), out_.pages.back());
        last = column;
        if (column == columns - 1) y += band.height;
      });
      if (last >= 0 && last != columns - 1) y += band.height;
      rowsHeading = nullptr;
    }
  }

  Report& r_;
  PreparedReport out_;
};

PreparedReport Report::prepare() { return Preparation(*this).run(); }

}  // namespace report
