#include "report/PdfWriter.h"

#include <hpdf.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTimeZone>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "base/JpegCodec.h"
#include "base/PrivateFiles.h"
#include "report/PdfText.h"

namespace report {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr int kJpegQuality = 95;
// Dash patterns are whole numbers of user units in libharu; dashed lines are drawn at this many
// user units to the point so that short dashes keep their length.
constexpr double kDashResolution = 10.0;
// libharu takes its memory from pools of this size rather than one allocation per object.
constexpr HPDF_UINT kMemoryPool = 256 * 1024;

// libharu reports failures through this handler; it must not throw through the C library, so the
// first failure is kept and raised once control is back in C++.
struct HaruError {
  HPDF_STATUS code = 0;
  HPDF_STATUS detail = 0;
};
void keepError(HPDF_STATUS code, HPDF_STATUS detail, void* data) {
  auto* e = static_cast<HaruError*>(data);
  if (e->code == 0) {
    e->code = code;
    e->detail = detail;
  }
}

struct DocFree {
  void operator()(HPDF_Doc d) const { HPDF_Free(d); }
};

class Writer {
 public:
  Writer() : doc_(HPDF_NewEx(&keepError, nullptr, nullptr, kMemoryPool, &error_)) {
    if (!doc_) throw PdfError("The PDF library could not start (out of memory).");
    HPDF_SetCompressionMode(doc_.get(), HPDF_COMP_ALL);
    HPDF_UseUTFEncodings(doc_.get());
    HPDF_SetPageMode(doc_.get(), HPDF_PAGE_MODE_USE_NONE);
    HPDF_SetInfoAttr(doc_.get(), HPDF_INFO_AUTHOR, "Physiotherapy Dept.");
    HPDF_SetInfoAttr(doc_.get(), HPDF_INFO_SUBJECT, "NB UVB MED Report");
    HPDF_SetInfoAttr(doc_.get(), HPDF_INFO_CREATOR, "Venmore Ltd");
    setCreationDate();
    check("starting the document");
  }

  void page(const Drawing& drawing) {
    page_ = HPDF_AddPage(doc_.get());
    height_ = drawing.size.height() * kPointsPerMm;
    HPDF_Page_SetWidth(page_, static_cast<HPDF_REAL>(drawing.size.width() * kPointsPerMm));
    HPDF_Page_SetHeight(page_, static_cast<HPDF_REAL>(height_));
    // From here on the page is measured in points from its top-left corner, y pointing down.
    HPDF_Page_Concat(page_, 1, 0, 0, -1, 0, static_cast<HPDF_REAL>(height_));
    state_ = State{};
    int clip = -1;
    for (const Item& item : drawing.items) {
      if (item.clip != clip) {
        if (clip >= 0) {
          HPDF_Page_GRestore(page_);
          state_ = outside_;
        }
        clip = item.clip;
        outside_ = state_;
        if (clip >= 0) {
          HPDF_Page_GSave(page_);
          path(drawing.clips[static_cast<std::size_t>(clip)], 1.0);
          if (drawing.clips[static_cast<std::size_t>(clip)].fillRule() == Qt::OddEvenFill)
            HPDF_Page_Eoclip(page_);
          else
            HPDF_Page_Clip(page_);
          HPDF_Page_EndPath(page_);
        }
      }
      std::visit([this](const auto& p) { draw(p); }, item.what);
      check("drawing the page");
    }
    if (clip >= 0) HPDF_Page_GRestore(page_);
    check("drawing the page");
  }

  // Writes the document through the open descriptor `fd`: libharu assembles the file in its own
  // memory, from which it is copied out piece by piece.
  void save(int fd, const QString& shown) {
    failed(HPDF_SaveToStream(doc_.get()), "writing the file");
    std::array<HPDF_BYTE, 64 * 1024> piece;
    for (;;) {
      HPDF_UINT32 size = piece.size();
      const HPDF_STATUS status = HPDF_ReadFromStream(doc_.get(), piece.data(), &size);
      if (size > 0 && !files::writeAll(fd, reinterpret_cast<const char*>(piece.data()), size)) {
        const int reason = errno;
        throw PdfError(QStringLiteral("Cannot write \"%1\": %2")
                           .arg(shown, QString::fromLocal8Bit(std::strerror(reason)))
                           .toStdString());
      }
      if (status == HPDF_STREAM_EOF) break;
      failed(status, "writing the file");
    }
    // The end of the stream counts as an error to libharu; it is where the copy ends.
    HPDF_ResetError(doc_.get());
    error_ = HaruError{};
  }

