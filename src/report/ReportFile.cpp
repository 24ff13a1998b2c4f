#include "report/ReportFile.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <cmath>

namespace report {

namespace {

const QByteArray kMagic = QByteArrayLiteral("HALCYRA PREPARED REPORT\n");
constexpr quint32 kVersion = 1;
constexpr qint64 kLargestFile = qint64(1) << 30;  // a report of a thousand photographs is far smaller
constexpr double kLargestMeasure = 1e6;
constexpr double kLargestFont = 1000;     // points
constexpr double kLargestStroke = 1000;   // millimetres
constexpr quint32 kMostDashes = 64;

enum class Kind : quint8 { Text = 1, Fill = 2, Line = 3, Shape = 4, Image = 5 };

// ---- writing

class Writer {
 public:
  explicit Writer(QDataStream& out) : out_(out) {}

  void report(const PreparedReport& r) {
    out_.writeRawData(kMagic.constData(), static_cast<int>(kMagic.size()));
    out_ << kVersion;
    text(r.pdfFileName);
    // Pictures once each, however often they appear.
    std::vector<const QImage*> images;
    for (const PreparedPage& page : r.pages)
      for (const Item& item : page.items)
        if (const auto* i = std::get_if<Image>(&item.what); i && !index_.contains(i->image.cacheKey())) {
          index_.insert(i->image.cacheKey(), static_cast<quint32>(images.size()));
          images.push_back(&i->image);
        }
    out_ << static_cast<quint32>(images.size());
    for (const QImage* image : images) {
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      image->save(&buffer, "PNG");
      bytes(png);
    }
    out_ << static_cast<quint32>(r.pages.size());
    for (const PreparedPage& page : r.pages) this->page(page);
  }

 private:
  void bytes(const QByteArray& b) {
    out_ << static_cast<quint32>(b.size());
    out_.writeRawData(b.constData(), static_cast<int>(b.size()));
  }
  void text(const QString& s) { bytes(s.toUtf8()); }
  void colour(const QColor& c) { out_ << static_cast<quint8>(c.isValid()) << static_cast<quint32>(c.rgba()); }
  void point(QPointF p) { out_ << p.x() << p.y(); }
  void rect(const QRectF& r) { out_ << r.x() << r.y() << r.width() << r.height(); }
  void path(const QPainterPath& p) {
    out_ << static_cast<quint8>(p.fillRule()) << static_cast<quint32>(p.elementCount());
    for (int i = 0; i < p.elementCount(); ++i) {
      const QPainterPath::Element e = p.elementAt(i);
      out_ << static_cast<quint8>(e.type) << e.x << e.y;
    }
  }
  void stroke(const Stroke& s) {
    colour(s.colour);
    out_ << s.width << static_cast<quint8>(s.cap >> 4) << static_cast<quint8>(s.join >> 6)
         << static_cast<quint32>(s.dashes.size());
    for (const double d : s.dashes) out_ << d;
  }

  void page(const PreparedPage& p) {
    text(p.title);
    out_ << p.size.width() << p.size.height() << static_cast<quint32>(p.clips.size());
    for (const QPainterPath& c : p.clips) path(c);
    out_ << static_cast<quint32>(p.items.size());
    for (const Item& item : p.items) {
      std::visit([&](const auto& what) { this->item(what, item.clip); }, item.what);
    }
  }
  void head(Kind k, int clip) { out_ << static_cast<quint8>(k) << static_cast<qint32>(clip); }
  void item(const TextRun& r, int clip) {
    head(Kind::Text, clip);
    point(r.origin);
    text(r.text);
    out_ << r.font.size << r.font.bold << r.font.italic;
    colour(r.colour);
    out_ << r.rotation << r.width;
  }
  void item(const FilledRect& f, int clip) {
    head(Kind::Fill, clip);
    rect(f.rect);
    colour(f.colour);
  }
  void item(const Line& l, int clip) {
    head(Kind::Line, clip);
    point(l.from);
    point(l.to);
    stroke(l.stroke);
  }
  void item(const Shape& s, int clip) {
    head(Kind::Shape, clip);
    path(s.path);
    out_ << s.stroked;
    stroke(s.stroke);
    colour(s.fill);
  }
  void item(const Image& i, int clip) {
    head(Kind::Image, clip);
    rect(i.rect);
    out_ << index_.value(i.image.cacheKey());
  }

