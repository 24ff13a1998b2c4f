#include "report/PdfText.h"

#include <hpdf.h>
#include <hpdf_doc.h>
#include <hpdf_encoder.h>
#include <hpdf_fontdef.h>
#include <QFile>
#include <QHash>
#include <QList>
#include <array>
#include <map>
#include <mutex>
#include <string>

namespace report::pdf_text {

namespace {

// The single-byte encodings the standard font is written in, tried in this order: Western
// European, Central European (Czech, Slovak, Polish, Hungarian, Croatian, Slovene), Turkish,
// Baltic, Romanian with comma accents, South European, North European, Baltic Rim, Celtic, and
// Western with the euro.
// clang-format off
constexpr std::array kStandardEncodings{
    "WinAnsiEncoding", "CP1250", "CP1254", "CP1257", "ISO8859-16", "ISO8859-3",
    "ISO8859-4",       "ISO8859-10", "ISO8859-13", "ISO8859-14", "ISO8859-15",
};
// clang-format on
// And those the TrueType face is written in: Cyrillic, Greek, Vietnamese, Hebrew, then the Latin
// sets for Latin letters the standard font lacks.
constexpr std::array kTrueTypeEncodings{
    "CP1251",     "CP1253",    "CP1258",    "CP1255",     "WinAnsiEncoding", "CP1250",     "CP1254",     "CP1257",
    "ISO8859-16", "ISO8859-3", "ISO8859-4", "ISO8859-10", "ISO8859-13",      "ISO8859-14", "ISO8859-15",
};

constexpr std::array kFontNames{"Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique"};

int variant(const TextStyle& f) { return (f.bold ? 1 : 0) + (f.italic ? 2 : 0); }

void ignoreErrors(HPDF_STATUS, HPDF_STATUS, void*) {}

using CodeTable = QHash<char32_t, unsigned char>;  // letter -> byte

// The standard fonts' letters and widths and the encodings' tables, copied out of libharu once.
struct Tables {
  std::array<QHash<char32_t, int>, 4> widths;  // per font variant: letters some encoding holds
  std::map<std::string, CodeTable> codes;      // per encoding name (nodes stay put)
  // The encodings to try for each face, in order, with their tables.
  std::vector<std::pair<const char*, const CodeTable*>> standardTables, trueTypeTables;
};

const Tables& tables() {
  static const Tables t = [] {
    Tables out;
    HPDF_Doc doc = HPDF_New(&ignoreErrors, nullptr);
    if (!doc) return out;
    auto load = [&](const char* name) {
      if (out.codes.count(name)) return;
      CodeTable& table = out.codes[name];
      HPDF_Encoder enc = HPDF_GetEncoder(doc, name);
      if (!enc) return;
      for (int code = 32; code < 256; ++code) {
        const HPDF_UNICODE u = HPDF_Encoder_GetUnicode(enc, static_cast<HPDF_UINT16>(code));
        // The file names the letter by its glyph name; a name that reads back as another letter
        // ("Tcommaaccent" for both T with comma and T with cedilla) would change the letter.
        if (u == 0 || HPDF_GryphNameToUnicode(HPDF_UnicodeToGryphName(u)) != u) continue;
        if (!table.contains(u)) table.insert(u, static_cast<unsigned char>(code));
      }
    };
    for (const char* e : kStandardEncodings) load(e);
    for (const char* e : kTrueTypeEncodings) load(e);
    for (std::size_t v = 0; v < kFontNames.size(); ++v) {
      if (!HPDF_GetFont(doc, kFontNames[v], "WinAnsiEncoding")) continue;
      HPDF_FontDef def = HPDF_GetFontDef(doc, kFontNames[v]);
      if (!def || def->type != HPDF_FONTDEF_TYPE_TYPE1) continue;
      auto* attr = static_cast<HPDF_Type1FontDefAttr>(def->attr);
      for (HPDF_UINT i = 0; i < attr->widths_count; ++i) {
        const char32_t letter = attr->widths[i].unicode;
        bool encodable = false;
        for (const char* e : kStandardEncodings) encodable = encodable || out.codes[e].contains(letter);
        if (letter != 0 && encodable) out.widths[v].insert(letter, attr->widths[i].width);
      }
    }
    HPDF_Free(doc);
    for (const char* e : kStandardEncodings) out.standardTables.emplace_back(e, &out.codes[e]);
    for (const char* e : kTrueTypeEncodings) out.trueTypeTables.emplace_back(e, &out.codes[e]);
    return out;
  }();
  return t;
}

// Where Debian's font packages put the faces, in order of preference.
QString findFile(const TextStyle& f) {
  static const std::array<std::array<const char*, 4>, 3> candidates{{
      {"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
       "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf",
       "/usr/share/fonts/truetype/liberation2/LiberationSans-Italic.ttf",
       "/usr/share/fonts/truetype/liberation2/LiberationSans-BoldItalic.ttf"},
      {"/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
       "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
       "/usr/share/fonts/truetype/liberation/LiberationSans-Italic.ttf",
       "/usr/share/fonts/truetype/liberation/LiberationSans-BoldItalic.ttf"},
      {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
       "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf",
       "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf"},
  }};
  for (const auto& family : candidates) {
    const QString path = QString::fromLatin1(family[static_cast<std::size_t>(variant(f))]);
    if (QFile::exists(path)) return path;
  }
  return {};
}

// The TrueType faces' widths, read through libharu on first use of each face.
class TrueTypeWidths {
 public:
  ~TrueTypeWidths() {
    if (doc_) HPDF_Free(doc_);
  }
  int width(char32_t letter, const TextStyle& f) {
    if (letter > 0xFFFF) return 0;
    std::lock_guard lock(mutex_);
    const int v = variant(f);
    if (!loaded_[static_cast<std::size_t>(v)]) {
      loaded_[static_cast<std::size_t>(v)] = true;
      if (!doc_) {
        doc_ = HPDF_New(&ignoreErrors, nullptr);
        if (doc_) HPDF_UseUTFEncodings(doc_);
      }
      const QString path = findFile(f);
      if (doc_ && !path.isEmpty()) {
        const char* name = HPDF_LoadTTFontFromFile(doc_, QFile::encodeName(path).constData(), HPDF_FALSE);
        if (name) fonts_[static_cast<std::size_t>(v)] = HPDF_GetFont(doc_, name, "UTF-8");
      }
    }
    HPDF_Font font = fonts_[static_cast<std::size_t>(v)];
    return font ? HPDF_Font_GetUnicodeWidth(font, static_cast<HPDF_UNICODE>(letter)) : 0;
  }

