#include "report/ReportFile.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <cmath>

#include "base/BoundedRead.h"
#include "base/PrivateFiles.h"
#include "report/FileNames.h"

namespace report {

namespace {

const QByteArray kMagic = QByteArrayLiteral("HALCYRA PREPARED REPORT\n");
constexpr quint32 kVersion = 1;
constexpr double kLargestMeasure = 1e6;
constexpr double kLargestFont = 1000;    // points
constexpr double kLargestStroke = 1000;  // millimetres
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
    // Only a plain name ending in .pdf: the export puts the file into a folder the user chose.
    r.pdfFileName = plainPdfFileName(text());
    const quint32 imageCount = count(4);
    within(imageCount, kMostReportPictures, "pictures");
    // Every picture's size is taken from its header first: pictures that together need more
    // pixels than a report may hold are refused before a single one is decoded.
    std::vector<QByteArray> pictures;
    for (quint32 i = 0; i < imageCount; ++i) {
      pictures.push_back(bytes());
      countPixels(pictures.back(), i + 1);
    }
    for (quint32 i = 0; i < imageCount; ++i) images_.push_back(decoded(pictures[i], i + 1));
    const quint32 pageCount = count(24);
    within(pageCount, kMostReportPages, "pages");
    for (quint32 p = 0; p < pageCount; ++p) r.pages.push_back(page(p + 1));
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
    if (!std::isfinite(v) || std::abs(v) > kLargestMeasure)
      throw Damaged{QStringLiteral("it holds a number no report has")};
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
    if (static_cast<qint64>(n) * least > in_.device()->bytesAvailable())
      throw Damaged{QStringLiteral("it ends too early")};
    return n;
  }
  QByteArray bytes() { return bytes(count(1)); }
  QByteArray bytes(quint32 n) {
    QByteArray b(static_cast<qsizetype>(n), Qt::Uninitialized);
    if (in_.readRawData(b.data(), static_cast<int>(n)) != static_cast<int>(n))
      throw Damaged{QStringLiteral("it ends too early")};
    return b;
  }
  // A text of at most kLongestReportText characters (UTF-8 takes up to four bytes for one).
  QString text() {
    const auto tooLong = [] {
      return Damaged{QStringLiteral("it holds a text longer than the %1 characters a prepared report may have")
                         .arg(kLongestReportText)};
    };
    const quint32 n = count(1);
    if (n > 4u * kLongestReportText) throw tooLong();
    QString t = QString::fromUtf8(bytes(n));
    if (t.size() > kLongestReportText) throw tooLong();
    return t;
  }
  // A count within its limit, or the file is refused naming the limit.
  static void within(quint32 n, qint64 most, const char* what) {
    if (n > most)
      throw Damaged{QStringLiteral("it asks for %1 %2, more than the %3 a prepared report may have")
                        .arg(n)
                        .arg(QLatin1String(what))
                        .arg(most)};
  }
  // Counts more things drawn on the page being read.
  void drawn(qint64 n = 1) {
    pageParts_ += n;
    if (pageParts_ > kMostItemsPerReportPage)
      throw Damaged{QStringLiteral("page %1 holds more than the %2 things a page of a prepared report may have")
                        .arg(pageNumber_)
                        .arg(kMostItemsPerReportPage)};
  }
  // The size a picture's header gives, added to the pixels of the report's pictures, which may
  // not need more than kMostReportPixels pixels together.
  void countPixels(const QByteArray& png, quint32 number) {
    const QSize size = headerSize(png);
    if (!size.isValid() || size.isEmpty()) throw Damaged{QStringLiteral("picture %1 cannot be read").arg(number)};
    pixels_ += static_cast<qint64>(size.width()) * size.height();
    if (pixels_ > kMostReportPixels)
      throw Damaged{QStringLiteral("its pictures need more than the %1 million pixels a prepared report may have "
                                   "(picture %2 alone is %3 x %4)")
                        .arg(kMostReportPixels / 1'000'000)
                        .arg(number)
                        .arg(size.width())
                        .arg(size.height())};
  }
  static QSize headerSize(QByteArray png) {
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, "PNG").size();
  }
  // The picture itself, which must be as large as its header said.
  static QImage decoded(QByteArray png, quint32 number) {
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "PNG");
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    QImage image;
    if (!reader.read(&image) || image.size() != size)
      throw Damaged{QStringLiteral("picture %1 cannot be read").arg(number)};
    return pageImage(image);
  }
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
    drawn(n);
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

  PreparedPage page(quint32 pageNumber) {
    pageNumber_ = pageNumber;
    pageParts_ = 0;
    PreparedPage p;
    p.title = text();
    const double w = real(), h = real();
    if (w < kSmallestReportPageSide || h < kSmallestReportPageSide || w > kLargestReportPageSide ||
        h > kLargestReportPageSide)
      throw Damaged{QStringLiteral("page %1 is %2 x %3 mm; a page of a prepared report measures %4 to %5 mm a side")
                        .arg(pageNumber)
                        .arg(w)
                        .arg(h)
                        .arg(kSmallestReportPageSide)
                        .arg(kLargestReportPageSide)};
    p.size = QSizeF(w, h);
    const quint32 clips = count(5);
    drawn(clips);
    for (quint32 i = 0; i < clips; ++i) p.clips.push_back(path());
    const quint32 items = count(5);
    drawn(items);
    for (quint32 i = 0; i < items; ++i) {
      const auto kind = static_cast<Kind>(number<quint8>());
      const qint32 clip = number<qint32>();
      if (clip < -1 || clip >= static_cast<qint32>(p.clips.size()))
        throw Damaged{QStringLiteral("it refers to a clip it does not hold")};
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
  qint64 pixels_ = 0;       // of all pictures read so far
  quint32 pageNumber_ = 0;  // the page being read, from 1
  qint64 pageParts_ = 0;    // things drawn on it so far
};

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_4;

}  // namespace