  QDataStream& out_;
  QHash<qint64, quint32> index_;
};

// ---- reading

struct Damaged {
  QString what;
};

class Reader {
 public:
  explicit Reader(QDataStream& in) : in_(in) {}

  PreparedReport report() {
    QByteArray magic(kMagic.size(), Qt::Uninitialized);
    if (in_.readRawData(magic.data(), static_cast<int>(magic.size())) != magic.size() || magic != kMagic)
      throw Damaged{QStringLiteral("it is not a prepared report of this program")};
    const quint32 version = number<quint32>();
    if (version != kVersion)
      throw Damaged{QStringLiteral("it was written in a newer format (%1) than this program reads (%2)")
                        .arg(version)
                        .arg(kVersion)};
    PreparedReport r;
    r.pdfFileName = text();
    const quint32 imageCount = count(4);
    for (quint32 i = 0; i < imageCount; ++i) {
      QImage image;
      if (!image.loadFromData(bytes(), "PNG")) throw Damaged{QStringLiteral("picture %1 cannot be read").arg(i + 1)};
      images_.push_back(pageImage(image));
    }
    const quint32 pageCount = count(24);
    for (quint32 p = 0; p < pageCount; ++p) r.pages.push_back(page());
    if (!in_.atEnd()) throw Damaged{QStringLiteral("there is more in it than its pages")};
    return r;
  }

 private:
  template <typename T>
  T number() {
    T v{};
    in_ >> v;
    if (in_.status() != QDataStream::Ok) throw Damaged{QStringLiteral("it ends too early")};
    return v;
  }
  // A measure: a finite number of millimetres (or points) no page comes near.
  double real() {
    const double v = number<double>();
    if (!std::isfinite(v) || std::abs(v) > kLargestMeasure) throw Damaged{QStringLiteral("it holds a number no report has")};
    return v;
  }
  double positive(double largest) {
    const double v = real();
    if (v < 0 || v > largest) throw Damaged{QStringLiteral("it holds a size no report has")};
    return v;
  }
  // A count of things each taking at least `least` bytes: no more than the rest of the file holds.
  quint32 count(qint64 least) {
    const quint32 n = number<quint32>();
    if (static_cast<qint64>(n) * least > in_.device()->bytesAvailable()) throw Damaged{QStringLiteral("it ends too early")};
    return n;
  }
  QByteArray bytes() {
    const quint32 n = count(1);
    QByteArray b(static_cast<qsizetype>(n), Qt::Uninitialized);
    if (in_.readRawData(b.data(), static_cast<int>(n)) != static_cast<int>(n)) throw Damaged{QStringLiteral("it ends too early")};
    return b;
  }
  QString text() { return QString::fromUtf8(bytes()); }
  QColor colour() {
    const bool valid = number<quint8>() != 0;
    const quint32 rgba = number<quint32>();
    return valid ? QColor::fromRgba(rgba) : QColor();
  }
  QPointF point() {
    const double x = real();
    return QPointF(x, real());
  }
  QRectF rect() {
    const double x = real(), y = real(), w = real();
    return QRectF(x, y, w, real());
  }
  QPainterPath path() {
    const quint8 rule = number<quint8>();
    const quint32 n = count(17);
    QPainterPath p;
    p.setFillRule(rule == Qt::WindingFill ? Qt::WindingFill : Qt::OddEvenFill);
    for (quint32 i = 0; i < n; ++i) {
      const quint8 type = number<quint8>();
      const QPointF at = point();
      switch (type) {
        case QPainterPath::MoveToElement: p.moveTo(at); break;
        case QPainterPath::LineToElement: p.lineTo(at); break;
        case QPainterPath::CurveToElement: {
          if (i + 2 >= n) throw Damaged{QStringLiteral("an outline in it is cut short")};
          number<quint8>();
          const QPointF c2 = point();
          number<quint8>();
          p.cubicTo(at, c2, point());
          i += 2;
          break;
        }
        default: throw Damaged{QStringLiteral("an outline in it cannot be read")};
      }
    }
    return p;
  }
  Stroke stroke() {
    Stroke s;
    s.colour = colour();
    s.width = positive(kLargestStroke);
    s.cap = static_cast<Qt::PenCapStyle>((number<quint8>() & 3) << 4);
    s.join = static_cast<Qt::PenJoinStyle>((number<quint8>() & 3) << 6);
    const quint32 n = count(8);
    if (n > kMostDashes) throw Damaged{QStringLiteral("a line in it cannot be read")};
    for (quint32 i = 0; i < n; ++i) s.dashes.push_back(positive(kLargestStroke));
    return s;
  }