 private:
  std::mutex mutex_;
  HPDF_Doc doc_ = nullptr;
  std::array<bool, 4> loaded_{};
  std::array<HPDF_Font, 4> fonts_{};
};

int trueTypeWidth(char32_t letter, const TextStyle& font) {
  static TrueTypeWidths widths;
  return widths.width(letter, font);
}

}  // namespace

bool Piece::operator==(const Piece& o) const {
  return face == o.face && qstrcmp(encoding, o.encoding) == 0 && bytes == o.bytes;
}

const char* standardFontName(const TextStyle& font) { return kFontNames[static_cast<std::size_t>(variant(font))]; }

int width(char32_t letter, const TextStyle& font) {
  const auto& w = tables().widths[static_cast<std::size_t>(variant(font))];
  const auto it = w.constFind(letter);
  return it != w.constEnd() ? *it : trueTypeWidth(letter, font);
}

std::vector<Piece> pieces(const QString& text, const TextStyle& font) {
  const Tables& t = tables();
  const auto& standard = t.widths[static_cast<std::size_t>(variant(font))];
  QList<uint> letters = text.toUcs4();
  letters.removeIf([](uint c) { return c < 32; });
  const qsizetype n = letters.size();
  std::vector<Face> faces(static_cast<std::size_t>(n));
  for (qsizetype i = 0; i < n; ++i)
    faces[static_cast<std::size_t>(i)] = standard.contains(letters[i]) ? Face::Standard : Face::TrueType;

  std::vector<Piece> out;
  for (qsizetype i = 0; i < n;) {
    const Face face = faces[static_cast<std::size_t>(i)];
    qsizetype sameFace = i;
    while (sameFace < n && faces[static_cast<std::size_t>(sameFace)] == face) ++sameFace;
    // The encoding that holds the longest stretch of these letters from here; the first that holds
    // them all ends the search.
    const CodeTable* best = nullptr;
    const char* bestName = nullptr;
    qsizetype bestLength = 0;
    const auto& candidates = face == Face::Standard ? t.standardTables : t.trueTypeTables;
    for (const auto& [name, codes] : candidates) {
      qsizetype length = 0;
      while (i + length < sameFace && codes->contains(letters[i + length])) ++length;
      if (length > bestLength) {
        best = codes;
        bestName = name;
        bestLength = length;
      }
      if (i + length == sameFace) break;
    }

    Piece piece;
    piece.face = face;
    if (best) {
      piece.encoding = bestName;
      piece.bytes.reserve(bestLength);
      for (qsizetype k = 0; k < bestLength; ++k) piece.bytes.append(static_cast<char>(best->value(letters[i + k])));
      i += bestLength;
    } else {
      // Letters no single-byte encoding holds: Unicode, up to the next letter one does hold.
      piece.encoding = "UTF-8";
      QList<uint> run;
      auto heldByOne = [&](uint letter) {
        for (const auto& [name, codes] : t.trueTypeTables)
          if (codes->contains(letter)) return true;
        return false;
      };
      while (i < sameFace && (run.isEmpty() || !heldByOne(letters[i]))) run.append(letters[i++]);
      piece.bytes = QString::fromUcs4(reinterpret_cast<const char32_t*>(run.constData()), run.size()).toUtf8();
    }
    out.push_back(std::move(piece));
  }
  return out;
}

QString trueTypeFile(const TextStyle& font) { return findFile(font); }

}  // namespace report::pdf_text