 private:
  // Raises the failure of a call that returned `status`, whether or not libharu reported it.
  void failed(HPDF_STATUS status, const char* what) {
    if (status == HPDF_OK) return;
    if (error_.code == 0) error_.code = status;
    check(what);
  }
  void check(const char* what) {
    if (error_.code == 0) return;
    throw PdfError(QStringLiteral("The PDF file could not be made while %1 (libharu error 0x%2, detail %3).")
                       .arg(QString::fromLatin1(what))
                       .arg(static_cast<unsigned>(error_.code), 4, 16, QLatin1Char('0'))
                       .arg(static_cast<unsigned>(error_.detail))
                       .toStdString());
  }

  void setCreationDate() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    HPDF_Date d{};
    d.year = now.date().year();
    d.month = now.date().month();
    d.day = now.date().day();
    d.hour = now.time().hour();
    d.minutes = now.time().minute();
    d.seconds = now.time().second();
    d.ind = offset > 0 ? '+' : offset < 0 ? '-' : 'Z';
    d.off_hour = std::abs(offset) / 3600;
    d.off_minutes = (std::abs(offset) % 3600) / 60;
    HPDF_SetInfoDateAttr(doc_.get(), HPDF_INFO_CREATION_DATE, d);
  }

  // Positions go into the file to an eighth of a point (0.044 mm, a dot of a 600 dpi printer): a
  // fraction a float holds exactly, so that the file spells it in few digits and compresses it well.
  static HPDF_REAL coordinate(double units) { return static_cast<HPDF_REAL>(std::round(units * 8.0) / 8.0); }
  static HPDF_REAL pt(double mm) { return coordinate(mm * kPointsPerMm); }

  // The graphics state last written, so that each setting is written only when it changes.
  // Unknown values (none) are always written.
  struct State {
    std::optional<QRgb> fill, stroke;  // with their alpha
    double lineWidth = -1;
    int cap = -1, join = -1;
    HPDF_Font font = nullptr;
    double fontSize = 0;
  };

  // Sets the transparency of filling or stroking (an extended graphics state per alpha value).
  void alpha(int value, bool stroke) {
    const int key = value * 2 + (stroke ? 1 : 0);
    auto it = states_.find(key);
    if (it == states_.end()) {
      HPDF_ExtGState gs = HPDF_CreateExtGState(doc_.get());
      const auto a = static_cast<HPDF_REAL>(value / 255.0);
      stroke ? HPDF_ExtGState_SetAlphaStroke(gs, a) : HPDF_ExtGState_SetAlphaFill(gs, a);
      it = states_.emplace(key, gs).first;
    }
    HPDF_Page_SetExtGState(page_, it->second);
  }
  // The colour of filling (or of stroking), written when it differs from the one in force.
  void colour(const QColor& c, bool stroking) {
    std::optional<QRgb>& current = stroking ? state_.stroke : state_.fill;
    const QRgb rgba = c.rgba();
    if (current == rgba) return;
    if (!current || qAlpha(*current) != c.alpha()) alpha(c.alpha(), stroking);
    if (!current || (*current & RGB_MASK) != (rgba & RGB_MASK)) {
      const auto r = static_cast<HPDF_REAL>(c.redF()), g = static_cast<HPDF_REAL>(c.greenF()),
                 b = static_cast<HPDF_REAL>(c.blueF());
      stroking ? HPDF_Page_SetRGBStroke(page_, r, g, b) : HPDF_Page_SetRGBFill(page_, r, g, b);
    }
    current = rgba;
  }
  void fillColour(const QColor& c) { colour(c, false); }
  void strokeColour(const QColor& c) { colour(c, true); }