  PreparedPage page() {
    PreparedPage p;
    p.title = text();
    const double w = positive(kLargestMeasure);
    p.size = QSizeF(w, positive(kLargestMeasure));
    const quint32 clips = count(5);
    for (quint32 i = 0; i < clips; ++i) p.clips.push_back(path());
    const quint32 items = count(5);
    for (quint32 i = 0; i < items; ++i) {
      const auto kind = static_cast<Kind>(number<quint8>());
      const qint32 clip = number<qint32>();
      if (clip < -1 || clip >= static_cast<qint32>(p.clips.size())) throw Damaged{QStringLiteral("it refers to a clip it does not hold")};
      p.add(item(kind), clip);
    }
    return p;
  }
  Primitive item(Kind kind) {
    switch (kind) {
      case Kind::Text: {
        TextRun r;
        r.origin = point();
        r.text = text();
        r.font.size = positive(kLargestFont);
        r.font.bold = number<bool>();
        r.font.italic = number<bool>();
        r.colour = colour();
        r.rotation = real();
        r.width = real();
        return r;
      }
      case Kind::Fill: {
        FilledRect f;
        f.rect = rect();
        f.colour = colour();
        return f;
      }
      case Kind::Line: {
        Line l;
        l.from = point();
        l.to = point();
        l.stroke = stroke();
        return l;
      }
      case Kind::Shape: {
        Shape s;
        s.path = path();
        s.stroked = number<bool>();
        s.stroke = stroke();
        s.fill = colour();
        return s;
      }
      case Kind::Image: {
        Image i;
        i.rect = rect();
        const quint32 index = number<quint32>();
        if (index >= images_.size()) throw Damaged{QStringLiteral("it refers to a picture it does not hold")};
        i.image = images_[index];
        return i;
      }
    }
    throw Damaged{QStringLiteral("it holds something this program does not know")};
  }

  QDataStream& in_;
  std::vector<QImage> images_;
};

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_4;

}  // namespace

void saveReportFile(const PreparedReport& report, const QString& path) {
  QSaveFile file(path);
  file.setDirectWriteFallback(true);
  auto fail = [&] {
    return ReportFileError(QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString()).toStdString());
  };
  if (!file.open(QIODevice::WriteOnly)) throw fail();
  QDataStream out(&file);
  out.setVersion(kStreamVersion);
  Writer(out).report(report);
  if (out.status() != QDataStream::Ok) {
    const ReportFileError e = fail();
    file.cancelWriting();
    throw e;
  }
  if (!file.commit()) throw fail();
}

PreparedReport openReportFile(const QString& path) {
  QFile file(path);
  const QString name = QDir::toNativeSeparators(path);
  if (!file.open(QIODevice::ReadOnly))
    throw ReportFileError(QStringLiteral("Cannot open \"%1\": %2").arg(name, file.errorString()).toStdString());
  if (file.size() > kLargestFile)
    throw ReportFileError(QStringLiteral("\"%1\" cannot be opened: it is far larger than any prepared report.").arg(name).toStdString());
  QByteArray content = file.readAll();
  QBuffer buffer(&content);
  buffer.open(QIODevice::ReadOnly);
  QDataStream in(&buffer);
  in.setVersion(kStreamVersion);
  try {
    return Reader(in).report();
  } catch (const Damaged& d) {
    throw ReportFileError(QStringLiteral("\"%1\" cannot be opened as a prepared report: %2.").arg(name, d.what).toStdString());
  }
}

}  // namespace report