void checkReportLimits(const PreparedReport& report) {
  const auto refuse = [](const QString& what) {
    throw ReportFileError(
        QStringLiteral("The report cannot be kept as a prepared report: %1.").arg(what).toStdString());
  };
  if (report.pages.size() > static_cast<std::size_t>(kMostReportPages))
    refuse(QStringLiteral("it has %1 pages, more than the %2 a prepared report may have")
               .arg(report.pages.size())
               .arg(kMostReportPages));
  QSet<qint64> pictures;
  qint64 pixels = 0;
  for (std::size_t p = 0; p < report.pages.size(); ++p) {
    const PreparedPage& page = report.pages[p];
    qint64 parts = static_cast<qint64>(page.items.size() + page.clips.size());
    for (const QPainterPath& c : page.clips) parts += c.elementCount();
    for (const Item& item : page.items) {
      if (const auto* shape = std::get_if<Shape>(&item.what)) parts += shape->path.elementCount();
      if (const auto* image = std::get_if<Image>(&item.what); image && !pictures.contains(image->image.cacheKey())) {
        pictures.insert(image->image.cacheKey());
        pixels += static_cast<qint64>(image->image.width()) * image->image.height();
      }
    }
    if (parts > kMostItemsPerReportPage)
      refuse(QStringLiteral("page %1 holds more than the %2 things a page of a prepared report may have")
                 .arg(p + 1)
                 .arg(kMostItemsPerReportPage));
  }
  if (pictures.size() > kMostReportPictures || pixels > kMostReportPixels)
    refuse(
        QStringLiteral("its %1 pictures need %2 million pixels; a prepared report may hold %3 pictures of %4 million "
                       "pixels in all")
            .arg(pictures.size())
            .arg(pixels / 1'000'000)
            .arg(kMostReportPictures)
            .arg(kMostReportPixels / 1'000'000));
}

void saveReportFile(const PreparedReport& report, const QString& path) {
  checkReportLimits(report);
  // Private from its first byte and put in place whole (base/PrivateFiles.h).
  const QString shown = QDir::toNativeSeparators(path);
  try {
    files::writePrivateFile(path, [&](int fd) {
      QFile file;
      if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        throw files::WriteError(QStringLiteral("Cannot write \"%1\": %2").arg(shown, file.errorString()));
      QDataStream out(&file);
      out.setVersion(kStreamVersion);
      Writer(out).report(report);
      if (out.status() != QDataStream::Ok || !file.flush())
        throw files::WriteError(QStringLiteral("Cannot write \"%1\": %2").arg(shown, file.errorString()));
    });
  } catch (const files::WriteError& e) {
    throw ReportFileError(e.message().toStdString());
  }
}

QByteArray reportBytes(const PreparedReport& report) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QDataStream out(&buffer);
  out.setVersion(kStreamVersion);
  Writer(out).report(report);
  return bytes;
}

PreparedReport readReportBytes(const QByteArray& bytes, const QString& name) {
  QByteArray content = bytes;
  QBuffer buffer(&content);
  buffer.open(QIODevice::ReadOnly);
  QDataStream in(&buffer);
  in.setVersion(kStreamVersion);
  try {
    return Reader(in).report();
  } catch (const Damaged& d) {
    throw ReportFileError(
        QStringLiteral("\"%1\" cannot be opened as a prepared report: %2.").arg(name, d.what).toStdString());
  }
}

PreparedReport openReportFile(const QString& path) {
  const QString name = QDir::toNativeSeparators(path);
  QByteArray content;
  try {
    content = files::readBounded(path, kLargestReportFile, QStringLiteral("a prepared report"));
  } catch (const files::ReadError& e) {
    if (e.problem() == files::ReadError::Problem::CannotOpen)
      throw ReportFileError(QStringLiteral("Cannot open \"%1\": %2").arg(name, e.reason()).toStdString());
    throw ReportFileError(e.message().toStdString());
  }
  return readReportBytes(content, name);
}

}  // namespace report