  // The stroke's settings, with coordinates `scale` user units to the point.
  void stroke(const Stroke& s, double scale) {
    strokeColour(s.colour);
    const double width = s.width * kPointsPerMm * scale;
    if (width != state_.lineWidth) {
      HPDF_Page_SetLineWidth(page_, static_cast<HPDF_REAL>(width));
      state_.lineWidth = width;
    }
    const int cap = s.cap == Qt::RoundCap  ? HPDF_ROUND_END
                    : s.cap == Qt::FlatCap ? HPDF_BUTT_END
                                           : HPDF_PROJECTING_SCUARE_END;
    if (cap != state_.cap) {
      HPDF_Page_SetLineCap(page_, static_cast<HPDF_LineCap>(cap));
      state_.cap = cap;
    }
    const int join = s.join == Qt::RoundJoin   ? HPDF_ROUND_JOIN
                     : s.join == Qt::BevelJoin ? HPDF_BEVEL_JOIN
                                               : HPDF_MITER_JOIN;
    if (join != state_.join) {
      HPDF_Page_SetLineJoin(page_, static_cast<HPDF_LineJoin>(join));
      state_.join = join;
    }
    if (!s.dashes.empty()) {
      std::array<HPDF_UINT16, 8> pattern{};
      const std::size_t n = std::min<std::size_t>(s.dashes.size(), pattern.size());
      for (std::size_t i = 0; i < n; ++i)
        pattern[i] = static_cast<HPDF_UINT16>(std::clamp(std::lround(s.dashes[i] * kPointsPerMm * scale), 1L, 65535L));
      HPDF_Page_SetDash(page_, pattern.data(), static_cast<HPDF_UINT>(n), 0);
    }
  }

  void path(const QPainterPath& p, double scale) {
    const double k = kPointsPerMm * scale;
    for (int i = 0; i < p.elementCount(); ++i) {
      const QPainterPath::Element e = p.elementAt(i);
      const auto x = coordinate(e.x * k);
      const auto y = coordinate(e.y * k);
      if (e.isMoveTo()) {
        HPDF_Page_MoveTo(page_, x, y);
      } else if (e.isLineTo()) {
        HPDF_Page_LineTo(page_, x, y);
      } else if (e.isCurveTo() && i + 2 < p.elementCount()) {
        const QPainterPath::Element c2 = p.elementAt(i + 1);
        const QPainterPath::Element end = p.elementAt(i + 2);
        HPDF_Page_CurveTo(page_, x, y, coordinate(c2.x * k), coordinate(c2.y * k), coordinate(end.x * k),
                          coordinate(end.y * k));
        i += 2;
      }
    }
  }

  void draw(const FilledRect& f) {
    fillColour(f.colour);
    HPDF_Page_Rectangle(page_, pt(f.rect.left()), pt(f.rect.top()), pt(f.rect.width()), pt(f.rect.height()));
    HPDF_Page_Fill(page_);
  }

  void draw(const Line& l) {
    QPainterPath p(l.from);
    p.lineTo(l.to);
    draw(Shape{p, true, l.stroke, {}});
  }

  void draw(const Shape& s) {
    if (s.path.isEmpty()) return;
    const bool filled = s.fill.isValid();
    // A dashed line is drawn in a finer grid of its own (dash lengths are whole numbers of units),
    // inside a saved state that also keeps its dash pattern from the lines after it.
    const bool dashed = s.stroked && !s.stroke.dashes.empty();
    const double scale = dashed ? kDashResolution : 1.0;
    const State before = state_;
    if (dashed) {
      HPDF_Page_GSave(page_);
      HPDF_Page_Concat(page_, static_cast<HPDF_REAL>(1 / scale), 0, 0, static_cast<HPDF_REAL>(1 / scale), 0, 0);
      state_.lineWidth = -1;
    }
    if (filled) fillColour(s.fill);
    if (s.stroked) stroke(s.stroke, scale);
    path(s.path, scale);
    const bool evenOdd = s.path.fillRule() == Qt::OddEvenFill;
    if (filled && s.stroked)
      evenOdd ? HPDF_Page_EofillStroke(page_) : HPDF_Page_FillStroke(page_);
    else if (filled)
      evenOdd ? HPDF_Page_Eofill(page_) : HPDF_Page_Fill(page_);
    else if (s.stroked)
      HPDF_Page_Stroke(page_);
    else
      HPDF_Page_EndPath(page_);
    if (dashed) {
      HPDF_Page_GRestore(page_);
      state_ = before;
    }
  }

  HPDF_Font font(const pdf_text::Piece& piece, const TextStyle& letters, const QString& text) {
    if (piece.face == pdf_text::Face::Standard)
      return HPDF_GetFont(doc_.get(), pdf_text::standardFontName(letters), piece.encoding);
    const int v = (letters.bold ? 1 : 0) + (letters.italic ? 2 : 0);
    auto it = trueType_.find(v);
    if (it == trueType_.end()) {
      const QString file = pdf_text::trueTypeFile(letters);
      if (file.isEmpty())
        throw PdfError(
            QStringLiteral("The text \"%1\" needs letters the standard PDF fonts do not have, and no TrueType "
                           "font to embed for them is installed (Debian package fonts-liberation2).")
                .arg(text)
                .toStdString());
      const char* name = HPDF_LoadTTFontFromFile(doc_.get(), QFile::encodeName(file).constData(), HPDF_TRUE);
      check("embedding a TrueType font");
      it = trueType_.emplace(v, QByteArray(name)).first;
    }
    return HPDF_GetFont(doc_.get(), it->second.constData(), piece.encoding);
  }

  void draw(const TextRun& r) {
    const std::vector<pdf_text::Piece> pieces = pdf_text::pieces(r.text, r.font);
    if (pieces.empty()) return;
    const double a = r.rotation * M_PI / 180.0;
    const auto c = static_cast<HPDF_REAL>(std::cos(a));
    const auto s = static_cast<HPDF_REAL>(std::sin(a));
    fillColour(r.colour);
    HPDF_Page_BeginText(page_);
    // Along the run: anticlockwise by the rotation; the letters' up: a quarter turn further, and
    // flipped back, since the page's y axis points down.
    HPDF_Page_SetTextMatrix(page_, c, -s, -s, -c, pt(r.origin.x()), pt(r.origin.y()));
    // Each piece continues where the one before ended, by the widths the fonts carry.
    for (const pdf_text::Piece& piece : pieces) {
      HPDF_Font f = font(piece, r.font, r.text);
      check("choosing a font");
      if (f != state_.font || r.font.size != state_.fontSize) {
        HPDF_Page_SetFontAndSize(page_, f, static_cast<HPDF_REAL>(r.font.size));
        state_.font = f;
        state_.fontSize = r.font.size;
      }
      HPDF_Page_ShowText(page_, piece.bytes.constData());
    }
    HPDF_Page_EndText(page_);
  }

  HPDF_Image image(const QImage& picture) {
    const qint64 key = picture.cacheKey();
    if (auto it = images_.find(key); it != images_.end()) return it->second;
    QByteArray jpeg;
    try {
      jpeg = jpeg::encode(picture, kJpegQuality);  // transparent parts show the white paper
    } catch (const jpeg::Error& e) {
      throw PdfError(std::string("A picture could not be encoded for the PDF file: ") + e.what());
    }
    HPDF_Image img = HPDF_LoadJpegImageFromMem(doc_.get(), reinterpret_cast<const HPDF_BYTE*>(jpeg.constData()),
                                               static_cast<HPDF_UINT>(jpeg.size()));
    check("embedding a picture");
    images_.emplace(key, img);
    return img;
  }

  void draw(const Image& i) {
    if (i.image.isNull() || i.rect.isEmpty()) return;
    HPDF_Image img = image(i.image);
    HPDF_Page_GSave(page_);
    // The picture's unit square, its first row at the top of the rectangle.
    HPDF_Page_Concat(page_, pt(i.rect.width()), 0, 0, -pt(i.rect.height()), pt(i.rect.left()), pt(i.rect.bottom()));
    HPDF_Page_ExecuteXObject(page_, img);
    HPDF_Page_GRestore(page_);
  }

  HaruError error_;
  std::unique_ptr<_HPDF_Doc_Rec, DocFree> doc_;
  HPDF_Page page_ = nullptr;
  double height_ = 0;
  State state_;    // as last written
  State outside_;  // as it was before the current clip's saved state
  std::map<int, HPDF_ExtGState> states_;
  std::map<int, QByteArray> trueType_;  // the loaded TrueType faces' names
  std::map<qint64, HPDF_Image> images_;
};

}  // namespace

void writePdf(const PreparedReport& report, const QString& path, const PdfProgress& progress) {
  Writer writer;
  const int total = static_cast<int>(report.pages.size());
  if (progress) progress(0, total);
  for (int i = 0; i < total; ++i) {
    writer.page(report.pages[static_cast<std::size_t>(i)]);
    if (progress) progress(i + 1, total);
  }
  // Written under a name of its own beside its place, private from the first byte, and put in
  // place whole (base/PrivateFiles.h).
  const QString shown = QDir::toNativeSeparators(path);
  try {
    files::writePrivateFile(path, [&](int fd) { writer.save(fd, shown); });
  } catch (const files::WriteError& e) {
    throw PdfError(e.message().toStdString());
  }
}

}  // namespace report
